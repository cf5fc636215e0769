// MxObject with its attributes, reactors and events: adding, detaching,
// finding, notification order, destruction, copying, and client code that
// changes the lists while it is being notified.
#include "mxattrib.h"
#include "mxevent.h"
#include "mxobject.h"
#include "mxrcptr.h"
#include "mxreactor.h"
#include "mxstandardattribs.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> journal_of_calls; // what the test classes were asked, in order
int live_attribs = 0;
int live_reactors = 0;

using Calls = std::vector<std::string>;

std::string describe(const MxEvent& e) {
  int object_id = -1;
  if (const MxObjectModified* m = mx_cast<MxObjectModified>(&e)) object_id = m->object_id();
  if (const MxObjectDelete* d = mx_cast<MxObjectDelete>(&e)) object_id = d->object_id();
  return std::string(e.classname()) + " " + std::to_string(object_id);
}

/// How a test attribute or reactor answers; copies get a "'" on their name.
struct Traits {
  std::string name;
  bool propagates = true, shares = true, holds = true;
  Traits copied() const { return {name + "'", propagates, shares, holds}; }
};

/// An attribute that logs its calls and destruction; its answers are set by the test.
class TestAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(TestAttrib, MxAttrib)
public:
  explicit TestAttrib(Traits t) : t_(std::move(t)) { ++live_attribs; }
  explicit TestAttrib(std::string name) : TestAttrib(Traits{std::move(name)}) {}
  TestAttrib(const TestAttrib& other) : MxAttrib(other), t_(other.t_.copied()) { ++live_attribs; }
  ~TestAttrib() override {
    --live_attribs;
    journal_of_calls.push_back("~" + t_.name);
  }
  MxDynObj* clone() const override { return new TestAttrib(*this); }
  bool sharable() const override { return t_.shares; }
  bool propagate() const override { return t_.propagates; }
  bool invariant(const MxEvent& e) const override {
    journal_of_calls.push_back("invariant " + t_.name + ": " + describe(e));
    if (on_invariant) on_invariant(e);
    return t_.holds;
  }
  const std::string& name() const { return t_.name; }
  std::function<void(const MxEvent&)> on_invariant;

private:
  Traits t_;
};
MX_DEFINE_CLASS_NAME(TestAttrib);

