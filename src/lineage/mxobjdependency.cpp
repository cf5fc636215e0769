// MxObjDependency: construction, settings, recording and the lineage queries.
#include "mxobjdependency.h"

#include "mxobjdependency_store.h"

#include <climits>
#include <vector>

using mx_detail::Link;
using mx_detail::Node;

namespace {
const char* const kTag = "mxobjdependency";

/// The element under the iterator's cursor, null for a null element (or an
/// iterator that hands out no element).
const MxDynObj* current_object(MxIterator<const MxDynObj*>* it) {
  const MxDynObj** p = it->current();
  return p ? *p : nullptr;
}

size_t count_elements(MxIterator<const MxDynObj*>* it) {
  if (!it) return 0;
  size_t n = 0;
  for (it->reset(); !it->done(); it->next()) ++n;
  return n;
}

/// Hands the collected objects to the answer array in one piece (sized
/// once, then filled), rather than appending them one at a time: GCC's
/// overflow analysis of the array's append path fails the build with a
/// false warning for this element type.
void fill_answer(MxArray<const MxDynObj*>& answer, const std::vector<const MxDynObj*>& objects) {
  answer.resize(objects.size(), false);
  for (size_t i = 0; i < objects.size(); ++i) answer[i] = objects[i];
}

/// One frame of an explicit depth-first walk: the node and the position of
/// the next link to follow.
struct WalkFrame {
  Node* node;
  uint32_t next;
};

/// A vector that a thread reuses from call to call, so that a short query
/// allocates nothing for its bookkeeping. A call made while the thread's
/// vector is in use (a filter that queries inside a walk) gets its own.
template <class T> class Scratch {
public:
  Scratch() : shared_(!slot().busy) {
    if (shared_) slot().busy = true;
    items().clear();
  }
  ~Scratch() {
    if (shared_) slot().busy = false;
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::vector<T>& items() { return shared_ ? slot().items : own_; }

private:
  struct Slot {
    std::vector<T> items;
    bool busy = false;
  };
  static Slot& slot() {
    thread_local Slot s;
    return s;
  }
  bool shared_;
  std::vector<T> own_;
};

} // namespace

namespace mx_detail {

// Visits in the order of the recursive definition, a node's links in list
// order, each followed to its end before the next; but each node is entered
// once only, so a walk costs at most the nodes and links it reaches.
void walk_lineage(const MxObjDepStore& store, Node* start, bool backwards,
                  MxObjectDependencyFilter* filter, bool* filtered,
                  std::vector<const MxDynObj*>& out, bool* reached_null) {
  // The nodes carry the mark of the walk that entered them last. A walk
  // started from inside another (by a filter) keeps its own set instead,
  // so that the outer walk's marks stay.
  const bool nested = store.walks_running > 0;
  const uint32_t mark = nested ? 0 : store.fresh_marks(1);
  PtrSet entered_nested;
  auto first_entry = [&](Node* n) {
    if (nested) return entered_nested.insert(n);
    if (n->walk_mark == mark) return false;
    n->walk_mark = mark;
    return true;
  };
  ++store.walks_running;
  Scratch<WalkFrame> scratch;
  std::vector<WalkFrame>& stack = scratch.items();
  auto enter = [&](Node* n) {
    if (!n->object) {
      if (reached_null) *reached_null = true;
      return;
    }
    if (!first_entry(n)) return; // reached before, or a cycle
    const LinkVec& links = backwards ? n->source_links : n->target_links;
    if (links.empty())
      out.push_back(n->object);
    else
      stack.push_back(WalkFrame{n, 0});
  };
  enter(start);
  while (!stack.empty()) {
    WalkFrame& top = stack.back();
    const LinkVec& links = backwards ? top.node->source_links : top.node->target_links;
    if (top.next >= links.slots()) {
      stack.pop_back();
      continue;
    }
    Link* l = links.at(top.next++);
    if (!l) continue;
    if (filter) {
      const MxDynObj* here = top.node->object;
      const MxDynObj* there = l->node->object;
      const int* q = l->has_target_qualifier ? &l->target_qualifier : nullptr;
      const bool accepted =
          backwards
              ? filter->accept(there, here, l->dependency_type, l->separator, q, store.role_of(l))
              : filter->accept(here, there, l->dependency_type, l->separator, q, store.role_of(l));
      if (!accepted) {
        if (filtered) *filtered = true;
        continue;
      }
    }
    enter(l->node);
  }
  --store.walks_running;
}

} // namespace mx_detail

// ---------------------------------------------------------------------------
// Construction and settings

MxObjDependency::MxObjDependency() : store_(new mx_detail::MxObjDepStore()) {}

MxObjDependency::MxObjDependency(const MxObjDependency& other)
    : MxObjectDependency(other), store_(new mx_detail::MxObjDepStore()) {
  copy_settings(other);
  store_->copy_from(*other.store_);
}

MxObjDependency& MxObjDependency::operator=(const MxObjDependency& other) {
  if (this == &other) return *this;
  copy_settings(other);
  store_->clear();
  store_->copy_from(*other.store_);
  return *this;
}

MxObjDependency::~MxObjDependency() {
  delete store_;
}

void MxObjDependency::copy_settings(const MxObjDependency& other) {
  absorption_inherits_target_qualifier_ = other.absorption_inherits_target_qualifier_;
  consider_split_modificational_ = other.consider_split_modificational_;
  current_separator_ = other.current_separator_;
  dotty_output_format_ = other.dotty_output_format_;
  debug_node_filter_types_ = other.debug_node_filter_types_;
  debug_node_filters_ = other.debug_node_filters_;
  debug_link_filter_ = other.debug_link_filter_;
  trace_journal_ = other.trace_journal_;
}

bool MxObjDependency::absorption_inherits_target_qualifier() const {
  return absorption_inherits_target_qualifier_;
}

void MxObjDependency::set_absorption_inherits_target_qualifier(bool inherits) {
  absorption_inherits_target_qualifier_ = inherits;
}

bool MxObjDependency::consider_split_modificational() const {
  return consider_split_modificational_;
}

void MxObjDependency::set_consider_split_modificational(bool modificational) {
  consider_split_modificational_ = modificational;
}

void MxObjDependency::set_dotty_output_format(bool dotty) {
  dotty_output_format_ = dotty;
}

void MxObjDependency::add_debug_node_filter(DebugNodeFilterType type,
                                            const MxObjectDependencyNodeFilter* filter) {
  debug_node_filter_types_.append(type);
  debug_node_filters_.append(filter);
}

void MxObjDependency::remove_debug_node_filters() {
  debug_node_filter_types_.resize(0, false);
  debug_node_filter_types_.reallocate(0, false);
  debug_node_filters_.resize(0, false);
  debug_node_filters_.reallocate(0, false);
}

void MxObjDependency::set_debug_link_filter(MxObjectDependencyFilter* filter) {
  debug_link_filter_ = filter;
}

void MxObjDependency::reset_debug_link_filter() {
  debug_link_filter_ = nullptr;
}

void MxObjDependency::set_trace_journal(MxJournal* journal) {
  trace_journal_ = journal;
}

int MxObjDependency::new_separator() {
  if (current_separator_ == INT_MAX) {
    MX_REPORT(kTag); // the separator cannot grow any further
    return current_separator_;
  }
  return ++current_separator_;
}

bool MxObjDependency::remove_source_object(const MxDynObj*, bool) {
  MX_REPORT(kTag); // not offered: simplification removes nodes itself
  return false;
}

bool MxObjDependency::remove_target_object(const MxDynObj*, bool) {
  MX_REPORT(kTag); // not offered: simplification removes nodes itself
  return false;
}

// ---------------------------------------------------------------------------
// Recording

bool MxObjDependency::check_dependency_pair(const MxDynObj* source, const MxDynObj* target) const {
  Node* s = store_->find_node(source);
  Node* t = store_->find_node(target);
  if (!s || !t) return true;
  return s->target_links.find(t) == nullptr;
}

bool MxObjDependency::has_direct_source(const MxDynObj* object) const {
  if (!object) return false;
  Node* n = store_->find_node(object);
  if (!n) return false;
  for (uint32_t i = 0; i < n->source_links.slots(); ++i) {
    const Link* l = n->source_links.at(i);
    if (l && l->node->object) return true;
  }
  return false;
}

bool MxObjDependency::have_direct_sources_same_target_qualifier(const MxDynObj* object,
                                                                int& qualifier) const {
  Node* n = store_->find_node(object);
  if (!n || n->source_links.empty()) return false;
  bool first = true;
  int value = 0;
  for (uint32_t i = 0; i < n->source_links.slots(); ++i) {
    const Link* l = n->source_links.at(i);
    if (!l) continue;
    if (!l->has_target_qualifier) return false;
    if (first) {
      value = l->target_qualifier;
      first = false;
    } else if (l->target_qualifier != value) {
      return false;
    }
  }
  qualifier = value;
  return true;
}

bool MxObjDependency::have_direct_sources_same_target_qualifier(
    MxIterator<const MxDynObj*>* objects, int& qualifier) const {
  if (!objects) return false;
  bool first = true;
  int value = 0;
  for (objects->reset(); !objects->done(); objects->next()) {
    int q = 0;
    if (!have_direct_sources_same_target_qualifier(current_object(objects), q)) return false;
    if (first) {
      value = q;
      first = false;
    } else if (q != value) {
      return false;
    }
  }
  if (first) return false; // an empty iterator
  qualifier = value;
  return true;
}

void MxObjDependency::add_dependency_pair(const MxDynObj* source, const MxDynObj* target, Type type,
                                          const int* target_qualifier,
                                          const MxObjectDependencyRole* role) {
  if (type == TRANSFER) return;
  mx_detail::MxObjDepStore& st = *store_;
  Node* s = st.find_node(source);
  if (!s) {
    s = st.create_node(source);
    st.roots.insert(s);
  } else if (source) {
    st.leaves.erase(s);
  } else {
    MX_CHECK(kTag, type == CREATION);
    st.roots.insert(s);
  }
  Node* t = st.find_node(target);
  if (!t) {
    t = st.create_node(target);
    st.leaves.insert(t);
  } else if (target) {
    st.roots.erase(t);
  } else {
    MX_CHECK(kTag, type == DELETION);
    st.leaves.insert(t);
  }
  const bool has_q = target_qualifier != nullptr;
  const int q = has_q ? *target_qualifier : -1;
  Link* back = st.create_link(s, type, has_q, q, current_separator_, mx_detail::clone_role(role));
  Link* forward =
      st.create_link(t, type, has_q, q, current_separator_, mx_detail::clone_role(role));
  st.add_target_link(s, forward);
  st.add_source_link(t, back);
}

bool MxObjDependency::record_dependency(const MxDynObj* source, const MxDynObj* target, Type type,
                                        const int* target_qualifier,
                                        const MxObjectDependencyRole* role) {
  if (!check_dependency(source ? 1 : 0, target ? 1 : 0, type)) return false;
  if (type == TRANSFER) return true;
  if (!check_dependency_pair(source, target)) {
    MX_REPORT(kTag); // the same direct dependency exists already
    return false;
  }
  int inherited = 0;
  const int* qualifier = target_qualifier;
  if (absorption_inherits_target_qualifier_ && !target_qualifier && type == ABSORPTION &&
      have_direct_sources_same_target_qualifier(source, inherited))
    qualifier = &inherited;
  add_dependency_pair(source, target, type, qualifier, role);
  return true;
}

void MxObjDependency::check_or_add_dependency(bool check_only, MxIterator<const MxDynObj*>* sources,
                                              MxIterator<const MxDynObj*>* targets, Type type,
                                              const int* target_qualifier,
                                              const MxObjectDependencyRole* role, bool* ok) {
  bool good = true;
  if (sources) sources->reset();
  const bool many_sources = sources && !sources->done();
  for (;;) {
    const MxDynObj* source = many_sources ? current_object(sources) : nullptr;
    if (check_only && many_sources && !source) good = false;
    if (good) {
      if (targets) targets->reset();
      const bool many_targets = targets && !targets->done();
      for (;;) {
        const MxDynObj* target = many_targets ? current_object(targets) : nullptr;
        if (check_only) {
          if (many_targets && !target)
            good = false;
          else if (!check_dependency_pair(source, target))
            good = false;
          if (!good) break;
        } else {
          add_dependency_pair(source, target, type, target_qualifier, role);
        }
        if (!many_targets) break;
        targets->next();
        if (targets->done()) break;
      }
    }
    if (!good || !many_sources) break;
    sources->next();
    if (sources->done()) break;
  }
  if (check_only && good) {
    // Each side must name every object once (few objects: compared in
    // pairs; many: through a set).
    for (MxIterator<const MxDynObj*>* side : {sources, targets}) {
      if (!side || !good) continue;
      const MxDynObj* few[16];
      size_t n_few = 0;
      mx_detail::PtrSet many;
      for (side->reset(); !side->done(); side->next()) {
        const MxDynObj* o = current_object(side);
        if (n_few < 16) {
          for (size_t i = 0; i < n_few; ++i)
            if (few[i] == o) good = false;
          few[n_few++] = o;
          if (n_few == 16)
            for (const MxDynObj* x : few) many.insert(x);
        } else if (!many.insert(o)) {
          good = false;
        }
        if (!good) break;
      }
    }
  }
  if (ok) *ok = good;
}

bool MxObjDependency::record_dependency(MxIterator<const MxDynObj*>* sources,
                                        MxIterator<const MxDynObj*>* targets, Type type,
                                        const int* target_qualifier,
                                        const MxObjectDependencyRole* role) {
  const size_t s = count_elements(sources);
  const size_t t = count_elements(targets);
  const int cs = s > INT_MAX ? INT_MAX : static_cast<int>(s);
  const int ct = t > INT_MAX ? INT_MAX : static_cast<int>(t);
  if (!check_dependency(cs, ct, type)) return false;
  if (type == TRANSFER) return true;
  bool ok = false;
  check_or_add_dependency(true, s ? sources : nullptr, t ? targets : nullptr, type,
                          target_qualifier, role, &ok);
  if (!ok) {
    MX_REPORT(kTag); // a null element, a repeated object or an existing pair
    return false;
  }
  int inherited = 0;
  const int* qualifier = target_qualifier;
  if (absorption_inherits_target_qualifier_ && !target_qualifier && type == ABSORPTION &&
      have_direct_sources_same_target_qualifier(sources, inherited))
    qualifier = &inherited;
  check_or_add_dependency(false, s ? sources : nullptr, t ? targets : nullptr, type, qualifier,
                          role, nullptr);
  return true;
}

// ---------------------------------------------------------------------------
// Queries

bool MxObjDependency::get_source_objects(const MxDynObj* object,
                                         MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                                         MxObjectDependencyFilter* filter, bool* filtered) const {
  if (filtered) *filtered = false;
  bool reached_creation = false;
  Scratch<const MxDynObj*> scratch;
  std::vector<const MxDynObj*>& out = scratch.items();
  if (object) {
    if (Node* n = store_->find_node(object))
      mx_detail::walk_lineage(*store_, n, true, filter, filtered, out, &reached_creation);
  } else {
    for (size_t i = 0; i < store_->roots.slots(); ++i) {
      const Node* r = store_->roots.at(i);
      if (r && r->object) out.push_back(r->object);
    }
  }
  const bool found = !out.empty() || reached_creation;
  auto* answer = new MxDynObjArrayIterator();
  fill_answer(answer->objects(), out);
  result = answer;
  return found;
}

bool MxObjDependency::get_target_objects(const MxDynObj* object,
                                         MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                                         MxObjectDependencyFilter* filter, bool* filtered) const {
  if (filtered) *filtered = false;
  Scratch<const MxDynObj*> scratch;
  std::vector<const MxDynObj*>& out = scratch.items();
  if (object) {
    if (Node* n = store_->find_node(object))
      mx_detail::walk_lineage(*store_, n, false, filter, filtered, out, nullptr);
  } else {
    for (size_t i = 0; i < store_->leaves.slots(); ++i) {
      const Node* l = store_->leaves.at(i);
      if (l && l->object) out.push_back(l->object);
    }
  }
  const bool found = !out.empty();
  auto* answer = new MxDynObjArrayIterator();
  fill_answer(answer->objects(), out);
  result = answer;
  return found;
}
