// Lineage queries: ultimate sources and targets, their order and repeats,
// link filters and the `filtered` flag, roots and leaves, cycles, and a
// chain far longer than any call stack could recurse through.
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Queries = ReportingTest;

TEST_F(Queries, AnswersOnAChainWithCreationsAndDeletions) {
  // a -> b -> c; d is created from nothing and deleted; e is deleted.
  Thing a, b, c, d, e, stranger;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(nullptr, &d, T::CREATION, nullptr, nullptr);
  g.record_dependency(&d, nullptr, T::DELETION, nullptr, nullptr);
  g.record_dependency(&e, nullptr, T::DELETION, nullptr, nullptr);
  struct Case {
    const char* what;
    bool backwards;
    const MxDynObj* object;
    bool found;
    Objects objects;
  };
  const Case cases[] = {
      {"an object without node: no answer", true, &stranger, false, {}},
      {"an object without node, forwards", false, &stranger, false, {}},
      {"a root answers itself", true, &a, true, {&a}},
      {"a leaf answers itself", false, &c, true, {&c}},
      {"the chain's start", true, &c, true, {&a}},
      {"the chain's end", false, &a, true, {&c}},
      {"from the middle, backwards", true, &b, true, {&a}},
      {"from the middle, forwards", false, &b, true, {&c}},
      {"created from nothing: found, but no object to show", true, &d, true, {}},
      {"deleted: nothing found forwards", false, &d, false, {}},
      // The null object lists the roots and leaves, never the null-object node.
      {"the roots", true, nullptr, true, {&a, &e}},
      {"the leaves", false, nullptr, true, {&c}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const Answer answer = k.backwards ? sources(g, k.object) : targets(g, k.object);
    EXPECT_EQ(answer.found, k.found);
    EXPECT_EQ(answer.objects, k.objects);
    EXPECT_FALSE(answer.filtered);
  }
  // With no leaf at all nothing is found.
  MxObjDependency deleted;
  deleted.record_dependency(&a, nullptr, T::DELETION, nullptr, nullptr);
  EXPECT_FALSE(targets(deleted, nullptr).found);
  EXPECT_TRUE(reports.empty());
}

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
  const Answer s = sources(g, last, &log);
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.objects, Objects{first});
  EXPECT_EQ(log.asked.size(), static_cast<size_t>(4 * diamonds));
  EXPECT_EQ(targets(g, first).objects, Objects{last});
  // The dump's lineage filters walk the same way.
  OnlyThese only_first{first};
  g.add_debug_node_filter(T::SOURCES, &only_first);
  EXPECT_EQ(std::get<0>(counts(g)), 3 * diamonds + 1);
  EXPECT_NE(dump(g, MxDebugNormal, true).find(id(*last) + " [label"), std::string::npos);
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

