// The rules of a consistent lineage graph, node by node. Shared by the
// integrity check and by the check that follows simplification step by step.
// Private to the library's sources.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_RULES_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_RULES_H

#include "mxobjdependency_store.h"

#include <cstdint>

namespace mx_detail {

/// The message of an integrity error code, as the checks report it (an
/// empty text outside the table).
inline const char* error_message(int code) {
  static const char* const messages[] = {
      "no error",
      "node n1 is not stored in object-node-map",
      "null-object-node n1 neither root nor leaf",
      "node n1 without sources not in roots",
      "node n1 with sources in roots",
      "node n1 without targets not in leaves",
      "node n1 with targets in leaves",
      "more than one link exists between n1 and target n2",
      "more than one link exists between n2 and source n1",
      "target n2 has no link to source n1",
      "link from target n2 to source n1 has wrong node",
      "pair of links between source n1 and target n2 have different dependency types",
      "pair of links between source n1 and target n2 do not both have a target qualifier",
      "pair of links between source n1 and target n2 have different target qualifiers",
      "null-object-node n1 linked to target n2 with dependency type which is not CREATION",
      "null-object-node n2 linked to source n1 with dependency type which is not DELETION",
      "target n2 of DELETION link to source n1 is not null-object-node",
      "target n2 of MODIFICATION has more than one source",
      "target n2 of CONVERSION has more than one source",
      "target n2 of SPLIT has more than one source",
      "target n2 of CONTAINMENT has more than one source",
      "source n1 of SPLIT has only one target n2",
      "source n1 of CONTAINMENT has only one target n2",
      "unsupported dependency type between source n1 and target n2",
      "sources of n1 have different dependency types",
      "not all sources of n1 have target qualifiers",
      "sources of n1 have different target qualifiers",
      "node n1 (source of n2) has no sources but is not in roots",
  };
  const int count = static_cast<int>(sizeof(messages) / sizeof(messages[0]));
  return code >= 0 && code < count ? messages[code] : "";
}

/// Key of the sibling test of SPLIT and CONTAINMENT links: type, qualifier
/// presence and qualifier value (-1 when absent).
inline uint64_t sibling_key(const Link* l) {
  const int q = l->has_target_qualifier ? l->target_qualifier : -1;
  return (static_cast<uint64_t>(l->dependency_type) << 33) |
         (static_cast<uint64_t>(l->has_target_qualifier ? 1 : 0) << 32) | static_cast<uint32_t>(q);
}

/// Whether `l`, a target link of `n`, has another target link of `n` with
/// the same sibling key. For long lists the keys are counted once per node.
class SiblingCounter {
public:
  bool has_sibling(const Node* n, const Link* l) {
    const LinkVec& links = n->target_links;
    if (links.slots() <= 32) {
      const uint64_t key = sibling_key(l);
      for (uint32_t i = 0; i < links.slots(); ++i) {
        const Link* other = links.at(i);
        if (other && other != l && sibling_key(other) == key) return true;
      }
      return false;
    }
    if (counted_ != n) {
      counts_.clear();
      for (uint32_t i = 0; i < links.slots(); ++i) {
        const Link* other = links.at(i);
        if (!other) continue;
        uint32_t* count = nullptr;
        counts_.insert(sibling_key(other), 0, &count);
        ++*count;
      }
      counted_ = n;
    }
    const uint32_t* count = counts_.find(sibling_key(l));
    return count && *count > 1;
  }

private:
  const Node* counted_ = nullptr;
  FlatTable<uint64_t, uint32_t, NumberKey> counts_;
};

/// The rules one node must keep, each broken rule told to `report` as
/// (code, n1, n2). A node is checked with its own links and the back links
/// of its targets.
template <class Report> class NodeRules {
public:
  NodeRules(const MxObjDepStore& store, Report& report) : st_(store), report_(report) {}

  void check(const Node* n1) {
    check_membership(n1);
    check_target_links(n1);
    check_source_links(n1);
  }

private:
  void check_membership(const Node* n1) {
    if (st_.find_node(n1->object) == nullptr) report_(1, n1, nullptr);
    const bool has_sources = !n1->source_links.empty();
    const bool has_targets = !n1->target_links.empty();
    const bool in_roots = st_.roots.contains(n1);
    const bool in_leaves = st_.leaves.contains(n1);
    if (!n1->object) {
      if (!in_roots && !in_leaves) report_(2, n1, nullptr);
      return;
    }
    if (has_sources && in_roots) report_(4, n1, nullptr);
    if (!has_sources && !in_roots) report_(3, n1, nullptr);
    if (has_targets && in_leaves) report_(6, n1, nullptr);
    if (!has_targets && !in_leaves) report_(5, n1, nullptr);
  }

  void check_target_links(const Node* n1) {
    for (uint32_t i = 0; i < n1->target_links.slots(); ++i)
      if (const Link* l = n1->target_links.at(i)) check_target_link(n1, l);
  }

  void check_target_link(const Node* n1, const Link* l) {
    using Dep = MxObjectDependency;
    const Node* n2 = l->node;
    if (n1->target_links.find(n2) != l) report_(7, n1, n2);
    const Link* back = n2->source_links.find(n1);
    if (!back) {
      report_(9, n1, n2);
    } else if (back->node != n1) {
      report_(10, n1, n2);
    } else if (back->dependency_type != l->dependency_type) {
      report_(11, n1, n2);
    } else if (back->has_target_qualifier != l->has_target_qualifier) {
      report_(12, n1, n2);
    } else if (back->has_target_qualifier && back->target_qualifier != l->target_qualifier) {
      report_(13, n1, n2);
    }
    if (!n1->object && l->dependency_type != Dep::CREATION) report_(14, n1, n2);
    if (!n2->object && l->dependency_type != Dep::DELETION) report_(15, n1, n2);
    switch (l->dependency_type) {
    case Dep::CREATION:
    case Dep::ABSORPTION:
      break;
    case Dep::DELETION:
      if (n2->object) report_(16, n1, n2);
      break;
    case Dep::MODIFICATION:
    case Dep::CONVERSION:
      if (n2->source_links.count() >= 2)
        report_(l->dependency_type == Dep::MODIFICATION ? 17 : 18, nullptr, n2);
      break;
    case Dep::SPLIT:
    case Dep::CONTAINMENT: {
      const bool split = l->dependency_type == Dep::SPLIT;
      if (n2->source_links.count() > 1) report_(split ? 19 : 20, nullptr, n2);
      if (!siblings_.has_sibling(n1, l)) report_(split ? 21 : 22, n1, n2);
      break;
    }
    default:
      report_(23, n1, n2);
      break;
    }
  }

  void check_source_links(const Node* n1) {
    const Link* reference = nullptr;
    for (uint32_t i = 0; i < n1->source_links.slots(); ++i) {
      const Link* l = n1->source_links.at(i);
      if (!l) continue;
      const Node* s = l->node;
      if (n1->source_links.find(s) != l) report_(8, s, n1);
      if (!reference) {
        reference = l;
        continue;
      }
      if (l->dependency_type != reference->dependency_type) report_(24, n1, nullptr);
      if (l->has_target_qualifier != reference->has_target_qualifier)
        report_(25, n1, nullptr);
      else if (reference->has_target_qualifier &&
               l->target_qualifier != reference->target_qualifier)
        report_(26, n1, nullptr);
    }
  }

  const MxObjDepStore& st_;
  Report& report_;
  SiblingCounter siblings_;
};

} // namespace mx_detail

#endif
