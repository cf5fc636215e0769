// Removal and simplification: the composition table, bridging of chains,
// creations from nothing, deletions, splits, absorptions, the trace, and
// random histories that must stay valid after every step.
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using T = MxObjectDependency;
using Objects = std::vector<const MxDynObj*>;

std::vector<std::string> reports;
void record_report(const char* file, int line) {
  reports.emplace_back(std::string(file) + ":" + std::to_string(line));
}

std::string joined(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + " ";
  return out;
}

struct Simplify : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record_report, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record_report, false); }
};

class Thing : public MxObject {
public:
  MxDynObj* clone() const override { return new Thing(*this); }
  static void next_identity_is(int id) { IDENTITY_INDEX = id; }
};

class Probe : public MxObjDependency {
public:
  using MxObjDependency::compose_link_types;
  using MxObjDependency::LinkValues;
};

/// An iterator over a list of objects.
class List : public MxIterator<const MxDynObj*> {
public:
  List(std::initializer_list<const MxDynObj*> objects) : items_(objects) {}
  explicit List(std::vector<const MxDynObj*> objects) : items_(std::move(objects)) {}
  const MxDynObj** first() override { return items_.empty() ? nullptr : &items_[0]; }
  void next() override { ++at_; }
  bool done() override { return at_ >= items_.size(); }
  void reset() override { at_ = 0; }
  const MxDynObj** current() override { return at_ < items_.size() ? &items_[at_] : nullptr; }

private:
  std::vector<const MxDynObj*> items_;
  size_t at_ = 0;
};

/// The edges of the graph as the dot dump shows them, one string each:
/// "source -> target TYPE qualifier separator".
std::vector<std::string> edges(MxObjDependency& g) {
  const bool dotty = g.dotty_output_format();
  g.set_dotty_output_format(true);
  MxStringJournal j;
  g.debug(j, MxDebugFull, false, 0);
  g.set_dotty_output_format(dotty);
  std::vector<std::string> out;
  const std::string& text = j.text();
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const size_t arrow = line.find("  -> {");
    if (arrow == std::string::npos) continue;
    const size_t close = line.find('}', arrow);
    const size_t label = line.find("label=\"", close) + 7;
    const size_t newline = line.find("\\nseparator ", label);
    const size_t quote = line.find('"', newline);
    out.push_back(line.substr(0, arrow) + " -> " + line.substr(arrow + 6, close - arrow - 6) + " " +
                  line.substr(label, newline - label) + " " +
                  line.substr(newline + 12, quote - newline - 12));
  }
  return out;
}

std::string id(const MxDynObj& o) {
  return std::to_string(o.identity());
}

int node_count(const MxObjDependency& g) {
  MxStringJournal j;
  g.debug(j, MxDebugSummary, false, 0);
  const std::string key = "number of nodes               : ";
  return std::stoi(j.text().substr(j.text().find(key) + key.size()));
}

Objects read(MxAutoPtr<MxIterator<const MxDynObj*>>& it) {
  Objects out;
  for (it->reset(); !it->done(); it->next()) out.push_back(*it->current());
  return out;
}

// ---------------------------------------------------------------------------
// Composition

