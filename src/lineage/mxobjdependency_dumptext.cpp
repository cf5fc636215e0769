// The text form of the lineage graph's dumps: indented lines, one block per
// node with its links.
#include "mxobjdependency_dump.h"
#include "mxobjdependency_rules.h"

namespace mx_detail {

namespace {

void indentation(MxJournal& j, int n) {
  Mx_DebugIndentation(j, n);
}

/// Writes the text form.
class TextWriter : public DumpWriter {
public:
  using DumpWriter::DumpWriter;

  void head(const MxObjDependency& graph, MxDebug level, bool check_integrity,
            int indent) override {
    if (check_integrity) {
      indentation(j_, indent);
      j_ << "check integrity of MxObjDependency" << mxEndExpr;
      const bool valid = graph.is_valid(&j_);
      indentation(j_, indent);
      j_ << (valid ? "MxObjDependency is valid" : "MxObjDependency is not valid") << mxEndExpr;
    }
    if (level < MxDebugSummary) return;
    const int i1 = indent + step_;
    indentation(j_, indent);
    j_ << "MxObjDependency" << mxEndExpr;
    indentation(j_, i1);
    j_ << "number of nodes               : " << store_.objects.size() << mxEndExpr;
    indentation(j_, i1);
    j_ << "number of roots               : " << store_.roots.size() << mxEndExpr;
    indentation(j_, i1);
    j_ << "number of leafs               : " << store_.leaves.size() << mxEndExpr;
  }
  void contents_heading(int indent) override {
    indentation(j_, indent);
    j_ << "contents                      :" << mxEndExpr;
  }
  void level_heading(int level, int indent) override {
    indentation(j_, indent);
    j_ << mxEndExpr << "level " << level << ":" << mxEndExpr;
  }
  void unreached_heading(int indent) override {
    indentation(j_, indent);
    j_ << mxEndExpr << "not reached from a root:" << mxEndExpr;
  }
  void close() override {}

  void error(int code, const Node* n1, const Node* n2) override {
    j_ << "error " << code << ": " << error_message(code) << mxEndExpr;
    const DumpFilters none{nullptr, nullptr, nullptr};
    if (n1) {
      j_ << "n1 node object id : ";
      label(n1);
      j_ << mxEndExpr;
      node(n1, MxDebugSummary, step_, none);
    }
    if (n2) {
      j_ << "n2 node object id : ";
      label(n2);
      j_ << mxEndExpr;
      node(n2, MxDebugSummary, step_, none);
    }
  }

private:
  void node_head(const Node* n, int indent, size_t targets) override {
    const int i1 = indent + step_;
    indentation(j_, indent);
    j_ << mxEndExpr << "node object id: ";
    label(n);
    j_ << mxEndExpr;
    indentation(j_, indent);
    j_ << "MxObjDepNode" << mxEndExpr;
    indentation(j_, i1);
    j_ << "object name                   : ";
    object_name(n, false);
    j_ << mxEndExpr;
    indentation(j_, i1);
    j_ << "target links                  : " << targets << mxEndExpr;
  }
  void target_link(const Node*, const Link* l, int indent) override { link(l, indent); }
  void source_links(LinkQueue& sources, MxDebug level, int indent) override {
    indentation(j_, indent + step_);
    j_ << "source links                  : " << static_cast<size_t>(sources.size()) << mxEndExpr;
    if (level >= MxDebugFull)
      while (sources.size() > 0) link(sources.extract_first(), indent + 2 * step_);
  }
  void link(const Link* l, int indent) {
    const int i1 = indent + step_;
    indentation(j_, indent);
    j_ << "MxObjDepLink" << mxEndExpr;
    indentation(j_, i1);
    j_ << "dependency_type            : " << MxObjectDependency::type_name(l->dependency_type)
       << mxEndExpr;
    indentation(j_, i1);
    j_ << "target qualifier           : ";
    if (l->has_target_qualifier)
      j_ << l->target_qualifier;
    else
      j_ << "-";
    j_ << mxEndExpr;
    indentation(j_, i1);
    j_ << "node object id             : ";
    label(l->node);
    j_ << mxEndExpr;
    indentation(j_, i1);
    j_ << "separator                  : " << l->separator << mxEndExpr;
  }
};

} // namespace

std::unique_ptr<DumpWriter> make_text_writer(const MxObjDepStore& store, MxJournal& journal) {
  return std::unique_ptr<DumpWriter>(new TextWriter(store, journal));
}

} // namespace mx_detail
