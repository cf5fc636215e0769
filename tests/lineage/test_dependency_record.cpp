// Recording lineage, beyond what the model run (test_dependency_simplify)
// checks: role ownership and copies, node counts, roots and leaves, refusals
// in long lists and their reports, and a node with thousands of links.
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using T = MxObjectDependency;
using Recording = ReportingTest;

std::string full_dump(MxObjDependency& g) {
  return dump(g, MxDebugFull, false, true);
}

/// A role that counts its instances.
class CountedRole : public MxObjectDependencyRole {
public:
  CountedRole() { ++live; }
  CountedRole(const CountedRole& other) : MxObjectDependencyRole(other) { ++live; }
  CountedRole& operator=(const CountedRole&) = default;
  ~CountedRole() override { --live; }
  MxDynObj* clone() const override { return new CountedRole(*this); }
  static int live;
};
int CountedRole::live = 0;

/// The role the graph keeps on the (first) link leaving `object`.
const MxObjectDependencyRole* role_leaving(const MxObjDependency& g, const MxDynObj* object) {
  LinkLog refuse;
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_target_objects(object, it, &refuse, nullptr);
  return refuse.asked.at(0);
}

TEST_F(Recording, RoleIdentitiesAndTyping) {
  // Plain roles copy their identity; artificial ones always take a fresh one
  // (their clones too, which the model run checks).
  CountedRole role, other;
  EXPECT_NE(other.identity(), role.identity());
  other = role;
  EXPECT_EQ(other.identity(), role.identity());
  EXPECT_EQ(CountedRole(role).identity(), role.identity());
  EXPECT_STREQ(role.classname(), "MxObjectDependencyRole");
  EXPECT_FALSE(role.isA(MxArtificialObjectDependency::type_id()));
  MxArtificialObjectDependency a;
  MxArtificialObjectDependency b(a);
  EXPECT_GT(b.identity(), a.identity());
  const int before = b.identity();
  b = a;
  EXPECT_EQ(b.identity(), before);
  EXPECT_TRUE(b.isA(MxObjectDependencyRole::type_id()));
  EXPECT_STREQ(b.classname(), "MxArtificialObjectDependency");
}

