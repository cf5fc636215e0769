// Simplification of the lineage graph: step by step, the direct targets of
// the roots are removed (bridged out by a removal context) until every link
// runs from an initial object to a final one.
#include "mxobjdependency.h"

#include "mxobjdependency_removal.h"
#include "mxobjdependency_stepcheck.h"
#include "mxobjdependency_store.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace mx_detail {

/// Nodes noted once each, in the order first noted; nodes destroyed since
/// are dropped from the set and skipped.
struct NodeNotes {
  std::vector<Node*> order;
  PtrSet set;
  void note(Node* n) {
    if (set.insert(n)) order.push_back(n);
  }
  std::vector<Node*> alive() const {
    std::vector<Node*> out;
    for (Node* n : order)
      if (set.contains(n)) out.push_back(n);
    return out;
  }
  void clear() {
    order.clear();
    set.clear();
  }
};

/// State that lives across the steps of one `simplify_it`.
///
/// Without a trace, a step visits only what can change. A target that
/// `prepare_removal_of_n2` turns down (no targets, the null-object node, a
/// node linked to itself) stays that way while the graph simplifies: a node
/// gains targets only as the source of a node being removed, and a final
/// node is the source of none. So each root keeps the list of its target
/// links not yet turned down, in link order, and the roots with an empty
/// list are no longer visited. Visiting only these does exactly what
/// visiting every root and every target would do, minus the calls that
/// change nothing; with a trace every root and target is visited, as the
/// trace lines tell.
struct SimplifyRun final : StoreListener {
  explicit SimplifyRun(MxObjDepStore& store) : st(store) { st.add_listener(this); }
  ~SimplifyRun() { st.remove_listener(this); }
  SimplifyRun(const SimplifyRun&) = delete;
  SimplifyRun& operator=(const SimplifyRun&) = delete;

  MxObjDepStore& st;
  /// Nodes that gained source links (bridge targets) or target links (bridge
  /// sources) since the null-object node's links were last pruned.
  NodeNotes gained_sources;
  NodeNotes gained_targets;
  /// Whether the null-object node's links were pruned in full once.
  bool pruned_fully = false;

  struct RootTargets {
    Node* root = nullptr;
    std::vector<Link*> links; // null: turned down or gone
    uint32_t live = 0;
  };
  bool started = false;
  std::vector<Node*> active; // roots to visit in the next step
  std::vector<Node*> work;   // roots of the current step
  std::vector<RootTargets> roots;
  PtrTable<uint32_t> root_slot; // root -> index in `roots`
  PtrTable<uint64_t> link_slot; // listed link -> (root index << 32) | position

  void track(Node* root) {
    const uint32_t index = static_cast<uint32_t>(roots.size());
    roots.push_back(RootTargets());
    roots.back().root = root;
    root_slot.insert(root, index);
    for (uint32_t i = 0; i < root->target_links.slots(); ++i)
      if (Link* l = root->target_links.at(i)) list(index, l);
  }
  void list(uint32_t index, Link* l) {
    RootTargets& r = roots[index];
    link_slot.insert(l, (static_cast<uint64_t>(index) << 32) | r.links.size());
    r.links.push_back(l);
    l->listed = true;
    ++r.live;
  }
  /// A new target link of `n1`: listed when `n1` is a root.
  void target_added(Node* n1, Link* l) {
    const uint32_t* index = root_slot.find(n1);
    if (!index) return;
    if (roots[*index].live == 0 && !(n1->flags & kActiveRoot)) {
      // Not expected (see above); should it happen, the root is visited again.
      n1->flags |= kActiveRoot;
      active.push_back(n1);
    }
    list(*index, l);
  }
  /// Squeezes the turned-down entries out of a root's list.
  void compact(uint32_t index) {
    RootTargets& r = roots[index];
    if (r.links.size() < 32 || r.live * 2 > r.links.size()) return;
    size_t j = 0;
    for (Link* l : r.links) {
      if (!l) continue;
      *link_slot.find(l) = (static_cast<uint64_t>(index) << 32) | j;
      r.links[j++] = l;
    }
    r.links.resize(j);
  }
  /// Takes a link off its root's list.
  void unlist(Link* l) {
    const uint64_t* at = link_slot.find(l);
    if (!at) return;
    RootTargets& r = roots[static_cast<uint32_t>(*at >> 32)];
    r.links[static_cast<uint32_t>(*at)] = nullptr;
    --r.live;
    link_slot.erase(l);
    l->listed = false;
  }