TEST_F(Simplify, CompositionTable) {
  // Rows: n1 -> n2; columns: n2 -> n3 (CREATION .. CONTAINMENT, then 0).
  // Each cell: resulting type, then whose qualifier it carries.
  struct Row {
    T::Type first;
    const char* cells[8];
  };
  const Row rows[] = {
      {T::CREATION, {"C2", "D2", "C1", "C1", "C2", "C1", "C1", "C1"}},
      {T::MODIFICATION, {"C2", "D2", "M2", "S2", "A2", "M1", "C1", "M1"}},
      {T::SPLIT, {"C2", "D2", "S1", "S1", "C2", "S1", "S1", "S1"}},
      {T::ABSORPTION, {"C2", "D2", "A1", "C1", "A2", "A1", "C1", "A1"}},
      {T::CONTAINMENT, {"C2", "D2", "T1", "S2", "A2", "T1", "T1", "T1"}},
      {T::CONVERSION, {"C2", "D2", "M2", "S2", "A2", "V2", "T2", "U2"}},
      {T::DELETION, {"D1", "D1", "D1", "D1", "D1", "D1", "D1", "D1"}},
  };
  const T::Type columns[] = {T::CREATION,   T::DELETION,   T::MODIFICATION, T::SPLIT,
                             T::ABSORPTION, T::CONVERSION, T::CONTAINMENT,  T::UNSPECIFIED};
  auto letter = [](T::Type t) {
    switch (t) {
    case T::CREATION:
      return 'C';
    case T::DELETION:
      return 'D';
    case T::MODIFICATION:
      return 'M';
    case T::SPLIT:
      return 'S';
    case T::ABSORPTION:
      return 'A';
    case T::CONVERSION:
      return 'V';
    case T::CONTAINMENT:
      return 'T';
    default:
      return 'U';
    }
  };
  for (const Row& row : rows) {
    for (int c = 0; c < 8; ++c) {
      reports.clear();
      const Probe::LinkValues first{row.first, true, 11, 1};
      const Probe::LinkValues second{columns[c], true, 22, 2};
      const Probe::LinkValues r = Probe::compose_link_types(first, second);
      const std::string cell =
          std::string(1, letter(r.type)) + (r.target_qualifier == 11 ? "1" : "2");
      EXPECT_EQ(cell, row.cells[c])
          << T::type_name(row.first) << " then " << T::type_name(columns[c]);
      EXPECT_EQ(r.separator, 2);
      EXPECT_TRUE(r.has_target_qualifier);
      // Unknown second types and a deletion first are reported, except
      // after a conversion.
      const bool reported = (c == 7 && row.first != T::CONVERSION) || row.first == T::DELETION;
      EXPECT_EQ(reports.size(), reported ? 1u : 0u)
          << T::type_name(row.first) << " then " << T::type_name(columns[c]);
    }
  }
  // The qualifier's presence travels with its value.
  const Probe::LinkValues none{T::MODIFICATION, false, -1, 0};
  const Probe::LinkValues some{T::MODIFICATION, true, 5, 3};
  Probe::LinkValues r = Probe::compose_link_types(some, none);
  EXPECT_FALSE(r.has_target_qualifier);
  EXPECT_EQ(r.target_qualifier, -1);
  r = Probe::compose_link_types(none, some);
  EXPECT_TRUE(r.has_target_qualifier);
  EXPECT_EQ(r.target_qualifier, 5);
  // An unknown first type takes the second's type, reported.
  reports.clear();
  r = Probe::compose_link_types(Probe::LinkValues{static_cast<T::Type>(42), true, 1, 0}, some);
  EXPECT_EQ(r.type, T::MODIFICATION);
  EXPECT_EQ(reports.size(), 1u);
}

// ---------------------------------------------------------------------------
// Simplification of small histories

TEST_F(Simplify, ChainBecomesOneLinkInThreeSteps) {
  Thing a, b, c, d;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&c, &d, T::MODIFICATION, nullptr, nullptr);
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  EXPECT_EQ(g.trace_journal(), &trace);
  g.simplify_it();
  EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> " + id(d) + " MODIFICATION - 0"});
  EXPECT_EQ(node_count(g), 2);
  size_t steps = 0;
  for (size_t at = trace.text().find("\"simplify_step\""); at != std::string::npos;
       at = trace.text().find("\"simplify_step\"", at + 1))
    ++steps;
  EXPECT_EQ(steps, 3u);
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  EXPECT_FALSE(g.get_source_objects(&b, it, nullptr, nullptr)); // gone
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, ExactTraceOfAChain) {
  Thing::next_identity_is(1);
  Thing a, b, c;
  MxObjDependency g;
  g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::MODIFICATION, nullptr, nullptr);
  MxStringJournal trace;
  g.set_trace_journal(&trace);
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
  EXPECT_EQ(node_count(g), 2);
}

