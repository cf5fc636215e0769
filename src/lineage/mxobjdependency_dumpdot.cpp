// The Graphviz form of the lineage graph's dumps: a strict digraph, one line
// per node and per edge, edges coloured by separator, errors as red nodes.
#include "mxobjdependency_dump.h"
#include "mxobjdependency_rules.h"

namespace mx_detail {

namespace {

const char* separator_colour(int separator) {
  static const char* const colours[] = {"black",      "green",          "blue",      "yellow2",
                                        "magenta",    "cyan",           "burlywood", "gray",
                                        "yellow3",    "DarkGreen",      "SteelBlue", "yellow4",
                                        "BlueViolet", "MediumSeaGreen", "brown"};
  return separator >= 0 && separator < 15 ? colours[separator] : "black";
}

/// Writes the dot form.
class DotWriter : public DumpWriter {
public:
  using DumpWriter::DumpWriter;

  void head(const MxObjDependency& graph, MxDebug, bool, int) override {
    j_ << "strict digraph ObjectDependency {" << mxEndExpr;
    if (!graph.is_valid(&j_))
      j_ << "xxx [label=\"MxObjDependecy is invalid\",color=\"red\"];" << mxEndExpr;
  }
  void contents_heading(int) override {}
  void level_heading(int, int) override {}
  void unreached_heading(int) override {}
  void close() override { j_ << "}" << mxEndExpr; }

  void error(int code, const Node* n1, const Node* n2) override {
    j_ << "xxx" << code << "n1";
    label_or_x(n1);
    j_ << "n2";
    label_or_x(n2);
    j_ << " [color=\"red\",label=\""
       << "error " << code << ": "
       << "\\n"
       << error_message(code);
    if (n1) {
      j_ << "\\nn1 = ";
      label(n1);
    }
    if (n2) {
      j_ << "\\nn2 = ";
      label(n2);
    }
    j_ << "\"];" << mxEndExpr;
    for (const Node* n : {n1, n2}) {
      if (!n) continue;
      label(n);
      j_ << " [color=\"red\"];" << mxEndExpr;
    }
  }

private:
  void label_or_x(const Node* n) {
    if (n)
      label(n);
    else
      j_ << "x";
  }
  void node_head(const Node* n, int, size_t) override {
    label(n);
    j_ << " [label=\"";
    label(n);
    j_ << " ";
    object_name(n, true);
    j_ << "\"];" << mxEndExpr;
  }
  void target_link(const Node* n, const Link* l, int) override {
    label(n);
    j_ << "  -> {";
    label(l->node);
    j_ << "} [label=\"" << MxObjectDependency::type_name(l->dependency_type);
    if (l->has_target_qualifier)
      j_ << " " << l->target_qualifier;
    else
      j_ << " -";
    j_ << "\\nseparator " << l->separator << "\""
       << ",color=\"" << separator_colour(l->separator) << "\"];" << mxEndExpr;
  }
  // Every edge is written once, from its source.
  void source_links(LinkQueue&, MxDebug, int) override {}
};

} // namespace

std::unique_ptr<DumpWriter> make_dot_writer(const MxObjDepStore& store, MxJournal& journal) {
  return std::unique_ptr<DumpWriter>(new DotWriter(store, journal));
}

std::unique_ptr<DumpWriter> make_text_writer(const MxObjDepStore& store, MxJournal& journal);

std::unique_ptr<DumpWriter> DumpWriter::make(const MxObjDepStore& store, MxJournal& journal,
                                             bool dotty) {
  return dotty ? make_dot_writer(store, journal) : make_text_writer(store, journal);
}

} // namespace mx_detail
