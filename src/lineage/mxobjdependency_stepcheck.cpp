// The integrity check between simplification steps (see the header).
#include "mxobjdependency_stepcheck.h"

#include "mxobjdependency_rules.h"

namespace mx_detail {

StepCheck::StepCheck(const MxObjDependency& graph, MxObjDepStore& store)
    : graph_(graph), st_(store), acyclic_(without_cycles()) {
  st_.objects.for_each([&](Node* n) {
    if (!keeps_rules(n)) breaking_.insert(n);
  });
  st_.add_listener(this);
}

StepCheck::~StepCheck() {
  st_.remove_listener(this);
}

void StepCheck::links_changed(Node* holder, Link* link, LinkChange) {
  for (Node* n : {holder, link->node})
    if (n && touched_set_.insert(n)) touched_.push_back(n);
}

void StepCheck::node_destroyed(Node* node) {
  touched_set_.erase(node);
  breaking_.erase(node);
}

bool StepCheck::keeps_rules(const Node* n) const {
  bool kept = true;
  auto report = [&](int, const Node*, const Node*) { kept = false; };
  NodeRules<decltype(report)> rules(st_, report);
  rules.check(n);
  return kept;
}

void StepCheck::recheck(Node* n) {
  if (keeps_rules(n))
    breaking_.erase(n);
  else
    breaking_.insert(n);
}

bool StepCheck::valid() {
  PtrSet rechecked;
  auto recheck_once = [&](Node* n) {
    if (n && rechecked.insert(n)) recheck(n);
  };
  for (Node* n : touched_) {
    if (!touched_set_.contains(n)) continue; // destroyed since
    recheck_once(n);
    for (uint32_t i = 0; i < n->target_links.slots(); ++i)
      if (const Link* l = n->target_links.at(i)) recheck_once(l->node);
    for (uint32_t i = 0; i < n->source_links.slots(); ++i)
      if (const Link* l = n->source_links.at(i)) recheck_once(l->node);
  }
  touched_.clear();
  touched_set_.clear();
  if (breaking_.size() > 0) return false;
  if (acyclic_ && null_node_is_root_if_it_creates()) return true;
  return graph_.is_valid(nullptr);
}

bool StepCheck::null_node_is_root_if_it_creates() const {
  const Node* null_node = st_.find_node(nullptr);
  return !null_node || null_node->target_links.empty() || st_.roots.contains(null_node);
}

bool StepCheck::without_cycles() const {
  // Takes away, again and again, the nodes that have no sources left; what
  // cannot be taken away lies on or behind a cycle. A walk back from a node
  // ends at the null-object node (a root whenever it creates), so the links
  // into it, the deletions, do not count: deleting an object and creating
  // one from nothing makes no cycle.
  // Counted by creation number, which every node has below `seq_bound`.
  std::vector<uint32_t> sources_left(st_.seq_bound(), 0);
  std::vector<Node*> ready;
  st_.objects.for_each([&](Node* n) {
    const uint32_t count = n->object ? n->source_links.count() : 0;
    if (count == 0)
      ready.push_back(n);
    else
      sources_left[n->seq] = count;
  });
  size_t taken = 0;
  while (!ready.empty()) {
    Node* n = ready.back();
    ready.pop_back();
    ++taken;
    for (uint32_t i = 0; i < n->target_links.slots(); ++i) {
      const Link* l = n->target_links.at(i);
      if (!l) continue;
      uint32_t& left = sources_left[l->node->seq];
      if (left > 0 && --left == 0) ready.push_back(l->node);
    }
  }
  return taken == st_.objects.size();
}

} // namespace mx_detail
