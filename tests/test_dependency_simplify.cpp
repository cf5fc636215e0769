// Removal and simplification: the composition table, bridging of chains,
// creations from nothing, deletions, splits, absorptions, the trace, and
// random histories that must stay valid after every step.
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
      EXPECT_EQ(reports.count(), reported ? 1u : 0u)
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
  EXPECT_EQ(reports.count(), 1u);
}

// ---------------------------------------------------------------------------
// Simplification of small histories

TEST_F(Simplify, SmallHistories) {
  // Histories in the shorthand of `Named::record`; the edges left, and lines
  // the trace must hold.
  struct Case {
    const char* what;
    const char* history;
    std::vector<std::string> edges;
    std::vector<std::string> trace_lines;
    bool split_modificational = true;
  };
  const Case cases[] = {
      {"a chain becomes one link", "a M b, b M c, c M d", {"a -> d MODIFICATION - 0"}, {}},
      {"a creation then a modification keeps the creation's qualifier",
       "a C1 b, b M2 c",
       {"a -> c CREATION 1 0"},
       {}},
      {"a modification then a split takes the split's qualifier and separator",
       "a M1 b | b S2 cd",
       {"a -> c SPLIT 2 1", "a -> d SPLIT 2 1"},
       {}},
      {"created from nothing, then deleted: the null-object node is not bridged to itself "
       "(without a trace the destroyed node must leave the step's roots: ASan watches)",
       "- C a, a D -",
       {},
       {"         n1 == n3 == NULL-object => skip n3"}},
      {"modified, then deleted", "a M b, b D -", {"a -> NULL DELETION - 0"}, {}},
      {"deleted, and deleted through a split part as well: the bridge meets the deletion (no "
       "misuse); a keeps a real target, so its deletion is pruned and the lone part left is a "
       "modification",
       "a S bc, a D -, b D -",
       {"a -> c MODIFICATION - 0"},
       {"         link between n1 and n3 already existing => skip n3"}},
      {"a root whose targets are leaves: nothing to do",
       "a S bc",
       {"a -> b SPLIT - 0", "a -> c SPLIT - 0"},
       {}},
      {"the null-object node is never an intermediate: a deletion and a creation stay",
       "a D -, - C b",
       {"NULL -> b CREATION - 0", "a -> NULL DELETION - 0"},
       {}},
      {"a creation from nothing gives way to a real source, and the null-object node goes",
       "- C b, a C b, b M c",
       {"a -> c CREATION - 0"},
       {}},
      {"two roots absorbed into an intermediate: while a is bridged, d still has its "
       "modification from c, so the mix turns the absorption into a creation",
       "ab A c, c M d",
       {"a -> d CREATION - 0", "b -> d CREATION - 0"},
       {"      is unchecked root => skip n1, remove n2 later"}},
      {"two paths to one target build one link",
       "a S bc, bc A d",
       {"a -> d CREATION - 0"},
       {"            remember triple to skip with n2a = 3",
        "         already handled n1 and n3 earlier => skip n3"}},
      {"a -> c, a -> b and b -> c: c, met first, may be bridged only once b is gone",
       "a C c, a C b, b C c, c M d",
       {"a -> d CREATION - 0"},
       {"      (n1 and n2) may become (n2 and n3) => skip n1, store n2 to remove it later"}},
      {"a is absorbed into d through b, and also made into e: a did not vanish into d, so "
       "a -> d is a creation",
       "a C b, a C e, bc A d, f M c",
       {"a -> d CREATION - 0", "a -> e CREATION - 0", "f -> d CREATION - 0"},
       {}},
      {"a makes b and is then absorbed into d with b and c: bridging b composes a creation, "
       "which a's absorption takes on, and c's absorption must follow",
       "a C b, bac A d",
       {"a -> d CREATION - 0", "c -> d CREATION - 0"},
       {"         link between n1 and n3 already existing => skip n3"}},
      {"a split left with one part becomes a modification",
       "a S bc, be A d",
       {"a -> c MODIFICATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {}},
      {"... or a creation, when splits are not considered modificational",
       "a S bc, be A d",
       {"a -> c CREATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {},
       false},
      {"a containment left with one part becomes a modification",
       "a T bc, be A d",
       {"a -> c MODIFICATION - 0", "a -> d CREATION - 0", "e -> d CREATION - 0"},
       {}},
      {"of two split groups told apart by their qualifiers, only the one left with one part is "
       "repaired (a's deletion, bridged from b, is pruned: a has real targets)",
       "a S1 bc, a S2 de, b D -",
       {"a -> c MODIFICATION 1 0", "a -> d SPLIT 2 0", "a -> e SPLIT 2 0"},
       {}},
      {"c, already taken up into d in this batch, is still a target of a: d is postponed and "
       "the absorptions, met by a creation, become creations",
       "ab A c, ca A d, d M e",
       {"a -> e CREATION - 0", "b -> e CREATION - 0"},
       {"      (n1 and n2) may become (n2 and n3) => skip n1, store n2 to remove it later"}},
      {"d -> a waits to be dropped while b and d are bridged into g: it still counts, so no "
       "second bridge is built and the absorptions stay",
       "| dac A0 e, e D -, d A a, b M0 f, bdf A g",
       {"b -> g ABSORPTION - 1", "c -> NULL DELETION - 1", "d -> g ABSORPTION - 1"},
       {"         link between n1 and n3 already existing => skip n3"}},
      {"a node linked to itself stays, and so do its neighbours",
       "a C b, b C b, b C c",
       {"a -> b CREATION - 0", "b -> b CREATION - 0", "b -> c CREATION - 0"},
       {}},
  };
  for (const Case& k : cases) {
    for (bool traced : {false, true}) {
      SCOPED_TRACE(std::string(k.what) + (traced ? ", traced" : ""));
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
    return ::record(graph, s, t, type, q);
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
  for (const MxDynObj* r : sources(g, nullptr).objects) {
    const Objects t = targets(g, r).objects;
    out[r] = std::set<const MxDynObj*>(t.begin(), t.end());
  }
  return out;
}

/// Whether every link runs from a root (or the null-object node) to a leaf
/// (or the null-object node).
bool links_run_from_roots_to_finals(MxObjDependency& g) {
  std::set<std::string> roots{"NULL"}, leaves{"NULL"};
  for (const MxDynObj* o : sources(g, nullptr).objects) roots.insert(id(*o));
  for (const MxDynObj* o : targets(g, nullptr).objects) leaves.insert(id(*o));
  for (const std::string& e : edges(g)) {
    std::istringstream in(e);
    std::string source, arrow, target;
    in >> source >> arrow >> target;
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
    ASSERT_TRUE(reports.empty()) << "seed " << seed << ": "
                                 << ::testing::PrintToString(reports.all());
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
  EXPECT_TRUE(reports.empty()) << ::testing::PrintToString(reports.all()).substr(0, 2000);
  EXPECT_TRUE(h.graph.is_valid(nullptr));
  EXPECT_EQ(lineage(h.graph), before);
  EXPECT_TRUE(links_run_from_roots_to_finals(h.graph));
}

} // namespace
