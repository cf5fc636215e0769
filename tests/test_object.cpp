// MxObject with its attributes, reactors and events: adding, detaching,
// finding, notification order, destruction, copying, and client code that
// changes the lists while it is being notified.
#include "mxattrib.h"
#include "mxevent.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxreactor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> journal_of_calls; // what the test classes were asked, in order
int live_attribs = 0;
int live_reactors = 0;

std::vector<std::pair<std::string, int>> reports;
void record_report(const char* file, int line) {
  reports.emplace_back(file, line);
}

std::string describe(const MxEvent& e) {
  int object_id = -1;
  if (const MxObjectModified* m = mx_cast<MxObjectModified>(&e)) object_id = m->object_id();
  if (const MxObjectDelete* d = mx_cast<MxObjectDelete>(&e)) object_id = d->object_id();
  return std::string(e.classname()) + " " + std::to_string(object_id);
}

/// An attribute that logs its calls and destruction; its answers are set by the test.
class TestAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(TestAttrib, MxAttrib)
public:
  explicit TestAttrib(std::string name, bool propagates = true, bool shares = true,
                      bool holds = true)
      : name_(std::move(name)), propagates_(propagates), shares_(shares), holds_(holds) {
    ++live_attribs;
  }
  TestAttrib(const TestAttrib& other)
      : MxAttrib(other), name_(other.name_ + "'"), propagates_(other.propagates_),
        shares_(other.shares_), holds_(other.holds_) {
    ++live_attribs;
  }
  ~TestAttrib() override {
    --live_attribs;
    journal_of_calls.push_back("~" + name_);
  }

  MxDynObj* clone() const override { return new TestAttrib(*this); }
  bool sharable() const override { return shares_; }
  bool propagate() const override { return propagates_; }
  bool invariant(const MxEvent& e) const override {
    journal_of_calls.push_back("invariant " + name_ + ": " + describe(e));
    if (on_invariant) on_invariant(e);
    return holds_;
  }

  const std::string& name() const { return name_; }
  std::function<void(const MxEvent&)> on_invariant;

private:
  std::string name_;
  bool propagates_, shares_, holds_;
};
MX_DEFINE_CLASS_NAME(TestAttrib);

/// A second attribute class, for the type searches.
class OtherAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(OtherAttrib, MxAttrib)
public:
  OtherAttrib() { ++live_attribs; }
  ~OtherAttrib() override { --live_attribs; }
  MxDynObj* clone() const override { return new OtherAttrib; }
  bool propagate() const override { return false; }
  bool invariant(const MxEvent&) const override { return true; }
};
MX_DEFINE_CLASS_NAME(OtherAttrib);

/// A reactor that logs what it is told and runs a test's action on each event.
class TestReactor : public MxReactor {
  MX_DYNOBJ_TYPE(TestReactor, MxReactor)
public:
  explicit TestReactor(std::string name, bool propagates = true, bool shares = true)
      : name_(std::move(name)), propagates_(propagates), shares_(shares) {
    ++live_reactors;
  }
  TestReactor(const TestReactor& other)
      : MxReactor(other), name_(other.name_ + "'"), propagates_(other.propagates_),
        shares_(other.shares_) {
    ++live_reactors;
  }
  ~TestReactor() override {
    --live_reactors;
    journal_of_calls.push_back("~" + name_);
    if (on_destroy) on_destroy();
  }

  MxDynObj* clone() const override { return new TestReactor(*this); }
  bool sharable() const override { return shares_; }
  bool propagate() const override { return propagates_; }
  void react(const MxEvent& e) override {
    journal_of_calls.push_back("react " + name_ + ": " + describe(e));
    if (on_react) on_react(e);
  }

  const std::string& name() const { return name_; }
  std::function<void(const MxEvent&)> on_react;
  std::function<void()> on_destroy;

private:
  std::string name_;
  bool propagates_, shares_;
};
MX_DEFINE_CLASS_NAME(TestReactor);

