// The removal context of the lineage graph: one batch of node removals.
// Private to the library's sources.
//
// Removing an intermediate node n2 replaces every path n1 -> n2 -> n3 by a
// direct link n1 -> n3 whose type and qualifier are composed from the two
// links it replaces. Removals run in batches inside a removal context that
// collects what cannot be changed at once (the forward links of new bridges,
// the forward links to drop, the nodes to destroy) and applies it in one pass.
// While a batch runs the graph is unbalanced: the back links of bridges are
// in place while their forward links wait in the context, and the forward
// links to drop are still in their sources while their back links are gone.
// Every lookup here therefore consults both the graph and the context.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_REMOVAL_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_REMOVAL_H

#include "mxobjdependency_composition.h"
#include "mxobjdependency_store.h"

#include <cstdint>
#include <vector>

namespace mx_detail {

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

/// A map from a pair of nodes to an index; keeps the first index given.
class PairIndex {
public:
  const uint32_t* find(const Node* a, const Node* b) const {
    return table_.find(PointerPair{a, b});
  }
  void insert(const Node* a, const Node* b, uint32_t value) {
    table_.insert(PointerPair{a, b}, value);
  }
  void clear() { table_.clear(); }

private:
  FlatTable<PointerPair, uint32_t, PointerPairKey> table_;
};

/// A SPLIT or CONTAINMENT group of a node whose member was dropped.
struct SplitGroup {
  Node* n1;
  MxObjectDependency::Type type;
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

/// A removal context: one batch of removals.
class Removal {
public:
  Removal(MxObjDepStore& store, bool split_modificational, MxJournal* trace)
      : st_(store), split_modificational_(split_modificational), trace_(trace) {}

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
  void retarget_pair(Node* source, Link* forward, MxObjectDependency::Type type);

  MxObjDepStore& st_;
  bool split_modificational_;
  Trace trace_;

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
  FlatTable<PointerTriple, Empty, PointerTripleKey> triples_; // (n1, n2a, n3)
  // Reused lists of one removal.
  std::vector<Link*> scratch_detached_;
  std::vector<Link*> scratch_kept_;
  std::vector<const Node*> scratch_nodes_;
  /// A link of n1 that matters to a bridge n1 -> n3 (it leads to n3, or to
  /// a node that does), with its place among n1's candidates.
  struct Candidate {
    uint64_t order;
    Link* link;
    bool pending;
  };
  std::vector<Candidate> scratch_candidates_;
  // Targets whose link from n1 changed type while a bridge was skipped.
  std::vector<Node*> retyped_targets_;
};

} // namespace mx_detail

#endif