TEST_F(Simplify, CompositionCarriesTheRightQualifier) {
  Thing a, n2, b, c;
  int one = 1, two = 2;
  {
    MxObjDependency g;
    g.record_dependency(&a, &n2, T::CREATION, &one, nullptr);
    g.record_dependency(&n2, &b, T::MODIFICATION, &two, nullptr);
    g.simplify_it();
    EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> " + id(b) + " CREATION 1 0"});
  }
  {
    MxObjDependency g;
    g.record_dependency(&a, &n2, T::MODIFICATION, &one, nullptr);
    g.new_separator();
    List from{&n2};
    List parts{&b, &c};
    g.record_dependency(&from, &parts, T::SPLIT, &two, nullptr);
    g.simplify_it();
    EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(b) + " SPLIT 2 1",
                                                  id(a) + " -> " + id(c) + " SPLIT 2 1"}));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, CreatedThenDeletedLeavesNothing) {
  // Without a trace the step walks only its active roots; the null-object
  // node it destroys must leave that list too (caught by ASan otherwise).
  for (bool traced : {true, false}) {
    SCOPED_TRACE(traced);
    Thing a;
    MxObjDependency g;
    g.record_dependency(nullptr, &a, T::CREATION, nullptr, nullptr);
    g.record_dependency(&a, nullptr, T::DELETION, nullptr, nullptr);
    MxStringJournal trace;
    if (traced) g.set_trace_journal(&trace);
    g.simplify_it();
    if (traced) {
      EXPECT_NE(trace.text().find("         n1 == n3 == NULL-object => skip n3\n"),
                std::string::npos);
    }
    EXPECT_EQ(node_count(g), 0);
    EXPECT_TRUE(g.is_valid(nullptr));
    EXPECT_TRUE(reports.empty());
  }
}

TEST_F(Simplify, ModifiedThenDeleted) {
  Thing a, b;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::MODIFICATION, nullptr, nullptr);
  g.record_dependency(&b, nullptr, T::DELETION, nullptr, nullptr);
  g.simplify_it();
  EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> NULL DELETION - 0"});
  EXPECT_EQ(node_count(g), 2);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, DeletionAlsoReachedThroughAnIntermediateIsNoMisuse) {
  // a is deleted, and so is b, one of the parts a was split into: the
  // bridge a -> NULL meets the existing deletion, which is no misuse. a keeps
  // a real target, so its own deletion link is pruned afterwards, and its
  // split, left with one part, becomes a modification.
  Thing a, b, c;
  MxObjDependency g;
  List from{&a};
  List parts{&b, &c};
  g.record_dependency(&from, &parts, T::SPLIT, nullptr, nullptr);
  g.record_dependency(&a, nullptr, T::DELETION, nullptr, nullptr);
  g.record_dependency(&b, nullptr, T::DELETION, nullptr, nullptr);
  ASSERT_TRUE(g.is_valid(nullptr));
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  g.simplify_it();
  EXPECT_NE(trace.text().find("         link between n1 and n3 already existing => skip n3\n"),
            std::string::npos);
  EXPECT_TRUE(reports.empty()) << joined(reports);
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> " + id(c) + " MODIFICATION - 0"});
  EXPECT_EQ(node_count(g), 2);
}

