// Removal and simplification: the composition of two links, bridging of
// chains, creations from nothing, deletions, splits, absorptions, exact
// traces; and the model-based run of the whole graph on fixed-seed input.
#include "support/lineage_model.h"
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Simplify = ReportingTest;

class Probe : public MxObjDependency {
public:
  using MxObjDependency::compose_link_types;
  using MxObjDependency::LinkValues;
};

// ---------------------------------------------------------------------------
// Composition

TEST_F(Simplify, CompositionOfTwoLinks) {
  // Rows: n1 -> n2, qualifier 1, separator 0 (a split or containment has a
  // sibling part, which goes on the same way); columns: n2 -> n3, qualifier 2,
  // separator 1, in the order of `types`. Each cell: the type of the bridge
  // n1 -> n3, then whose qualifier it carries; its separator is always 1.
  const std::string types = "CDMSAVT";
  // The names dumps give the types, in the order of `types`.
  const char* const names[] = {"CREATION",   "DELETION",   "MODIFICATION", "SPLIT",
                               "ABSORPTION", "CONVERSION", "CONTAINMENT"};
  const std::map<char, std::string> rows = {
      {'C', "C2 D2 C1 C1 C2 C1 C1"}, {'M', "C2 D2 M2 S2 A2 M1 C1"}, {'S', "C2 D2 S1 S1 C2 S1 S1"},
      {'A', "C2 D2 A1 C1 A2 A1 C1"}, {'V', "C2 D2 M2 S2 A2 V2 T2"}, {'T', "C2 D2 T1 S2 A2 T1 T1"},
  };
  auto two_parts = [](char type) { return type == 'S' || type == 'T'; };
  auto step = [&](char from, char type, char q, const char* to) {
    std::string s = std::string(1, from) + " " + type + q + " ";
    if (type == 'D') return s + "-";
    return s + to[0] + (two_parts(type) ? std::string(1, to[1]) : "");
  };
  const Named o;
  for (const auto& [first, cells] : rows) {
    for (size_t c = 0; c < types.size(); ++c) {
      const char second = types[c];
      std::string history = step('a', first, '1', "bd") + " | " + step('b', second, '2', "ce");
      if (two_parts(first)) history += ", " + step('d', second, '2', "fg");
      SCOPED_TRACE(history);
      MxObjDependency g;
      o.record(g, history);
      g.simplify_it();
      const std::string cell = cells.substr(3 * c, 2);
      const std::string bridge = std::string(second == 'D' ? "NULL " : "c ") +
                                 names[types.find(cell[0])] + " " + cell[1] + " 1";
      EXPECT_EQ(o.edges(g).at(0), "a -> " + bridge);
      EXPECT_TRUE(g.is_valid(nullptr));
    }
  }
  // What recording cannot make, a deletion followed by anything or a type
  // outside the table, is reported; after an unknown type, and after a
  // conversion, the second link's type stands.
  const Probe::LinkValues del{T::DELETION, false, -1, 0}, conversion{T::CONVERSION, false, -1, 0};
  const Probe::LinkValues mod{T::MODIFICATION, true, 5, 3},
      odd{static_cast<T::Type>(42), true, 1, 0};
  EXPECT_EQ(Probe::compose_link_types(del, mod).type, T::DELETION);
  EXPECT_EQ(Probe::compose_link_types(odd, mod).type, T::MODIFICATION);
  EXPECT_EQ(Probe::compose_link_types(mod, odd).type, T::MODIFICATION);
  EXPECT_EQ(reports.count(), 3u);
  EXPECT_EQ(Probe::compose_link_types(conversion, odd).type, odd.type);
  EXPECT_EQ(reports.count(), 3u);
}

// ---------------------------------------------------------------------------
// Simplification of small histories