/// A client model object.
class TestObject : public MxObject {
  MX_DYNOBJ_TYPE(TestObject, MxObject)
public:
  TestObject() = default;
  TestObject(const TestObject&) = default;
  TestObject& operator=(const TestObject& other) {
    MxObject::operator=(other);
    return *this;
  }
  MxDynObj* clone() const override { return new TestObject(*this); }
};
MX_DEFINE_CLASS_NAME(TestObject);

/// An object that announces another identity than the one it was given.
class RenumberedObject : public TestObject {
public:
  int identity() const override { return 777; }
};

std::string id(const MxObject& o) {
  return std::to_string(o.identity());
}

/// Every test starts with an empty call log and the assertion handler
/// installed, and ends with every test attribute and reactor gone.
class ObjectTest : public ::testing::Test {
protected:
  void SetUp() override {
    journal_of_calls.clear();
    reports.clear();
    live_attribs = 0;
    live_reactors = 0;
    set_fnd_assertion_handler(record_report, true);
  }
  void TearDown() override {
    set_fnd_assertion_handler(record_report, false);
    EXPECT_EQ(live_attribs, 0) << "attributes leaked or deleted twice";
    EXPECT_EQ(live_reactors, 0) << "reactors leaked or deleted twice";
  }
  static bool destroyed(const std::string& name) {
    for (const std::string& line : journal_of_calls)
      if (line == "~" + name) return true;
    return false;
  }
  static std::vector<std::string> names_of(const MxObject& o) {
    MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
    o.find_all_attribs_by_type(TestAttrib::type_id(), found);
    std::vector<std::string> names;
    for (MxAttrib* a : found) names.push_back(static_cast<TestAttrib*>(a)->name());
    return names;
  }
};

// ---- adding and finding

TEST_F(ObjectTest, AddedAttributeIsFoundAndCountedOnce) {
  TestObject o;
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  auto* a = new TestAttrib("a");
  o.add_attrib(a);
  EXPECT_EQ(o.find_attrib_by_id(a->identity()), a);
  EXPECT_EQ(o.find_attrib_by_id(a->identity() + 1000), nullptr);
  EXPECT_EQ(o.find_attrib_by_type(TestAttrib::type_id()), a);
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), a);
  EXPECT_EQ(o.find_attrib_by_type(MxDynObj::type_id()), a);
  EXPECT_EQ(o.find_attrib_by_type(OtherAttrib::type_id()), nullptr);
  EXPECT_EQ(o.find_attrib_by_type(nullptr), nullptr);
  EXPECT_EQ(a->n_refs(), 1); // the list's reference; finding takes none
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, ListsRunFromNewestToOldest) {
  TestObject o;
  auto* a = new TestAttrib("a");
  auto* other = new OtherAttrib;
  auto* b = new TestAttrib("b");
  o.add_attrib(a);
  o.add_attrib(other);
  o.add_attrib(b);
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
  found.append(other); // emptied before the search
  EXPECT_EQ(o.find_all_attribs_by_type(TestAttrib::type_id(), found), 2u);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], b);
  EXPECT_EQ(found[1], a);
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), b);
  EXPECT_EQ(o.find_all_attribs_by_type(MxAttrib::type_id(), found), 3u);
  EXPECT_EQ(found[1], other);
  EXPECT_EQ(o.find_all_attribs_by_type(TestReactor::type_id(), found), 0u);
  EXPECT_EQ(found.size(), 0u);
}

TEST_F(ObjectTest, ReactorsAreAddedAndFoundLikeAttributes) {
  TestObject o;
  auto* r1 = new TestReactor("r1");
  auto* r2 = new TestReactor("r2");
  o.add_reactor(r1);
  o.add_reactor(r2);
  EXPECT_EQ(o.find_reactor_by_id(r1->identity()), r1);
  EXPECT_EQ(o.find_reactor_by_type(TestReactor::type_id()), r2);
  EXPECT_EQ(o.find_reactor_by_type(MxReactor::type_id()), r2);
  EXPECT_EQ(o.find_reactor_by_type(TestAttrib::type_id()), nullptr);
  EXPECT_EQ(o.find_attrib_by_type(MxDynObj::type_id()), nullptr); // the lists are separate
  EXPECT_EQ(r1->n_refs(), 1);
  o.detach_reactor(r2);
  EXPECT_TRUE(destroyed("r2"));
  EXPECT_EQ(o.find_reactor_by_type(TestReactor::type_id()), r1);
}

