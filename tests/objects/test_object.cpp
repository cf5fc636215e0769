// MxObject with its attributes, reactors and events: random sessions against
// a model of the lists and counts, client code that changes the lists while
// it is notified, and the checks that report under the object model's tags.
#include "mxobject.h"

#include "support/clients.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

TEST(Object, RandomSessionsAgreeWithTheModel) {
  std::mt19937 random(16);
  for (int session = 0; session < 300; ++session) {
    std::vector<uint8_t> bytes(static_cast<size_t>(session % 7 == 0 ? 2000 : 300));
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    EXPECT_EQ(ObjectSession().run(ByteSource{bytes.data(), bytes.size()}), "") << session;
  }
}

struct ObjectTest : ReportingTest {
  ObjectTest() { ClientLog::reset(); }
  ~ObjectTest() override {
    EXPECT_EQ(ClientLog::live_attribs + ClientLog::live_reactors, 0) << "leaked or deleted twice";
  }
  /// `calls` with a trailing "@" replaced by the event told: from identity
  /// `first` for attributes, `first + next` for reactors.
  static Calls told(Calls calls, const std::string& event, int object, int first, int next) {
    for (std::string& c : calls) {
      if (c.back() != '@') continue;
      const int identity = first + (c.rfind("react", 0) == 0 ? next : 0);
      c.replace(c.size() - 1, 1,
                event + " " + std::to_string(object) + " #" + std::to_string(identity));
    }
    return calls;
  }
};

TEST_F(ObjectTest, ClientsMayChangeTheListsWhileNotified) {
  struct Case {
    const char* what;
    std::function<void(Thing&)> setup;
    Calls calls, next_time; // what the first notification and the next one call
  };
  const Case cases[] = {
      {"a reactor detaches itself",
       [](Thing& o) {
         auto* quitter = new ClientReactor({"quitter"});
         quitter->on_event = [&o, quitter](const MxEvent&) {
           o.detach_reactor(quitter);
           ClientLog::note("still alive: " + quitter->name());
         };
         o.add_reactor(new ClientReactor({"older"}));
         o.add_reactor(quitter);
       },
       {"react quitter: @", "still alive: quitter", "react older: @", "~quitter"},
       {"react older: @"}},
      {"a reactor detached by an earlier one is not called",
       [](Thing& o) {
         auto* victim = new ClientReactor({"victim"});
         auto* killer = new ClientReactor({"killer"});
         killer->on_event = [&o, victim](const MxEvent&) { o.detach_reactor(victim); };
         o.add_reactor(victim);
         o.add_reactor(killer);
       },
       {"react killer: @", "~victim"},
       {"react killer: @"}},
      {"clearing all reactors stops the walk, also of a long list",
       [](Thing& o) {
         auto* clearer = new ClientReactor({"clearer"});
         clearer->on_event = [&o](const MxEvent&) { o.detach_all_reactors(); };
         for (int i = 0; i < 40; ++i) o.add_reactor(new ClientReactor({i < 39 ? "r" : "r39"}));
         o.add_reactor(clearer);
       },
       {"react clearer: @", "~r39"},
       {}},
      {"an attribute detaches itself and another",
       [](Thing& o) {
         auto* self_remover = new ClientAttrib({"self"});
         auto* victim = new ClientAttrib({"victim"});
         self_remover->on_event = [&o, self_remover, victim](const MxEvent&) {
           o.detach_attrib(self_remover);
           o.detach_attrib(victim);
         };
         o.add_attrib(victim);
         o.add_attrib(self_remover);
       },
       {"invariant self: @", "~self", "~victim"},
       {}},
      {"a reactor added while notified hears from the next one",
       [](Thing& o) {
         auto* recruiter = new ClientReactor({"recruiter"});
         recruiter->on_event = [&o, recruiter](const MxEvent&) {
           recruiter->on_event = nullptr;
           o.add_reactor(new ClientReactor({"recruit"}));
         };
         o.add_reactor(recruiter);
       },
       {"react recruiter: @"},
       {"react recruit: @", "react recruiter: @"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Thing o;
    c.setup(o);
    for (const Calls& expected : {c.calls, c.next_time}) {
      ClientLog::calls.clear();
      const int first = Thing::next_identity_value();
      o.notify();
      Calls calls = ClientLog::calls; // the long list's other reactors end after "~r39"
      calls.resize(std::min(calls.size(), expected.size()));
      EXPECT_EQ(calls, told(expected, "MxObjectModified", o.identity(), first, 1));
    }
    o.detach_all_reactors();
    o.detach_all_attribs();
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(ObjectTest, ListsMayChangeWhileTheObjectIsDestroyed) {
  auto* quitter = new ClientReactor({"quitter"});
  int identity = 0, event = 0;
  {
    Thing o;
    identity = o.identity();
    quitter->on_event = [&o, quitter](const MxEvent&) { o.detach_reactor(quitter); };
    o.add_reactor(new ClientReactor({"older"}));
    o.add_reactor(quitter);
    auto* r = new ClientReactor({"r"}); // items added while the lists are released go too
    r->on_destroy = [&o]() {
      o.add_attrib(new ClientAttrib({"late"}));
      o.detach_reactor(nullptr);
    };
    o.add_reactor(r);
    event = Thing::next_identity_value();
  }
  EXPECT_EQ(ClientLog::calls, told({"react r: @", "react quitter: @", "react older: @", "~quitter",
                                    "~r", "~older", "~late"},
                                   "MxObjectDelete", identity, event, 0));
}

TEST_F(ObjectTest, CastsAndCountersReportUnderTheirOwnTags) {
  Thing o;
  ClientAttrib a;
  ClientReactor r;
  EXPECT_STREQ(o.classname(), "MxObject");
  EXPECT_TRUE(static_cast<const MxAttrib&>(a).MxAttrib::sharable());
  EXPECT_TRUE(static_cast<const MxReactor&>(r).MxReactor::sharable());
  EXPECT_EQ(o.get_interface(MxInterface::interface_id()), nullptr);
  EXPECT_EQ(MxObject::cast(static_cast<MxDynObj*>(&o)), &o);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(MxObject::cast(static_cast<MxDynObj*>(nullptr)), nullptr);
  EXPECT_EQ(MxObject::cast(static_cast<const MxDynObj*>(&a)), nullptr);
  EXPECT_EQ(reports.take_tags(), (ReportTags{"mxobject", "mxobject"}));
  for (const MxRCObj* counted : std::initializer_list<const MxRCObj*>{&o, &a, &r}) {
    counted->remove_ref();
    EXPECT_EQ(counted->n_refs(), -1);
    counted->add_ref();
    EXPECT_EQ(counted->n_refs(), 0);
  }
  EXPECT_EQ(reports.tags(), (ReportTags{"mxobject", "mxobject", "mxobject", "mxattrib", "mxattrib",
                                        "mxattrib", "mxreactor", "mxreactor", "mxreactor"}));
  auto* held = new Thing; // the last holder of an object deletes it
  held->add_reactor(new ClientReactor({"watcher"}));
  {
    MxRCPtr<MxObject> first(held), second(first);
    EXPECT_EQ(held->n_refs(), 2);
  }
  EXPECT_EQ(ClientLog::calls.back(), "~watcher");
}

} // namespace
