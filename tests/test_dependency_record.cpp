// Recording lineage: the shape check, roles, refusals and their reports,
// roots and leaves, qualifiers and their inheritance, separators, copying.
#include "support/lineage_support.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using T = MxObjectDependency;
using Recording = ReportingTest;
using Roles = ReportingTest;

/// Exposes the protected helpers of the graph.
class Probe : public MxObjDependency {
public:
  using MxObjDependency::check_dependency;
};

/// The dependencies leaving (or entering) `object`, in their order: a filter
/// that refuses every link is asked about the links of `object` only.
std::vector<Seen> links(const MxObjDependency& g, const MxDynObj* object, bool leaving) {
  LinkLog refuse;
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  if (leaving)
    g.get_target_objects(object, it, &refuse, nullptr);
  else
    g.get_source_objects(object, it, &refuse, nullptr);
  return refuse.asked;
}

/// The object of a side with at most one, for the single form.
const MxDynObj* only(const Objects& side) {
  return side.empty() ? nullptr : side[0];
}

std::string full_dump(MxObjDependency& g) {
  return dump(g, MxDebugFull, false, true);
}

// ---------------------------------------------------------------------------
// Shape check

TEST(ShapeCheck, AdmittedShapesPerType) {
  // (sources, targets) for every type, from the table of admitted shapes.
  struct Case {
    int s, t;
    T::Type type;
    bool admitted;
  };
  const Case cases[] = {
      {0, 1, T::CREATION, true},      {3, 1, T::CREATION, true},
      {1, 2, T::CREATION, false},     {1, 0, T::CREATION, false},
      {1, 1, T::TRANSFER, false},     {1, 1, T::DELETION, false},
      {2, 0, T::TRANSFER, true},      {2, 0, T::DELETION, true},
      {1, 0, T::DELETION, true},      {0, 1, T::DELETION, false},
      {1, 2, T::SPLIT, true},         {2, 2, T::SPLIT, false},
      {1, 1, T::SPLIT, false},        {1, 5, T::CONTAINMENT, true},
      {2, 3, T::CONTAINMENT, false},  {2, 1, T::ABSORPTION, true},
      {1, 1, T::ABSORPTION, true},    {1, 2, T::ABSORPTION, false},
      {0, 1, T::ABSORPTION, false},   {1, 1, T::MODIFICATION, true},
      {2, 1, T::MODIFICATION, false}, {1, 2, T::MODIFICATION, false},
      {0, 1, T::MODIFICATION, false}, {1, 1, T::CONVERSION, true},
      {1, 0, T::CONVERSION, false},   {1, 1, T::UNSPECIFIED, false},
      {2, 1, T::TRANSFER, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Probe::check_dependency(c.s, c.t, c.type), c.admitted)
        << c.s << " sources, " << c.t << " targets, type " << T::type_name(c.type);
  // Nothing without objects, and no type outside the table.
  for (int type = -1; type <= 9; ++type) {
    EXPECT_FALSE(Probe::check_dependency(0, 0, static_cast<T::Type>(type)));
    EXPECT_FALSE(Probe::check_dependency(-1, -1, static_cast<T::Type>(type)));
  }
  for (int s = 0; s <= 3; ++s)
    for (int t = 0; t <= 3; ++t) {
      EXPECT_FALSE(Probe::check_dependency(s, t, static_cast<T::Type>(9)));
      EXPECT_FALSE(Probe::check_dependency(s, t, static_cast<T::Type>(-1)));
    }
}

TEST(ShapeCheck, TypeNames) {
  const char* names[] = {"UNSPECIFIED", "TRANSFER",   "CREATION",   "DELETION",   "MODIFICATION",
                         "SPLIT",       "ABSORPTION", "CONVERSION", "CONTAINMENT"};
  for (int i = 0; i <= 8; ++i) EXPECT_STREQ(T::type_name(i), names[i]);
  EXPECT_STREQ(T::type_name(9), "unknown");
  EXPECT_STREQ(T::type_name(-1), "unknown");
}

// ---------------------------------------------------------------------------
// Roles

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

/// A role whose clone is not a role at all.
class Impostor : public MxObjectDependencyRole {
public:
  MxDynObj* clone() const override { return new Thing(); }
};

TEST_F(Roles, IdentitiesAndTyping) {
  // Plain roles copy their identity; artificial ones always take a fresh one.
  CountedRole role;
  const CountedRole copy(role);
  EXPECT_EQ(copy.identity(), role.identity());
  CountedRole other;
  EXPECT_NE(other.identity(), role.identity());
  other = role;
  EXPECT_EQ(other.identity(), role.identity());
  EXPECT_STREQ(role.classname(), "MxObjectDependencyRole");
  EXPECT_TRUE(role.isA(MxObjectDependencyRole::type_id()));
  EXPECT_FALSE(role.isA(MxArtificialObjectDependency::type_id()));
  EXPECT_FALSE(role.isA(nullptr));

  MxArtificialObjectDependency a;
  MxArtificialObjectDependency b(a);
  EXPECT_GT(b.identity(), a.identity());
  const int before = b.identity();
  b = a;
  EXPECT_EQ(b.identity(), before);
  MxDynObj* c = a.clone();
  EXPECT_GT(c->identity(), b.identity());
  EXPECT_TRUE(c->isA(MxObjectDependencyRole::type_id()));
  EXPECT_STREQ(c->classname(), "MxArtificialObjectDependency");
  delete c;
  EXPECT_TRUE(reports.empty());
}

TEST_F(Roles, EachLinkOwnsACloneOfTheRoleOrNull) {
  Thing a, b, c;
  {
    CountedRole role;
    MxObjDependency g;
    ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, &role));
    EXPECT_EQ(CountedRole::live, 3); // the caller's role and one clone per link
    ObjectList targets{&b, &c};
    ObjectList sources{&a};
    MxObjDependency h;
    ASSERT_TRUE(h.record_dependency(&sources, &targets, T::SPLIT, nullptr, &role));
    EXPECT_EQ(CountedRole::live, 7);
    const std::vector<Seen> out = links(g, &a, true);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_NE(out[0].role, nullptr);
    EXPECT_NE(out[0].role, &role);
    EXPECT_EQ(out[0].role->identity(), role.identity());
  }
  EXPECT_EQ(CountedRole::live, 0);
  // A clone that is not a role is stored as null and destroyed at once
  // (LeakSanitizer and valgrind watch this).
  Impostor impostor;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, &impostor));
  const std::vector<Seen> out = links(g, &a, true);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].role, nullptr);
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------------------
// Recording