TEST_F(ObjectTest, AddingTwiceGivesTwoItemsAndDetachRemovesOne) {
  TestObject o;
  auto* a = new TestAttrib("a");
  o.add_attrib(a);
  o.add_attrib(a);
  EXPECT_EQ(a->n_refs(), 2);
  EXPECT_EQ(names_of(o), (std::vector<std::string>{"a", "a"}));
  o.detach_attrib(a);
  EXPECT_EQ(a->n_refs(), 1);
  EXPECT_EQ(o.find_attrib_by_id(a->identity()), a);
  o.detach_attrib(a);
  EXPECT_TRUE(destroyed("a"));
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
}

// ---- detaching

TEST_F(ObjectTest, DetachedAttributeHeldByClientSurvives) {
  TestObject o;
  MxRCPtr<TestAttrib> mine(new TestAttrib("a"));
  o.add_attrib(mine.get());
  EXPECT_EQ(mine->n_refs(), 2);
  o.detach_attrib(mine.get());
  EXPECT_FALSE(destroyed("a"));
  EXPECT_EQ(mine->n_refs(), 1);
  EXPECT_EQ(o.find_attrib_by_id(mine->identity()), nullptr);
}

TEST_F(ObjectTest, DetachingFromAnObjectWithoutListsDoesNothing) {
  TestObject o;
  MxRCPtr<TestAttrib> mine(new TestAttrib("a"));
  o.detach_attrib(mine.get());
  o.detach_all_attribs();
  o.detach_reactor(nullptr);
  o.detach_all_reactors();
  EXPECT_EQ(mine->n_refs(), 1);
  EXPECT_TRUE(journal_of_calls.empty());
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, DetachingWhatTheObjectDoesNotHoldLeavesItAlone) {
  // An attribute nobody counted is not deleted by an object that never held it.
  TestObject o;
  o.add_attrib(new TestAttrib("held"));
  TestAttrib stranger("stranger");
  o.detach_attrib(&stranger);
  EXPECT_FALSE(destroyed("stranger"));
  EXPECT_EQ(stranger.n_refs(), 0);
  TestReactor watcher("watcher");
  o.detach_reactor(&watcher);
  EXPECT_EQ(watcher.n_refs(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, DetachAllReleasesEveryItem) {
  TestObject o;
  MxRCPtr<TestAttrib> kept(new TestAttrib("kept"));
  o.add_attrib(new TestAttrib("a"));
  o.add_attrib(kept.get());
  o.add_attrib(new TestAttrib("b"));
  o.add_reactor(new TestReactor("r"));
  o.detach_all_attribs();
  EXPECT_TRUE(destroyed("a"));
  EXPECT_TRUE(destroyed("b"));
  EXPECT_FALSE(destroyed("kept"));
  EXPECT_EQ(kept->n_refs(), 1);
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
  EXPECT_NE(o.find_reactor_by_type(MxReactor::type_id()), nullptr);
  o.detach_all_reactors();
  EXPECT_TRUE(destroyed("r"));
  o.add_attrib(kept.get()); // the emptied lists are still usable
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), kept.get());
}

TEST_F(ObjectTest, DestroyAllAttribsLeavesThemInPlace) {
  TestObject o;
  auto* a = new TestAttrib("a");
  o.add_attrib(a);
  o.destroy_all_attribs();
  EXPECT_EQ(o.find_attrib_by_id(a->identity()), a);
  EXPECT_FALSE(destroyed("a"));
}

// ---- notification

TEST_F(ObjectTest, NotifyTellsAttributesThenReactorsNewestFirst) {
  TestObject o;
  o.add_reactor(new TestReactor("r1"));
  o.add_attrib(new TestAttrib("a1"));
  o.add_reactor(new TestReactor("r2"));
  o.add_attrib(new TestAttrib("a2"));
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"invariant a2: " + event, "invariant a1: " + event,
                                      "react r2: " + event, "react r1: " + event}));
}