TEST_F(Simplify, NothingToDo) {
  Thing a, b, c;
  {
    MxObjDependency g; // no roots at all
    g.record_dependency(&a, &b, T::CREATION, nullptr, nullptr);
    g.record_dependency(&b, &a, T::CREATION, nullptr, nullptr);
    MxStringJournal trace;
    g.set_trace_journal(&trace);
    const std::vector<std::string> before = edges(g);
    g.simplify_it();
    EXPECT_EQ(trace.text(), "\"simplify_step\" with 0 roots.\nremove n2s to remove later\n");
    EXPECT_EQ(edges(g), before);
  }
  {
    MxObjDependency g; // a root whose targets are leaves
    List from{&a};
    List parts{&b, &c};
    g.record_dependency(&from, &parts, T::SPLIT, nullptr, nullptr);
    const std::vector<std::string> before = edges(g);
    g.simplify_it();
    EXPECT_EQ(edges(g), before);
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, CreationFromNothingGivesWayToARealSource) {
  // b is created from nothing and also from a: after bridging b's
  // intermediate away, the creation from nothing is dropped, and with it the
  // null-object node.
  Thing a, m, b;
  MxObjDependency g;
  g.record_dependency(nullptr, &m, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &m, T::CREATION, nullptr, nullptr);
  g.record_dependency(&m, &b, T::MODIFICATION, nullptr, nullptr);
  g.simplify_it();
  EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> " + id(b) + " CREATION - 0"});
  EXPECT_EQ(node_count(g), 2);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, TwoRootsFeedingOneIntermediate) {
  Thing a, b, m, c;
  MxObjDependency g;
  List both{&a, &b};
  List one{&m};
  g.record_dependency(&both, &one, T::ABSORPTION, nullptr, nullptr);
  g.record_dependency(&m, &c, T::MODIFICATION, nullptr, nullptr);
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  g.simplify_it();
  // While a is bridged, c still has its modification from m: the mix of an
  // absorption and another kind turns the absorption into a creation, and
  // b's bridge then joins a creation.
  EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(c) + " CREATION - 0",
                                                id(b) + " -> " + id(c) + " CREATION - 0"}));
  EXPECT_NE(trace.text().find("      is unchecked root => skip n1, remove n2 later\n"),
            std::string::npos);
  EXPECT_EQ(trace.text().find("\"simplify_step\" with 2 roots.", 1),
            trace.text().rfind("\"simplify_step\" with 2 roots.")); // two steps
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, TwoPathsToOneTargetBuildOneLink) {
  // a splits into m1 and m2, both absorbed into c: one link a -> c remains.
  Thing a, m1, m2, c;
  MxObjDependency g;
  List from{&a};
  List parts{&m1, &m2};
  g.record_dependency(&from, &parts, T::SPLIT, nullptr, nullptr);
  List into{&c};
  g.record_dependency(&parts, &into, T::ABSORPTION, nullptr, nullptr);
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  g.simplify_it();
  EXPECT_EQ(edges(g), std::vector<std::string>{id(a) + " -> " + id(c) + " CREATION - 0"});
  EXPECT_NE(trace.text().find("            remember triple to skip with n2a = " + id(m2) + "\n"),
            std::string::npos);
  EXPECT_NE(trace.text().find("         already handled n1 and n3 earlier => skip n3\n"),
            std::string::npos);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, NextIntermediateIsPostponed) {
  // r -> y, r -> x and x -> y: y, met first, may be bridged only once x
  // is gone.
  Thing r, x, y, z;
  MxObjDependency g;
  g.record_dependency(&r, &y, T::CREATION, nullptr, nullptr);
  g.record_dependency(&r, &x, T::CREATION, nullptr, nullptr);
  g.record_dependency(&x, &y, T::CREATION, nullptr, nullptr);
  g.record_dependency(&y, &z, T::MODIFICATION, nullptr, nullptr);
  ASSERT_TRUE(g.is_valid(nullptr));
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  g.simplify_it();
  EXPECT_NE(trace.text().find("      (n1 and n2) may become (n2 and n3) => skip n1, store n2 to "
                              "remove it later\n"),
            std::string::npos);
  EXPECT_EQ(edges(g), std::vector<std::string>{id(r) + " -> " + id(z) + " CREATION - 0"});
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, AbsorbingSourceWithOtherTargetsCreatesInstead) {
  // a is absorbed into c through m, and also modified into d: a did not
  // vanish into c, so a -> c becomes a creation.
  Thing a, m, b, c, d, e;
  MxObjDependency g;
  g.record_dependency(&a, &m, T::CREATION, nullptr, nullptr);
  g.record_dependency(&a, &d, T::CREATION, nullptr, nullptr);
  List absorbed{&m, &b};
  List into{&c};
  g.record_dependency(&absorbed, &into, T::ABSORPTION, nullptr, nullptr);
  g.record_dependency(&e, &b, T::MODIFICATION, nullptr, nullptr);
  ASSERT_TRUE(g.is_valid(nullptr));
  g.simplify_it();
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(c) + " CREATION - 0",
                                                id(a) + " -> " + id(d) + " CREATION - 0",
                                                id(e) + " -> " + id(c) + " CREATION - 0"}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, AbsorptionMetByACreationBecomesACreationForAllSources) {
  // s makes t and is then absorbed into m together with t and x. Bridging t
  // away composes s -> m as a creation, which the existing absorption s -> m
  // takes on; x's absorption into m must follow, or m's sources would mix
  // kinds.
  Thing s, t, x, m;
  MxObjDependency g;
  g.record_dependency(&s, &t, T::CREATION, nullptr, nullptr);
  List absorbed{&t, &s, &x};
  List into{&m};
  g.record_dependency(&absorbed, &into, T::ABSORPTION, nullptr, nullptr);
  ASSERT_TRUE(g.is_valid(nullptr));
  MxStringJournal trace;
  g.set_trace_journal(&trace);
  g.simplify_it();
  EXPECT_NE(trace.text().find("         link between n1 and n3 already existing => skip n3\n"),
            std::string::npos);
  EXPECT_TRUE(reports.empty()) << joined(reports);
  EXPECT_TRUE(g.is_valid(nullptr));
  EXPECT_EQ(edges(g), (std::vector<std::string>{id(s) + " -> " + id(m) + " CREATION - 0",
                                                id(x) + " -> " + id(m) + " CREATION - 0"}));
}