TEST_F(Recording, RecordingsThatStoreNothing) {
  // Each is refused or admitted without a report and leaves the graph empty,
  // in the single form, with lists (empty ones too) and with no list for an
  // empty side. A transfer is admitted only without a target; an absorption
  // from nothing would store a link from the null-object node that is not a
  // creation.
  Thing a, b;
  struct Case {
    Objects sources, targets;
    T::Type type;
    bool admitted;
  };
  std::vector<Case> cases = {
      {{&a}, {}, T::TRANSFER, true},          {{&a, &b}, {}, T::TRANSFER, true},
      {{&a}, {&b}, T::TRANSFER, false},       {{}, {&a}, T::ABSORPTION, false},
      {{&a}, {&b, &a}, T::ABSORPTION, false}, // shape
  };
  for (int type = 0; type <= 8; ++type)
    cases.push_back({{}, {}, static_cast<T::Type>(type), false});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(T::type_name(c.type)) + " from " + std::to_string(c.sources.size()) +
                 " to " + std::to_string(c.targets.size()));
    MxObjDependency g;
    if (c.sources.size() <= 1 && c.targets.size() <= 1) {
      EXPECT_EQ(g.record_dependency(only(c.sources), only(c.targets), c.type, nullptr, nullptr),
                c.admitted);
    }
    ObjectList s(c.sources), t(c.targets);
    EXPECT_EQ(g.record_dependency(&s, &t, c.type, nullptr, nullptr), c.admitted);
    EXPECT_EQ(record(g, c.sources, c.targets, c.type), c.admitted);
    EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, RootsLeavesAndNodeCounts) {
  // Histories in the shorthand of `Named::record`.
  struct Case {
    const char* what;
    const char* history;
    std::tuple<int, int, int> nodes_roots_leaves;
    const char* roots;
    const char* leaves;
  };
  const Case cases[] = {
      {"a chain", "a M b, b M c", {3, 1, 1}, "a", "c"},
      {"created from nothing: the null-object node is a root", "- C a", {2, 1, 1}, "", "a"},
      {"deletions share one null-object node", "a D -, b D -", {3, 2, 1}, "ab", ""},
      {"deleted and created from nothing: the null-object node is root and leaf",
       "a D -, b D -, - C c",
       {4, 3, 2},
       "ab",
       "c"},
      {"two deleted in one call", "- C a, ab D -", {3, 2, 1}, "b", ""},
      {"linked to itself: neither root nor leaf", "a M a", {1, 0, 0}, "", ""},
  };
  const Named o;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MxObjDependency g;
    o.record(g, k.history);
    EXPECT_EQ(counts(g), k.nodes_roots_leaves);
    EXPECT_EQ(sources(g, nullptr).objects, o.objects(k.roots));
    EXPECT_EQ(targets(g, nullptr).objects, o.objects(k.leaves));
    EXPECT_TRUE(g.is_valid(nullptr));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, IteratorFormRecordsTheCrossProduct) {
  Thing a, b, c;
  MxObjDependency g;
  ObjectList sources{&a, &b};
  ObjectList target{&c};
  ASSERT_TRUE(g.record_dependency(&sources, &target, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3, 2, 1));
  const std::vector<Seen> in = links(g, &c, false);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(in[0].source, &a);
  EXPECT_EQ(in[1].source, &b);
  // Each iterator was restarted for the counting pass and every later pass.
  EXPECT_GE(sources.resets, 3);
  EXPECT_TRUE(sources.done());
  // An object may stand on both sides.
  ObjectList source{&c};
  ObjectList parts{&c, &a};
  ASSERT_TRUE(g.record_dependency(&source, &parts, T::SPLIT, nullptr, nullptr));
  const std::vector<Seen> out = links(g, &c, true);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].target, &c);
  EXPECT_EQ(out[1].target, &a);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, RefusalsAreReportedAndChangeNothing) {
  // In the single form too, where it can be written.
  Thing a, b, c, d;
  std::vector<Thing> many(40);
  Objects distinct;
  for (const Thing& t : many) distinct.push_back(&t);
  Objects late_repeat = distinct, early_repeat = distinct;
  late_repeat.push_back(distinct[25]);
  early_repeat.push_back(distinct[3]); // a repeat among the first sixteen
  struct Case {
    const char* what;
    Objects sources, targets;
    T::Type type;
  };
  const Case cases[] = {
      {"the same dependency again", {&a}, {&b}, T::MODIFICATION},
      {"another type between the same two objects: the same direct dependency",
       {&a},
       {&b},
       T::CREATION},
      {"created from nothing twice", {}, {&d}, T::CREATION},
      {"a repeated source", {&a, &a}, {&c}, T::ABSORPTION},
      {"a null source", {&a, nullptr}, {&c}, T::ABSORPTION},
      {"a dependency that exists already", {&a}, {&c, &b}, T::SPLIT},
      {"a repeated target", {&a}, {&c, &c}, T::SPLIT},
      {"a null target", {&a}, {nullptr, &c}, T::SPLIT},
      {"a repeat late in a long list", {&a}, late_repeat, T::SPLIT},
      {"a repeat early in a long list", {&a}, early_repeat, T::SPLIT},
  };
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  ASSERT_TRUE(g.record_dependency(nullptr, &d, T::CREATION, nullptr, nullptr));
  const std::string before = full_dump(g);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const bool single = k.sources.size() <= 1 && k.targets.size() <= 1;
    EXPECT_FALSE(record(g, k.sources, k.targets, k.type));
    if (single) {
      EXPECT_FALSE(g.record_dependency(only(k.sources), only(k.targets), k.type, nullptr, nullptr));
    }
    EXPECT_EQ(reports.take_tags(), ReportTags(single ? 2 : 1, "mxobjdependency"));
    EXPECT_EQ(full_dump(g), before);
  }
  // The opposite direction is another dependency.
  EXPECT_TRUE(g.record_dependency(&b, &a, T::MODIFICATION, nullptr, nullptr));
  EXPECT_TRUE(record(g, {&c}, distinct, T::SPLIT));
  EXPECT_EQ(counts(g), std::make_tuple(45, 2, 41));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------------------