TEST_F(ObjectTest, NotifyBuildsOneEventForAttributesAndAnotherForReactors) {
  int attrib_event = 0, reactor_event = 0; // outlive the object, which calls back at its end
  TestObject o;
  auto* a = new TestAttrib("a");
  auto* r = new TestReactor("r");
  a->on_invariant = [&](const MxEvent& e) { attrib_event = e.identity(); };
  r->on_react = [&](const MxEvent& e) { reactor_event = e.identity(); };
  o.add_attrib(a);
  o.add_reactor(r);
  o.notify();
  EXPECT_GT(attrib_event, o.identity());
  EXPECT_EQ(reactor_event, attrib_event + 1);
}

TEST_F(ObjectTest, NotifyWithoutListsOnlyTakesTwoIdentities) {
  TestObject before;
  before.notify();
  TestObject after;
  EXPECT_EQ(after.identity(), before.identity() + 3);
  EXPECT_EQ(before.find_attrib_by_type(MxDynObj::type_id()), nullptr);
}

TEST_F(ObjectTest, AllInvariantsAreAskedBeforeAnyDetach) {
  bool failing_attached_when_later_asked = false;
  bool reactor_saw_failing = true;
  TestObject o;
  auto* failing = new TestAttrib("failing", true, true, false);
  const int failing_id = failing->identity();
  auto* later = new TestAttrib("later");
  later->on_invariant = [&](const MxEvent&) {
    failing_attached_when_later_asked = o.find_attrib_by_id(failing_id) != nullptr;
  };
  o.add_attrib(later);
  o.add_attrib(failing); // asked first
  auto* r = new TestReactor("r");
  r->on_react = [&](const MxEvent&) {
    reactor_saw_failing = o.find_attrib_by_id(failing_id) != nullptr;
  };
  o.add_reactor(r);
  o.notify();
  EXPECT_TRUE(failing_attached_when_later_asked);
  EXPECT_FALSE(reactor_saw_failing);
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"invariant failing: " + event, "invariant later: " + event,
                                      "~failing", "react r: " + event}));
  EXPECT_EQ(names_of(o), (std::vector<std::string>{"later"}));
}

TEST_F(ObjectTest, FailingAttributeHeldByClientIsDetachedButSurvives) {
  TestObject o;
  MxRCPtr<TestAttrib> mine(new TestAttrib("mine", true, true, false));
  o.add_attrib(mine.get());
  o.add_attrib(new TestAttrib("stays"));
  o.add_attrib(mine.get()); // each failing item is detached
  EXPECT_EQ(mine->n_refs(), 3);
  o.notify();
  EXPECT_EQ(mine->n_refs(), 1);
  EXPECT_EQ(o.find_attrib_by_id(mine->identity()), nullptr);
  EXPECT_EQ(names_of(o), (std::vector<std::string>{"stays"}));
  EXPECT_FALSE(destroyed("mine"));
}

TEST_F(ObjectTest, NotifyNamesTheAnnouncedIdentityDestructionTheStoredOne) {
  auto* o = new RenumberedObject;
  o->add_reactor(new TestReactor("r"));
  o->notify();
  EXPECT_EQ(journal_of_calls.back(), "react r: MxObjectModified 777");
  journal_of_calls.clear();
  const int stored = o->MxObject::identity();
  delete o;
  EXPECT_EQ(journal_of_calls.front(), "react r: MxObjectDelete " + std::to_string(stored));
}

TEST_F(ObjectTest, LongListsAreWalkedWholeAndInOrder) {
  TestObject o;
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) o.add_reactor(new TestReactor("r" + std::to_string(i)));
  auto* last_added = new TestReactor("r40");
  last_added->on_react = [&o](const MxEvent&) { o.detach_all_reactors(); };
  o.add_reactor(last_added);
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  expected.push_back("react r40: " + event);
  for (int i = 39; i >= 0; --i) expected.push_back("~r" + std::to_string(i));
  expected.push_back("~r40");
  EXPECT_EQ(journal_of_calls, expected);
  for (int i = 0; i < 30; ++i) o.add_attrib(new TestAttrib("a" + std::to_string(i), true, false));
  TestObject copy(o);
  std::vector<std::string> names = names_of(copy);
  ASSERT_EQ(names.size(), 30u);
  EXPECT_EQ(names.front(), "a0'");
  EXPECT_EQ(names.back(), "a29'");
}

