// The integrity check and the dumps: exact text and Graphviz output, the
// errors that recording can produce, node and link filters, edge colours.
#include "mxstandardattribs.h"
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Check = ReportingTest;

/// A client class with a class name of its own.
class Wheel : public MxObject {
  MX_DYNOBJ_TYPE(Wheel, MxObject)
public:
  MxDynObj* clone() const override { return new Wheel(*this); }
};
MX_DEFINE_CLASS_NAME(Wheel);

std::string errors_of(MxObjDependency& g, bool dotty) {
  const bool was = g.dotty_output_format();
  g.set_dotty_output_format(dotty);
  MxStringJournal j;
  g.is_valid(&j);
  g.set_dotty_output_format(was);
  return j.text();
}

/// The node dump in dot form of objects with these identities, in order.
std::string dot_nodes(std::initializer_list<int> ids) {
  std::string out = "strict digraph ObjectDependency {\n";
  for (int i : ids) out += std::to_string(i) + " [label=\"" + std::to_string(i) + " MxObject\"];\n";
  return out + "}\n";
}

// ---------------------------------------------------------------------------
// Dumps

TEST_F(Check, EmptyGraph) {
  MxObjDependency g;
  EXPECT_EQ(dump(g, MxDebugNormal, false),
            lines({"MxObjDependency", "   number of nodes               : 0",
                   "   number of roots               : 0", "   number of leafs               : 0",
                   "   contents                      :"}));
  EXPECT_EQ(dump(g, MxDebugFull, true), lines({"strict digraph ObjectDependency {", "}"}));
  EXPECT_EQ(dump(g, MxDebugNone, true), "");
  EXPECT_EQ(dump(g, MxDebugNone, false, true), "");
  EXPECT_EQ(
      dump(g, MxDebugSummary, false, true, 2),
      lines({"  check integrity of MxObjDependency", "  MxObjDependency is valid",
             "  MxObjDependency", "     number of nodes               : 0",
             "     number of roots               : 0", "     number of leafs               : 0"}));
  EXPECT_TRUE(reports.empty());
}

/// Created from nothing (42), then modified (43).
struct CreatedThenModified : Check {
  CreatedThenModified() {
    g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
    g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  }
  int first_identity = (Thing::next_identity_is(42), 42);
  Thing a, b;
  MxObjDependency g;
};

TEST_F(CreatedThenModified, DotForm) {
  const char* open = "strict digraph ObjectDependency {";
  const char* null_node = "NULL [label=\"NULL NULL\"];";
  const char* node_42 = "42 [label=\"42 MxObject\"];";
  const char* node_43 = "43 [label=\"43 MxObject\"];";
  EXPECT_EQ(
      dump(g, MxDebugFull, true),
      lines({open, null_node, "NULL  -> {42} [label=\"CREATION -\\nseparator 0\",color=\"black\"];",
             node_42, "42  -> {43} [label=\"MODIFICATION -\\nseparator 0\",color=\"black\"];",
             node_43, "}"}));
  EXPECT_EQ(dump(g, MxDebugNormal, true), lines({open, null_node, node_42, node_43, "}"}));
  EXPECT_EQ(dump(g, MxDebugSummary, true), lines({open, "}"}));
  // The integrity flag does not matter to the dot form; every line is one
  // expression (one flush).
  EXPECT_EQ(dump(g, MxDebugFull, true, true), dump(g, MxDebugFull, true, false));
  g.set_dotty_output_format(true);
  MxStringJournal j;
  g.debug(j, MxDebugFull, false, 0);
  EXPECT_EQ(j.flushes(), 7u);
  EXPECT_TRUE(reports.empty());
}

/// The text dump of one link at full level.
std::string link_text(const char* type, const char* id) {
  const std::string pad = "               ";
  return "            MxObjDepLink\n" + pad + "dependency_type            : " + type + "\n" + pad +
         "target qualifier           : -\n" + pad + "node object id             : " + id + "\n" +
         pad + "separator                  : 0\n";
}

