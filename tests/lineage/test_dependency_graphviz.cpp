// The dot dumps of the lineage graph are fed to the real Graphviz `dot`:
// dumps at every level of a named, separated history, filtered, simplified
// and invalid ones, and an integrity report on its own must all be accepted.
#include "mxstandardattribs.h"
#include "support/lineage_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
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

/// Whether `dot -Tsvg` accepts `text` and draws something.
bool dot_accepts(const std::string& text, const std::string& name) {
  const std::string base = ::testing::TempDir() + "mx_graphviz_" + name;
  std::ofstream(base + ".dot") << text;
  const std::string command =
      "dot -Tsvg '" + base + ".dot' -o '" + base + ".svg' 2>'" + base + ".err'";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream svg(base + ".svg", std::ios::binary | std::ios::ate);
  return svg && svg.tellg() > 0;
}

TEST(Graphviz, AcceptsEveryDump) {
  if (std::system("dot -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "Graphviz dot is not installed";
  // A fuse: a face split in two, an edge absorbed, separators between steps,
  // a name with characters that need quoting, a deletion and a creation.
  std::vector<Face> f(8);
  f[0].add_attrib(new MxNameAttrib("top \"outer\" \\ face\nwest"));
  const int q = 7;
  MxObjDependency g;
  g.record_dependency(nullptr, &f[0], T::CREATION, nullptr, nullptr);
  g.new_separator();
  record(g, {&f[0]}, {&f[1], &f[2]}, T::SPLIT, &q);
  g.new_separator();
  record(g, {&f[1], &f[4]}, {&f[3]}, T::ABSORPTION);
  g.record_dependency(&f[2], &f[5], T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&f[5], nullptr, T::DELETION, nullptr, nullptr);
  g.record_dependency(&f[3], &f[6], T::CONVERSION, nullptr, nullptr);
  std::map<std::string, std::string> dumps;
  for (MxDebug level : {MxDebugSummary, MxDebugNormal, MxDebugFull})
    for (bool check : {false, true})
      dumps["level" + std::to_string(level) + (check ? "checked" : "")] =
          dump(g, level, true, check);
  NodeList hide({&f[3]}, false);
  TypeFilter splits(T::SPLIT, true);
  g.add_debug_node_filter(T::NODE, &hide);
  dumps["node_filter"] = dump(g, MxDebugFull, true);
  g.set_debug_link_filter(&splits);
  dumps["node_and_link_filter"] = dump(g, MxDebugFull, true);
  g.remove_debug_node_filters();
  g.add_debug_node_filter(T::SOURCES, &hide);
  dumps["sources_filter"] = dump(g, MxDebugFull, true);
  g.remove_debug_node_filters();
  g.reset_debug_link_filter();
  g.simplify_it();
  dumps["simplified"] = dump(g, MxDebugFull, true, true);
  // Integrity errors are red nodes; the report alone is a list of statements.
  MxObjDependency bad;
  bad.record_dependency(&f[0], &f[2], T::MODIFICATION, nullptr, nullptr);
  bad.record_dependency(&f[1], &f[2], T::MODIFICATION, nullptr, nullptr);
  dumps["invalid"] = dump(bad, MxDebugFull, true, true);
  EXPECT_NE(dumps["invalid"].find("color=\"red\""), std::string::npos);
  MxStringJournal errors;
  bad.set_dotty_output_format(true);
  bad.is_valid(&errors);
  dumps["errors_only"] = "digraph errors {\n" + errors.text() + "}\n";
  for (const auto& [name, text] : dumps) EXPECT_TRUE(dot_accepts(text, name)) << text;
}

} // namespace