// ---- destruction

TEST_F(ObjectTest, DestructionTellsEveryoneOnceThenReleases) {
  MxRCPtr<TestReactor> kept(new TestReactor("kept"));
  std::string identity;
  {
    TestObject o;
    identity = id(o);
    o.add_attrib(new TestAttrib("a"));
    o.add_attrib(new TestAttrib("gone", true, true, false));
    o.add_reactor(kept.get());
    o.add_reactor(new TestReactor("r"));
  }
  const std::string event = "MxObjectDelete " + identity;
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"invariant gone: " + event, "invariant a: " + event, "~gone",
                                      "react r: " + event, "react kept: " + event, "~r", "~a"}));
  EXPECT_EQ(kept->n_refs(), 1);
}

TEST_F(ObjectTest, AReactorOnTwoObjectsHearsOfBothDestructions) {
  auto* r = new TestReactor("r");
  std::string first, second;
  {
    TestObject a, b;
    first = id(a);
    second = id(b);
    a.add_reactor(r);
    b.add_reactor(r);
    EXPECT_EQ(r->n_refs(), 2);
  }
  EXPECT_EQ(journal_of_calls, (std::vector<std::string>{"react r: MxObjectDelete " + second,
                                                        "react r: MxObjectDelete " + first, "~r"}));
}

// ---- copying

TEST_F(ObjectTest, CopySharesClonesOrSkipsAndReversesTheOrder) {
  TestObject source;
  auto* shared = new TestAttrib("shared");
  auto* cloned = new TestAttrib("cloned", true, false);
  source.add_attrib(new TestAttrib("private", false));
  source.add_attrib(cloned);
  source.add_attrib(shared);
  source.add_attrib(new OtherAttrib); // does not propagate
  TestObject copy(source);
  EXPECT_GT(copy.identity(), source.identity());
  EXPECT_EQ(copy.n_refs(), 0);
  EXPECT_EQ(names_of(source), (std::vector<std::string>{"shared", "cloned", "private"}));
  EXPECT_EQ(names_of(copy), (std::vector<std::string>{"cloned'", "shared"}));
  EXPECT_EQ(copy.find_attrib_by_id(shared->identity()), shared);
  EXPECT_EQ(shared->n_refs(), 2);
  EXPECT_EQ(cloned->n_refs(), 1);
  MxAttrib* clone = copy.find_attrib_by_type(TestAttrib::type_id());
  EXPECT_NE(clone, cloned);
  EXPECT_GT(clone->identity(), cloned->identity());
  EXPECT_EQ(clone->n_refs(), 1);
  EXPECT_EQ(copy.find_attrib_by_type(OtherAttrib::type_id()), nullptr);
}

TEST_F(ObjectTest, ReactorsFollowCopiesByTheSameRules) {
  TestObject source;
  auto* shared = new TestReactor("shared");
  source.add_reactor(new TestReactor("private", false));
  source.add_reactor(new TestReactor("cloned", true, false));
  source.add_reactor(shared);
  TestObject copy(source);
  EXPECT_EQ(shared->n_refs(), 2);
  journal_of_calls.clear();
  copy.notify();
  const std::string event = "MxObjectModified " + id(copy);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"react cloned': " + event, "react shared: " + event}));
}

