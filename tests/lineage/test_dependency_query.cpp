// Lineage queries, beyond what the model run (test_dependency_simplify)
// checks: the order of the answers, stacked diamonds, cycles, and a chain far
// longer than any call stack could recurse through.
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Queries = ReportingTest;

TEST_F(Queries, StackedDiamondsGiveEachObjectOnceAndAskAboutEachLinkOnce) {
  // Sixty times: split in two, absorb the two parts again. Following every
  // path would take 2^60 walks.
  const int diamonds = 60;
  std::vector<Thing> things(3 * diamonds + 1);
  MxObjDependency g;
  for (int i = 0; i < diamonds; ++i) {
    Thing* top = &things[3 * i];
    Thing* bottom = &things[3 * i + 3];
    ASSERT_TRUE(record(g, {top}, {&things[3 * i + 1], &things[3 * i + 2]}, T::SPLIT));
    ASSERT_TRUE(record(g, {&things[3 * i + 1], &things[3 * i + 2]}, {bottom}, T::ABSORPTION));
  }
  const Thing* first = &things[0];
  const Thing* last = &things.back();
  LinkLog log(true);
  EXPECT_EQ(sources(g, last, &log), (Answer{true, {first}}));
  EXPECT_EQ(log.asked.size(), static_cast<size_t>(4 * diamonds));
  EXPECT_EQ(targets(g, first).objects, Objects{last});
  // The dump's lineage filters walk the same way.
  NodeList only_first({first});
  g.add_debug_node_filter(T::SOURCES, &only_first);
  EXPECT_EQ(std::get<0>(counts(g)), 3 * diamonds + 1);
  EXPECT_NE(dump(g, MxDebugNormal, true).find(std::to_string(last->identity()) + " [label"),
            std::string::npos);
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, AnswersFollowTheRecordingOrder) {
  const Named o;
  MxObjDependency g;
  // e is made from d, b and a, recorded one by one in that order.
  o.record(g, "d C e, b C e, a C e");
  EXPECT_EQ(sources(g, o['e']).objects, o.objects("dba"));
  o.record(g, "c M d");
  EXPECT_EQ(sources(g, o['e']).objects, o.objects("cba"));
  // Roots in the order their nodes were made: d's node came first, then b, a;
  // d is no root any more, c came last.
  EXPECT_EQ(sources(g, nullptr).objects, o.objects("bac"));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, CyclesEndWhereTheWalkMeetsANodeAgain) {
  const Named o;
  MxObjDependency g;
  // a and b are each other's sources; c comes from a, d from nothing and b.
  o.record(g, "a C b, b C a, a C c, - C d, b C d");
  // A branch that comes back onto the path contributes nothing; the
  // creation from nothing is still reached.
  EXPECT_EQ(sources(g, o['c']), (Answer{false, {}}));
  EXPECT_EQ(sources(g, o['d']), (Answer{true, {}}));
  EXPECT_EQ(targets(g, o['a']).objects, o.objects("dc"));
  // A cycle reached along two paths is walked once.
  o.record(g, "e C a, e C b");
  EXPECT_EQ(sources(g, o['c']).objects, o.objects("e"));
  // A node linked to itself finds nothing either way.
  MxObjDependency self;
  o.record(self, "a M a");
  EXPECT_EQ(sources(self, o['a']), (Answer{false, {}}));
  EXPECT_EQ(targets(self, o['a']), (Answer{false, {}}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, LongChainsAreWalkedCheckedAndDumpedWithoutRecursion) {
  // Chains of a million links (queries), of 100000 (check and dump), of 2000
  // (node filters, which walk the lineage of every node they are asked about).
  const size_t n = 1000000, checked = 100000, filtered = 2000;
  std::vector<Thing> things(n + 1);
  MxObjDependency g, h, f;
  for (size_t i = 0; i < n; ++i) {
    ASSERT_TRUE(g.record_dependency(&things[i], &things[i + 1], T::MODIFICATION, nullptr, nullptr));
    if (i < checked)
      h.record_dependency(&things[i], &things[i + 1], T::MODIFICATION, nullptr, nullptr);
    if (i < filtered)
      f.record_dependency(&things[i], &things[i + 1], T::MODIFICATION, nullptr, nullptr);
  }
  EXPECT_EQ(sources(g, &things[n]).objects, Objects{&things[0]});
  EXPECT_EQ(targets(g, &things[0]).objects, Objects{&things[n]});
  EXPECT_EQ(targets(g, &things[n / 2]).objects, Objects{&things[n]});
  struct Counting : MxJournal {
    void write(const MxString&) override {}
    void flush() override { ++lines; }
    size_t lines = 0;
  } journal;
  h.set_dotty_output_format(true);
  h.debug(journal, MxDebugFull, true, 0);
  EXPECT_EQ(journal.lines, 2 * checked + 3); // the nodes, the edges, the braces; no error
  NodeList first({&things[0]}), last({&things[filtered]});
  f.add_debug_node_filter(T::SOURCES, &first);
  f.add_debug_node_filter(T::TARGETS, &last);
  f.set_dotty_output_format(true);
  journal.lines = 0;
  f.debug(journal, MxDebugNormal, false, 0);
  EXPECT_EQ(journal.lines, filtered + 3);
  EXPECT_TRUE(reports.empty());
}

} // namespace
