// Dumping a lineage graph with node filters. Two boxes are fused: faces of
// both are split, pieces are deleted, and the two front faces are absorbed
// into one. The whole graph is large; node filters pick out what matters:
// a NODE filter hides the null-object node (the "nothing" that deletions
// lead to), and a SOURCES filter keeps only what descends from box 1.
//
// The dumps are Graphviz digraphs on standard output (pipe one into
// `dot -Tsvg` to see it). The program checks which nodes each dump shows and
// exits with status 1 if that is wrong.
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstandardattribs.h"
#include "mxstringjournal.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

class Face : public MxObject {
  MX_DYNOBJ_TYPE(Face, MxObject)
public:
  explicit Face(const char* name) { add_attrib(new MxNameAttrib(name)); }
  Face(const Face&) = default;
  MxDynObj* clone() const override { return new Face(*this); }
};
MX_DEFINE_CLASS_NAME(Face);

/// Passes every real object: hides the null-object node.
class RealObjects : public MxObjectDependencyNodeFilter {
public:
  bool accept(const MxDynObj* object) const override { return object != nullptr; }
};

/// Passes the objects of a set; as a SOURCES filter it passes every node
/// with an ultimate source in the set.
class InSet : public MxObjectDependencyNodeFilter {
public:
  explicit InSet(std::set<const MxDynObj*> objects) : objects_(std::move(objects)) {}
  bool accept(const MxDynObj* object) const override { return objects_.count(object) > 0; }

private:
  std::set<const MxDynObj*> objects_;
};

void record(MxObjDependency& graph, std::initializer_list<const MxDynObj*> sources,
            std::initializer_list<const MxDynObj*> targets, MxObjectDependency::Type type) {
  MxDynObjArrayIterator s, t;
  s.objects().resize(sources.size(), false);
  t.objects().resize(targets.size(), false);
  size_t i = 0;
  for (const MxDynObj* o : sources) s.objects()[i++] = o;
  i = 0;
  for (const MxDynObj* o : targets) t.objects()[i++] = o;
  graph.record_dependency(sources.size() ? &s : nullptr, targets.size() ? &t : nullptr, type,
                          nullptr, nullptr);
}

bool shows(const std::string& dump, const char* name) {
  return dump.find(std::string(": ") + name + "\"]") != std::string::npos;
}

int g_reports = 0;
void on_report(const char*, int) {
  ++g_reports;
}

} // namespace

int main() {
  set_fnd_assertion_handler(on_report, true);
  Face right1("right1"), right1_up("right1 up"), right1_down("right1 down");
  Face top2("top2"), top2_out("top2 out"), top2_in("top2 in");
  Face front1("front1"), front2("front2"), front("front");
  MxObjDependency graph;
  record(graph, {&right1}, {&right1_up, &right1_down}, MxObjectDependency::SPLIT);
  record(graph, {&top2}, {&top2_out, &top2_in}, MxObjectDependency::SPLIT);
  record(graph, {&right1_down, &top2_in}, {}, MxObjectDependency::DELETION);
  record(graph, {&front1, &front2}, {&front}, MxObjectDependency::ABSORPTION);
  graph.set_dotty_output_format(true);

  bool ok = true;
  RealObjects real;
  graph.add_debug_node_filter(MxObjectDependency::NODE, &real);
  MxStringJournal without_null;
  graph.debug(without_null, MxDebugFull, false, 0);
  std::printf("%s", without_null.text().c_str());
  ok &= without_null.text().find("NULL") == std::string::npos && shows(without_null.text(), "top2");

  // Filters add up: a node must pass all of them.
  InSet box1({&right1, &front1});
  graph.add_debug_node_filter(MxObjectDependency::SOURCES, &box1);
  MxStringJournal from_box1;
  graph.debug(from_box1, MxDebugFull, false, 0);
  std::printf("%s", from_box1.text().c_str());
  const std::string& d = from_box1.text();
  ok &= shows(d, "right1") && shows(d, "right1 up") && shows(d, "right1 down") &&
        shows(d, "front1") && shows(d, "front"); // front came from front1 and front2
  ok &= !shows(d, "top2") && !shows(d, "top2 out") && !shows(d, "front2") && !shows(d, "top2 in");
  ok &= d.find("NULL") == std::string::npos;

  graph.remove_debug_node_filters();
  ok &= g_reports == 0;
  std::printf("%s\n", ok ? "all dumps as expected" : "SOME DUMPS ARE WRONG");
  return ok ? 0 : 1;
}
