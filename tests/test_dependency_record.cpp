// Recording lineage: the shape check, roles, refusals and their reports,
// roots and leaves, qualifiers and their inheritance, separators, copying.
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> reports;
void record_report(const char* file, int) {
  reports.emplace_back(file);
}

struct Reports : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record_report, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record_report, false); }
};

/// A client model object that keeps MxObject's class name.
class Thing : public MxObject {
public:
  MxDynObj* clone() const override { return new Thing(*this); }
};

/// Exposes the protected helpers of the graph.
class Probe : public MxObjDependency {
public:
  using MxObjDependency::check_dependency;
  using MxObjDependency::check_dependency_pair;
  using MxObjDependency::has_direct_source;
  using MxObjDependency::have_direct_sources_same_target_qualifier;
};

/// An iterator over a fixed list of objects.
class List : public MxIterator<const MxDynObj*> {
public:
  List(std::initializer_list<const MxDynObj*> objects) : items_(objects) {}
  const MxDynObj** first() override { return items_.empty() ? nullptr : &items_[0]; }
  void next() override { ++at_; }
  bool done() override { return at_ >= items_.size(); }
  void reset() override {
    at_ = 0;
    ++resets;
  }
  const MxDynObj** current() override { return at_ < items_.size() ? &items_[at_] : nullptr; }
  int resets = 0;

private:
  std::vector<const MxDynObj*> items_;
  size_t at_ = 0;
};

/// One stored dependency as a filter is told about it.
struct Seen {
  const MxDynObj* source;
  const MxDynObj* target;
  MxObjectDependency::Type type;
  int separator;
  bool has_qualifier;
  int qualifier;
  const MxObjectDependencyRole* role;
};

/// The dependencies leaving `object`, as a filtered walk sees them.
std::vector<Seen> links_from(const MxObjDependency& g, const MxDynObj* object) {
  // A filter that refuses every link is asked exactly about the links of
  // `object` itself, in their order.
  class FirstHop : public MxObjectDependencyFilter {
  public:
    explicit FirstHop(const MxDynObj* o) : from(o) {}
    bool accept(const MxDynObj* s, const MxDynObj* t, MxObjectDependency::Type type, int sep,
                const int* q, const MxObjectDependencyRole* role) override {
      if (s == from) seen.push_back(Seen{s, t, type, sep, q != nullptr, q ? *q : -1, role});
      return false;
    }
    const MxDynObj* from;
    std::vector<Seen> seen;
  } hop(object);
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_target_objects(object, it, &hop, nullptr);
  return hop.seen;
}

/// The dependencies entering `object`.
std::vector<Seen> links_into(const MxObjDependency& g, const MxDynObj* object) {
  class FirstHop : public MxObjectDependencyFilter {
  public:
    explicit FirstHop(const MxDynObj* o) : into(o) {}
    bool accept(const MxDynObj* s, const MxDynObj* t, MxObjectDependency::Type type, int sep,
                const int* q, const MxObjectDependencyRole* role) override {
      if (t == into) seen.push_back(Seen{s, t, type, sep, q != nullptr, q ? *q : -1, role});
      return false;
    }
    const MxDynObj* into;
    std::vector<Seen> seen;
  } hop(object);
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_source_objects(object, it, &hop, nullptr);
  return hop.seen;
}

std::vector<const MxDynObj*> objects_of(MxIterator<const MxDynObj*>* it) {
  std::vector<const MxDynObj*> out;
  for (it->reset(); !it->done(); it->next()) out.push_back(*it->current());
  return out;
}

std::vector<const MxDynObj*> roots_of(const MxObjDependency& g) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_source_objects(nullptr, it, nullptr, nullptr);
  return objects_of(it.get());
}

std::vector<const MxDynObj*> leaves_of(const MxObjDependency& g) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_target_objects(nullptr, it, nullptr, nullptr);
  return objects_of(it.get());
}