TEST_F(Simplify, LoneSplitBecomesModificationOrCreation) {
  // a splits into m and b; m is absorbed into c together with x. Bridged,
  // a -> c is a creation and a's split has one part left.
  for (bool modificational : {true, false}) {
    Thing a, m, b, c, x;
    MxObjDependency g;
    g.set_consider_split_modificational(modificational);
    List from{&a};
    List parts{&m, &b};
    g.record_dependency(&from, &parts, T::SPLIT, nullptr, nullptr);
    List absorbed{&m, &x};
    List into{&c};
    g.record_dependency(&absorbed, &into, T::ABSORPTION, nullptr, nullptr);
    g.simplify_it();
    const std::string lone = modificational ? " MODIFICATION - 0" : " CREATION - 0";
    EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(b) + lone,
                                                  id(a) + " -> " + id(c) + " CREATION - 0",
                                                  id(x) + " -> " + id(c) + " CREATION - 0"}));
    EXPECT_TRUE(g.is_valid(nullptr));
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, LoneContainmentAndSplitGroupsAreRepaired) {
  int one = 1, two = 2;
  {
    Thing a, m, b, c, x;
    MxObjDependency g;
    List from{&a};
    List parts{&m, &b};
    g.record_dependency(&from, &parts, T::CONTAINMENT, nullptr, nullptr);
    List absorbed{&m, &x};
    List into{&c};
    g.record_dependency(&absorbed, &into, T::ABSORPTION, nullptr, nullptr);
    g.simplify_it();
    EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(b) + " MODIFICATION - 0",
                                                  id(a) + " -> " + id(c) + " CREATION - 0",
                                                  id(x) + " -> " + id(c) + " CREATION - 0"}));
  }
  {
    // Two split groups of a, told apart by their qualifiers: only the group
    // left with one part is repaired. (a's deletion link, bridged from m, is
    // pruned since a has real targets.)
    Thing a, m, b, p, q, c;
    MxObjDependency g;
    List from{&a};
    List first{&m, &b};
    List second{&p, &q};
    g.record_dependency(&from, &first, T::SPLIT, &one, nullptr);
    g.record_dependency(&from, &second, T::SPLIT, &two, nullptr);
    g.record_dependency(&m, nullptr, T::DELETION, nullptr, nullptr);
    ASSERT_TRUE(g.is_valid(nullptr));
    g.simplify_it();
    EXPECT_TRUE(g.is_valid(nullptr));
    EXPECT_EQ(edges(g), (std::vector<std::string>{id(a) + " -> " + id(b) + " MODIFICATION 1 0",
                                                  id(a) + " -> " + id(p) + " SPLIT 2 0",
                                                  id(a) + " -> " + id(q) + " SPLIT 2 0"}));
    (void)c;
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Simplify, NodesLinkedToThemselvesStay) {
  Thing a, b, c;
  MxObjDependency g;
  g.record_dependency(&a, &b, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &b, T::CREATION, nullptr, nullptr);
  g.record_dependency(&b, &c, T::CREATION, nullptr, nullptr);
  const std::vector<std::string> before = edges(g);
  g.simplify_it();
  EXPECT_EQ(edges(g), before);
}