TEST_F(Simplify, SmallHistories) {
  // Histories in the shorthand of `Named::record`; the edges left, and lines
  // the trace must hold.
  struct Case {
    const char* history;
    std::vector<std::string> edges;
    std::vector<std::string> trace_lines;
    bool split_modificational = true;
  };
  const std::string existing = "         link between n1 and n3 already existing => skip n3";
  const std::string later =
      "      (n1 and n2) may become (n2 and n3) => skip n1, store n2 to remove it later";
  const Case cases[] = {
      // A chain becomes one link, over three steps.
      {"a M b, b M c, c M d", {"a -> d MODIFICATION - 0"}, {}},
      // Created from nothing, then deleted: no bridge from the null-object
      // node to itself (and without a trace the destroyed node must leave the
      // step's roots: ASan watches).
      {"- C a, a D -", {}, {"         n1 == n3 == NULL-object => skip n3"}},
      // Deleted directly and through a split part: the bridge meets the
      // deletion; a keeps a real target, so its deletion is pruned, and the
      // lone part left is a modification.
      {"a S bc, a D -, b D -", {"a -> c MODIFICATION - 0"}, {existing}},
      // A root whose targets are leaves: nothing to do.
      {"a S bc", {"a -> b SPLIT - 0", "a -> c SPLIT - 0"}, {}},
      // The null-object node is never an intermediate.
      {"a D -, - C b", {"NULL -> b CREATION - 0", "a -> NULL DELETION - 0"}, {}},
      // A creation from nothing gives way to a real source; the null-object
      // node goes.
      {"- C b, a C b, b M c", {"a -> c CREATION - 0"}, {}},
      // Two roots absorbed: while a is bridged, d still has its modification
      // from c, so the mix turns the absorption into a creation.
      {"ab A c, c M d",
       {"a -> d CREATION - 0", "b -> d CREATION - 0"},
       {"      is unchecked root => skip n1, remove n2 later"}},
      // Two paths to one target build one link.
      {"a S bc, bc A d",
       {"a -> d CREATION - 0"},
       {"            remember triple to skip with n2a = 3",
        "         already handled n1 and n3 earlier => skip n3"}},
      // c, met first, may be bridged only once b is gone.
      {"a C c, a C b, b C c, c M d", {"a -> d CREATION - 0"}, {later}},
      // a, absorbed into d through b, is also made into e: a -> d is a creation.
      {"a C b, a C e, bc A d, f M c",
       {"a -> d CREATION - 0", "a -> e CREATION - 0", "f -> d CREATION - 0"},
       {}},
      // a makes b, then both and c are absorbed into d: the creation through
      // b wins, and c's absorption follows.
      {"a C b, bac A d", {"a -> d CREATION - 0", "c -> d CREATION - 0"}, {existing}},
      // A split or containment left with one part becomes a modification, or
      // a creation when splits are not considered modificational.
      {"a S bc, be A d",
       {"a -> c MODIFICATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {}},
      {"a S bc, be A d",
       {"a -> c CREATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {},
       false},
      {"a T bc, be A d",
       {"a -> c MODIFICATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {}},
      // Of two split groups told apart by qualifiers, only the one left with
      // one part is repaired (a's deletion through b is pruned: a has real
      // targets).
      {"a S1 bc, a S2 de, b D -",
       {"a -> c MODIFICATION 1 0", "a -> d SPLIT 2 0", "a -> e SPLIT 2 0"},
       {}},
      // c, taken up into d in this batch, is still a target of a: d is
      // postponed, and the absorptions, met by a creation, become creations.
      {"ab A c, ca A d, d M e", {"a -> e CREATION - 0", "b -> e CREATION - 0"}, {later}},
      // d -> a waits to be dropped while b and d are bridged into g: it still
      // counts, so no second bridge is built and the absorptions stay.
      {"| dac A0 e, e D -, d A a, b M0 f, bdf A g",
       {"b -> g ABSORPTION - 1", "c -> NULL DELETION - 1", "d -> g ABSORPTION - 1"},
       {existing}},
      // A postponed node met through a bridge made in the same pass.
      {"bh A g, e C a, d M f, c C h, bg A d",
       {"b -> f CREATION - 0", "c -> f CREATION - 0", "e -> a CREATION - 0"},
       {"      link between n1 and n2 is a new one"}},
      // A node linked to itself stays, and so do its neighbours.
      {"a C b, b C b, b C c",
       {"a -> b CREATION - 0", "b -> b CREATION - 0", "b -> c CREATION - 0"},
       {}},
  };
  for (const Case& k : cases) {
    for (bool traced : {false, true}) {
      SCOPED_TRACE(std::string(k.history) + (traced ? ", traced" : ""));
      const Named o;
      MxObjDependency g;
      g.set_consider_split_modificational(k.split_modificational);
      o.record(g, k.history);
      ASSERT_TRUE(g.is_valid(nullptr));
      MxStringJournal trace;
      if (traced) g.set_trace_journal(&trace);
      g.simplify_it();
      EXPECT_EQ(o.edges(g), k.edges);
      for (const std::string& line : traced ? k.trace_lines : std::vector<std::string>())
        EXPECT_NE(trace.text().find("\n" + line + "\n"), std::string::npos) << line;
      EXPECT_TRUE(g.is_valid(nullptr));
      // No node is left without links, and there is nothing more to do.
      std::set<std::string> ends;
      for (const std::string& e : k.edges) {
        std::istringstream in(e);
        std::string source, arrow, target;
        in >> source >> arrow >> target;
        ends.insert({source, target});
      }
      EXPECT_EQ(std::get<0>(counts(g)), static_cast<int>(ends.size()));
      g.simplify_it();
      EXPECT_EQ(o.edges(g), k.edges);
      EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(reports.all());
      reports.clear(); // each case on its own
    }
  }
}

TEST_F(Simplify, ExactTraces) {
  Thing::next_identity_is(1);
  Thing a, b, c;
  MxObjDependency g;
  g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  EXPECT_EQ(g.trace_journal(), &trace);
  g.simplify_it();
  EXPECT_EQ(trace.text(), "\"simplify_step\" with 1 roots.\n"
                          "rn1 = 0\n"
                          "   n2 = 1\n"
                          "   \"prepare_removal_of_n2\"\n"
                          "      n1 = 0\n"
                          "         n3 = 2\n"
                          "remove n2s to remove later\n"
                          "\"simplify_step\" with 1 roots.\n"
                          "rn1 = 0\n"
                          "   n2 = 2\n"
                          "   \"prepare_removal_of_n2\"\n"
                          "      n1 = 0\n"
                          "         n3 = 3\n"
                          "remove n2s to remove later\n"
                          "\"simplify_step\" with 1 roots.\n"
                          "rn1 = 0\n"
                          "   n2 = 3\n"
                          "   \"prepare_removal_of_n2\"\n"
                          "   no targets => return\n"
                          "remove n2s to remove later\n");
  EXPECT_EQ(edges(g), std::vector<std::string>{"NULL -> 3 CREATION - 0"});
  EXPECT_EQ(std::get<0>(counts(g)), 2);
  // Objects made from each other: no roots, nothing to do.
  MxObjDependency cycle;
  cycle.record_dependency(&a, &b, T::CREATION, nullptr, nullptr);
  cycle.record_dependency(&b, &a, T::CREATION, nullptr, nullptr);
  MxStringJournal cycle_trace;
  cycle.set_trace_journal(&cycle_trace);
  const std::vector<std::string> before = edges(cycle);
  cycle.simplify_it();
  EXPECT_EQ(cycle_trace.text(), "\"simplify_step\" with 0 roots.\nremove n2s to remove later\n");
  EXPECT_EQ(edges(cycle), before);
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------------------
// The model

TEST(LineageModel, FixedSeedSessionsAgreeWithTheModel) {
  // The model-based run of tests/support/lineage_model.h (the fuzz target's)
  // on fixed-seed input: raw and history sessions, with and without misuse
  // among the history, simplified as they go or at the end only (long
  // phases in which the model knows every dependency), and first a longer
  // history session over more objects. A disagreement aborts the run and
  // says what disagreed.
  int checked = 0;
  for (unsigned seed = 0; seed <= 16; ++seed) {
    lineage_model::RandomInput input(seed ? seed : 4247, seed ? 3000 : 4000);
    lineage_model::LineageRun<lineage_model::RandomInput> run(input, seed ? 150 : 300);
    run.raw_in_history = seed % 3 == 1;
    run.simplify_at_end_only = seed % 2 == 0;
    run.run();
    checked += run.checked_simplifications;
  }
  EXPECT_GE(checked, 100);
}

} // namespace
