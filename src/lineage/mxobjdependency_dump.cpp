// The dumps of the lineage graph: the walk, the filters and the node rule
// shared by both forms (see the header), and `MxObjDependency::debug`.
#include "mxobjdependency_dump.h"

#include "mxobject.h"
#include "mxstandardattribs.h"

#include <vector>

namespace mx_detail {

namespace {

const char* const kTag = "mxobjdependency";

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
void write_object_name(MxJournal& j, const Node* n, bool in_dot_label) {
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

} // namespace

void DumpWriter::label(const Node* n) {
  if (n->object)
    j_ << n->object->identity();
  else
    j_ << "NULL";
}

void DumpWriter::object_name(const Node* n, bool in_dot_label) {
  write_object_name(j_, n, in_dot_label);
}

bool DumpWriter::passes_lineage(const MxObjectDependencyNodeFilter* filter, const Node* n,
                                bool backwards) {
  if (!n->object) return filter->accept(nullptr);
  std::vector<const MxDynObj*> candidates;
  walk_lineage(store_, const_cast<Node*>(n), backwards, nullptr, nullptr, candidates, nullptr);
  if (candidates.empty()) return filter->accept(n->object);
  for (const MxDynObj* c : candidates)
    if (filter->accept(c)) return true;
  return false;
}

bool DumpWriter::passes(const Node* n, const DumpFilters& f) {
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

void DumpWriter::node(const Node* n, MxDebug level, int indent, const DumpFilters& f) {
  if (level < MxDebugSummary) return;
  if (!passes(n, f)) return;
  bool hidden = false;
  LinkQueue targets(false);
  LinkQueue sources(false);
  // A link is shown when the link filter accepts it (asked source first) and
  // the node at its other end passes the node filters.
  auto shown = [&](const Link* l, const MxDynObj* source, const MxDynObj* target) {
    if (f.link_filter && !f.link_filter->accept(source, target, l->dependency_type, l->separator,
                                                qualifier_of(l), store_.role_of(l)))
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
  node_head(n, indent, static_cast<size_t>(targets.size()));
  if (level >= MxDebugFull)
    while (targets.size() > 0) target_link(n, targets.extract_first(), indent + 2 * step_);
  source_links(sources, level, indent);
}

} // namespace mx_detail

using mx_detail::Node;

void MxObjDependency::debug(MxJournal& journal, MxDebug level, bool check_integrity,
                            int indent) const {
  if (level <= MxDebugNone) return;
  const mx_detail::MxObjDepStore& st = *store_;
  const int step = Mx_DebugIndentStep();
  const int i2 = indent + 2 * step;
  std::unique_ptr<mx_detail::DumpWriter> writer =
      mx_detail::DumpWriter::make(st, journal, dotty_output_format_);
  writer->head(*this, level, check_integrity, indent);
  if (level < MxDebugNormal) {
    writer->close();
    return;
  }
  writer->contents_heading(indent + step);

  // Level by level from the roots; within a level by increasing identity.
  const mx_detail::DumpFilters filters{&debug_node_filter_types_, &debug_node_filters_,
                                       debug_link_filter_};
  MxPriQueue<const Node*, int> current(false);
  MxPriQueue<const Node*, int> next(false);
  mx_detail::Reached queued(st);
  for (size_t i = 0; i < st.roots.slots(); ++i) {
    if (const Node* r = st.roots.at(i)) {
      current.insert(r, r->key());
      queued.insert_forward(const_cast<Node*>(r));
    }
  }
  int k = 0;
  bool level_start = true;
  while (current.size() > 0) {
    if (level_start) writer->level_heading(k, i2);
    level_start = false;
    const Node* n = current.extract_first();
    writer->node(n, level, i2, filters);
    for (uint32_t i = 0; i < n->target_links.slots(); ++i) {
      const mx_detail::Link* l = n->target_links.at(i);
      if (l && queued.insert_forward(l->node)) next.insert(l->node, l->node->key());
    }
    if (current.size() == 0) {
      ++k;
      current.merge_nodes(next);
      level_start = true;
    }
  }
  // Then the nodes that no root reaches (a cycle has no root), in creation
  // order, so that nothing vanishes from the dump.
  if (queued.forward_count() < st.objects.size()) {
    bool heading = false;
    for (const Node* n : st.nodes_in_order()) {
      if (queued.forward(n)) continue;
      if (!heading) writer->unreached_heading(i2);
      heading = true;
      writer->node(n, level, i2, filters);
    }
  }
  writer->close();
}