/// The summary counts of the text dump: nodes, roots, leaves.
std::tuple<int, int, int> counts(const MxObjDependency& g) {
  MxStringJournal j;
  g.debug(j, MxDebugSummary, false, 0);
  int nodes = -1, roots = -1, leaves = -1;
  const std::string& t = j.text();
  auto value = [&](const char* label) {
    const size_t at = t.find(label);
    return at == std::string::npos ? -1 : std::stoi(t.substr(at + std::string(label).size()));
  };
  nodes = value("number of nodes               : ");
  roots = value("number of roots               : ");
  leaves = value("number of leafs               : ");
  return {nodes, roots, leaves};
}

std::string full_dump(const MxObjDependency& g) {
  MxStringJournal j;
  g.debug(j, MxDebugFull, true, 0);
  return j.text();
}

using T = MxObjectDependency;

// Typed nulls: a bare nullptr would fit both forms of an overloaded call.
const MxDynObj* const kNoObject = nullptr;
MxIterator<const MxDynObj*>* const kNoObjects = nullptr;

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
      {1, 1, T::MODIFICATION, true},  {2, 1, T::MODIFICATION, false},
      {1, 2, T::MODIFICATION, false}, {0, 1, T::MODIFICATION, false},
      {1, 1, T::CONVERSION, true},    {1, 0, T::CONVERSION, false},
      {1, 1, T::UNSPECIFIED, false},  {2, 1, T::TRANSFER, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Probe::check_dependency(c.s, c.t, c.type), c.admitted)
        << c.s << " sources, " << c.t << " targets, type " << T::type_name(c.type);
}

TEST(ShapeCheck, NothingWithoutObjectsAndNoTypeOutsideTheTable) {
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

TEST(ShapeCheck, AbsorptionFromNothingIsRefused) {
  // An absorption needs something to absorb: from nothing it would store a
  // link from the null-object node that is not a creation.
  EXPECT_FALSE(Probe::check_dependency(0, 1, T::ABSORPTION));
  Thing a;
  MxObjDependency g;
  EXPECT_FALSE(g.record_dependency(nullptr, &a, T::ABSORPTION, nullptr, nullptr));
  List targets{&a};
  EXPECT_FALSE(g.record_dependency(nullptr, &targets, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
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

TEST(Roles, IdentityAndTyping) {
  CountedRole role;
  const CountedRole copy(role);
  EXPECT_EQ(copy.identity(), role.identity());
  CountedRole other;
  EXPECT_NE(other.identity(), role.identity());
  other = role;
  EXPECT_EQ(other.identity(), role.identity());
  EXPECT_STREQ(role.classname(), "MxObjectDependencyRole");
  EXPECT_TRUE(role.isA(MxObjectDependencyRole::type_id()));
  EXPECT_TRUE(role.isA(MxDynObj::type_id()));
  EXPECT_FALSE(role.isA(MxArtificialObjectDependency::type_id()));
  EXPECT_FALSE(role.isA(nullptr));
}

TEST(Roles, ArtificialRolesAlwaysTakeFreshIdentities) {
  MxArtificialObjectDependency a;
  MxArtificialObjectDependency b(a);
  EXPECT_GT(b.identity(), a.identity());
  const int before = b.identity();
  b = a;
  EXPECT_EQ(b.identity(), before);
  MxDynObj* c = a.clone();
  EXPECT_GT(c->identity(), b.identity());
  EXPECT_TRUE(c->isA(MxArtificialObjectDependency::type_id()));
  EXPECT_TRUE(c->isA(MxObjectDependencyRole::type_id()));
  EXPECT_TRUE(c->isA(MxDynObj::type_id()));
  EXPECT_STREQ(c->classname(), "MxArtificialObjectDependency");
  delete c;
}

TEST(Roles, EachLinkOwnsItsOwnCloneAndTheGraphDestroysThem) {
  Thing a, b, c;
  {
    CountedRole role;
    MxObjDependency g;
    ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, &role));
    EXPECT_EQ(CountedRole::live, 3); // the caller's role and one clone per link
    List targets{&b, &c};
    List sources{&a};
    MxObjDependency h;
    ASSERT_TRUE(h.record_dependency(&sources, &targets, T::SPLIT, nullptr, &role));
    EXPECT_EQ(CountedRole::live, 7);
    const std::vector<Seen> out = links_from(g, &a);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_NE(out[0].role, nullptr);
    EXPECT_NE(out[0].role, &role);
    EXPECT_EQ(out[0].role->identity(), role.identity());
  }
  EXPECT_EQ(CountedRole::live, 0);
}

TEST(Roles, CloneThatIsNotARoleIsStoredAsNull) {
  Thing a, b;
  Impostor role;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, &role));
  const std::vector<Seen> out = links_from(g, &a);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].role, nullptr);
  // The stray clones are destroyed at once (LeakSanitizer and valgrind
  // watch this test).
}