  /// A bridge's forward link joined its source: the null-object node's
  /// links must be pruned there, and a root lists it.
  void links_changed(Node* holder, Link* link, LinkChange change) override {
    if (change != LinkChange::kTargetAdded) return;
    if (st.find_node(nullptr)) {
      gained_targets.note(holder);
      gained_sources.note(link->node);
    }
    target_added(holder, link);
  }
  void link_destroyed(Link* link) override {
    if (link->listed) unlist(link);
  }
  void node_destroyed(Node* n) override { forget(n); }
  /// Stops tracking `n` as a root and as a node that gained links.
  void forget(Node* n) {
    gained_sources.set.erase(n);
    gained_targets.set.erase(n);
    if (n->flags & kActiveRoot) {
      std::replace(active.begin(), active.end(), n, static_cast<Node*>(nullptr));
      std::replace(work.begin(), work.end(), n, static_cast<Node*>(nullptr));
    }
    if (const uint32_t* index = root_slot.find(n)) roots[*index].root = nullptr;
  }
};

} // namespace mx_detail

using mx_detail::kActiveRoot;
using mx_detail::kUncheckedRoot;
using mx_detail::Link;
using mx_detail::LinkVec;
using mx_detail::MxObjDepStore;
using mx_detail::Node;
using mx_detail::node_key;
using mx_detail::PtrSet;
using mx_detail::Removal;
using mx_detail::SimplifyRun;
using mx_detail::StepCheck;
using mx_detail::Trace;

namespace {
const char* const kTag = "mxobjdependency";
} // namespace

namespace {

/// Removes the creation links from the null-object node into objects that
/// have real sources, and the deletion links into it from objects that have
/// real targets. Only nodes in `creation_side` / `deletion_side` are looked
/// at, unless `full`.
void prune_null_object_links(MxObjDepStore& st, Node* null_node, bool full,
                             const std::vector<Node*>& creation_side,
                             const std::vector<Node*>& deletion_side) {
  std::vector<Link*> own;
  std::vector<Node*> peers;
  std::vector<Link*> peer_links;
  auto collect = [&](Link* l, bool creation) {
    Node* x = l->node;
    const LinkVec& links = creation ? x->source_links : x->target_links;
    if (links.count() < 2) return;
    own.push_back(l);
    Link* other = creation ? x->source_links.find(null_node) : x->target_links.find(null_node);
    if (!other) {
      MX_REPORT(kTag); // the pair of this link is missing
      return;
    }
    peers.push_back(x);
    peer_links.push_back(other);
  };
  for (int side = 0; side < 2; ++side) {
    const bool creation = side == 0;
    own.clear();
    peers.clear();
    peer_links.clear();
    const LinkVec& mine = creation ? null_node->target_links : null_node->source_links;
    if (full) {
      for (uint32_t i = 0; i < mine.slots(); ++i)
        if (Link* l = mine.at(i)) collect(l, creation);
    } else {
      for (Node* x : creation ? creation_side : deletion_side)
        if (Link* l = mine.find(x)) collect(l, creation);
    }
    for (Link* l : own) {
      const bool erased =
          creation ? st.erase_target_link(null_node, l) : st.erase_source_link(null_node, l);
      if (!erased) {
        MX_REPORT(kTag);
        continue;
      }
      st.destroy_link(l);
    }
    for (size_t i = 0; i < peers.size(); ++i) {
      const bool erased = creation ? st.erase_source_link(peers[i], peer_links[i])
                                   : st.erase_target_link(peers[i], peer_links[i]);
      if (!erased) {
        MX_REPORT(kTag);
        continue;
      }
      st.destroy_link(peer_links[i]);
    }
  }
}

} // namespace

namespace {

bool run_simplify_step(MxObjDepStore& st, SimplifyRun& run, bool split_modificational,
                       MxJournal* trace_journal, bool alone);

/// The check between two simplification steps. Fuzzing builds compare it
/// with the full check every time.
bool valid_after_step(const MxObjDependency& graph, StepCheck* step_check) {
  if (!step_check) return graph.is_valid(nullptr);
  const bool valid = step_check->valid();
#ifdef MX_VERIFY_STEP_CHECK
  if (valid != graph.is_valid(nullptr)) std::abort();
#endif
  return valid;
}

} // namespace

void MxObjDependency::simplify_it() {
  // With a handler installed the graph is checked before and between the
  // steps; between them the check follows what each step changed.
  std::unique_ptr<StepCheck> step_check;
  if (fnd_assertion_handler) {
    if (!is_valid(nullptr)) MX_REPORT(kTag); // an invalid graph
    step_check.reset(new StepCheck(*this, *store_));
  }
  SimplifyRun run(*store_);
  for (;;) {
    const uint64_t before = store_->changes;
    if (!run_simplify_step(*store_, run, consider_split_modificational_, trace_journal_, false))
      break;
    if (store_->changes == before) {
      MX_REPORT(kTag); // a step claimed progress but changed nothing
      break;
    }
    if (fnd_assertion_handler && !valid_after_step(*this, step_check.get()))
      MX_REPORT(kTag); // a step left the graph invalid
  }
}

bool MxObjDependency::simplify_step() {
  SimplifyRun run(*store_);
  return run_simplify_step(*store_, run, consider_split_modificational_, trace_journal_, true);
}