/// The text dump of one node at full level, its level heading first.
std::string node_text(int level, const char* id, const char* name, const std::string& targets,
                      const std::string& sources) {
  auto count = [](const std::string& links) {
    return std::to_string(links.empty() ? 0 : 1) + "\n" + links;
  };
  return "      \nlevel " + std::to_string(level) + ":\n      \nnode object id: " + id +
         "\n      MxObjDepNode\n         object name                   : " + name +
         "\n         target links                  : " + count(targets) +
         "         source links                  : " + count(sources);
}

TEST_F(CreatedThenModified, TextFormFull) {
  EXPECT_EQ(
      dump(g, MxDebugFull, false, true),
      lines({"check integrity of MxObjDependency", "MxObjDependency is valid", "MxObjDependency",
             "   number of nodes               : 3", "   number of roots               : 1",
             "   number of leafs               : 1", "   contents                      :"}) +
          node_text(0, "NULL", "NULL", link_text("CREATION", "42"), "") +
          node_text(1, "42", "MxObject", link_text("MODIFICATION", "43"),
                    link_text("CREATION", "NULL")) +
          node_text(2, "43", "MxObject", "", link_text("MODIFICATION", "42")));
}

TEST_F(Check, ObjectNamesTakeClassAndNameAttribute) {
  // In dot labels quotes and backslashes are escaped, line breaks written as \n.
  Thing::next_identity_is(100);
  Wheel w;
  Thing t;
  t.add_attrib(new MxNameAttrib("left \"door\" \\ 2\r\nrear"));
  MxObjDependency g;
  g.record_dependency(&w, &t, T::CONVERSION, nullptr, nullptr);
  EXPECT_EQ(dump(g, MxDebugNormal, true),
            lines({"strict digraph ObjectDependency {", "100 [label=\"100 Wheel\"];",
                   "101 [label=\"101 MxObject: left \\\"door\\\" \\\\ 2\\nrear\"];", "}"}));
}

TEST_F(Check, QualifiersSeparatorsAndColours) {
  // Separator i is drawn in colour i, from 15 on in black.
  const char* colours[] = {"black",     "green",     "blue",       "yellow2",        "magenta",
                           "cyan",      "burlywood", "gray",       "yellow3",        "DarkGreen",
                           "SteelBlue", "yellow4",   "BlueViolet", "MediumSeaGreen", "brown"};
  Thing::next_identity_is(1);
  Thing hub;
  std::vector<Thing> things(16);
  MxObjDependency g;
  const int q = -7;
  for (int i = 0; i < 16; ++i) {
    g.record_dependency(&hub, &things[i], T::CREATION, i == 14 ? &q : nullptr, nullptr);
    g.new_separator();
  }
  const std::string dot = dump(g, MxDebugFull, true);
  for (int i = 0; i < 16; ++i) {
    const std::string edge = "1  -> {" + std::to_string(i + 2) + "} [label=\"CREATION " +
                             (i == 14 ? "-7" : "-") + "\\nseparator " + std::to_string(i) +
                             "\",color=\"" + (i < 15 ? colours[i] : "black") + "\"];\n";
    EXPECT_NE(dot.find(edge), std::string::npos) << edge;
  }
  const std::string text = dump(g, MxDebugFull, false);
  EXPECT_NE(text.find("               target qualifier           : -7\n"), std::string::npos);
  EXPECT_NE(text.find("               separator                  : 15\n"), std::string::npos);
}

TEST_F(Check, LevelsFollowDistanceFromTheRootsThenIdentity) {
  // Roots a and c; d is one link from c and two from a.
  const Named o(10);
  MxObjDependency g;
  o.record(g, "a M b, c C d, b C d");
  EXPECT_EQ(dump(g, MxDebugNormal, true), dot_nodes({10, 12, 11, 13}));
}

// ---------------------------------------------------------------------------
// Integrity errors

