// The dot dumps of the lineage graph are fed to the real Graphviz `dot`:
// plain, named, separated, filtered and invalid graphs must all be accepted.
#include "mxstandardattribs.h"
#include "support/lineage_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;

class Face : public MxObject {
  MX_DYNOBJ_TYPE(Face, MxObject)
public:
  MxDynObj* clone() const override { return new Face(*this); }
};
MX_DEFINE_CLASS_NAME(Face);

bool dot_available() {
  return std::system("dot -V >/dev/null 2>&1") == 0;
}

/// Runs `dot -Tsvg` on `text`; returns its exit status and leaves the SVG size in `svg_bytes`.
int run_dot(const std::string& text, const std::string& name, long& svg_bytes) {
  const std::string base = ::testing::TempDir() + "mx_graphviz_" + name;
  std::ofstream(base + ".dot") << text;
  const std::string command =
      "dot -Tsvg '" + base + ".dot' -o '" + base + ".svg' 2>'" + base + ".err'";
  const int status = std::system(command.c_str());
  std::ifstream svg(base + ".svg", std::ios::binary | std::ios::ate);
  svg_bytes = svg ? static_cast<long>(svg.tellg()) : 0;
  return status;
}

std::string dot_dump(MxObjDependency& g, MxDebug level, bool check_integrity) {
  return dump(g, level, true, check_integrity);
}

struct Graphviz : ::testing::Test {
  void SetUp() override {
    if (!dot_available()) GTEST_SKIP() << "Graphviz dot is not installed";
  }
  void expect_accepted(const std::string& text, const std::string& name) {
    long svg_bytes = 0;
    EXPECT_EQ(run_dot(text, name, svg_bytes), 0) << text;
    EXPECT_GT(svg_bytes, 0) << name;
  }
};

/// A fuse: a face split in two, an edge absorbed, separators between steps,
/// names with characters that need quoting, a deletion and a creation.
struct FuseHistory {
  std::vector<Face> faces = std::vector<Face>(8);
  MxObjDependency graph;
  FuseHistory() {
    faces[0].add_attrib(new MxNameAttrib("top \"outer\" \\ face\nwest"));
    const int q = 7;
    graph.record_dependency(nullptr, &faces[0], T::CREATION, nullptr, nullptr);
    graph.new_separator();
    graph.record_dependency(&faces[0], &faces[1], T::SPLIT, &q, nullptr);
    graph.record_dependency(&faces[0], &faces[2], T::SPLIT, &q, nullptr);
    graph.new_separator();
    graph.record_dependency(&faces[1], &faces[3], T::ABSORPTION, nullptr, nullptr);
    graph.record_dependency(&faces[4], &faces[3], T::ABSORPTION, nullptr, nullptr);
    graph.record_dependency(&faces[2], &faces[5], T::MODIFICATION, nullptr, nullptr);
    graph.record_dependency(&faces[5], nullptr, T::DELETION, nullptr, nullptr);
    graph.record_dependency(&faces[3], &faces[6], T::CONVERSION, nullptr, nullptr);
  }
};

TEST_F(Graphviz, AcceptsEveryLevelOfAValidHistory) {
  FuseHistory h;
  for (MxDebug level : {MxDebugSummary, MxDebugNormal, MxDebugFull}) {
    SCOPED_TRACE(level);
    expect_accepted(dot_dump(h.graph, level, false), "level" + std::to_string(level));
    expect_accepted(dot_dump(h.graph, level, true), "checked" + std::to_string(level));
  }
  // Quotes, backslashes and line breaks in names are escaped inside labels.
  EXPECT_NE(dot_dump(h.graph, MxDebugNormal, false).find("top \\\"outer\\\" \\\\ face\\nwest"),
            std::string::npos);
  h.graph.simplify_it();
  expect_accepted(dot_dump(h.graph, MxDebugFull, true), "simplified");
}

TEST_F(Graphviz, AcceptsFilteredDumps) {
  FuseHistory h;
  HideObject hide(&h.faces[3]);
  TypeFilter splits(T::SPLIT, true);
  h.graph.add_debug_node_filter(T::NODE, &hide);
  expect_accepted(dot_dump(h.graph, MxDebugFull, false), "node_filter");
  h.graph.set_debug_link_filter(&splits);
  expect_accepted(dot_dump(h.graph, MxDebugFull, false), "node_and_link_filter");
  h.graph.remove_debug_node_filters();
  h.graph.add_debug_node_filter(T::SOURCES, &hide);
  expect_accepted(dot_dump(h.graph, MxDebugFull, false), "sources_filter");
}

TEST_F(Graphviz, AcceptsInvalidGraphsWithRedErrorNodes) {
  std::vector<Face> f(4);
  MxObjDependency g;
  g.record_dependency(&f[0], &f[2], T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&f[1], &f[2], T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&f[2], &f[3], T::SPLIT, nullptr, nullptr);
  ASSERT_FALSE(g.is_valid(nullptr));
  const std::string dump = dot_dump(g, MxDebugFull, true);
  EXPECT_NE(dump.find("color=\"red\""), std::string::npos);
  expect_accepted(dump, "invalid");

  // The integrity report alone is a list of dot statements.
  MxStringJournal errors;
  g.set_dotty_output_format(true);
  g.is_valid(&errors);
  expect_accepted("digraph errors {\n" + errors.text() + "}\n", "errors_only");
}

} // namespace
