// MxObjDependency::is_valid: the integrity check of the lineage graph.
#include "mxobjdependency.h"

#include "mxobjdependency_dump.h"
#include "mxobjdependency_rules.h"
#include "mxobjdependency_store.h"

#include <vector>

using mx_detail::Link;
using mx_detail::Node;

namespace {

/// A first-in first-out queue of nodes over a vector.
class NodeQueue {
public:
  void push(Node* n) { items_.push_back(n); }
  bool empty() const { return head_ == items_.size(); }
  Node* pop() { return items_[head_++]; }

private:
  std::vector<Node*> items_;
  size_t head_ = 0;
};

} // namespace

bool MxObjDependency::is_valid(MxJournal* journal) const {
  const mx_detail::MxObjDepStore& st = *store_;
  bool valid = true;
  MxJournal* out = journal;
  std::unique_ptr<mx_detail::DumpWriter> writer;
  auto report = [&](int code, const Node* n1, const Node* n2) {
    valid = false;
    if (!out) return;
    if (!writer) writer = mx_detail::DumpWriter::make(st, *out, dotty_output_format_);
    writer->error(code, n1, n2);
  };
  mx_detail::NodeRules<decltype(report)> rules(st, report);

  // Forwards from the roots, breadth first.
  NodeQueue queue;
  mx_detail::Reached reached(st);
  for (size_t i = 0; i < st.roots.slots(); ++i) {
    if (Node* r = st.roots.at(i)) {
      queue.push(r);
      reached.insert_forward(r);
    }
  }
  while (!queue.empty()) {
    Node* n1 = queue.pop();
    rules.check(n1);
    for (uint32_t i = 0; i < n1->target_links.slots(); ++i)
      if (const Link* l = n1->target_links.at(i))
        if (reached.insert_forward(l->node)) queue.push(l->node);
  }
  // Then the nodes that no root reaches (a cycle has no root), in creation
  // order, so that nothing escapes the check.
  if (reached.forward_count() < st.objects.size())
    for (Node* n : st.nodes_in_order())
      if (!reached.forward(n)) rules.check(n);

  // Backwards from the leaves: every source met must have been reached
  // from the roots.
  NodeQueue back_queue;
  for (size_t i = 0; i < st.leaves.slots(); ++i) {
    if (Node* l = st.leaves.at(i)) {
      back_queue.push(l);
      reached.insert_backward(l);
    }
  }
  while (!back_queue.empty()) {
    Node* n2 = back_queue.pop();
    for (uint32_t i = 0; i < n2->source_links.slots(); ++i) {
      const Link* l = n2->source_links.at(i);
      if (!l) continue;
      Node* s = l->node;
      if (reached.insert_backward(s)) back_queue.push(s);
      if (!reached.forward(s)) report(27, s, n2);
    }
  }
  return valid;
}