TEST_F(Check, TwoModificationsIntoOneObject) {
  const Named o(42);
  MxObjDependency g;
  o.record(g, "a M b, c M b");
  const char* error = "xxx17n1xn243 [color=\"red\",label=\"error 17: \\ntarget n2 of "
                      "MODIFICATION has more than one source\\nn2 = 43\"];";
  EXPECT_EQ(errors_of(g, true),
            lines({error, "43 [color=\"red\"];", error, "43 [color=\"red\"];"}));
  const std::string text_error =
      lines({"error 17: target n2 of MODIFICATION has more than one source",
             "n2 node object id : 43", "   ", "node object id: 43", "   MxObjDepNode",
             "      object name                   : MxObject",
             "      target links                  : 0", "      source links                  : 2"});
  EXPECT_EQ(errors_of(g, false), text_error + text_error); // once per link into 43
  const std::string dot = dump(g, MxDebugNormal, true);
  EXPECT_NE(dot.find("\nxxx [label=\"MxObjDependecy is invalid\",color=\"red\"];\n"),
            std::string::npos);
  const std::string text = dump(g, MxDebugSummary, false, true);
  EXPECT_NE(text.find("\nMxObjDependency is not valid\n"), std::string::npos);
  // Without a journal nothing is written, and the answer is the same.
  EXPECT_FALSE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty()); // recording conflicts is not a misuse
}

/// The codes of the errors `is_valid` writes, in order; each error line is
/// checked against the message of its code.
std::vector<int> codes_of(MxObjDependency& g) {
  static const std::map<int, std::string> messages = {
      {17, "target n2 of MODIFICATION has more than one source"},
      {18, "target n2 of CONVERSION has more than one source"},
      {19, "target n2 of SPLIT has more than one source"},
      {20, "target n2 of CONTAINMENT has more than one source"},
      {24, "sources of n1 have different dependency types"},
      {25, "not all sources of n1 have target qualifiers"},
      {26, "sources of n1 have different target qualifiers"},
      {27, "node n1 (source of n2) has no sources but is not in roots"}};
  std::vector<int> codes;
  std::istringstream text(errors_of(g, false));
  for (std::string line; std::getline(text, line);) {
    if (line.rfind("error ", 0) != 0) continue;
    codes.push_back(std::stoi(line.substr(6)));
    EXPECT_EQ(line, "error " + std::to_string(codes.back()) + ": " + messages.at(codes.back()));
  }
  return codes;
}

TEST_F(Check, ErrorsThatConflictingRecordingsProduce) {
  // Histories in the shorthand of `Named::record`, and the errors they make.
  struct Case {
    const char* history;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"a V c, b V c", {18, 18}},
      // A split part modified from elsewhere as well; a contained part
      // created from elsewhere as well.
      {"a S bc, d M b", {19, 17, 24}},
      {"a T bc, d C c", {20, 24}},
      // Absorptions into one object with and without qualifier, or two values.
      {"a A1 c, b A c, d A2 c", {25, 26}},
      // Two objects made from each other and a third from one of them: the
      // pair is reached backwards from the leaf but not from any root.
      {"a C b, b C a, b C e", {27, 27, 27}},
      // A split recorded in one call is valid: each part has its siblings.
      {"a S5 bcd", {}},
  };
  const Named o;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.history);
    MxObjDependency g;
    o.record(g, k.history);
    EXPECT_EQ(codes_of(g), k.codes);
    EXPECT_EQ(g.is_valid(nullptr), k.codes.empty());
    EXPECT_EQ(errors_of(g, true).empty(), k.codes.empty());
  }
  EXPECT_TRUE(reports.empty()); // recording conflicts is not a misuse
}

TEST_F(Check, ErrorNamingOneNodeInDotForm) {
  // A node with sources kept in the roots cannot be recorded; two roots that
  // absorb into one object with different kinds of link make error 24, which
  // names one node only.
  const Named o(42);
  MxObjDependency g;
  o.record(g, "a A c, b C c");
  EXPECT_EQ(errors_of(g, true),
            lines({"xxx24n144n2x [color=\"red\",label=\"error 24: \\nsources of n1 have "
                   "different dependency types\\nn1 = 44\"];",
                   "44 [color=\"red\"];"}));
}

