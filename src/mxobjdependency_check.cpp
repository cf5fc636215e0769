// MxObjDependency: the integrity check and the text and Graphviz dumps.
#include "mxobjdependency.h"

#include "mxheap.h"
#include "mxobjdependency_rules.h"
#include "mxobjdependency_store.h"
#include "mxobject.h"
#include "mxstandardattribs.h"

#include <cstdint>
#include <vector>

using mx_detail::Link;
using mx_detail::LinkVec;
using mx_detail::Node;

namespace {

const char* const kTag = "mxobjdependency";

const char* const kErrorMessages[] = {
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
const int kErrorCount = static_cast<int>(sizeof(kErrorMessages) / sizeof(kErrorMessages[0]));

const char* error_message(int code) {
  return code >= 0 && code < kErrorCount ? kErrorMessages[code] : "";
}

const char* separator_colour(int separator) {
  static const char* const colours[] = {"black",      "green",          "blue",      "yellow2",
                                        "magenta",    "cyan",           "burlywood", "gray",
                                        "yellow3",    "DarkGreen",      "SteelBlue", "yellow4",
                                        "BlueViolet", "MediumSeaGreen", "brown"};
  return separator >= 0 && separator < 15 ? colours[separator] : "black";
}

void indentation(MxJournal& j, int n) {
  Mx_DebugIndentation(j, n);
}

/// Node label: the object's identity, or NULL for the null-object node.
void write_label(MxJournal& j, const Node* n) {
  if (n->object)
    j << n->object->identity();
  else
    j << "NULL";
}

/// Writes client text; inside a quoted dot label, quotes, backslashes and
/// line breaks are escaped so that any name keeps the digraph well formed.
void write_text(MxJournal& j, const char* text, bool in_dot_label) {
  if (!in_dot_label) {
    j << text;
    return;
  }
  MxString escaped;
  for (const char* c = text; *c; ++c) {
    if (*c == '"' || *c == '\\') escaped.append('\\');
    if (*c == '\n') {
      escaped.append('\\');
      escaped.append('n');
    } else if (*c != '\r') {
      escaped.append(*c);
    }
  }
  j << escaped;
}

/// Object name: the class name, then ": " and the name attribute, if any.
void write_object_name(MxJournal& j, const Node* n, bool in_dot_label = false) {
  const MxDynObj* o = n->object;
  if (!o) {
    j << "NULL";
    return;
  }
  if (const MxString* type = o->type()) write_text(j, type->as_const_c_string(), in_dot_label);
  if (!o->isA(MxObject::type_id())) return;
  const MxAttrib* a = static_cast<const MxObject*>(o)->find_attrib_by_type(MxNameAttrib::type_id());
  if (const MxNameAttrib* name = MxNameAttrib::cast(a)) {
    j << ": ";
    write_text(j, name->get_name().as_const_c_string(), in_dot_label);
  }
}

const int* qualifier_of(const Link* l) {
  return l->has_target_qualifier ? &l->target_qualifier : nullptr;
}

/// What a dump is thinned out by.
struct DumpFilters {
  const MxArray<MxObjectDependency::DebugNodeFilterType>* types;
  const MxArray<const MxObjectDependencyNodeFilter*>* filters;
  MxObjectDependencyFilter* link_filter;
};

/// Writes the dumps and the integrity errors of one graph.
class Writer {
public:
  Writer(const mx_detail::MxObjDepStore& store, MxJournal& journal, bool dotty)
      : store_(store), j_(journal), dotty_(dotty), step_(Mx_DebugIndentStep()) {}

  void node(const Node* n, MxDebug level, int indent, const DumpFilters& f);
  void error(int code, const Node* n1, const Node* n2);

private:
  bool passes(const Node* n, const DumpFilters& f);
  bool passes_lineage(const MxObjectDependencyNodeFilter* filter, const Node* n, bool backwards);
  void link(const Link* l, int indent);

  const mx_detail::MxObjDepStore& store_;
  MxJournal& j_;
  bool dotty_;
  int step_;
};

bool Writer::passes_lineage(const MxObjectDependencyNodeFilter* filter, const Node* n,
                            bool backwards) {
  if (!n->object) return filter->accept(nullptr);
  std::vector<const MxDynObj*> candidates;
  mx_detail::walk_lineage(store_, const_cast<Node*>(n), backwards, nullptr, nullptr, candidates,
                          nullptr);
  if (candidates.empty()) return filter->accept(n->object);
  for (const MxDynObj* c : candidates)
    if (filter->accept(c)) return true;
  return false;
}

bool Writer::passes(const Node* n, const DumpFilters& f) {
  if (!f.filters) return true;
  const size_t count = f.filters->size();
  for (size_t i = 0; i < count; ++i) {
    const MxObjectDependencyNodeFilter* filter = (*f.filters)[i];
    if (!filter) {
      MX_REPORT(kTag); // a null node filter counts as passed
      continue;
    }
    bool pass = true;
    switch ((*f.types)[i]) {
    case MxObjectDependency::NODE:
      pass = filter->accept(n->object);
      break;
    case MxObjectDependency::SOURCES:
      pass = passes_lineage(filter, n, true);
      break;
    case MxObjectDependency::TARGETS:
      pass = passes_lineage(filter, n, false);
      break;
    case MxObjectDependency::SOURCES_AND_TARGETS:
      pass = passes_lineage(filter, n, true) && passes_lineage(filter, n, false);
      break;
    default:
      MX_REPORT(kTag); // an unknown filter type counts as passed
      break;
    }
    if (!pass) return false;
  }
  return true;
}

void Writer::link(const Link* l, int indent) {
  const char* type = MxObjectDependency::type_name(l->dependency_type);
  if (dotty_) {
    j_ << " -> {";
    write_label(j_, l->node);
    j_ << "} [label=\"" << type;
    if (l->has_target_qualifier)
      j_ << " " << l->target_qualifier;
    else
      j_ << " -";
    j_ << "\\nseparator " << l->separator << "\""
       << ",color=\"" << separator_colour(l->separator) << "\"];" << mxEndExpr;
    return;
  }
  const int i1 = indent + step_;
  indentation(j_, indent);
  j_ << "MxObjDepLink" << mxEndExpr;
  indentation(j_, i1);
  j_ << "dependency_type            : " << type << mxEndExpr;
  indentation(j_, i1);
  j_ << "target qualifier           : ";
  if (l->has_target_qualifier)
    j_ << l->target_qualifier;
  else
    j_ << "-";
  j_ << mxEndExpr;
  indentation(j_, i1);
  j_ << "node object id             : ";
  write_label(j_, l->node);
  j_ << mxEndExpr;
  indentation(j_, i1);
  j_ << "separator                  : " << l->separator << mxEndExpr;
}

void Writer::node(const Node* n, MxDebug level, int indent, const DumpFilters& f) {
  if (level < MxDebugSummary) return;
  if (!passes(n, f)) return;
  bool hidden = false;
  MxPriQueue<const Link*, int> targets(false);
  MxPriQueue<const Link*, int> sources(false);
  // A link is shown when the link filter accepts it (asked source first) and
  // the node at its other end passes the node filters.
  auto shown = [&](const Link* l, const MxDynObj* source, const MxDynObj* target) {
    if (f.link_filter && !f.link_filter->accept(source, target, l->dependency_type, l->separator,
                                                qualifier_of(l), l->role))
      return false;
    return passes(l->node, f);
  };
  for (uint32_t i = 0; i < n->target_links.slots(); ++i) {
    const Link* l = n->target_links.at(i);
    if (!l) continue;
    if (shown(l, n->object, l->node->object))
      targets.insert(l, l->node->key());
    else
      hidden = true;
  }
  for (uint32_t i = 0; i < n->source_links.slots(); ++i) {
    const Link* l = n->source_links.at(i);
    if (!l) continue;
    if (shown(l, l->node->object, n->object))
      sources.insert(l, l->node->key());
    else
      hidden = true;
  }
  if (hidden && targets.size() == 0 && sources.size() == 0) return;

  const int i1 = indent + step_;
  const int i2 = indent + 2 * step_;
  if (dotty_) {
    write_label(j_, n);
    j_ << " [label=\"";
    write_label(j_, n);
    j_ << " ";
    write_object_name(j_, n, true);
    j_ << "\"];" << mxEndExpr;
  } else {
    indentation(j_, indent);
    j_ << mxEndExpr << "node object id: ";
    write_label(j_, n);
    j_ << mxEndExpr;
    indentation(j_, indent);
    j_ << "MxObjDepNode" << mxEndExpr;
    indentation(j_, i1);
    j_ << "object name                   : ";
    write_object_name(j_, n);
    j_ << mxEndExpr;
    indentation(j_, i1);
    j_ << "target links                  : " << static_cast<size_t>(targets.size()) << mxEndExpr;
  }
  if (level >= MxDebugFull) {
    while (targets.size() > 0) {
      const Link* l = targets.extract_first();
      if (dotty_) {
        write_label(j_, n);
        j_ << " ";
        link(l, 0);
      } else {
        link(l, i2);
      }
    }
  }
  if (dotty_) return;
  indentation(j_, i1);
  j_ << "source links                  : " << static_cast<size_t>(sources.size()) << mxEndExpr;
  if (level >= MxDebugFull)
    while (sources.size() > 0) link(sources.extract_first(), i2);
}

void Writer::error(int code, const Node* n1, const Node* n2) {
  if (dotty_) {
    j_ << "xxx" << code << "n1";
    if (n1)
      write_label(j_, n1);
    else
      j_ << "x";
    j_ << "n2";
    if (n2)
      write_label(j_, n2);
    else
      j_ << "x";
    j_ << " [color=\"red\",label=\""
       << "error " << code << ": "
       << "\\n"
       << error_message(code);
    if (n1) {
      j_ << "\\nn1 = ";
      write_label(j_, n1);
    }
    if (n2) {
      j_ << "\\nn2 = ";
      write_label(j_, n2);
    }
    j_ << "\"];" << mxEndExpr;
    for (const Node* n : {n1, n2}) {
      if (!n) continue;
      write_label(j_, n);
      j_ << " [color=\"red\"];" << mxEndExpr;
    }
    return;
  }
  j_ << "error " << code << ": " << error_message(code) << mxEndExpr;
  const DumpFilters none{nullptr, nullptr, nullptr};
  if (n1) {
    j_ << "n1 node object id : ";
    write_label(j_, n1);
    j_ << mxEndExpr;
    node(n1, MxDebugSummary, step_, none);
  }
  if (n2) {
    j_ << "n2 node object id : ";
    write_label(j_, n2);
    j_ << mxEndExpr;
    node(n2, MxDebugSummary, step_, none);
  }
}

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
  auto report = [&](int code, const Node* n1, const Node* n2) {
    valid = false;
    if (!out) return;
    Writer(st, *out, dotty_output_format_).error(code, n1, n2);
  };
  mx_detail::NodeRules<decltype(report)> rules(st, report);

  // Forwards from the roots, breadth first.
  NodeQueue queue;
  mx_detail::PtrSet seen;
  for (size_t i = 0; i < st.roots.slots(); ++i) {
    if (Node* r = st.roots.at(i)) {
      queue.push(r);
      seen.insert(r);
    }
  }
  while (!queue.empty()) {
    Node* n1 = queue.pop();
    rules.check(n1);
    for (uint32_t i = 0; i < n1->target_links.slots(); ++i)
      if (const Link* l = n1->target_links.at(i))
        if (seen.insert(l->node)) queue.push(l->node);
  }
  // Then the nodes that no root reaches (a cycle has no root), in creation
  // order, so that nothing escapes the check.
  if (seen.size() < st.objects.size())
    for (Node* n : st.nodes_in_order())
      if (!seen.contains(n)) rules.check(n);

  // Backwards from the leaves: every source met must have been reached
  // from the roots.
  NodeQueue back_queue;
  mx_detail::PtrSet seen_back;
  for (size_t i = 0; i < st.leaves.slots(); ++i) {
    if (Node* l = st.leaves.at(i)) {
      back_queue.push(l);
      seen_back.insert(l);
    }
  }
  while (!back_queue.empty()) {
    Node* n2 = back_queue.pop();
    for (uint32_t i = 0; i < n2->source_links.slots(); ++i) {
      const Link* l = n2->source_links.at(i);
      if (!l) continue;
      Node* s = l->node;
      if (seen_back.insert(s)) back_queue.push(s);
      if (!seen.contains(s)) report(27, s, n2);
    }
  }
  return valid;
}

void MxObjDependency::debug(MxJournal& journal, MxDebug level, bool check_integrity,
                            int indent) const {
  if (level <= MxDebugNone) return;
  const mx_detail::MxObjDepStore& st = *store_;
  const int step = Mx_DebugIndentStep();
  const int i1 = indent + step;
  const int i2 = indent + 2 * step;
  const bool dotty = dotty_output_format_;

  if (dotty) {
    journal << "strict digraph ObjectDependency {" << mxEndExpr;
    if (!is_valid(&journal))
      journal << "xxx [label=\"MxObjDependecy is invalid\",color=\"red\"];" << mxEndExpr;
  } else {
    if (check_integrity) {
      indentation(journal, indent);
      journal << "check integrity of MxObjDependency" << mxEndExpr;
      const bool valid = is_valid(&journal);
      indentation(journal, indent);
      journal << (valid ? "MxObjDependency is valid" : "MxObjDependency is not valid") << mxEndExpr;
    }
    indentation(journal, indent);
    journal << "MxObjDependency" << mxEndExpr;
    indentation(journal, i1);
    journal << "number of nodes               : " << st.objects.size() << mxEndExpr;
    indentation(journal, i1);
    journal << "number of roots               : " << st.roots.size() << mxEndExpr;
    indentation(journal, i1);
    journal << "number of leafs               : " << st.leaves.size() << mxEndExpr;
  }
  if (level < MxDebugNormal) {
    if (dotty) journal << "}" << mxEndExpr;
    return;
  }
  if (!dotty) {
    indentation(journal, i1);
    journal << "contents                      :" << mxEndExpr;
  }

  // Level by level from the roots; within a level by increasing identity.
  Writer writer(st, journal, dotty);
  const DumpFilters filters{&debug_node_filter_types_, &debug_node_filters_, debug_link_filter_};
  MxPriQueue<const Node*, int> current(false);
  MxPriQueue<const Node*, int> next(false);
  mx_detail::PtrSet queued;
  for (size_t i = 0; i < st.roots.slots(); ++i) {
    if (const Node* r = st.roots.at(i)) {
      current.insert(r, r->key());
      queued.insert(r);
    }
  }
  int k = 0;
  bool level_start = true;
  while (current.size() > 0) {
    if (level_start && !dotty) {
      indentation(journal, i2);
      journal << mxEndExpr << "level " << k << ":" << mxEndExpr;
    }
    level_start = false;
    const Node* n = current.extract_first();
    writer.node(n, level, i2, filters);
    for (uint32_t i = 0; i < n->target_links.slots(); ++i) {
      const Link* l = n->target_links.at(i);
      if (l && queued.insert(l->node)) next.insert(l->node, l->node->key());
    }
    if (current.size() == 0) {
      ++k;
      current.merge_nodes(next);
      level_start = true;
    }
  }
  // Then the nodes that no root reaches (a cycle has no root), in creation
  // order, so that nothing vanishes from the dump.
  if (queued.size() < st.objects.size()) {
    bool heading = dotty;
    for (const Node* n : st.nodes_in_order()) {
      if (queued.contains(n)) continue;
      if (!heading) {
        indentation(journal, i2);
        journal << mxEndExpr << "not reached from a root:" << mxEndExpr;
        heading = true;
      }
      writer.node(n, level, i2, filters);
    }
  }
  if (dotty) journal << "}" << mxEndExpr;
}