/// A reactor that logs what it is told and runs a test's action on each event.
class TestReactor : public MxReactor {
  MX_DYNOBJ_TYPE(TestReactor, MxReactor)
public:
  explicit TestReactor(Traits t) : t_(std::move(t)) { ++live_reactors; }
  explicit TestReactor(std::string name) : TestReactor(Traits{std::move(name)}) {}
  TestReactor(const TestReactor& other) : MxReactor(other), t_(other.t_.copied()) {
    ++live_reactors;
  }
  ~TestReactor() override {
    --live_reactors;
    journal_of_calls.push_back("~" + t_.name);
    if (on_destroy) on_destroy();
  }
  MxDynObj* clone() const override { return new TestReactor(*this); }
  bool sharable() const override { return t_.shares; }
  bool propagate() const override { return t_.propagates; }
  void react(const MxEvent& e) override {
    journal_of_calls.push_back("react " + t_.name + ": " + describe(e));
    if (on_react) on_react(e);
  }
  const std::string& name() const { return t_.name; }
  std::function<void(const MxEvent&)> on_react;
  std::function<void()> on_destroy;

private:
  Traits t_;
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
class ObjectTest : public ReportingTest {
protected:
  ObjectTest() {
    journal_of_calls.clear();
    live_attribs = 0;
    live_reactors = 0;
  }
  void TearDown() override {
    EXPECT_EQ(live_attribs, 0) << "attributes leaked or deleted twice";
    EXPECT_EQ(live_reactors, 0) << "reactors leaked or deleted twice";
  }
  static bool destroyed(const std::string& name) {
    return std::find(journal_of_calls.begin(), journal_of_calls.end(), "~" + name) !=
           journal_of_calls.end();
  }
  static Calls names_of(const MxObject& o) {
    MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
    o.find_all_attribs_by_type(TestAttrib::type_id(), found);
    Calls names;
    for (MxAttrib* a : found) names.push_back(static_cast<TestAttrib*>(a)->name());
    return names;
  }
  // The expected calls with a trailing "@" replaced by the event's description.
  static Calls with_event(Calls calls, const std::string& event) {
    for (std::string& c : calls)
      if (c.back() == '@') c = c.substr(0, c.size() - 1) + event;
    return calls;
  }
};

TEST_F(ObjectTest, ListsRunFromNewestToOldestAndFindingTakesNoReference) {
  TestObject o;
  auto* a = new TestAttrib("a");
  auto* name = new MxNameAttrib("n"); // another attribute class
  auto* b = new TestAttrib("b");
  for (MxAttrib* x :
       {static_cast<MxAttrib*>(a), static_cast<MxAttrib*>(name), static_cast<MxAttrib*>(b)})
    o.add_attrib(x);
  EXPECT_EQ(o.find_attrib_by_id(a->identity()), a);
  EXPECT_EQ(o.find_attrib_by_type(TestAttrib::type_id()), b);
  EXPECT_EQ(o.find_attrib_by_type(MxNameAttrib::type_id()), name);
  EXPECT_EQ(o.find_attrib_by_type(nullptr), nullptr);
  EXPECT_EQ(a->n_refs(), 1); // the list's reference
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
  found.append(name); // emptied before the search
  EXPECT_EQ(o.find_all_attribs_by_type(TestAttrib::type_id(), found), 2u);
  EXPECT_EQ(std::vector<MxAttrib*>(found.begin(), found.end()), (std::vector<MxAttrib*>{b, a}));
  auto* r1 = new TestReactor("r1");
  o.add_reactor(r1);
  o.add_reactor(new TestReactor("r2"));
  EXPECT_EQ(o.find_reactor_by_id(r1->identity()), r1);
  EXPECT_EQ(static_cast<TestReactor*>(o.find_reactor_by_type(MxReactor::type_id()))->name(), "r2");
  EXPECT_EQ(o.find_attrib_by_id(r1->identity()), nullptr); // the lists are separate
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, DetachReleasesOneItemAndOnlyWhatTheObjectHolds) {
  TestObject o;
  MxRCPtr<TestAttrib> mine(new TestAttrib("mine"));
  o.detach_attrib(mine.get()); // an object without lists does nothing
  o.detach_all_reactors();
  auto* a = new TestAttrib("a");
  o.add_attrib(a);
  o.add_attrib(a); // twice: two items
  o.add_attrib(mine.get());
  o.add_reactor(new TestReactor("r"));
  o.destroy_all_attribs(); // leaves them in place
  EXPECT_EQ(names_of(o), (Calls{"mine", "a", "a"}));
  o.detach_attrib(a);
  EXPECT_EQ(a->n_refs(), 1);
  o.detach_attrib(a);
  EXPECT_TRUE(destroyed("a"));
  o.detach_attrib(mine.get()); // held by the client: survives
  EXPECT_EQ(mine->n_refs(), 1);
  // what nobody counted is not deleted by an object that never held it
  o.add_attrib(new TestAttrib("held"));
  TestAttrib stranger("stranger");
  o.detach_attrib(&stranger);
  EXPECT_EQ(stranger.n_refs(), 0);
  o.detach_all_attribs();
  o.detach_all_reactors();
  EXPECT_EQ(journal_of_calls, (Calls{"~a", "~held", "~r"}));
  o.add_attrib(mine.get()); // the emptied lists are still usable
  EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), mine.get());
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, NotifyTellsAttributesThenReactorsNewestFirstWithTwoEvents) {
  int attrib_event = 0, reactor_event = 0; // outlive the object, which calls back at its end
  auto* o = new RenumberedObject;          // announces identity 777
  auto* a1 = new TestAttrib("a1");
  auto* r1 = new TestReactor("r1");
  a1->on_invariant = [&](const MxEvent& e) { attrib_event = e.identity(); };
  r1->on_react = [&](const MxEvent& e) { reactor_event = e.identity(); };
  o->add_reactor(r1);
  o->add_attrib(a1);
  o->add_reactor(new TestReactor("r2"));
  o->add_attrib(new TestAttrib("a2"));
  o->notify();
  EXPECT_EQ(journal_of_calls,
            with_event({"invariant a2: @", "invariant a1: @", "react r2: @", "react r1: @"},
                       "MxObjectModified 777"));
  EXPECT_EQ(reactor_event, attrib_event + 1);
  journal_of_calls.clear();
  const int stored = o->MxObject::identity(); // destruction names the stored identity
  delete o;
  EXPECT_EQ(journal_of_calls.front(), "invariant a2: MxObjectDelete " + std::to_string(stored));
  TestObject before; // without lists, notify only takes the two identities
  before.notify();
  TestObject after;
  EXPECT_EQ(after.identity(), before.identity() + 3);
}