// ---------------------------------------------------------------------------
// Filters

/// null -> a -> b -> c and d -> e, with identities 1 to 5.
struct FilteredGraph : Check {
  FilteredGraph() {
    g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
    g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
    g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
    g.record_dependency(&d, &e, T::SPLIT, nullptr, nullptr); // refused: one target
    g.record_dependency(&d, &e, T::CONVERSION, nullptr, nullptr);
  }
  int first_identity = (Thing::next_identity_is(1), 1);
  Thing a, b, c, d, e;
  MxObjDependency g;
};

TEST_F(FilteredGraph, NodeFilterHidesANodeAndItsEdges) {
  NodeList no_a({&a}, false);
  g.add_debug_node_filter(T::NODE, &no_a);
  // The null-object node's only link led to a: it is dropped entirely.
  EXPECT_EQ(dump(g, MxDebugFull, true),
            lines({"strict digraph ObjectDependency {", "4 [label=\"4 MxObject\"];",
                   "4  -> {5} [label=\"CONVERSION -\\nseparator 0\",color=\"black\"];",
                   "5 [label=\"5 MxObject\"];", "2 [label=\"2 MxObject\"];",
                   "2  -> {3} [label=\"MODIFICATION -\\nseparator 0\",color=\"black\"];",
                   "3 [label=\"3 MxObject\"];", "}"}));
  const std::string text = dump(g, MxDebugNormal, false);
  EXPECT_EQ(text.find("node object id: 1\n"), std::string::npos);
  // b's link from a is not counted.
  EXPECT_NE(text.find("node object id: 2\n      MxObjDepNode\n         object name          "
                      "         : MxObject\n         target links                  : 1\n     "
                      "    source links                  : 0\n"),
            std::string::npos);
  g.remove_debug_node_filters();
  EXPECT_NE(dump(g, MxDebugNormal, true).find("1 [label"), std::string::npos);
}