TEST_F(ObjectTest, AssignmentAddsToWhatTheTargetHas) {
  TestObject source, target;
  source.add_attrib(new TestAttrib("s1"));
  source.add_attrib(new TestAttrib("s2"));
  target.add_attrib(new TestAttrib("t"));
  const int target_identity = target.identity();
  target = source;
  EXPECT_EQ(names_of(target), (std::vector<std::string>{"s1", "s2", "t"}));
  EXPECT_EQ(target.identity(), target_identity);
  target = target; // self-assignment adds nothing
  EXPECT_EQ(names_of(target), (std::vector<std::string>{"s1", "s2", "t"}));
  EXPECT_EQ(source.find_attrib_by_type(TestAttrib::type_id())->n_refs(), 2);
}

TEST_F(ObjectTest, CopyOfAnObjectWithoutListsHasNone) {
  TestObject source;
  TestObject copy(source);
  EXPECT_EQ(copy.identity(), source.identity() + 1);
  EXPECT_EQ(copy.find_attrib_by_type(MxDynObj::type_id()), nullptr);
  copy.notify();
  EXPECT_TRUE(journal_of_calls.empty());
}

/// An attribute whose clone is something else entirely.
class MisclonedAttrib : public TestAttrib {
public:
  MisclonedAttrib() : TestAttrib("miscloned", true, false) {}
  MxDynObj* clone() const override { return new MxObjectModified(0); }
};

TEST_F(ObjectTest, CloneOfAnotherKindIsDroppedNotAdded) {
  TestObject source;
  source.add_attrib(new MisclonedAttrib);
  TestObject copy(source);
  EXPECT_EQ(copy.find_attrib_by_type(MxDynObj::type_id()), nullptr);
}

// ---- null items

TEST_F(ObjectTest, NullItemsAreKeptButSkippedByEveryWalk) {
  std::string identity;
  {
    TestObject o;
    identity = id(o);
    auto* a = new TestAttrib("a");
    auto* r = new TestReactor("r");
    o.add_attrib(a);
    o.add_attrib(nullptr);
    o.add_reactor(r);
    o.add_reactor(nullptr);
    EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), a);
    EXPECT_EQ(o.find_attrib_by_id(a->identity()), a);
    EXPECT_EQ(o.find_attrib_by_id(0), nullptr);
    EXPECT_EQ(names_of(o), (std::vector<std::string>{"a"}));
    EXPECT_EQ(o.find_reactor_by_type(MxReactor::type_id()), r);
    EXPECT_EQ(o.find_reactor_by_id(0), nullptr);
    o.notify();
    {
      TestObject copy(o);
      EXPECT_EQ(names_of(copy), (std::vector<std::string>{"a"}));
      EXPECT_EQ(a->n_refs(), 2);
      EXPECT_EQ(r->n_refs(), 2);
    }
    o.detach_attrib(nullptr); // removes the null item, touches nothing else
    EXPECT_EQ(names_of(o), (std::vector<std::string>{"a"}));
    journal_of_calls.clear();
  }
  const std::string event = "MxObjectDelete " + identity;
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"invariant a: " + event, "react r: " + event, "~r", "~a"}));
}

// ---- client code that changes the lists during a notification

TEST_F(ObjectTest, ReactorMayDetachItselfDuringNotify) {
  TestObject o;
  auto* quitter = new TestReactor("quitter");
  quitter->on_react = [&](const MxEvent&) {
    o.detach_reactor(quitter);
    journal_of_calls.push_back("quitter still alive: " + quitter->name());
  };
  auto* older = new TestReactor("older");
  o.add_reactor(older);
  o.add_reactor(quitter);
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"react quitter: " + event, "quitter still alive: quitter",
                                      "react older: " + event, "~quitter"}));
  EXPECT_EQ(o.find_reactor_by_type(MxReactor::type_id()), older);
}

TEST_F(ObjectTest, ReactorDetachedByAnEarlierOneIsNotCalled) {
  TestObject o;
  auto* victim = new TestReactor("victim");
  auto* killer = new TestReactor("killer");
  killer->on_react = [&o, victim](const MxEvent&) { o.detach_reactor(victim); };
  o.add_reactor(victim);
  o.add_reactor(killer);
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls, (std::vector<std::string>{"react killer: " + event, "~victim"}));
}