// Qualifiers and separators

TEST_F(Recording, QualifierIsCopiedOntoEveryLink) {
  Thing a, b, c;
  MxObjDependency g;
  int seven = 7;
  ObjectList source{&a};
  ObjectList targets{&b, &c};
  ASSERT_TRUE(g.record_dependency(&source, &targets, T::SPLIT, &seven, nullptr));
  seven = 8; // the graph keeps its own copy
  std::vector<Seen> seen = links(g, &a, true);
  for (const Thing* t : {&b, &c})
    for (const Seen& s : links(g, t, false)) seen.push_back(s);
  ASSERT_EQ(seen.size(), 4u);
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.has_qualifier);
    EXPECT_EQ(s.qualifier, 7);
  }
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, AbsorptionInheritsTheQualifierAllSourcesShare) {
  // The sources of the absorption into e come from a and b, with qualifiers.
  struct Case {
    const char* what;
    const char* history;
    int inherited; // -1: none
  };
  const Case cases[] = {
      {"shared", "a M4 c, b M4 d, cd A e", 4},
      {"different", "a M4 c, b M5 d, cd A e", -1},
      {"one without", "a M4 c, b M d, cd A e", -1},
      {"a source without any incoming dependency", "a M4 c, b M4 d, cf A e", -1},
  };
  const Named o;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    MxObjDependency g;
    g.set_absorption_inherits_target_qualifier(true);
    o.record(g, k.history);
    const std::vector<Seen> in = links(g, o['e'], false);
    ASSERT_EQ(in.size(), 2u);
    for (const Seen& s : in) {
      EXPECT_EQ(s.has_qualifier, k.inherited >= 0);
      EXPECT_EQ(s.qualifier, k.inherited);
    }
  }
  Thing x, a, b, c;
  const int four = 4, five = 5;
  // The single form inherits too; an explicit qualifier always wins.
  MxObjDependency g;
  g.set_absorption_inherits_target_qualifier(true);
  g.record_dependency(&x, &a, T::MODIFICATION, &four, nullptr);
  ASSERT_TRUE(g.record_dependency(&a, &c, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(links(g, &c, false)[0].qualifier, 4);
  ASSERT_TRUE(g.record_dependency(&a, &b, T::ABSORPTION, &five, nullptr));
  EXPECT_EQ(links(g, &b, false)[0].qualifier, 5);
  // Off by default.
  MxObjDependency h;
  h.record_dependency(&x, &a, T::MODIFICATION, &four, nullptr);
  ASSERT_TRUE(h.record_dependency(&a, &c, T::ABSORPTION, nullptr, nullptr));
  EXPECT_FALSE(links(h, &c, false)[0].has_qualifier);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Recording, SeparatorsGroupDependencies) {
  Thing a, b, c;
  MxObjDependency g;
  EXPECT_EQ(g.current_separator(), 0);
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(g.new_separator(), 1);
  ASSERT_TRUE(g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(g.new_separator(), 2);
  EXPECT_EQ(links(g, &a, true)[0].separator, 0);
  EXPECT_EQ(links(g, &b, true)[0].separator, 1);
  EXPECT_EQ(links(g, &c, false)[0].separator, 1);
}

TEST_F(Recording, RemovingObjectsIsNotOffered) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  const std::string before = full_dump(g);
  EXPECT_FALSE(g.remove_source_object(&a, true));
  EXPECT_FALSE(g.remove_target_object(&b, false));
  EXPECT_EQ(reports.tags(), (ReportTags{"mxobjdependency", "mxobjdependency"}));
  EXPECT_EQ(full_dump(g), before);
}

TEST_F(Recording, CopiesAreDeepAndIndependent) {
  Thing a, b, c;
  CountedRole role;
  int q = 9;
  MxObjDependency g;
  g.set_absorption_inherits_target_qualifier(true);
  g.set_consider_split_modificational(false);
  g.record_dependency(&a, &b, T::MODIFICATION, &q, &role);
  g.new_separator();
  g.record_dependency(&b, nullptr, T::DELETION, nullptr, nullptr);
  const int live_before = CountedRole::live;
  {
    MxObjDependency copy(g);
    EXPECT_EQ(CountedRole::live, live_before + 2);
    EXPECT_EQ(full_dump(copy), full_dump(g));
    EXPECT_TRUE(copy.absorption_inherits_target_qualifier());
    EXPECT_FALSE(copy.consider_split_modificational());
    EXPECT_EQ(copy.current_separator(), 1);
    const std::vector<Seen> out = links(copy, &a, true);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].role, links(g, &a, true)[0].role);
    EXPECT_EQ(out[0].qualifier, 9);
    // Changing the copy leaves the original alone.
    copy.record_dependency(&c, &a, T::CREATION, nullptr, nullptr);
    EXPECT_EQ(counts(copy), std::make_tuple(4, 1, 1));
    EXPECT_EQ(counts(g), std::make_tuple(3, 1, 1));
  }
  EXPECT_EQ(CountedRole::live, live_before);
  MxObjDependency assigned;
  assigned.record_dependency(&c, &b, T::MODIFICATION, nullptr, &role);
  assigned = g;
  EXPECT_EQ(full_dump(assigned), full_dump(g));
  EXPECT_EQ(CountedRole::live, live_before + 2);
  assigned = assigned;
  EXPECT_EQ(full_dump(assigned), full_dump(g));
  g = MxObjDependency();
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  EXPECT_EQ(counts(assigned), std::make_tuple(3, 1, 1));
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