TEST_F(Recording, LinksAndCopiesOwnClonesOfTheRole) {
  // The model run checks what copies hold; here, what they own, and the
  // settings the model does not follow.
  Thing a, b, c;
  CountedRole role;
  MxObjDependency g;
  g.set_consider_split_modificational(false);
  g.set_absorption_inherits_target_qualifier(true);
  g.set_dotty_output_format(true);
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, &role));
  EXPECT_EQ(CountedRole::live, 3); // the caller's role and one clone per link
  EXPECT_NE(role_leaving(g, &a), &role);
  {
    MxObjDependency copy(g);
    EXPECT_EQ(CountedRole::live, 5);
    EXPECT_NE(role_leaving(copy, &a), role_leaving(g, &a));
    EXPECT_FALSE(copy.consider_split_modificational());
    EXPECT_TRUE(copy.absorption_inherits_target_qualifier());
    EXPECT_TRUE(copy.dotty_output_format());
  }
  EXPECT_EQ(CountedRole::live, 3);
  MxObjDependency assigned;
  assigned.record_dependency(&c, &b, T::MODIFICATION, nullptr, &role);
  assigned = g; // its own roles go, g's are cloned
  EXPECT_EQ(CountedRole::live, 5);
  assigned = assigned;
  EXPECT_EQ(full_dump(assigned), full_dump(g));
  g = MxObjDependency();
  EXPECT_EQ(CountedRole::live, 3);
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, RootsLeavesAndNodeCounts) {
  // Histories in the shorthand of `Named::record`; nodes, roots and leaves.
  struct Case {
    const char* history;
    std::tuple<int, int, int> nodes_roots_leaves;
    const char* roots;
    const char* leaves;
  };
  const Case cases[] = {
      {"a M b, b M c", {3, 1, 1}, "a", "c"},
      // The null-object node: a root when it creates, shared by deletions,
      // root and leaf when it does both.
      {"- C a", {2, 1, 1}, "", "a"},
      {"a D -, b D -", {3, 2, 1}, "ab", ""},
      {"a D -, b D -, - C c", {4, 3, 2}, "ab", "c"},
      {"- C a, ab D -", {3, 2, 1}, "b", ""},
      // Linked to itself: neither root nor leaf.
      {"a M a", {1, 0, 0}, "", ""},
  };
  const Named o;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.history);
    MxObjDependency g;
    o.record(g, k.history);
    EXPECT_EQ(counts(g), k.nodes_roots_leaves);
    EXPECT_EQ(sources(g, nullptr).objects, o.objects(k.roots));
    EXPECT_EQ(targets(g, nullptr).objects, o.objects(k.leaves));
    EXPECT_TRUE(g.is_valid(nullptr));
  }
  // An absorption takes on the qualifier that every link into its sources
  // carries, and none when one of them has none.
  MxObjDependency g;
  g.set_absorption_inherits_target_qualifier(true);
  o.record(g, "a C4 c, b C c, c A e, d M4 f, f A g");
  EXPECT_EQ(o.edges(g), (std::vector<std::string>{
                            "a -> c CREATION 4 0", "b -> c CREATION - 0", "d -> f MODIFICATION 4 0",
                            "c -> e ABSORPTION - 0", "f -> g ABSORPTION 4 0"}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, RefusalsAreReportedAndChangeNothing) {
  // A repeat is found wherever it comes in a list, before and after the
  // sixteenth object. The refused removals are reported likewise.
  Thing a, b;
  std::vector<Thing> many(40);
  Objects distinct;
  for (const Thing& t : many) distinct.push_back(&t);
  Objects late_repeat = distinct, early_repeat = distinct;
  late_repeat.push_back(distinct[25]);
  early_repeat.push_back(distinct[3]);
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  const std::string before = full_dump(g);
  for (const Objects& parts : {late_repeat, early_repeat, Objects{&a, &a}}) {
    EXPECT_FALSE(record(g, {&b}, parts, T::SPLIT));
    EXPECT_FALSE(record(g, parts, {&b}, T::ABSORPTION));
    EXPECT_EQ(reports.take_tags(), ReportTags(2, "mxobjdependency"));
    EXPECT_EQ(full_dump(g), before);
  }
  EXPECT_FALSE(g.record_dependency(&a, &b, T::CREATION, nullptr, nullptr));
  EXPECT_FALSE(g.remove_source_object(&a, true));
  EXPECT_FALSE(g.remove_target_object(&b, false));
  EXPECT_EQ(reports.take_tags(), ReportTags(3, "mxobjdependency"));
  EXPECT_EQ(full_dump(g), before);
  // Forty parts of one split: each finds its siblings.
  EXPECT_TRUE(record(g, {&b}, distinct, T::SPLIT));
  EXPECT_EQ(counts(g), std::make_tuple(42, 1, 40));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, ManyLinksOnOneNodeStayFindable) {
  // A node with many targets keeps its links in order and finds each one.
  std::vector<Thing> things(3000);
  Thing hub;
  MxObjDependency g;
  for (Thing& t : things) ASSERT_TRUE(g.record_dependency(&hub, &t, T::CREATION, nullptr, nullptr));
  for (Thing& t : things)
    EXPECT_FALSE(g.record_dependency(&hub, &t, T::CREATION, nullptr, nullptr));
  EXPECT_EQ(reports.count("mxobjdependency"), things.size());
  const Answer out = targets(g, &hub);
  ASSERT_EQ(out.objects.size(), things.size());
  for (size_t i = 0; i < things.size(); ++i) EXPECT_EQ(out.objects[i], &things[i]);
  for (Thing& t : things)
    ASSERT_TRUE(g.record_dependency(&t, nullptr, T::DELETION, nullptr, nullptr));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3002, 1, 1));
}

} // namespace