TEST_F(ObjectTest, ReactorClearingAllReactorsStopsTheWalk) {
  TestObject o;
  auto* clearer = new TestReactor("clearer");
  clearer->on_react = [&](const MxEvent&) { o.detach_all_reactors(); };
  o.add_reactor(new TestReactor("r1"));
  o.add_reactor(new TestReactor("r2"));
  o.add_reactor(clearer);
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"react clearer: " + event, "~r2", "~r1", "~clearer"}));
}

TEST_F(ObjectTest, ReactorAddedDuringNotifyHearsFromTheNextOne) {
  bool recruited = false;
  TestObject o;
  auto* recruiter = new TestReactor("recruiter");
  recruiter->on_react = [&](const MxEvent&) {
    if (!recruited) o.add_reactor(new TestReactor("recruit"));
    recruited = true;
  };
  o.add_reactor(recruiter);
  o.notify();
  EXPECT_EQ(journal_of_calls.size(), 1u);
  journal_of_calls.clear();
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"react recruit: " + event, "react recruiter: " + event}));
}

TEST_F(ObjectTest, AttributeMayDetachItselfOrAnotherWhileAsked) {
  TestObject o;
  auto* self_remover = new TestAttrib("self");
  auto* victim = new TestAttrib("victim");
  self_remover->on_invariant = [&](const MxEvent&) {
    o.detach_attrib(self_remover);
    o.detach_attrib(victim);
  };
  o.add_attrib(victim);
  o.add_attrib(self_remover);
  o.notify();
  const std::string event = "MxObjectModified " + id(o);
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"invariant self: " + event, "~self", "~victim"}));
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), nullptr);
}

TEST_F(ObjectTest, ReactorMayDetachItselfDuringDestruction) {
  auto* quitter = new TestReactor("quitter");
  std::string identity;
  {
    TestObject o;
    identity = id(o);
    quitter->on_react = [&o, quitter](const MxEvent&) { o.detach_reactor(quitter); };
    o.add_reactor(new TestReactor("older"));
    o.add_reactor(quitter);
  }
  const std::string event = "MxObjectDelete " + identity;
  EXPECT_EQ(journal_of_calls,
            (std::vector<std::string>{"react quitter: " + event, "react older: " + event,
                                      "~quitter", "~older"}));
}

TEST_F(ObjectTest, ItemsAddedWhileTheListsAreReleasedAreReleasedToo) {
  {
    TestObject o;
    auto* r = new TestReactor("r");
    r->on_destroy = [&o]() {
      o.add_attrib(new TestAttrib("late"));
      o.detach_reactor(nullptr);
    };
    o.add_reactor(r);
  }
  EXPECT_TRUE(destroyed("late"));
}

// ---- lifetimes in any order

TEST_F(ObjectTest, NothingLeaksWhateverIsDroppedFirst) {
  {
    MxRCPtr<TestAttrib> a(new TestAttrib("a"));
    MxRCPtr<TestReactor> r(new TestReactor("r"));
    {
      TestObject o;
      o.add_attrib(a.get());
      o.add_reactor(r.get());
    }
    EXPECT_EQ(a->n_refs(), 1);
    EXPECT_EQ(r->n_refs(), 1);
  }
  {
    auto* o = new TestObject;
    {
      MxRCPtr<TestAttrib> a(new TestAttrib("a"));
      MxRCPtr<TestReactor> r(new TestReactor("r"));
      o->add_attrib(a.get());
      o->add_reactor(r.get());
    }
    EXPECT_EQ(live_attribs, 1);
    delete o;
  }
  {
    auto* shared = new TestAttrib("shared");
    auto* first = new TestObject;
    auto* second = new TestObject;
    first->add_attrib(shared);
    second->add_attrib(shared);
    delete first;
    EXPECT_EQ(shared->n_refs(), 1);
    delete second;
  }
  {
    MxRCPtr<MxObject> held(new TestObject);
    held->add_attrib(new TestAttrib("a"));
    held->add_reactor(new TestReactor("r"));
    MxRCPtr<MxObject> also(held);
    EXPECT_EQ(held->n_refs(), 2);
  }
  EXPECT_EQ(live_attribs, 0);
  EXPECT_EQ(live_reactors, 0);
}