TEST_F(ObjectTest, AllInvariantsAreAskedBeforeAnyDetach) {
  bool failing_attached_when_later_asked = false, reactor_saw_failing = true;
  TestObject o;
  auto* failing = new TestAttrib(Traits{"failing", true, true, false});
  const int failing_id = failing->identity();
  auto* later = new TestAttrib("later");
  later->on_invariant = [&](const MxEvent&) {
    failing_attached_when_later_asked = o.find_attrib_by_id(failing_id) != nullptr;
  };
  MxRCPtr<TestAttrib> mine(new TestAttrib(Traits{"mine", true, true, false}));
  o.add_attrib(mine.get());
  o.add_attrib(later);
  o.add_attrib(mine.get()); // each failing item is detached
  o.add_attrib(failing);    // asked first
  auto* r = new TestReactor("r");
  r->on_react = [&](const MxEvent&) {
    reactor_saw_failing = o.find_attrib_by_id(failing_id) != nullptr;
  };
  o.add_reactor(r);
  o.notify();
  EXPECT_TRUE(failing_attached_when_later_asked);
  EXPECT_FALSE(reactor_saw_failing);
  EXPECT_EQ(journal_of_calls,
            with_event({"invariant failing: @", "invariant mine: @", "invariant later: @",
                        "invariant mine: @", "~failing", "react r: @"},
                       "MxObjectModified " + id(o)));
  EXPECT_EQ(names_of(o), (Calls{"later"}));
  EXPECT_EQ(mine->n_refs(), 1); // held by the client: detached but alive
}

TEST_F(ObjectTest, DestructionTellsEveryoneOnceThenReleases) {
  MxRCPtr<TestReactor> kept(new TestReactor("kept"));
  auto* shared = new TestReactor("shared");
  std::string identity, second;
  {
    TestObject o, b;
    identity = id(o);
    second = id(b);
    o.add_attrib(new TestAttrib("a"));
    o.add_attrib(new TestAttrib(Traits{"gone", true, true, false}));
    o.add_reactor(kept.get());
    o.add_reactor(new TestReactor("r"));
    o.add_reactor(shared);
    b.add_reactor(shared); // a reactor on two objects hears of both
  }
  EXPECT_EQ(
      journal_of_calls,
      with_event({"react shared: MxObjectDelete " + second, "invariant gone: @", "invariant a: @",
                  "~gone", "react shared: @", "react r: @", "react kept: @", "~shared", "~r", "~a"},
                 "MxObjectDelete " + identity));
  EXPECT_EQ(kept->n_refs(), 1);
}

/// An attribute whose clone is something else entirely.
class MisclonedAttrib : public TestAttrib {
public:
  MisclonedAttrib() : TestAttrib(Traits{"miscloned", true, false}) {}
  MxDynObj* clone() const override { return new MxObjectModified(0); }
};

