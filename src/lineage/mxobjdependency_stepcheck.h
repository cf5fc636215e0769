// The integrity check between simplification steps. Private to the
// library's sources.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_STEPCHECK_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_STEPCHECK_H

#include "mxobjdependency_store.h"

#include <vector>

namespace mx_detail {

/// Gives, after each simplification step, the answer `is_valid` would give,
/// at the cost of what the step changed.
///
/// `is_valid` checks the rules of every node and then that every source met
/// backwards from the leaves is reached from the roots. The rules of a node
/// read only its own links and the back links of its targets, so after a
/// step only the nodes whose links changed, and their neighbours, are
/// checked again; the nodes that break a rule are kept in a set. The
/// reachability part needs no walk while the graph has no cycle and the
/// null-object node, when it has targets, is a root: then every node with
/// targets goes back to a root, since a non-null node without sources that
/// keeps the rules is a root. Simplification never makes a cycle (a bridge
/// n1 -> n3 replaces a path n1 -> n2 -> n3), so acyclicity is checked once;
/// links into the null-object node do not count for it, as a walk back
/// stops at that node.
/// In any other case the full check runs.
class StepCheck final : public StoreListener {
public:
  /// Starts listening to `store`, the store of `graph`.
  StepCheck(const MxObjDependency& graph, MxObjDepStore& store);
  ~StepCheck();
  StepCheck(const StepCheck&) = delete;
  StepCheck& operator=(const StepCheck&) = delete;

  /// What `graph.is_valid(nullptr)` answers now.
  bool valid();

  void links_changed(Node* holder, Link* link, LinkChange change) override;
  void node_destroyed(Node* node) override;

private:
  bool keeps_rules(const Node* n) const;
  void recheck(Node* n);
  bool without_cycles() const;
  bool null_node_is_root_if_it_creates() const;

  const MxObjDependency& graph_;
  MxObjDepStore& st_;
  PtrSet breaking_; ///< nodes that break a rule of their own
  std::vector<Node*> touched_;
  PtrSet touched_set_; ///< the live members of `touched_`
  bool acyclic_;
};

} // namespace mx_detail

#endif