namespace {

/// One simplification step within `run`. With a trace, or when `alone` (a
/// step with a run of its own), every root and target is visited, as the
/// trace lines tell; otherwise only those that can still change (see
/// SimplifyRun).
bool run_simplify_step(MxObjDepStore& st, SimplifyRun& run, bool split_modificational,
                       MxJournal* trace_journal, bool alone) {
  Trace trace(trace_journal);
  const bool visit_all = trace.on() || alone;

  run.work.clear();
  if (visit_all) {
    for (size_t i = 0; i < st.roots.slots(); ++i)
      if (Node* r = st.roots.at(i)) run.work.push_back(r);
  } else {
    if (!run.started) {
      run.started = true;
      for (size_t i = 0; i < st.roots.slots(); ++i) {
        if (Node* r = st.roots.at(i)) {
          run.track(r);
          run.active.push_back(r);
        }
      }
    }
    run.work.swap(run.active);
    run.active.clear();
    std::sort(run.work.begin(), run.work.end(),
              [](const Node* a, const Node* b) { return (a ? a->seq : 0) < (b ? b->seq : 0); });
    run.work.erase(std::unique(run.work.begin(), run.work.end()), run.work.end());
  }
  // Listed roots are flagged, so that a node destroyed during the step
  // leaves the lists at once.
  for (Node* r : run.work)
    if (r) r->flags |= kUncheckedRoot | kActiveRoot;

  Removal r1(st, split_modificational, trace_journal);
  bool changed = false;
  trace.roots(st.roots.size());

  for (size_t ri = 0; ri < run.work.size(); ++ri) {
    Node* root = run.work[ri];
    if (!root) continue; // destroyed during this step
    trace.line_id("rn1 = ", node_key(root));
    if (!(root->flags & kUncheckedRoot)) MX_REPORT(kTag); // a root visited twice
    root->flags &= static_cast<uint16_t>(~kUncheckedRoot);
    if (visit_all) {
      const uint32_t n_targets = root->target_links.slots();
      for (uint32_t i = 0; i < n_targets; ++i) {
        Link* l = root->target_links.at(i);
        if (!l || !l->node) continue;
        trace.line_id("   n2 = ", node_key(l->node));
        if (r1.prepare_removal_of_n2(l->node, root, true)) changed = true;
      }
      r1.apply_removal();
      continue;
    }
    const uint32_t* index = run.root_slot.find(root);
    if (!index) {
      MX_REPORT(kTag); // a root that is not tracked
      continue;
    }
    const uint32_t slot = *index;
    const size_t n_targets = run.roots[slot].links.size();
    for (size_t i = 0; i < n_targets; ++i) {
      Link* l = run.roots[slot].links[i];
      if (!l || !l->node) continue;
      if (r1.prepare_removal_of_n2(l->node, root, true))
        changed = true;
      else
        run.unlist(l); // turned down for good
    }
    r1.apply_removal();
    run.compact(slot);
    if (run.roots[slot].live > 0)
      run.active.push_back(root);
    else
      root->flags &= static_cast<uint16_t>(~kActiveRoot);
  }

  trace.line("remove n2s to remove later");
  Removal r2(st, split_modificational, trace_journal);
  for (Node* n2 : r1.nodes_to_remove_later()) {
    trace.line_id("   n2 = ", node_key(n2));
    if (r2.prepare_removal_of_n2(n2, nullptr, false)) changed = true;
    if (r2.has_nodes_to_remove_later()) {
      MX_REPORT(kTag); // the postponed pass postponed again
      trace.line("   _ASSERTION_: ", "removal of n2 produced new n2s to remove!!!");
    }
    r2.apply_removal();
  }

  if (changed) {
    if (Node* null_node = st.find_node(nullptr)) {
      const bool full = !run.pruned_fully;
      prune_null_object_links(st, null_node, full, run.gained_sources.alive(),
                              run.gained_targets.alive());
      run.pruned_fully = true;
      if (null_node->source_links.empty()) st.leaves.erase(null_node);
      if (null_node->target_links.empty()) {
        st.roots.erase(null_node);
        run.forget(null_node);
        null_node->flags &= static_cast<uint16_t>(~kActiveRoot);
      }
      if (null_node->source_links.empty() && null_node->target_links.empty()) {
        // The step's root list may still hold it even when it is no longer
        // flagged active (it was already processed): drop it from there too.
        std::replace(run.work.begin(), run.work.end(), null_node, static_cast<Node*>(nullptr));
        st.objects.erase(nullptr);
        st.destroy_node(null_node);
      }
    }
    run.gained_sources.clear();
    run.gained_targets.clear();
  }
  const uint16_t unlisted = visit_all ? (kUncheckedRoot | kActiveRoot) : kUncheckedRoot;
  for (Node* r : run.work)
    if (r) r->flags &= static_cast<uint16_t>(~unlisted);
  run.work.clear();
  return changed;
}

} // namespace
