// The dumps of the lineage graph: one walk and one set of filters, two
// forms (indented text, Graphviz dot), each a writer behind one interface.
// Private to the library's sources.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_DUMP_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_DUMP_H

#include "mxheap.h"
#include "mxobjdependency_store.h"

#include <memory>

namespace mx_detail {

/// What a dump is thinned out by (no filter at all when `filters` is null).
struct DumpFilters {
  const MxArray<MxObjectDependency::DebugNodeFilterType>* types;
  const MxArray<const MxObjectDependencyNodeFilter*>* filters;
  MxObjectDependencyFilter* link_filter;
};

/// The links of one node that a dump shows, smallest identity first.
using LinkQueue = MxPriQueue<const Link*, int>;

/// Writes a graph's dump and its integrity errors in one form. `node`
/// decides, for every form alike, whether a node and which of its links are
/// shown; the forms only write them.
class DumpWriter {
public:
  DumpWriter(const MxObjDepStore& store, MxJournal& journal)
      : store_(store), j_(journal), step_(Mx_DebugIndentStep()) {}
  virtual ~DumpWriter() = default;
  DumpWriter(const DumpWriter&) = delete;
  DumpWriter& operator=(const DumpWriter&) = delete;

  /// The writer of the dot form (`dotty`) or of the text form.
  static std::unique_ptr<DumpWriter> make(const MxObjDepStore& store, MxJournal& journal,
                                          bool dotty);

  /// The node `n` with the links that pass the filters, at `level`.
  void node(const Node* n, MxDebug level, int indent, const DumpFilters& filters);

  /// The head of the dump: what comes before the contents (or instead of
  /// them below `MxDebugNormal`), with `graph`'s integrity check where the
  /// form asks for it.
  virtual void head(const MxObjDependency& graph, MxDebug level, bool check_integrity,
                    int indent) = 0;
  /// The heading of the contents, of one level of them, and of the nodes no
  /// root reaches.
  virtual void contents_heading(int indent) = 0;
  virtual void level_heading(int level, int indent) = 0;
  virtual void unreached_heading(int indent) = 0;
  /// The end of the dump.
  virtual void close() = 0;
  /// One integrity error naming up to two nodes.
  virtual void error(int code, const Node* n1, const Node* n2) = 0;

protected:
  /// The node's own line or lines, with the number of target links shown.
  virtual void node_head(const Node* n, int indent, size_t targets) = 0;
  /// One target link of `n`.
  virtual void target_link(const Node* n, const Link* l, int indent) = 0;
  /// The source links of `n` (the dot form writes every edge from its source).
  virtual void source_links(LinkQueue& sources, MxDebug level, int indent) = 0;

  void label(const Node* n);
  void object_name(const Node* n, bool in_dot_label);

  const MxObjDepStore& store_;
  MxJournal& j_;
  const int step_;

private:
  bool passes(const Node* n, const DumpFilters& f);
  bool passes_lineage(const MxObjectDependencyNodeFilter* filter, const Node* n, bool backwards);
};

} // namespace mx_detail

#endif