TEST_F(Queries, FilterThatRefusesEverything) {
  Thing a, b, c;
  MxObjDependency g;
  int q = 3;
  g.record_dependency(&a, &b, T::MODIFICATION, &q, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  LinkLog refuse;
  const Answer s = sources(g, &c, &refuse);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.objects.empty());
  EXPECT_TRUE(s.filtered);
  // Source first, target second, whichever way the walk goes.
  ASSERT_EQ(refuse.asked.size(), 1u);
  EXPECT_EQ(refuse.asked[0].source, &b);
  EXPECT_EQ(refuse.asked[0].target, &c);
  const Answer root = sources(g, &a, &refuse);
  EXPECT_TRUE(root.found);
  EXPECT_EQ(root.objects, Objects{&a});
  EXPECT_FALSE(root.filtered);
  refuse.asked.clear();
  EXPECT_TRUE(targets(g, &a, &refuse).filtered);
  ASSERT_EQ(refuse.asked.size(), 1u);
  EXPECT_EQ(refuse.asked[0].source, &a);
  EXPECT_EQ(refuse.asked[0].target, &b);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, FilterSeesEveryDetailAndIsAskedOncePerLink) {
  Thing a, b, c, d;
  MxArtificialObjectDependency role;
  MxObjDependency g;
  int q = 12;
  ObjectList one{&a};
  ObjectList two{&b, &c};
  g.record_dependency(&one, &two, T::SPLIT, &q, &role);
  g.new_separator();
  ASSERT_TRUE(record(g, {&b, &c}, {&d}, T::ABSORPTION));
  LinkLog log(true);
  const Answer s = sources(g, &d, &log);
  EXPECT_EQ(s.objects, Objects{&a}); // reached twice, listed once
  EXPECT_FALSE(s.filtered);
  std::vector<std::string> asked;
  for (const Seen& l : log.asked)
    asked.push_back(id(*l.source) + ">" + id(*l.target) + " " + T::type_name(l.type) + " " +
                    std::to_string(l.separator) + " " +
                    (l.has_qualifier ? std::to_string(l.qualifier) : "-") + " " +
                    (l.role ? l.role->classname() : "none"));
  const std::string ia = id(a), ib = id(b), ic = id(c), idd = id(d);
  EXPECT_EQ(asked, (std::vector<std::string>{
                       ib + ">" + idd + " ABSORPTION 1 - none",
                       ia + ">" + ib + " SPLIT 0 12 MxArtificialObjectDependency",
                       ic + ">" + idd + " ABSORPTION 1 - none",
                       ia + ">" + ic + " SPLIT 0 12 MxArtificialObjectDependency",
                   }));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, TypeFilterPrunesBranches) {
  const Named o;
  MxObjDependency g;
  o.record(g, "a C c, b C c, c M d");
  TypeFilter modifications(T::MODIFICATION, true);
  // c's own sources are hidden: the walk ends without an object.
  const Answer s = sources(g, o['d'], &modifications);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.filtered);
  TypeFilter creations(T::CREATION, true);
  const Answer t = targets(g, o['a'], &creations);
  EXPECT_EQ(t.objects, Objects{}); // c's way on is a modification
  EXPECT_TRUE(t.filtered);
  EXPECT_EQ(sources(g, o['c'], &creations).objects, o.objects("ab"));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, ReplacesTheIteratorTheCallerHeld) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  static int destroyed = 0;
  struct Old : MxDynObjArrayIterator {
    ~Old() override { ++destroyed; }
  };
  MxAutoPtr<MxIterator<const MxDynObj*>> it(new Old());
  ASSERT_TRUE(g.get_source_objects(&b, it, nullptr, nullptr)); // a null `filtered` is allowed
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(read(it.get()), Objects{&a});
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, CyclesEndWhereTheWalkMeetsANodeAgain) {
  const Named o;
  MxObjDependency g;
  // a and b are each other's sources; c comes from a, d from nothing and b.
  o.record(g, "a C b, b C a, a C c, - C d, b C d");
  // A branch that comes back onto the path contributes nothing.
  Answer s = sources(g, o['c']);
  EXPECT_FALSE(s.found);
  EXPECT_TRUE(s.objects.empty());
  s = sources(g, o['d']);
  EXPECT_TRUE(s.found); // the creation from nothing was reached
  EXPECT_TRUE(s.objects.empty());
  EXPECT_EQ(targets(g, o['a']).objects, o.objects("dc"));
  // A cycle reached along two paths is walked once.
  o.record(g, "e C a, e C b");
  EXPECT_EQ(sources(g, o['c']).objects, o.objects("e"));
  // A node linked to itself finds nothing either way.
  MxObjDependency self;
  o.record(self, "a M a");
  for (const Answer& answer : {sources(self, o['a']), targets(self, o['a'])}) {
    EXPECT_FALSE(answer.found);
    EXPECT_TRUE(answer.objects.empty());
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Queries, AMillionLinksLongChainDoesNotRecurse) {
  const size_t n = 1000000;
  std::vector<Thing> things(n + 1);
  MxObjDependency g;
  for (size_t i = 0; i < n; ++i)
    ASSERT_TRUE(g.record_dependency(&things[i], &things[i + 1], T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(sources(g, &things[n]).objects, Objects{&things[0]});
  EXPECT_EQ(targets(g, &things[0]).objects, Objects{&things[n]});
  EXPECT_EQ(targets(g, &things[n / 2]).objects, Objects{&things[n]});
  EXPECT_TRUE(reports.empty());
}

} // namespace