TEST_F(ObjectTest, CopySharesClonesOrSkipsAndReversesTheOrderAssignmentAdds) {
  TestObject source;
  auto* shared = new TestAttrib("shared");
  auto* cloned = new TestAttrib(Traits{"cloned", true, false});
  source.add_attrib(new MisclonedAttrib); // its clone is dropped, not added
  source.add_attrib(new TestAttrib(Traits{"private", false}));
  source.add_attrib(cloned);
  source.add_attrib(shared);
  source.add_attrib(new MxNameAttrib("n")); // does not propagate
  source.add_reactor(new TestReactor(Traits{"private", false}));
  source.add_reactor(new TestReactor(Traits{"cloned", true, false}));
  source.add_reactor(new TestReactor("shared"));
  TestObject copy(source);
  EXPECT_GT(copy.identity(), source.identity());
  EXPECT_EQ(names_of(copy), (Calls{"cloned'", "shared"}));
  EXPECT_EQ(copy.find_attrib_by_id(shared->identity()), shared);
  EXPECT_EQ(shared->n_refs(), 2);
  EXPECT_EQ(cloned->n_refs(), 1);
  EXPECT_EQ(copy.find_attrib_by_type(TestAttrib::type_id())->n_refs(), 1);
  EXPECT_EQ(copy.find_attrib_by_type(MxNameAttrib::type_id()), nullptr);
  journal_of_calls.clear();
  copy.notify();
  EXPECT_EQ(journal_of_calls, with_event({"invariant cloned': @", "invariant shared: @",
                                          "react cloned': @", "react shared: @"},
                                         "MxObjectModified " + id(copy)));

  TestObject target;
  target.add_attrib(new TestAttrib("t"));
  const int target_identity = target.identity();
  target = copy;
  target = target;                                                 // self-assignment adds nothing
  EXPECT_EQ(names_of(target), (Calls{"shared", "cloned''", "t"})); // reversed again
  EXPECT_EQ(target.identity(), target_identity);
  EXPECT_EQ(shared->n_refs(), 3);
}

TEST_F(ObjectTest, NullItemsAreKeptButSkippedByEveryWalk) {
  std::string identity;
  {
    TestObject o;
    identity = id(o);
    auto* a = new TestAttrib("a");
    o.add_attrib(a);
    o.add_attrib(nullptr);
    o.add_reactor(new TestReactor("r"));
    o.add_reactor(nullptr);
    EXPECT_EQ(o.find_attrib_by_type(MxAttrib::type_id()), a);
    EXPECT_EQ(o.find_attrib_by_id(0), nullptr);
    EXPECT_EQ(o.find_reactor_by_id(0), nullptr);
    o.notify();
    {
      TestObject copy(o);
      EXPECT_EQ(names_of(copy), (Calls{"a"}));
    }
    o.detach_attrib(nullptr); // removes the null item, touches nothing else
    EXPECT_EQ(names_of(o), (Calls{"a"}));
    journal_of_calls.clear();
  }
  EXPECT_EQ(journal_of_calls,
            with_event({"invariant a: @", "react r: @", "~r", "~a"}, "MxObjectDelete " + identity));
}

// ---- client code that changes the lists while it is being notified

