// MxObjDependency: node removal with bridging, and graph simplification.
//
// Removing an intermediate node n2 replaces every path n1 -> n2 -> n3 by a
// direct link n1 -> n3 whose type and qualifier are composed from the two
// links it replaces. Removals run in batches inside a removal context that
// collects what cannot be changed at once (the forward links of new bridges,
// the forward links to drop, the nodes to destroy) and applies it in one pass.
// While a batch runs the graph is unbalanced: the back links of bridges are
// in place while their forward links wait in the context. Every lookup here
// therefore consults both the graph and the context.
//
// Simplification removes, step by step, the direct targets of the roots
// until every link runs from an initial object to a final one.
#include "mxobjdependency.h"

#include "mxobjdependency_composition.h"
#include "mxobjdependency_stepcheck.h"
#include "mxobjdependency_store.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <vector>

using mx_detail::compose;
using mx_detail::Composed;
using mx_detail::Link;
using mx_detail::LinkVec;
using mx_detail::MxObjDepStore;
using mx_detail::Node;
using mx_detail::node_key;
using mx_detail::same_qualifier;

namespace {

const char* const kTag = "mxobjdependency";
using Dep = MxObjectDependency;

/// Writes the trace lines of removal and simplification; silent without a
/// journal.
class Trace {
public:
  explicit Trace(MxJournal* journal) : j_(journal) {}
  bool on() const { return j_ != nullptr; }
  void line(const char* a, const char* b = nullptr) {
    if (!j_) return;
    *j_ << a;
    if (b) *j_ << b;
    *j_ << mxEndExpr;
  }
  void line_id(const char* a, int id) {
    if (j_) *j_ << a << id << mxEndExpr;
  }
  void line_id(const char* a, const char* b, int id) {
    if (j_) *j_ << a << b << id << mxEndExpr;
  }
  void line_id_tail(const char* a, const char* b, int id, const char* c) {
    if (j_) *j_ << a << b << id << c << mxEndExpr;
  }
  void roots(size_t n) {
    if (j_) *j_ << "\"simplify_step\" with " << n << " roots." << mxEndExpr;
  }

private:
  MxJournal* j_;
};

/// Open-addressing map keyed by a pair of nodes.
class PairIndex {
public:
  void clear() {
    entries_.clear();
    count_ = 0;
  }
  const uint32_t* find(const Node* a, const Node* b) const {
    if (count_ == 0) return nullptr;
    const size_t mask = entries_.size() - 1;
    for (size_t i = home(a, b);; i = (i + 1) & mask) {
      const Entry& e = entries_[i];
      if (!e.a) return nullptr;
      if (e.a == a && e.b == b) return &e.value;
    }
  }
  /// Keeps the first value given for a pair.
  void insert(const Node* a, const Node* b, uint32_t value) {
    if ((count_ + 1) * 2 > entries_.size()) grow();
    const size_t mask = entries_.size() - 1;
    size_t i = home(a, b);
    for (; entries_[i].a; i = (i + 1) & mask)
      if (entries_[i].a == a && entries_[i].b == b) return;
    entries_[i] = Entry{a, b, value};
    ++count_;
  }

private:
  struct Entry {
    const Node* a = nullptr;
    const Node* b = nullptr;
    uint32_t value = 0;
  };
  size_t home(const Node* a, const Node* b) const {
    const uint64_t x = (reinterpret_cast<uintptr_t>(a) >> 3) * 0x9E3779B97F4A7C15ull ^
                       (reinterpret_cast<uintptr_t>(b) >> 3) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(x ^ (x >> 29)) & (entries_.size() - 1);
  }
  void grow() {
    std::vector<Entry> old;
    old.swap(entries_);
    entries_.assign(old.empty() ? 16 : old.size() * 2, Entry());
    count_ = 0;
    for (const Entry& e : old)
      if (e.a) insert(e.a, e.b, e.value);
  }