// ---- typing, casting and counting

TEST_F(ObjectTest, CastReportsWhatIsNotAnObject) {
  TestObject o;
  TestAttrib a("a");
  MxDynObj* as_dyn = &o;
  const MxDynObj* as_const = &o;
  EXPECT_EQ(MxObject::cast(as_dyn), &o);
  EXPECT_EQ(MxObject::cast(as_const), &o);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(MxObject::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(MxObject::cast(static_cast<const MxDynObj*>(&a)), nullptr);
  EXPECT_EQ(reports,
            (std::vector<std::pair<std::string, int>>{{"mxobject", 68}, {"mxobject", 83}}));
}

TEST_F(ObjectTest, CountersReportUnderTheirOwnTags) {
  TestObject o;
  TestAttrib a("a");
  TestReactor r("r");
  o.remove_ref();
  EXPECT_EQ(o.n_refs(), -1);
  o.add_ref();
  a.remove_ref();
  EXPECT_EQ(a.n_refs(), -1);
  a.add_ref();
  r.remove_ref();
  EXPECT_EQ(r.n_refs(), -1);
  r.add_ref();
  EXPECT_EQ(reports, (std::vector<std::pair<std::string, int>>{{"mxobject", 461},
                                                               {"mxobject", 443},
                                                               {"mxobject", 452},
                                                               {"mxattrib", 148},
                                                               {"mxattrib", 130},
                                                               {"mxattrib", 139},
                                                               {"mxreactor", 141},
                                                               {"mxreactor", 123},
                                                               {"mxreactor", 132}}));
  EXPECT_EQ(o.n_refs() + a.n_refs() + r.n_refs(), 0);
}

TEST_F(ObjectTest, BaseDefaults) {
  TestObject o;
  TestAttrib a("a");
  TestReactor r("r");
  EXPECT_STREQ(o.classname(), "TestObject");
  EXPECT_STREQ(MxObject::type_id()->c_str(), "MxObject");
  EXPECT_FALSE(o.isA(MxAttrib::type_id()));
  EXPECT_TRUE(static_cast<const MxAttrib&>(a).MxAttrib::sharable());
  EXPECT_TRUE(static_cast<const MxReactor&>(r).MxReactor::sharable());
  EXPECT_EQ(o.get_interface(MxInterface::interface_id()), nullptr);
  EXPECT_EQ(r.identity(), a.identity() + 1);
}

TEST_F(ObjectTest, EventsCarryTheObjectAndTheirOwnIdentity) {
  const MxObjectModified modified(42);
  EXPECT_TRUE(modified.isA(MxObjectModified::type_id()));
  EXPECT_TRUE(modified.isA(MxEvent::type_id()));
  EXPECT_TRUE(modified.isA(MxDynObj::type_id()));
  EXPECT_FALSE(modified.isA(MxObject::type_id()));
  EXPECT_FALSE(modified.isA(MxObjectDelete::type_id()));
  EXPECT_FALSE(modified.isA(nullptr));
  const MxString lookalike("MxObjectModified");
  EXPECT_FALSE(modified.isA(&lookalike));
  const MxObjectModified copy(modified);
  EXPECT_EQ(copy.object_id(), 42);
  EXPECT_EQ(copy.identity(), modified.identity() + 1);
  MxDynObj* clone = copy.clone();
  ASSERT_TRUE(mx_isa<MxObjectModified>(clone));
  EXPECT_EQ(static_cast<MxObjectModified*>(clone)->object_id(), 42);
  EXPECT_EQ(clone->identity(), copy.identity() + 1);
  delete clone;
  const MxObjectDelete deleted(7);
  EXPECT_STREQ(deleted.classname(), "MxObjectDelete");
  EXPECT_FALSE(deleted.isA(MxObjectModified::type_id()));
  MxDynObj* deleted_clone = deleted.clone();
  EXPECT_EQ(static_cast<MxObjectDelete*>(deleted_clone)->object_id(), 7);
  delete deleted_clone;
}

} // namespace