TEST_F(ObjectTest, ClientsMayChangeTheListsWhileNotified) {
  struct Case {
    const char* what;
    std::function<void(TestObject&)> setup;
    Calls calls, next_time; // what the first notification and the next one call
  };
  const Case cases[] = {
      {"a reactor detaches itself",
       [](TestObject& o) {
         auto* quitter = new TestReactor("quitter");
         quitter->on_react = [&o, quitter](const MxEvent&) {
           o.detach_reactor(quitter);
           journal_of_calls.push_back("still alive: " + quitter->name());
         };
         o.add_reactor(new TestReactor("older"));
         o.add_reactor(quitter);
       },
       {"react quitter: @", "still alive: quitter", "react older: @", "~quitter"},
       {"react older: @"}},
      {"a reactor detached by an earlier one is not called",
       [](TestObject& o) {
         auto* victim = new TestReactor("victim");
         auto* killer = new TestReactor("killer");
         killer->on_react = [&o, victim](const MxEvent&) { o.detach_reactor(victim); };
         o.add_reactor(victim);
         o.add_reactor(killer);
       },
       {"react killer: @", "~victim"},
       {"react killer: @"}},
      {"clearing all reactors stops the walk, also of a long list",
       [](TestObject& o) {
         auto* clearer = new TestReactor("clearer");
         clearer->on_react = [&o](const MxEvent&) { o.detach_all_reactors(); };
         for (int i = 0; i < 40; ++i) o.add_reactor(new TestReactor(i < 39 ? "r" : "r39"));
         o.add_reactor(clearer);
       },
       {"react clearer: @", "~r39"},
       {}},
      {"an attribute detaches itself and another",
       [](TestObject& o) {
         auto* self_remover = new TestAttrib("self");
         auto* victim = new TestAttrib("victim");
         self_remover->on_invariant = [&o, self_remover, victim](const MxEvent&) {
           o.detach_attrib(self_remover);
           o.detach_attrib(victim);
         };
         o.add_attrib(victim);
         o.add_attrib(self_remover);
       },
       {"invariant self: @", "~self", "~victim"},
       {}},
      {"a reactor added while notified hears from the next one",
       [](TestObject& o) {
         auto* recruiter = new TestReactor("recruiter");
         recruiter->on_react = [&o, recruiter](const MxEvent&) {
           recruiter->on_react = nullptr;
           o.add_reactor(new TestReactor("recruit"));
         };
         o.add_reactor(recruiter);
       },
       {"react recruiter: @"},
       {"react recruit: @", "react recruiter: @"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestObject o;
    c.setup(o);
    journal_of_calls.clear();
    o.notify();
    Calls calls = journal_of_calls; // the long list's other reactors die after "~r39"
    calls.resize(std::min(calls.size(), c.calls.size()));
    EXPECT_EQ(calls, with_event(c.calls, "MxObjectModified " + id(o)));
    journal_of_calls.clear();
    o.notify();
    EXPECT_EQ(journal_of_calls, with_event(c.next_time, "MxObjectModified " + id(o)));
    o.detach_all_reactors();
    o.detach_all_attribs();
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, ListsMayChangeWhileTheObjectIsDestroyed) {
  auto* quitter = new TestReactor("quitter");
  std::string identity;
  {
    TestObject o;
    identity = id(o);
    quitter->on_react = [&o, quitter](const MxEvent&) { o.detach_reactor(quitter); };
    o.add_reactor(new TestReactor("older"));
    o.add_reactor(quitter);
    auto* r = new TestReactor("r"); // items added while the lists are released go too
    r->on_destroy = [&o]() {
      o.add_attrib(new TestAttrib("late"));
      o.detach_reactor(nullptr);
    };
    o.add_reactor(r);
  }
  EXPECT_EQ(journal_of_calls, with_event({"react r: @", "react quitter: @", "react older: @",
                                          "~quitter", "~r", "~older", "~late"},
                                         "MxObjectDelete " + identity));
}

TEST_F(ObjectTest, NothingLeaksWhateverIsDroppedFirst) {
  {
    MxRCPtr<TestAttrib> a(new TestAttrib("a"));
    MxRCPtr<TestReactor> r(new TestReactor("r"));
    {
      TestObject o;
      o.add_attrib(a.get());
      o.add_reactor(r.get());
    }
    EXPECT_EQ(a->n_refs() + r->n_refs(), 2);
  }
  auto* o = new TestObject;
  {
    MxRCPtr<TestAttrib> a(new TestAttrib("a"));
    o->add_attrib(a.get());
    o->add_reactor(MxRCPtr<TestReactor>(new TestReactor("r")).get());
  }
  EXPECT_EQ(live_attribs + live_reactors, 2);
  MxRCPtr<MxObject> held(o);
  MxRCPtr<MxObject> also(held);
  EXPECT_EQ(held->n_refs(), 2);
}

TEST_F(ObjectTest, CastAndCountersReportUnderTheirOwnTags) {
  TestObject o;
  TestAttrib a("a");
  TestReactor r("r");
  EXPECT_STREQ(o.classname(), "TestObject");
  EXPECT_TRUE(static_cast<const MxAttrib&>(a).MxAttrib::sharable());
  EXPECT_TRUE(static_cast<const MxReactor&>(r).MxReactor::sharable());
  EXPECT_EQ(o.get_interface(MxInterface::interface_id()), nullptr);
  EXPECT_EQ(MxObject::cast(static_cast<MxDynObj*>(&o)), &o);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(MxObject::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(MxObject::cast(static_cast<const MxDynObj*>(&a)), nullptr);
  EXPECT_EQ(reports.tags(), (ReportTags{"mxobject", "mxobject"}));
  reports.clear();
  o.remove_ref();
  EXPECT_EQ(o.n_refs(), -1);
  o.add_ref();
  a.remove_ref();
  EXPECT_EQ(a.n_refs(), -1);
  a.add_ref();
  r.remove_ref();
  EXPECT_EQ(r.n_refs(), -1);
  r.add_ref();
  EXPECT_EQ(reports.tags(), (ReportTags{"mxobject", "mxobject", "mxobject", "mxattrib", "mxattrib",
                                        "mxattrib", "mxreactor", "mxreactor", "mxreactor"}));
  EXPECT_EQ(o.n_refs() + a.n_refs() + r.n_refs(), 0);
}

} // namespace