// ---------------------------------------------------------------------------
// Random histories

/// A modelling session: objects are created, modified, split, absorbed,
/// converted, contained and deleted at random. Every operation makes new
/// objects, so the recorded graph is always valid.
class History {
public:
  explicit History(unsigned seed) : rng_(seed) {}

  void run(int operations) {
    for (int i = 0; i < operations; ++i) step();
  }
  MxObjDependency graph;
  std::vector<std::unique_ptr<Thing>> objects;

private:
  Thing* make() {
    objects.push_back(std::make_unique<Thing>());
    return objects.back().get();
  }
  int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  Thing* take_live() {
    const int i = pick(static_cast<int>(live_.size()));
    Thing* t = live_[static_cast<size_t>(i)];
    live_[static_cast<size_t>(i)] = live_.back();
    live_.pop_back();
    return t;
  }
  const int* qualifier() {
    if (pick(3) == 0) return nullptr;
    q_ = pick(3);
    return &q_;
  }
  bool record(const Objects& s, const Objects& t, T::Type type, const int* q) {
    List sources(s);
    List targets(t);
    return graph.record_dependency(s.empty() ? nullptr : &sources, t.empty() ? nullptr : &targets,
                                   type, q, nullptr);
  }
  void step() {
    if (pick(40) == 0) graph.new_separator();
    if (live_.size() < 4 || pick(10) == 0) {
      // A new object: created from nothing, or one that existed before the
      // history was recorded (it becomes a root when first used).
      Thing* t = make();
      if (pick(2) == 0) {
        EXPECT_TRUE(graph.record_dependency(nullptr, t, T::CREATION, qualifier(), nullptr));
      }
      live_.push_back(t);
      return;
    }
    // Few objects live at a time, so that operations keep meeting relatives.
    switch (live_.size() > 8 && pick(3) == 0 ? 0 : pick(11)) {
    case 0: { // deletion (all links into the null-object node share one qualifier)
      Thing* t = take_live();
      EXPECT_TRUE(graph.record_dependency(t, nullptr, T::DELETION, nullptr, nullptr));
      break;
    }
    case 1:
    case 2: { // modification or conversion
      Thing* s = take_live();
      Thing* t = make();
      EXPECT_TRUE(graph.record_dependency(s, t, pick(2) ? T::MODIFICATION : T::CONVERSION,
                                          qualifier(), nullptr));
      live_.push_back(t);
      break;
    }
    case 3:
    case 4: { // split or containment; a container lives on
      const bool split = pick(2) == 0;
      Thing* s = take_live();
      Objects parts;
      for (int k = 2 + pick(3); k > 0; --k) parts.push_back(make());
      EXPECT_TRUE(record({s}, parts, split ? T::SPLIT : T::CONTAINMENT, qualifier()));
      for (const MxDynObj* p : parts)
        live_.push_back(const_cast<Thing*>(static_cast<const Thing*>(p)));
      if (!split) live_.push_back(s);
      break;
    }
    case 5: { // absorption
      Objects sources;
      for (int k = 1 + pick(3); k > 0 && !live_.empty(); --k) sources.push_back(take_live());
      Thing* t = make();
      EXPECT_TRUE(record(sources, {t}, T::ABSORPTION, qualifier()));
      live_.push_back(t);
      break;
    }
    case 6: { // creation from objects that live on
      Objects sources;
      for (int k = 1 + pick(2); k > 0; --k) {
        Thing* s = live_[static_cast<size_t>(pick(static_cast<int>(live_.size())))];
        if (std::find(sources.begin(), sources.end(), s) == sources.end()) sources.push_back(s);
      }
      Thing* t = make();
      const int* q = qualifier();
      EXPECT_TRUE(record(sources, {t}, T::CREATION, q));
      live_.push_back(t);
      created_.push_back({t, q ? *q : kNoQualifier});
      break;
    }
    case 7: { // one more source for an object created from others
      if (created_.empty()) break;
      const auto& c = created_[static_cast<size_t>(pick(static_cast<int>(created_.size())))];
      Thing* s = make();
      EXPECT_TRUE(graph.record_dependency(nullptr, s, T::CREATION, nullptr, nullptr));
      const int q = c.second;
      EXPECT_TRUE(graph.record_dependency(s, c.first, T::CREATION, q == kNoQualifier ? nullptr : &q,
                                          nullptr));
      live_.push_back(s);
      break;
    }
    case 9:
    case 10: { // an object branches two ways, and the branches merge again
      Thing* s = take_live();
      Objects branches;
      const int variant = pick(4);
      if (variant == 0 || variant == 3) { // a creation from s, which lives on
        Thing* t = make();
        EXPECT_TRUE(graph.record_dependency(s, t, T::CREATION, nullptr, nullptr));
        branches.push_back(t);
      }
      if (variant == 1 || variant == 3) { // s splits
        Objects parts;
        for (int k = 2 + pick(2); k > 0; --k) parts.push_back(make());
        EXPECT_TRUE(record({s}, parts, T::SPLIT, nullptr));
        branches.push_back(parts[0]);
        branches.push_back(parts[1]);
        for (size_t k = 2; k < parts.size(); ++k)
          live_.push_back(const_cast<Thing*>(static_cast<const Thing*>(parts[k])));
      } else if (variant == 2) { // s holds parts and lives on, modified
        Objects parts{make(), make()};
        EXPECT_TRUE(record({s}, parts, T::CONTAINMENT, nullptr));
        branches.push_back(parts[0]);
        live_.push_back(const_cast<Thing*>(static_cast<const Thing*>(parts[1])));
      }
      if (variant != 1 && variant != 3) {
        Thing* t = make();
        EXPECT_TRUE(graph.record_dependency(s, t, pick(2) ? T::MODIFICATION : T::CONVERSION,
                                            nullptr, nullptr));
        branches.push_back(t);
      }
      if (pick(3) == 0 && !live_.empty()) branches.push_back(take_live());
      if (pick(3) == 0) branches.push_back(s); // s itself joins the merge
      Thing* merged = make();
      const bool absorb = pick(3) != 0;
      EXPECT_TRUE(record(branches, {merged}, absorb ? T::ABSORPTION : T::CREATION, nullptr));
      if (!absorb) created_.push_back({merged, kNoQualifier});
      live_.push_back(merged);
      break;
    }
    default: { // a modification chain
      Thing* s = take_live();
      for (int k = 1 + pick(4); k > 0; --k) {
        Thing* t = make();
        EXPECT_TRUE(graph.record_dependency(s, t, T::MODIFICATION, nullptr, nullptr));
        s = t;
      }
      live_.push_back(s);
      break;
    }
    }
  }