// ---------------------------------------------------------------------------
// Recording one dependency

TEST_F(Reports, NullToNullIsRefusedSilently) {
  MxObjDependency g;
  for (int type = 0; type <= 8; ++type)
    EXPECT_FALSE(
        g.record_dependency(kNoObject, kNoObject, static_cast<T::Type>(type), nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, TransferIsAdmittedOnlyWithoutTargetAndStoresNothing) {
  Thing a, b;
  MxObjDependency g;
  EXPECT_TRUE(g.record_dependency(&a, nullptr, T::TRANSFER, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  EXPECT_FALSE(g.record_dependency(&a, &b, T::TRANSFER, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, CreationFromNothingMakesTheNullObjectNodeARoot) {
  Thing a;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(2, 1, 1));
  EXPECT_TRUE(roots_of(g).empty()); // the null-object node is a root, but no object
  EXPECT_EQ(leaves_of(g), std::vector<const MxDynObj*>{&a});
  const std::vector<Seen> in = links_into(g, &a);
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0].source, nullptr);
  EXPECT_EQ(in[0].type, T::CREATION);
  EXPECT_EQ(in[0].separator, 0);
  EXPECT_FALSE(in[0].has_qualifier);
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, TheSameDependencyTwiceIsReportedAndRefused) {
  Thing a, b;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  const std::string before = full_dump(g);
  EXPECT_FALSE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "mxobjdependency");
  EXPECT_EQ(full_dump(g), before);
  // Another type between the same two objects is the same direct dependency.
  EXPECT_FALSE(g.record_dependency(&a, &b, T::CREATION, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 2u);
  // The opposite direction is another dependency.
  EXPECT_TRUE(g.record_dependency(&b, &a, T::MODIFICATION, nullptr, nullptr));
  // Creation from nothing twice is refused as well.
  Thing c;
  ASSERT_TRUE(g.record_dependency(nullptr, &c, T::CREATION, nullptr, nullptr));
  EXPECT_FALSE(g.record_dependency(nullptr, &c, T::CREATION, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 3u);
}

TEST_F(Reports, RootsAndLeavesFollowAChain) {
  Thing a, b, c;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(roots_of(g), std::vector<const MxDynObj*>{&a});
  EXPECT_EQ(leaves_of(g), std::vector<const MxDynObj*>{&b});
  ASSERT_TRUE(g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(roots_of(g), std::vector<const MxDynObj*>{&a});
  EXPECT_EQ(leaves_of(g), std::vector<const MxDynObj*>{&c});
  EXPECT_EQ(counts(g), std::make_tuple(3, 1, 1));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, DeletionsShareOneNullObjectNode) {
  Thing a, b, c;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, nullptr, T::DELETION, nullptr, nullptr));
  ASSERT_TRUE(g.record_dependency(&b, nullptr, T::DELETION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3, 2, 1));
  EXPECT_EQ(leaves_of(g), std::vector<const MxDynObj*>{});
  EXPECT_EQ(links_from(g, &a).size(), 1u);
  // Created from nothing afterwards: the null-object node is root and leaf.
  ASSERT_TRUE(g.record_dependency(nullptr, &c, T::CREATION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(4, 3, 2));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, SelfDependencyLeavesTheNodeNeitherRootNorLeaf) {
  Thing a;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &a, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(1, 0, 0));
  // Both queries stop where the walk meets its own path: nothing is found.
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  EXPECT_FALSE(g.get_source_objects(&a, it, nullptr, nullptr));
  EXPECT_TRUE(objects_of(it.get()).empty());
  EXPECT_FALSE(g.get_target_objects(&a, it, nullptr, nullptr));
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------------------
// Recording many

TEST_F(Reports, IteratorFormRecordsTheCrossProduct) {
  Thing a, b, c, d;
  MxObjDependency g;
  List sources{&a, &b};
  List targets{&c};
  ASSERT_TRUE(g.record_dependency(&sources, &targets, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3, 2, 1));
  const std::vector<Seen> in = links_into(g, &c);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(in[0].source, &a);
  EXPECT_EQ(in[1].source, &b);
  // Each iterator was restarted for the counting pass and every later pass.
  EXPECT_GE(sources.resets, 3);
  EXPECT_TRUE(sources.done());
  List one{&c};
  List many{&d, &a};
  EXPECT_FALSE(g.record_dependency(&one, &many, T::ABSORPTION, nullptr, nullptr)); // shape
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, IteratorFormRefusalsAreReportedAndChangeNothing) {
  Thing a, b, c;
  MxObjDependency g;
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  const std::string before = full_dump(g);

  List twice{&a, &a};
  List target{&c};
  EXPECT_FALSE(g.record_dependency(&twice, &target, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 1u);

  List with_null{&a, nullptr};
  EXPECT_FALSE(g.record_dependency(&with_null, &target, T::ABSORPTION, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 2u);

  List source{&a};
  List existing{&c, &b}; // a -> b exists already
  EXPECT_FALSE(g.record_dependency(&source, &existing, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 3u);

  List repeated_targets{&c, &c};
  EXPECT_FALSE(g.record_dependency(&source, &repeated_targets, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 4u);

  List null_target{nullptr, &c};
  EXPECT_FALSE(g.record_dependency(&source, &null_target, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 5u);

  for (const std::string& r : reports) EXPECT_EQ(r, "mxobjdependency");
  EXPECT_EQ(full_dump(g), before);
}

TEST_F(Reports, IteratorFormChecksLongListsForRepeats) {
  std::vector<Thing> parts(40);
  Thing a;
  std::vector<const MxDynObj*> distinct;
  for (const Thing& t : parts) distinct.push_back(&t);
  class Vec : public MxIterator<const MxDynObj*> {
  public:
    explicit Vec(std::vector<const MxDynObj*> v) : v_(std::move(v)) {}
    const MxDynObj** first() override { return &v_[0]; }
    void next() override { ++at_; }
    bool done() override { return at_ >= v_.size(); }
    void reset() override { at_ = 0; }
    const MxDynObj** current() override { return &v_[at_]; }

  private:
    std::vector<const MxDynObj*> v_;
    size_t at_ = 0;
  };
  std::vector<const MxDynObj*> repeated = distinct;
  repeated.push_back(distinct[25]);
  MxObjDependency g;
  List source{&a};
  Vec with_repeat(repeated);
  EXPECT_FALSE(g.record_dependency(&source, &with_repeat, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 1u);
  repeated.back() = distinct[3]; // a repeat among the first sixteen
  Vec early_repeat(repeated);
  EXPECT_FALSE(g.record_dependency(&source, &early_repeat, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(counts(g), std::make_tuple(0, 0, 0));
  Vec all(distinct);
  EXPECT_TRUE(g.record_dependency(&source, &all, T::SPLIT, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(41, 1, 40));
  EXPECT_TRUE(g.is_valid(nullptr));
}

TEST_F(Reports, IteratorFormAllowsAnObjectOnBothSides) {
  Thing a, b;
  MxObjDependency g;
  List source{&a};
  List targets{&a, &b};
  ASSERT_TRUE(g.record_dependency(&source, &targets, T::SPLIT, nullptr, nullptr));
  const std::vector<Seen> out = links_from(g, &a);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].target, &a);
  EXPECT_EQ(out[1].target, &b);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reports, IteratorFormWithNoSourceOrNoTarget) {
  Thing a, b;
  MxObjDependency g;
  List nothing{};
  List target{&a};
  ASSERT_TRUE(g.record_dependency(&nothing, &target, T::CREATION, nullptr, nullptr));
  List sources{&a, &b};
  ASSERT_TRUE(g.record_dependency(&sources, nullptr, T::DELETION, nullptr, nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3, 2, 1));
  EXPECT_TRUE(g.record_dependency(&sources, &nothing, T::TRANSFER, nullptr, nullptr));
  EXPECT_FALSE(g.record_dependency(&nothing, nullptr, T::CREATION, nullptr, nullptr));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------------------
// Qualifiers and separators

TEST_F(Reports, QualifierIsCopiedOntoEveryLink) {
  Thing a, b, c;
  MxObjDependency g;
  int seven = 7;
  List source{&a};
  List targets{&b, &c};
  ASSERT_TRUE(g.record_dependency(&source, &targets, T::SPLIT, &seven, nullptr));
  seven = 8; // the graph keeps its own copy
  for (const Seen& s : links_from(g, &a)) {
    EXPECT_TRUE(s.has_qualifier);
    EXPECT_EQ(s.qualifier, 7);
  }
  for (const Thing* t : {&b, &c}) {
    const std::vector<Seen> in = links_into(g, t);
    ASSERT_EQ(in.size(), 1u);
    EXPECT_TRUE(in[0].has_qualifier);
    EXPECT_EQ(in[0].qualifier, 7);
  }
  EXPECT_TRUE(g.is_valid(nullptr));
}

TEST_F(Reports, AbsorptionInheritsTheQualifierAllSourcesShare) {
  Thing x, y, a, b, c;
  int four = 4, five = 5;
  auto build = [&](MxObjDependency& g, const int* qa, const int* qb) {
    g.set_absorption_inherits_target_qualifier(true);
    g.record_dependency(&x, &a, T::MODIFICATION, qa, nullptr);
    g.record_dependency(&y, &b, T::MODIFICATION, qb, nullptr);
  };
  {
    MxObjDependency g;
    build(g, &four, &four);
    List sources{&a, &b};
    List target{&c};
    ASSERT_TRUE(g.record_dependency(&sources, &target, T::ABSORPTION, nullptr, nullptr));
    for (const Seen& s : links_into(g, &c)) {
      EXPECT_TRUE(s.has_qualifier);
      EXPECT_EQ(s.qualifier, 4);
    }
  }
  {
    MxObjDependency g;
    build(g, &four, &five);
    List sources{&a, &b};
    List target{&c};
    ASSERT_TRUE(g.record_dependency(&sources, &target, T::ABSORPTION, nullptr, nullptr));
    for (const Seen& s : links_into(g, &c)) EXPECT_FALSE(s.has_qualifier);
  }
  {
    MxObjDependency g;
    build(g, &four, nullptr);
    List sources{&a, &b};
    List target{&c};
    ASSERT_TRUE(g.record_dependency(&sources, &target, T::ABSORPTION, nullptr, nullptr));
    for (const Seen& s : links_into(g, &c)) EXPECT_FALSE(s.has_qualifier);
  }
  {
    // A source without any incoming dependency breaks the inheritance.
    MxObjDependency g;
    build(g, &four, &four);
    Thing fresh;
    List sources{&a, &fresh};
    List target{&c};
    ASSERT_TRUE(g.record_dependency(&sources, &target, T::ABSORPTION, nullptr, nullptr));
    for (const Seen& s : links_into(g, &c)) EXPECT_FALSE(s.has_qualifier);
  }
  {
    // Single form; an explicit qualifier always wins; off by default.
    MxObjDependency g;
    build(g, &four, &four);
    ASSERT_TRUE(g.record_dependency(&a, &c, T::ABSORPTION, nullptr, nullptr));
    EXPECT_EQ(links_into(g, &c)[0].qualifier, 4);
    ASSERT_TRUE(g.record_dependency(&b, &x, T::ABSORPTION, &five, nullptr));
    EXPECT_EQ(links_into(g, &x)[0].qualifier, 5);
    MxObjDependency h;
    h.record_dependency(&x, &a, T::MODIFICATION, &four, nullptr);
    ASSERT_TRUE(h.record_dependency(&a, &c, T::ABSORPTION, nullptr, nullptr));
    EXPECT_FALSE(links_into(h, &c)[0].has_qualifier);
  }
  EXPECT_TRUE(reports.empty());
}

TEST(Recording, DirectSourceHelpers) {
  Thing a, b, c;
  Probe g;
  int q = 0;
  EXPECT_FALSE(g.has_direct_source(&a));
  EXPECT_FALSE(g.has_direct_source(nullptr));
  g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
  EXPECT_FALSE(g.has_direct_source(&a)); // created from nothing only
  EXPECT_FALSE(g.have_direct_sources_same_target_qualifier(&a, q));
  int three = 3;
  g.record_dependency(&a, &b, T::MODIFICATION, &three, nullptr);
  EXPECT_TRUE(g.has_direct_source(&b));
  EXPECT_TRUE(g.have_direct_sources_same_target_qualifier(&b, q));
  EXPECT_EQ(q, 3);
  EXPECT_FALSE(g.check_dependency_pair(&a, &b));
  EXPECT_TRUE(g.check_dependency_pair(&b, &a));
  EXPECT_TRUE(g.check_dependency_pair(&a, &c));
  List none{};
  q = 11;
  EXPECT_FALSE(g.have_direct_sources_same_target_qualifier(&none, q));
  EXPECT_FALSE(g.have_direct_sources_same_target_qualifier(kNoObjects, q));
  EXPECT_EQ(q, 11);
}

TEST(Recording, SeparatorsGroupDependencies) {
  Thing a, b, c;
  MxObjDependency g;
  EXPECT_EQ(g.current_separator(), 0);
  ASSERT_TRUE(g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(g.new_separator(), 1);
  ASSERT_TRUE(g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr));
  EXPECT_EQ(g.new_separator(), 2);
  EXPECT_EQ(links_from(g, &a)[0].separator, 0);
  EXPECT_EQ(links_from(g, &b)[0].separator, 1);
  EXPECT_EQ(links_into(g, &c)[0].separator, 1);
}

TEST_F(Reports, RemovingObjectsIsNotOffered) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  const std::string before = full_dump(g);
  EXPECT_FALSE(g.remove_source_object(&a, true));
  EXPECT_FALSE(g.remove_target_object(&b, false));
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(full_dump(g), before);
}

// ---------------------------------------------------------------------------
// Copies

TEST(Copying, CopiesAreDeepAndIndependent) {
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
    const std::vector<Seen> out = links_from(copy, &a);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NE(out[0].role, links_from(g, &a)[0].role);
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
}

TEST(Recording, ManyLinksOnOneNodeStayFindable) {
  // A node with many targets keeps its links in order and finds each one.
  std::vector<Thing> things(3000);
  Thing hub;
  MxObjDependency g;
  for (Thing& t : things) ASSERT_TRUE(g.record_dependency(&hub, &t, T::CREATION, nullptr, nullptr));
  for (Thing& t : things)
    EXPECT_FALSE(g.record_dependency(&hub, &t, T::CREATION, nullptr, nullptr));
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  ASSERT_TRUE(g.get_target_objects(&hub, it, nullptr, nullptr));
  const std::vector<const MxDynObj*> out = objects_of(it.get());
  ASSERT_EQ(out.size(), things.size());
  for (size_t i = 0; i < things.size(); ++i) EXPECT_EQ(out[i], &things[i]);
  for (Thing& t : things)
    ASSERT_TRUE(g.record_dependency(&t, nullptr, T::DELETION, nullptr, nullptr));
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_EQ(counts(g), std::make_tuple(3002, 1, 1));
}

} // namespace