  std::vector<Entry> entries_;
  size_t count_ = 0;
};

struct Triple {
  const Node* n1;
  const Node* n2a;
  const Node* n3;
  bool operator==(const Triple& o) const { return n1 == o.n1 && n2a == o.n2a && n3 == o.n3; }
};
struct TripleHash {
  size_t operator()(const Triple& t) const {
    uint64_t x = reinterpret_cast<uintptr_t>(t.n1) * 0x9E3779B97F4A7C15ull;
    x ^= reinterpret_cast<uintptr_t>(t.n2a) * 0xC2B2AE3D27D4EB4Full;
    x ^= reinterpret_cast<uintptr_t>(t.n3) * 0x165667B19E3779F9ull;
    return static_cast<size_t>(x ^ (x >> 31));
  }
};

/// A SPLIT or CONTAINMENT group of a node whose member was dropped.
struct SplitGroup {
  Node* n1;
  Dep::Type type;
  bool has_q;
  int q;
};

constexpr uint32_t kNone = UINT32_MAX;

/// Indices into a removal context's arrays, chained per node in the order
/// they were added. Indices must be added in increasing order.
class NodeChains {
public:
  void append(const Node* key, uint32_t index) {
    if (next_.size() <= index) next_.resize(index + 1, kNone);
    Chain* chain = nullptr;
    chains_.insert(key, Chain(), &chain);
    if (chain->tail == kNone)
      chain->head = index;
    else
      next_[chain->tail] = index;
    chain->tail = index;
    ++chain->count;
  }
  uint32_t count(const Node* key) const {
    const Chain* chain = chains_.find(key);
    return chain ? chain->count : 0;
  }
  template <class F> void for_each(const Node* key, F f) const {
    if (const Chain* chain = chains_.find(key))
      for (uint32_t i = chain->head; i != kNone; i = next_[i]) f(i);
  }
  void clear() {
    chains_.clear();
    next_.clear();
  }

private:
  struct Chain {
    uint32_t head = kNone;
    uint32_t tail = kNone;
    uint32_t count = 0;
  };
  mx_detail::PtrTable<Chain> chains_;
  std::vector<uint32_t> next_;
};

} // namespace

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

/// Orders nodes by creation.
struct BySeq {
  bool operator()(const Node* a, const Node* b) const { return a->seq < b->seq; }
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
struct SimplifyRun {
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
};

void forget_node(SimplifyRun& run, Node* n) {
  run.gained_sources.set.erase(n);
  run.gained_targets.set.erase(n);
  if (n->flags & kActiveRoot) {
    std::replace(run.active.begin(), run.active.end(), n, static_cast<Node*>(nullptr));
    std::replace(run.work.begin(), run.work.end(), n, static_cast<Node*>(nullptr));
  }
  if (const uint32_t* index = run.root_slot.find(n)) run.roots[*index].root = nullptr;
}

void forget_link(SimplifyRun& run, Link* l) {
  run.unlist(l);
}

/// A removal context: one batch of removals.
class Removal {
public:
  Removal(MxObjDepStore& store, bool split_modificational, MxJournal* trace, SimplifyRun* run)
      : st_(store), split_modificational_(split_modificational), trace_(trace), run_(run) {}

  bool prepare_removal_of_n2(Node* n2, Node* rn1, bool use_unchecked);
  void apply_removal();
  /// Nodes postponed by this context, in creation order.
  std::vector<Node*> nodes_to_remove_later() const;
  bool has_nodes_to_remove_later() const { return later_.size() > 0; }

private:
  bool skip_bridge_link(Node* n1, Node* n2, Node* n3, Composed& c);
  bool reconcile_existing(Node* n1, Node* n3, Link* lk, bool pending, Composed& c);
  void remember_triple(Node* n1, Node* n2a, Node* n3, Link* lk, Link* lm, bool lm_pending,
                       Composed& c);
  Link* pending_link(const Node* n1, const Node* n3) const {
    const uint32_t* at = pending_.find(n1, n3);
    return at ? new_links_[*at] : nullptr;
  }
  /// Whether the forward link n1 -> n2 waits to be dropped. Its back link
  /// has left n2 already, but the link still counts as existing.
  bool dropped_link(const Node* n1, const Node* n2) const {
    return dropped_pairs_.find(n1, n2) != nullptr;
  }
  /// Whether a link from `n2a` into `n3` exists or waits to be made, asked
  /// on n3's side: every such link has its back link in n3, except one
  /// waiting to be dropped (then n3 is an n2 of this batch).
  bool links_into(const Node* n2a, const Node* n3) const {
    if (n3->source_links.find(n2a)) return true;
    return (n3->flags & kDroppedInto) && dropped_link(n2a, n3);
  }
  void remove_source_link(Node* node, Link* link);
  void remove_target_link(Node* node, Link* link);
  void make_absorption_consistent(const std::vector<Node*>& n3s);
  void retarget_pair(Node* source, Link* forward, Dep::Type type);