  static constexpr int kNoQualifier = -1000;
  std::mt19937 rng_;
  std::vector<Thing*> live_;
  std::vector<std::pair<Thing*, int>> created_;
  int q_ = 0;
};

/// For every root object, the set of objects it ultimately ended up in.
std::map<const MxDynObj*, std::set<const MxDynObj*>> lineage(const MxObjDependency& g) {
  std::map<const MxDynObj*, std::set<const MxDynObj*>> out;
  MxAutoPtr<MxIterator<const MxDynObj*>> roots;
  g.get_source_objects(nullptr, roots, nullptr, nullptr);
  for (const MxDynObj* r : read(roots)) {
    MxAutoPtr<MxIterator<const MxDynObj*>> targets;
    g.get_target_objects(r, targets, nullptr, nullptr);
    const Objects t = read(targets);
    out[r] = std::set<const MxDynObj*>(t.begin(), t.end());
  }
  return out;
}

/// Whether every link runs from a root (or the null-object node) to a leaf
/// (or the null-object node).
bool links_run_from_roots_to_finals(MxObjDependency& g) {
  std::set<std::string> roots{"NULL"}, leaves{"NULL"};
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  g.get_source_objects(nullptr, it, nullptr, nullptr);
  for (const MxDynObj* o : read(it)) roots.insert(id(*o));
  g.get_target_objects(nullptr, it, nullptr, nullptr);
  for (const MxDynObj* o : read(it)) leaves.insert(id(*o));
  for (const std::string& e : edges(g)) {
    const std::string source = e.substr(0, e.find(' '));
    const size_t arrow = e.find(" -> ") + 4;
    const std::string target = e.substr(arrow, e.find(' ', arrow) - arrow);
    if (!roots.count(source) || !leaves.count(target)) return false;
  }
  return true;
}