TEST_F(FilteredGraph, SourcesTargetsAndBoth) {
  struct Case {
    T::DebugNodeFilterType kind;
    Objects accepted;
    std::string shown;
  };
  const Case cases[] = {
      {T::SOURCES, {&d}, dot_nodes({4, 5})},
      // Traced back to the null-object node only, b is asked about itself.
      {T::SOURCES, {&b, &c}, dot_nodes({2, 3})},
      {T::TARGETS, {&c}, dot_nodes({1, 2, 3})},
      // The null-object node passes, but its only link leads to a node that
      // does not.
      {T::SOURCES_AND_TARGETS, {&d, &e, nullptr}, dot_nodes({4, 5})},
      // Both must pass: a's targets do, its sources do not.
      {T::SOURCES_AND_TARGETS, {&c, &d}, dot_nodes({})},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.shown);
    NodeList filter(k.accepted);
    g.add_debug_node_filter(k.kind, &filter);
    EXPECT_EQ(dump(g, MxDebugNormal, true), k.shown);
    g.remove_debug_node_filters();
  }
  // Several filters must all pass.
  NodeList ends({&d, &e, nullptr});
  g.add_debug_node_filter(T::SOURCES_AND_TARGETS, &ends);
  NodeList no_e({&e}, false);
  g.add_debug_node_filter(T::NODE, &no_e);
  EXPECT_EQ(dump(g, MxDebugNormal, true), dot_nodes({}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(FilteredGraph, NullNodeFilterIsReportedAndPasses) {
  const std::string plain = dump(g, MxDebugFull, true);
  g.add_debug_node_filter(T::NODE, nullptr);
  EXPECT_EQ(dump(g, MxDebugFull, true), plain);
  EXPECT_GT(reports.count(), 0u);
  EXPECT_EQ(reports.count("mxobjdependency"), reports.count());
}

TEST_F(FilteredGraph, LinkFilterHidesDependencies) {
  TypeFilter filter(T::MODIFICATION, false);
  g.set_debug_link_filter(&filter);
  // b's links are all modifications: b and c disappear; a keeps its creation.
  EXPECT_EQ(dump(g, MxDebugFull, true),
            lines({"strict digraph ObjectDependency {", "NULL [label=\"NULL NULL\"];",
                   "NULL  -> {1} [label=\"CREATION -\\nseparator 0\",color=\"black\"];",
                   "4 [label=\"4 MxObject\"];",
                   "4  -> {5} [label=\"CONVERSION -\\nseparator 0\",color=\"black\"];",
                   "1 [label=\"1 MxObject\"];", "5 [label=\"5 MxObject\"];", "}"}));
  g.reset_debug_link_filter();
  EXPECT_NE(dump(g, MxDebugFull, true).find("1  -> {2}"), std::string::npos);
}

TEST_F(Check, NodeFiltersStopAtCycles) {
  // a is made from d; a and b are made from each other; c from b.
  const Named o(1);
  MxObjDependency g;
  o.record(g, "d C a, a C b, b C a, b C c");
  EXPECT_TRUE(g.is_valid(nullptr));
  NodeList from_d({o['d']});
  g.add_debug_node_filter(T::SOURCES, &from_d);
  NodeList into_c({o['c']});
  g.add_debug_node_filter(T::TARGETS, &into_c);
  EXPECT_EQ(dump(g, MxDebugNormal, true), dot_nodes({4, 1, 2, 3}));
  NodeList none({});
  g.add_debug_node_filter(T::SOURCES_AND_TARGETS, &none);
  EXPECT_EQ(dump(g, MxDebugNormal, true), dot_nodes({}));
}

TEST_F(Check, NodesNoRootReachesAreDumpedAndChecked) {
  // c and d are each other's sources, and so is a with itself: no root
  // reaches them. They follow the reached nodes, in creation order.
  const Named o(1);
  MxObjDependency g;
  o.record(g, "e M f, c M d, d M c, a M a");
  EXPECT_EQ(dump(g, MxDebugNormal, true), dot_nodes({5, 6, 3, 4, 1}));
  const std::string text = dump(g, MxDebugFull, false);
  EXPECT_NE(text.find("      \nnot reached from a root:\n"), std::string::npos);
  size_t listed = 0;
  for (size_t at = text.find("node object id: "); at != std::string::npos;
       at = text.find("node object id: ", at + 1))
    ++listed;
  EXPECT_EQ(listed, 5u);
  EXPECT_EQ(std::get<0>(counts(g)), 5);
  EXPECT_TRUE(g.is_valid(nullptr));
  // A second modification into d, from inside the cycle: the check sees it.
  o.record(g, "c M b, b M d");
  EXPECT_EQ(codes_of(g), (std::vector<int>{17, 17}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Check, FiltersMayQueryTheGraphTheyFilter) {
  // A node filter that asks the graph for lineage while the graph walks the
  // lineage for the filter: the inner walks keep their own paths.
  const Named o(1);
  MxObjDependency g;
  o.record(g, "a C b, b C a, b C c, c C b, d C a");
  struct Asking : MxObjectDependencyNodeFilter {
    bool accept(const MxDynObj* o) const override {
      MxAutoPtr<MxIterator<const MxDynObj*>> it;
      graph->get_target_objects(o, it, nullptr, nullptr);
      ++asked;
      return true;
    }
    const MxObjDependency* graph = nullptr;
    mutable int asked = 0;
  } asking;
  asking.graph = &g;
  g.add_debug_node_filter(T::SOURCES_AND_TARGETS, &asking);
  const std::string dot = dump(g, MxDebugNormal, true);
  EXPECT_NE(dot.find("4 [label=\"4 MxObject\"];"), std::string::npos);
  EXPECT_GT(asking.asked, 0);
  EXPECT_FALSE(targets(g, o['d']).found); // the cycle has no end
}

} // namespace