  MxObjDepStore& st_;
  bool split_modificational_;
  Trace trace_;
  SimplifyRun* run_;

  // Bridges whose back link is in place and whose forward link waits.
  std::vector<Node*> new_n1_;
  std::vector<Link*> new_links_;
  PairIndex pending_; // (n1, n3) -> index of the first such bridge
  NodeChains by_n1_;  // n1 -> indices of its bridges
  // Forward links to take out of their n1, found by (n1, n2) and by n2.
  std::vector<Node*> dropped_n1_;
  std::vector<Link*> dropped_links_;
  PairIndex dropped_pairs_;
  NodeChains dropped_into_;
  std::vector<Node*> nodes_to_remove_;
  std::vector<Node*> later_order_;
  PtrSet later_;
  std::unordered_set<Triple, TripleHash> triples_;
  // Reused lists of one removal.
  std::vector<Link*> scratch_detached_;
  std::vector<Link*> scratch_kept_;
  // Targets whose link from n1 changed type while a bridge was skipped.
  std::vector<Node*> retyped_targets_;
};

std::vector<Node*> Removal::nodes_to_remove_later() const {
  std::vector<Node*> out;
  for (Node* n : later_order_)
    if (later_.contains(n)) out.push_back(n);
  std::sort(out.begin(), out.end(), BySeq());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void Removal::remove_source_link(Node* node, Link* link) {
  if (!link || !st_.erase_source_link(node, link)) {
    MX_REPORT(kTag); // the link is not among the node's source links
    return;
  }
  st_.destroy_link(link);
}

void Removal::remove_target_link(Node* node, Link* link) {
  if (!link || !st_.erase_target_link(node, link)) {
    MX_REPORT(kTag); // the link is not among the node's target links
    return;
  }
  st_.destroy_link(link);
}

bool Removal::reconcile_existing(Node* n1, Node* n3, Link* lk, bool pending, Composed& c) {
  trace_.line(pending ? "         link between n1 and n3 already chosen to create"
                      : "         link between n1 and n3 already existing",
              " => skip n3");
  // A deletion also reached through an intermediate is the same deletion.
  const bool both_deletions = c.type == Dep::DELETION && lk->dependency_type == Dep::DELETION;
  if (c.type != Dep::CREATION && c.type != Dep::ABSORPTION && !both_deletions)
    MX_REPORT(kTag); // an existing bridge that the composed type cannot join
  if (c.type != Dep::ABSORPTION && lk->dependency_type == Dep::ABSORPTION) {
    if (pending)
      lk->dependency_type = Dep::CREATION;
    else
      st_.retype_target_link(n1, lk, Dep::CREATION);
    if (Link* back = n3->source_links.find(n1)) st_.retype_source_link(n3, back, Dep::CREATION);
    retyped_targets_.push_back(n3);
  }
  if (!same_qualifier(c.has_q, c.q, lk->has_target_qualifier, lk->target_qualifier))
    MX_REPORT(kTag); // the existing bridge carries another qualifier
  return true;
}

void Removal::remember_triple(Node* n1, Node* n2a, Node* n3, Link* lk, Link* lm, bool lm_pending,
                              Composed& c) {
  if (c.type != Dep::ABSORPTION && c.type != Dep::CREATION && c.type != Dep::DELETION)
    MX_REPORT(kTag); // n3 has several sources, so its links must allow it
  const Composed c2 = compose(lk, lm);
  if (c2.type == Dep::CREATION) {
    if (c.type == Dep::DELETION) MX_REPORT(kTag); // one path deletes, the other creates
    c.type = Dep::CREATION;
  } else if ((c2.type == Dep::DELETION) != (c.type == Dep::DELETION)) {
    // Creation against absorption is settled when the absorptions are made
    // consistent; only a deletion meeting anything else is inconsistent.
    MX_REPORT(kTag);
  }
  if (!same_qualifier(c.has_q, c.q, c2.has_q, c2.q))
    MX_REPORT(kTag); // two paths to n3 with different qualifiers
  if (lm_pending)
    trace_.line_id("            remember triple to skip via not yet created",
                   " link with n2a = ", node_key(n2a));
  else
    trace_.line_id("            remember triple to skip with n2a = ", node_key(n2a));
  triples_.insert(Triple{n1, n2a, n3});
}

bool Removal::skip_bridge_link(Node* n1, Node* n2, Node* n3, Composed& c) {
  if (!n1 || !n2 || !n3) {
    MX_REPORT(kTag); // a node of the path is missing
    return true;
  }
  if (triples_.count(Triple{n1, n2, n3})) {
    trace_.line("         already handled n1 and n3 earlier", " => skip n3");
    return true;
  }
  // The candidates are n1's target links, then the bridges waiting for n1,
  // in that order. Those that matter lead to n3 itself, or to another
  // intermediate n2a that also leads to n3. They are found from whichever
  // side is shorter: n1's candidates, or the links entering n3 (their back
  // links, bridges included, and the links waiting to be dropped, whose
  // back links are gone but which still count). The null-object node is no
  // intermediate: what was deleted does not go on into what was created
  // from nothing.
  struct Candidate {
    uint64_t order;
    Link* link;
    bool pending;
  };
  std::vector<Candidate> relevant;
  const uint64_t existing = n1->target_links.slots();
  auto relevant_from_n1 = [&](Link* lk) {
    return lk->node == n3 || (lk->node != n2 && links_into(lk->node, n3));
  };
  const uint64_t n1_side = n1->target_links.count() + by_n1_.count(n1);
  const uint64_t n3_side = n3->source_links.count() + dropped_into_.count(n3);
  if (n1_side <= n3_side) {
    for (uint32_t k = 0; k < n1->target_links.slots(); ++k) {
      Link* lk = n1->target_links.at(k);
      if (lk && lk->node && relevant_from_n1(lk)) relevant.push_back(Candidate{k, lk, false});
    }
    by_n1_.for_each(n1, [&](uint32_t i) {
      if (relevant_from_n1(new_links_[i]))
        relevant.push_back(Candidate{existing + i, new_links_[i], true});
    });
  } else {
    // From n3's side: every node with a link into n3, and of those the ones
    // that n1 links to.
    const bool n1_has_bridges = by_n1_.count(n1) > 0;
    // A link in n1's list (those waiting to be dropped are still there), or
    // a bridge waiting to be made.
    auto add_if_linked_from_n1 = [&](const Node* n2a) {
      const int64_t pos = n1->target_links.find_pos(n2a);
      if (pos >= 0) {
        relevant.push_back(Candidate{static_cast<uint64_t>(pos),
                                     n1->target_links.at(static_cast<uint32_t>(pos)), false});
      } else if (n1_has_bridges) {
        if (const uint32_t* at = pending_.find(n1, n2a))
          relevant.push_back(Candidate{existing + *at, new_links_[*at], true});
      }
    };
    add_if_linked_from_n1(n3);
    for (uint32_t i = 0; i < n3->source_links.slots(); ++i) {
      const Link* back = n3->source_links.at(i);
      if (back && back->node && back->node != n2 && back->node != n3)
        add_if_linked_from_n1(back->node);
    }
    dropped_into_.for_each(n3, [&](uint32_t i) {
      const Node* n2a = dropped_n1_[i];
      if (n2a != n2 && n2a != n3) add_if_linked_from_n1(n2a);
    });
    std::sort(relevant.begin(), relevant.end(),
              [](const Candidate& a, const Candidate& b) { return a.order < b.order; });
    relevant.erase(
        std::unique(relevant.begin(), relevant.end(),
                    [](const Candidate& a, const Candidate& b) { return a.link == b.link; }),
        relevant.end());
  }
  for (const Candidate& cand : relevant) {
    Node* n2a = cand.link->node;
    if (n2a == n3) return reconcile_existing(n1, n3, cand.link, cand.pending, c);
    if (!n2a->object) continue;
    if (Link* lm = n2a->target_links.find(n3))
      remember_triple(n1, n2a, n3, cand.link, lm, false, c);
    if (Link* lm = pending_link(n2a, n3)) remember_triple(n1, n2a, n3, cand.link, lm, true, c);
  }
  return false;
}

bool Removal::prepare_removal_of_n2(Node* n2, Node* rn1, bool use_unchecked) {
  trace_.line("   \"prepare_removal_of_n2\"");
  if (!n2) {
    MX_REPORT(kTag); // no node to remove
    return false;
  }
  if (n2->target_links.empty() || !n2->object) {
    trace_.line("   no targets => return");
    return false;
  }
  // A node that is its own source cannot be bridged away: the bridges would
  // run through the node being removed.
  if (n2->source_links.find(n2)) {
    trace_.line("   link to itself => return");
    return false;
  }
  bool removable = true;
  std::vector<Link*>& detached = scratch_detached_;
  detached.clear();
  const uint32_t n_sources = n2->source_links.slots();
  for (uint32_t si = 0; si < n_sources; ++si) {
    Link* s = n2->source_links.at(si);
    if (!s || !s->node) continue;
    Node* n1 = s->node;
    trace_.line_id("      n1 = ", node_key(n1));
    if (use_unchecked && (n1->flags & kUncheckedRoot)) {
      removable = false;
      trace_.line("      is unchecked root => skip n1, remove n2 later");
      continue;
    }
    Link* l1 = n1->target_links.find(n2);
    if (!l1) {
      l1 = pending_link(n1, n2);
      if (l1) {
        trace_.line("      link between n1 and n2 is a new one");
      } else {
        MX_REPORT(kTag); // the forward link of this source is missing
        trace_.line("      _ASSERTION_:", " link from n1 to n2 missing!!!");
        continue;
      }
    }
    // n1 is itself a target of rn1 (a link waiting to be dropped counts,
    // a bridge waiting to be made does not).
    if (rn1 && n1 != rn1 && rn1->target_links.find(n1)) {
      removable = false;
      if (later_.insert(n2)) later_order_.push_back(n2);
      trace_.line("      (n1 and n2) may become (n2 and n3)",
                  " => skip n1, store n2 to remove it later");
      continue;
    }
    const uint32_t n_targets = n2->target_links.slots();
    for (uint32_t ti = 0; ti < n_targets; ++ti) {
      Link* l2 = n2->target_links.at(ti);
      if (!l2 || !l2->node) continue;
      Node* n3 = l2->node;
      trace_.line_id("         n3 = ", node_key(n3));
      if (!n1->object && !n3->object) {
        trace_.line("         n1 == n3 == NULL-object", " => skip n3");
        continue;
      }
      Composed c = compose(l1, l2);
      if (skip_bridge_link(n1, n2, n3, c)) continue;
      if (!n1->object) {
        if (c.type == Dep::ABSORPTION) c.type = Dep::CREATION;
        if (c.type != Dep::CREATION) {
          MX_REPORT(kTag); // the null-object node may only create
          trace_.line("         _ASSERTION_:",
                      " NULL-object n1 has link with wrong dependency type!!!");
          continue;
        }
      }
      if (!n3->object && c.type != Dep::DELETION) {
        trace_.line("         n3 == NULL-object would delete something", " => skip n3");
        continue;
      }
      if ((n3->flags & kRemoving) || (n1->flags & kRemoving)) {
        MX_REPORT(kTag); // a bridge to or from a node this batch destroys
        continue;
      }
      Link* forward = st_.create_link(n3, c.type, c.has_q, c.q, c.separator, nullptr);
      Link* back = st_.create_link(n1, c.type, c.has_q, c.q, c.separator, nullptr);
      const uint32_t index = static_cast<uint32_t>(new_links_.size());
      new_n1_.push_back(n1);
      new_links_.push_back(forward);
      pending_.insert(n1, n3, index);
      by_n1_.append(n1, index);
      st_.add_source_link(n3, back);
    }
    if (l1->dropped) {
      MX_REPORT(kTag); // the same forward link would be dropped twice
    } else {
      const uint32_t index = static_cast<uint32_t>(dropped_links_.size());
      dropped_n1_.push_back(n1);
      dropped_links_.push_back(l1);
      dropped_pairs_.insert(n1, n2, index);
      dropped_into_.append(n2, index);
      n2->flags |= kDroppedInto;
      l1->dropped = true;
    }
    detached.push_back(s);
  }
  for (Link* s : detached) remove_source_link(n2, s);
  if (!removable) return true;

  std::vector<Link*>& kept = scratch_kept_;
  kept.clear();
  for (uint32_t ti = 0; ti < n2->target_links.slots(); ++ti) {
    Link* l2 = n2->target_links.at(ti);
    if (!l2 || !l2->node) continue;
    Node* n3 = l2->node;
    kept.push_back(l2);
    Link* back = n3->source_links.find(n2);
    if (!back) {
      MX_REPORT(kTag); // the target has no back link to n2
      trace_.line_id_tail("  _ASSERTION_:", " removing links between n2 and (n3 = ", node_key(n3),
                          "): no link from n3 to n2!!!");
    } else if (!st_.erase_source_link(n3, back)) {
      MX_REPORT(kTag);
      trace_.line_id_tail("  _ASSERTION_:", " removing link from (n3 = ", node_key(n3),
                          ") to n2 failed!!!");
    } else {
      st_.destroy_link(back);
    }
  }
  for (Link* l2 : kept) remove_target_link(n2, l2);
  nodes_to_remove_.push_back(n2);
  n2->flags |= kRemoving;
  later_.erase(n2);
  return true;
}

void Removal::retarget_pair(Node* source, Link* forward, Dep::Type type) {
  st_.retype_target_link(source, forward, type);
  Node* target = forward->node;
  Link* back = target ? target->source_links.find(source) : nullptr;
  if (!back) {
    MX_REPORT(kTag); // the back link of the pair is missing
    return;
  }
  st_.retype_source_link(target, back, type);
}

void Removal::make_absorption_consistent(const std::vector<Node*>& n3s) {
  // (a) The absorbing sources of the targets that changed.
  std::vector<Node*> absorbing;
  PtrSet absorbing_seen;
  std::vector<Node*> absorbed;
  PtrSet absorbed_seen;
  auto note_absorbed = [&](Node* t) {
    if (absorbed_seen.insert(t)) absorbed.push_back(t);
  };
  for (Node* n3 : n3s) {
    if (!n3) {
      MX_REPORT(kTag);
      continue;
    }
    if (n3->absorption_sources == 0) continue;
    for (uint32_t i = 0; i < n3->source_links.slots(); ++i) {
      const Link* l = n3->source_links.at(i);
      if (!l || l->dependency_type != Dep::ABSORPTION) continue;
      if (absorbing_seen.insert(l->node)) absorbing.push_back(l->node);
      note_absorbed(n3);
    }
  }
  // (b) A source that absorbs into one target and also has targets of other
  // kinds did not vanish into its target: its absorptions become creations.
  for (Node* s : absorbing) {
    const uint32_t n_absorptions = s->absorption_targets;
    const uint32_t n_others = s->target_links.count() - n_absorptions;
    if (n_absorptions == 0) MX_REPORT(kTag);
    if (n_absorptions == 0) continue;
    for (uint32_t i = 0; i < s->target_links.slots(); ++i) {
      Link* l = s->target_links.at(i);
      if (!l || l->dependency_type != Dep::ABSORPTION) continue;
      note_absorbed(l->node);
      if (n_others > 0) retarget_pair(s, l, Dep::CREATION);
    }
  }
  // (c) A target whose sources mix absorptions with other kinds takes them
  // all as creations.
  for (Node* t : absorbed) {
    const uint32_t n_absorptions = t->absorption_sources;
    if (n_absorptions == 0 || n_absorptions == t->source_links.count()) continue;
    for (uint32_t i = 0; i < t->source_links.slots(); ++i) {
      Link* back = t->source_links.at(i);
      if (!back || back->dependency_type != Dep::ABSORPTION) continue;
      st_.retype_source_link(t, back, Dep::CREATION);
      Link* forward = back->node ? back->node->target_links.find(t) : nullptr;
      if (!forward) {
        MX_REPORT(kTag); // the forward link of the pair is missing
        continue;
      }
      st_.retype_target_link(back->node, forward, Dep::CREATION);
    }
  }
}

void Removal::apply_removal() {
  // 1. The forward links of the bridges join their sources.
  std::vector<Node*> n3s;
  // Targets are noted once each, marked while the batch is applied.
  auto note_n3 = [&](Node* n3) {
    if (n3->flags & kNoted) return;
    n3->flags |= kNoted;
    n3s.push_back(n3);
  };
  const bool has_null_node = st_.find_node(nullptr) != nullptr;
  for (size_t i = 0; i < new_links_.size(); ++i) {
    Node* n1 = new_n1_[i];
    Link* forward = new_links_[i];
    note_n3(forward->node);
    st_.add_target_link(n1, forward);
    if (run_) {
      if (has_null_node) {
        run_->gained_targets.note(n1);
        run_->gained_sources.note(forward->node);
      }
      run_->target_added(n1, forward);
    }
  }
  new_n1_.clear();
  new_links_.clear();
  pending_.clear();
  by_n1_.clear();

  // 2. The dropped forward links leave their sources. A dropped SPLIT or
  // CONTAINMENT link may leave its group with one member: noted first.
  std::vector<SplitGroup> groups;
  for (size_t i = 0; i < dropped_links_.size(); ++i) {
    Node* n1 = dropped_n1_[i];
    Link* l1 = dropped_links_[i];
    if (!l1->dropped) {
      MX_REPORT(kTag); // the same link dropped twice
      continue;
    }
    l1->dropped = false;
    if (l1->node) l1->node->flags &= static_cast<uint16_t>(~kDroppedInto);
    if (l1->dependency_type == Dep::SPLIT || l1->dependency_type == Dep::CONTAINMENT)
      groups.push_back(SplitGroup{n1, l1->dependency_type, l1->has_target_qualifier,
                                  l1->has_target_qualifier ? l1->target_qualifier : -1});
    remove_target_link(n1, l1);
  }
  dropped_n1_.clear();
  dropped_links_.clear();
  dropped_pairs_.clear();
  dropped_into_.clear();

  // 3. Absorptions, then splits, are made consistent.
  for (Node* n : retyped_targets_) note_n3(n);
  retyped_targets_.clear();
  make_absorption_consistent(n3s);
  for (Node* n : n3s) n->flags &= static_cast<uint16_t>(~kNoted);
  for (const SplitGroup& g : groups) {
    Link* lone = nullptr;
    int members = 0;
    for (uint32_t i = 0; i < g.n1->target_links.slots() && members < 2; ++i) {
      Link* l = g.n1->target_links.at(i);
      if (l && l->dependency_type == g.type && l->has_target_qualifier == g.has_q &&
          (l->has_target_qualifier ? l->target_qualifier : -1) == g.q) {
        lone = l;
        ++members;
      }
    }
    if (members == 1)
      retarget_pair(g.n1, lone, split_modificational_ ? Dep::MODIFICATION : Dep::CREATION);
  }

  // 4. The detached nodes are destroyed.
  for (Node* n : nodes_to_remove_) {
    if (!st_.objects.erase(n->object)) MX_REPORT(kTag); // not in the object map
    st_.destroy_node(n);
  }
  nodes_to_remove_.clear();
}

} // namespace mx_detail

using mx_detail::kActiveRoot;
using mx_detail::kUncheckedRoot;
using mx_detail::PtrSet;
using mx_detail::Removal;
using mx_detail::SimplifyRun;
using mx_detail::StepCheck;

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
  SimplifyRun run;
  store_->simplify_run = &run;
  for (;;) {
    const uint64_t before = store_->changes;
    if (!simplify_step()) break;
    if (store_->changes == before) {
      MX_REPORT(kTag); // a step claimed progress but changed nothing
      break;
    }
    if (fnd_assertion_handler && !valid_after_step(*this, step_check.get()))
      MX_REPORT(kTag); // a step left the graph invalid
  }
  store_->simplify_run = nullptr;
}

bool MxObjDependency::simplify_step() {
  MxObjDepStore& st = *store_;
  SimplifyRun local;
  const bool own_run = st.simplify_run == nullptr;
  SimplifyRun& run = own_run ? local : *st.simplify_run;
  if (own_run) st.simplify_run = &run;
  Trace trace(trace_journal_);
  // With a trace every root and target is visited, as the trace lines tell;
  // without one only those that can still change (see SimplifyRun).
  const bool visit_all = trace.on() || own_run;

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

  Removal r1(st, consider_split_modificational_, trace_journal_, &run);
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
  Removal r2(st, consider_split_modificational_, trace_journal_, &run);
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
        forget_node(run, null_node);
        null_node->flags &= static_cast<uint16_t>(~kActiveRoot);
      }
      if (null_node->source_links.empty() && null_node->target_links.empty()) {
        // The step's root list may still hold it even when it is no longer
        // flagged active (it was already processed): drop it from there too.
        std::replace(run.work.begin(), run.work.end(), null_node, static_cast<Node*>(nullptr));
        forget_node(run, null_node);
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
  if (own_run) st.simplify_run = nullptr;
  return changed;
}