TEST_F(Simplify, RandomHistoriesStayValidAndKeepTheirLineage) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    History h(seed);
    h.run(150);
    if (!h.graph.is_valid(nullptr)) {
      MxStringJournal j;
      h.graph.is_valid(&j);
      ADD_FAILURE() << "seed " << seed << "\n" << j.text().substr(0, 3000);
      return;
    }
    const auto before = lineage(h.graph);
    MxObjDependency traced(h.graph);
    MxStringJournal trace;
    traced.set_trace_journal(&trace);
    // With a handler installed, simplify_it checks the graph after every
    // step and reports any invalid state.
    h.graph.simplify_it();
    ASSERT_TRUE(reports.empty()) << "seed " << seed << ": " << joined(reports);
    EXPECT_TRUE(h.graph.is_valid(nullptr)) << "seed " << seed;
    EXPECT_EQ(lineage(h.graph), before) << "seed " << seed;
    // Visiting every root (as a trace demands) gives the same result.
    traced.simplify_it();
    EXPECT_EQ(edges(traced), edges(h.graph)) << "seed " << seed;
    EXPECT_TRUE(links_run_from_roots_to_finals(h.graph)) << "seed " << seed;
    const std::vector<std::string> done = edges(h.graph);
    h.graph.simplify_it(); // nothing left to do
    EXPECT_EQ(edges(h.graph), done);
    EXPECT_TRUE(reports.empty());
  }
}

TEST_F(Simplify, LargeRandomHistoryStaysValidAfterEveryStep) {
  History h(2024);
  h.run(20000);
  ASSERT_TRUE(h.graph.is_valid(nullptr));
  const auto before = lineage(h.graph);
  h.graph.simplify_it();
  EXPECT_TRUE(reports.empty()) << joined(reports).substr(0, 2000);
  EXPECT_TRUE(h.graph.is_valid(nullptr));
  EXPECT_EQ(lineage(h.graph), before);
  EXPECT_TRUE(links_run_from_roots_to_finals(h.graph));
}

} // namespace
