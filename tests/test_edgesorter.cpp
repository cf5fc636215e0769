// MxEdgeSorter: distance gathering, the four strategies and their tie rules,
// the pre-pass, the orientation pass, the dump and the checked accessors;
// MxMatrix: checked element access.
#include "mxedgesorter.h"
#include "mxstringjournal.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using EdgeSorter = ReportingTest;
using Chains = std::vector<std::string>;

const char* const kTag = "mxedgesorter";
const char* const kMatrixTag = "protectedinterfaces/mxmatrix_t";

using Distance = std::function<double(size_t, size_t, bool, bool)>;

// A sorter whose distances come from a function; it counts its calls.
class FunctionSorter : public MxEdgeSorter {
public:
  FunctionSorter(size_t n, Distance distance) : MxEdgeSorter(n), distance_(std::move(distance)) {}
  double endpoint_distance(size_t a, size_t b, bool at_start_a, bool at_start_b) override {
    ++calls;
    return distance_(a, b, at_start_a, at_start_b);
  }
  int calls = 0;

private:
  Distance distance_;
};

int point_id(size_t edge, bool at_start) {
  return static_cast<int>(2 * edge + (at_start ? 0 : 1));
}

// Distances given per pair of end-point ids (2k start, 2k + 1 end of edge
// k); -1 for every pair not listed; self gaps per edge default to 1.0.
Distance table(std::map<std::pair<int, int>, double> pairs, std::map<size_t, double> gaps = {}) {
  return [pairs, gaps](size_t a, size_t b, bool sa, bool sb) {
    if (a == b) {
      auto gap = gaps.find(a);
      return gap == gaps.end() ? 1.0 : gap->second;
    }
    const int x = point_id(a, sa);
    const int y = point_id(b, sb);
    auto found = pairs.find({std::min(x, y), std::max(x, y)});
    return found == pairs.end() ? -1.0 : found->second;
  };
}

// Edges as segments between integer grid points.
struct Segment {
  int from;
  int to;
};

// 0.0 where two end points coincide, -1.0 elsewhere.
Distance touching(std::vector<Segment> segments) {
  return [segments](size_t a, size_t b, bool sa, bool sb) {
    const int p = sa ? segments[a].from : segments[a].to;
    const int q = sb ? segments[b].from : segments[b].to;
    return p == q ? 0.0 : -1.0;
  };
}

// One chain as text: "3+ 1- 2+".
std::string chain_text(const MxEdgeSorter& sorter, size_t c) {
  std::string text;
  for (size_t k = 0; k < sorter.n_link(c); ++k) {
    if (k) text += ' ';
    text += std::to_string(sorter.edge_index(c, k)) + (sorter.reversed(c, k) ? '-' : '+');
  }
  return text;
}

std::vector<std::string> chains(const MxEdgeSorter& sorter) {
  std::vector<std::string> all;
  for (size_t c = 0; c < sorter.n_chain(); ++c) all.push_back(chain_text(sorter, c));
  return all;
}

const MxEdgeSorter::MxSortStrategy kStrategies[] = {
    MxEdgeSorter::SORT_CLOSEST_PAIR, MxEdgeSorter::SORT_GROW_CHAIN, MxEdgeSorter::SORT_UNAMBIGUOUS,
    MxEdgeSorter::SORT_INDEX_ORDER, static_cast<MxEdgeSorter::MxSortStrategy>(7)};

std::string name_of(MxEdgeSorter::MxSortStrategy s) {
  return "strategy " + std::to_string(s);
}

// ------------------------------------------------------------------ basics

TEST_F(EdgeSorter, NothingJoinableLeavesForwardOneEdgeChains) {
  FunctionSorter unsorted(3, table({}));
  EXPECT_EQ(unsorted.n_chain(), 0u);
  EXPECT_EQ(unsorted.n_edge(), 3u);
  size_t c = 77, k = 88;
  EXPECT_FALSE(unsorted.get_indices(1, c, k));
  EXPECT_EQ(c, 77u);
  EXPECT_EQ(k, 88u);
  EXPECT_FALSE(unsorted.reversed(size_t{1}));
  EXPECT_EQ(unsorted.calls, 0);
  FunctionSorter none(0, table({})), apart(4, table({}));
  for (auto s : kStrategies) {
    none.sort(s);
    EXPECT_EQ(none.n_chain(), 0u);
    apart.sort(s);
    EXPECT_EQ(chains(apart), (Chains{"0+", "1+", "2+", "3+"})) << name_of(s);
  }
  EXPECT_EQ(none.calls, 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(EdgeSorter, DistanceFunctionIsCalledFourTimesPerOpenPairPlusOncePerEdge) {
  // edge 2 is closed (self gap 0.0), so only the pair (1, 0) is measured
  std::vector<std::tuple<size_t, size_t, bool, bool>> seen;
  FunctionSorter sorter(3, [&seen](size_t a, size_t b, bool sa, bool sb) {
    seen.emplace_back(a, b, sa, sb);
    return a == 2 && b == 2 ? 0.0 : -1.0;
  });
  sorter.sort(MxEdgeSorter::SORT_CLOSEST_PAIR);
  const std::vector<std::tuple<size_t, size_t, bool, bool>> expected = {
      {0, 0, true, false}, {1, 1, true, false}, {2, 2, true, false}, {1, 0, true, true},
      {1, 0, true, false}, {1, 0, false, true}, {1, 0, false, false}};
  EXPECT_EQ(seen, expected);
  sorter.sort(MxEdgeSorter::SORT_CLOSEST_PAIR); // sorting again measures again
  EXPECT_EQ(seen.size(), 2 * expected.size());
  EXPECT_EQ(sorter.calls, 14);
}

// Walks chain c and checks that each edge ends where the next one starts.
bool walks_connected(const MxEdgeSorter& sorter, size_t c, const std::vector<Segment>& segs) {
  int at = -1;
  for (size_t k = 0; k < sorter.n_link(c); ++k) {
    const Segment& s = segs[sorter.edge_index(c, k)];
    const int from = sorter.reversed(c, k) ? s.to : s.from;
    const int to = sorter.reversed(c, k) ? s.from : s.to;
    if (k && from != at) return false;
    at = to;
  }
  return true;
}

TEST_F(EdgeSorter, ThreeEdgePathInAnyOrderAndOrientationGivesOneChain) {
  // the path 10 - 11 - 12 - 13, edges shuffled and flipped every way
  const std::vector<Segment> path = {{10, 11}, {11, 12}, {12, 13}};
  std::vector<int> order = {0, 1, 2};
  do {
    for (int flips = 0; flips < 8; ++flips) {
      std::vector<Segment> segs;
      for (int k = 0; k < 3; ++k) {
        Segment s = path[static_cast<size_t>(order[static_cast<size_t>(k)])];
        if (flips & (1 << k)) std::swap(s.from, s.to);
        segs.push_back(s);
      }
      FunctionSorter sorter(3, touching(segs));
      for (auto s : kStrategies) {
        SCOPED_TRACE(name_of(s) + " flips " + std::to_string(flips));
        sorter.sort(s);
        ASSERT_EQ(sorter.n_chain(), 1u);
        ASSERT_EQ(sorter.n_link(0), 3u);
        int backwards = 0;
        for (size_t k = 0; k < 3; ++k) backwards += sorter.reversed(0, k);
        EXPECT_LE(backwards, 1);
        EXPECT_TRUE(walks_connected(sorter, 0, segs));
        size_t c = 9, k = 9;
        ASSERT_TRUE(sorter.get_indices(1, c, k));
        EXPECT_EQ(sorter.edge_index(c, k), 1u);
        EXPECT_EQ(sorter.reversed(size_t{1}), sorter.reversed(c, k));
      }
    }
  } while (std::next_permutation(order.begin(), order.end()));
  // a triangle: the chain cannot join its own two ends
  const std::vector<Segment> triangle = {{1, 2}, {3, 1}, {2, 3}};
  FunctionSorter loop(3, touching(triangle));
  for (auto s : kStrategies) {
    loop.sort(s);
    ASSERT_EQ(loop.n_chain(), 1u) << name_of(s);
    EXPECT_TRUE(walks_connected(loop, 0, triangle)) << name_of(s);
  }
  EXPECT_TRUE(reports.empty());
}

// Four edges P, Q, R, T: P.end - Q.start 0.01, Q.end - R.start 0.5,
// Q.end - T.end 0.6, R.start - T.end 0.1; nothing else joins.
Distance competing_ends() {
  return table({{{1, 2}, 0.01}, {{3, 4}, 0.5}, {{3, 7}, 0.6}, {{4, 7}, 0.1}});
}

TEST_F(EdgeSorter, StrategiesTiesThresholdsAndOrientation) {
  const auto closest = MxEdgeSorter::SORT_CLOSEST_PAIR, grow = MxEdgeSorter::SORT_GROW_CHAIN,
             unambiguous = MxEdgeSorter::SORT_UNAMBIGUOUS, index = MxEdgeSorter::SORT_INDEX_ORDER,
             unknown = static_cast<MxEdgeSorter::MxSortStrategy>(7);
  const Distance all_equal = [](size_t, size_t, bool, bool) { return 1.0; };
  auto with_gap = [](double gap) { return table({{{1, 2}, 0.0}}, {{0, gap}, {1, 1.0}}); };
  const struct {
    const char* what;
    size_t n;
    Distance distance;
    MxEdgeSorter::MxSortStrategy strategy;
    Chains chains;
  } cases[] = {
      {"touching", 2, table({{{1, 2}, 0.0}}), closest, {"0+ 1+"}},
      {"far, but the only partner", 2, table({{{1, 2}, 5.0}}), closest, {"0+ 1+"}},
      // distances of 1e20 and more are never chosen by a distance comparison
      {"unreachable", 2, table({{{1, 2}, 1e20}}), closest, {"0+", "1+"}},
      {"unreachable", 2, table({{{1, 2}, 1e20}}), grow, {"0+", "1+"}},
      {"unreachable", 2, table({{{1, 2}, 1e20}}), index, {"0+", "1+"}},
      // ... but the unambiguous walk compares none
      {"unreachable", 2, table({{{1, 2}, 1e20}}), unambiguous, {"0+ 1+"}},
      // on ties the last pair of ends in scan order wins: chain 1 joins
      // chain 2 end to end, then chain 0 joins end to end again
      {"all equal", 3, all_equal, closest, {"0+ 1+ 2-"}},
      {"all equal", 3, all_equal, unknown, {"0+ 1+ 2-"}},
      // every end has four partners: the pre-pass closes them all
      {"all equal", 3, all_equal, unambiguous, {"0+", "1+", "2+"}},
      // pair (1, 0) first, its last equal pair of ends (end, end)
      {"all equal", 3, all_equal, index, {"2+ 0+ 1-"}},
      // seeds like closest pair, then grows by the last nearest end
      {"all equal", 3, all_equal, grow, {"0+ 1+ 2-"}},
      // the closest pairs first: P-Q, then R-T; Q's end is left without partner
      {"competing", 4, competing_ends(), closest, {"0+ 1+", "3+ 2+"}},
      // P-Q is seeded and grown by its nearest end, R's start, before R-T
      {"competing", 4, competing_ends(), grow, {"0+ 1+ 2+", "3+"}},
      // pair (Q, P) first, then pair (R, P-Q) in index order
      {"competing", 4, competing_ends(), index, {"0+ 1+ 2+", "3+"}},
      // Q's end has two partners and is closed; R's start then has one left
      {"competing", 4, competing_ends(), unambiguous, {"0+ 1+", "3+ 2+"}},
      // edge 0's end touches the starts of edges 1 and 2, which do not touch
      {"two partners", 3, table({{{1, 2}, 0.0}, {{1, 4}, 0.0}}), unambiguous, {"0+", "1+", "2+"}},
      {"two partners", 3, table({{{1, 2}, 0.0}, {{1, 4}, 0.0}}), closest, {"1+", "0+ 2+"}},
      // a chain goes behind a later one through its start
      {"start to start", 2, table({{{0, 2}, 0.0}}), unambiguous, {"1- 0+"}},
      {"start to end", 2, table({{{0, 3}, 0.0}}), unambiguous, {"1+ 0+"}},
      // the orientation pass reverses only mostly backward chains
      {"end to end", 2, table({{{1, 3}, 0.0}}), closest, {"1+ 0-"}},
      {"start to start", 2, table({{{0, 2}, 0.0}}), closest, {"1- 0+"}},
      // the closed-edge threshold is inclusive and not negative
      {"gap 0", 2, with_gap(0.0), closest, {"0+", "1+"}},
      {"gap 0.001", 2, with_gap(0.001), closest, {"0+", "1+"}},
      {"gap 0.0011", 2, with_gap(0.0011), closest, {"0+ 1+"}},
      {"gap -0.0005", 2, with_gap(-0.0005), closest, {"0+ 1+"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ", " + name_of(c.strategy));
    FunctionSorter sorter(c.n, c.distance);
    sorter.sort(c.strategy);
    EXPECT_EQ(chains(sorter), c.chains);
  }
  FunctionSorter twice(4, competing_ends()); // sorting twice recomputes the same chains
  twice.sort(grow);
  twice.sort(grow);
  EXPECT_EQ(chains(twice), (Chains{"0+ 1+ 2+", "3+"}));
}

TEST_F(EdgeSorter, NearlyClosedEdgeStaysAloneUnderEveryStrategy) {
  // edge 1 starts and ends at point 5 (own gap 0.0005); edges 0 and 2 touch
  // point 5 as well
  const std::vector<Segment> segs = {{4, 5}, {5, 5}, {5, 6}};
  auto distance = [segs](size_t a, size_t b, bool sa, bool sb) {
    if (a == b) return a == 1 ? 0.0005 : 1.0;
    return touching(segs)(a, b, sa, sb);
  };
  FunctionSorter sorter(3, distance);
  for (auto s : kStrategies) {
    sorter.calls = 0;
    sorter.sort(s);
    auto built = chains(sorter);
    std::sort(built.begin(), built.end());
    EXPECT_EQ(built, (Chains{"0+ 2+", "1+"})) << name_of(s);
    EXPECT_EQ(sorter.calls, 3 + 4); // only the pair (2, 0) is measured
  }
}

// -------------------------------------------------- reference comparison

// A literal transcription of the joining rules over chain indices, with
// full scans; the sorter must build exactly the same chains.
struct RefChain {
  std::vector<int> edges;
  std::vector<int> orientations;
  int start;
  int end;
};

class Reference {
public:
  Reference(size_t n, const Distance& distance) : n_(n), d_(4 * n * n, -1.0) {
    std::vector<bool> closed(n);
    for (size_t k = 0; k < n; ++k) {
      const double gap = distance(k, k, true, false);
      closed[k] = gap >= 0.0 && gap <= 0.001;
      chains_.push_back({{static_cast<int>(k)}, {1}, point_id(k, true), point_id(k, false)});
    }
    for (size_t i = 1; i < n; ++i)
      for (size_t j = 0; j < i; ++j)
        if (!closed[i] && !closed[j])
          for (bool a : {true, false})
            for (bool b : {true, false})
              at(point_id(i, a), point_id(j, b)) = at(point_id(j, b), point_id(i, a)) =
                  distance(i, j, a, b);
  }

  std::vector<std::string> sort(int strategy) {
    if (strategy < 0 || strategy > 3) strategy = 0;
    for (size_t i = 0; i < chains_.size(); ++i)
      for (int e = 0; e < 2; ++e) {
        const size_t count = connections(i, e);
        if (count == 0 || (strategy == 2 && count >= 2)) close(chains_[i], e);
      }
    size_t i = 0, j = 0;
    int e = 0, f = 0;
    if (strategy == 2) {
      unambiguous();
    } else if (strategy != 1) {
      while (closest(i, j, e, f, strategy == 3)) join(i, j, e, f);
    } else {
      while (closest(i, j, e, f, false)) {
        i = join(i, j, e, f);
        while (nearest(i, j, e, f)) i = join(i, j, e, f);
        close(chains_[i], 0);
        close(chains_[i], 1);
      }
    }
    std::vector<std::string> out;
    for (RefChain& c : chains_) {
      const auto back =
          std::count_if(c.orientations.begin(), c.orientations.end(), [](int o) { return o < 0; });
      if (static_cast<size_t>(back) > c.edges.size() / 2) reverse(c);
      std::string text;
      for (size_t k = 0; k < c.edges.size(); ++k)
        text += (k ? " " : "") + std::to_string(c.edges[k]) + (c.orientations[k] < 0 ? '-' : '+');
      out.push_back(text);
    }
    return out;
  }

private:
  double& at(int x, int y) { return d_[static_cast<size_t>(y) * 2 * n_ + static_cast<size_t>(x)]; }
  static int& end_of(RefChain& c, int e) { return e == 0 ? c.start : c.end; }
  static void close(RefChain& c, int e) {
    if (end_of(c, e) >= 0) end_of(c, e) = -1 - end_of(c, e);
  }
  bool joins(size_t i, int e, size_t j, int f) {
    const int x = end_of(chains_[i], e), y = end_of(chains_[j], f);
    return x >= 0 && y >= 0 && at(x, y) >= 0.0;
  }
  double dist(size_t i, int e, size_t j, int f) {
    return at(end_of(chains_[i], e), end_of(chains_[j], f));
  }
  size_t connections(size_t i, int e) {
    size_t count = 0;
    for (size_t j = 0; j < chains_.size(); ++j)
      for (int f = 0; f < 2; ++f)
        if (j != i && joins(i, e, j, f)) ++count;
    return count;
  }
  static void reverse(RefChain& c) {
    std::reverse(c.edges.begin(), c.edges.end());
    std::reverse(c.orientations.begin(), c.orientations.end());
    for (int& o : c.orientations) o = -o;
    std::swap(c.start, c.end);
  }
  static void append(RefChain& to, const RefChain& from) {
    to.edges.insert(to.edges.end(), from.edges.begin(), from.edges.end());
    to.orientations.insert(to.orientations.end(), from.orientations.begin(),
                           from.orientations.end());
    to.end = from.end;
  }
  size_t join(size_t i, size_t j, int e, int f) {
    if (e == 0) reverse(chains_[i]);
    if (f == 1) reverse(chains_[j]);
    append(chains_[i], chains_[j]);
    chains_.erase(chains_.begin() + static_cast<long>(j));
    return j < i ? i - 1 : i;
  }
  // The ends to join next: the nearest over all pairs of chains (the last on
  // ties), or with `first_pair_only` the nearest ends of the first pair in
  // scan order that can join at all.
  bool closest(size_t& bi, size_t& bj, int& be, int& bf, bool first_pair_only) {
    double best = 1e20;
    bool found = false;
    for (size_t i = 0; i < chains_.size(); ++i)
      for (size_t j = 0; j < i; ++j) {
        for (int e = 0; e < 2; ++e)
          for (int f = 0; f < 2; ++f)
            if (joins(i, e, j, f) && dist(i, e, j, f) < 1e20 && dist(i, e, j, f) <= best)
              best = dist(i, e, j, f), bi = i, bj = j, be = e, bf = f, found = true;
        if (first_pair_only && found) return true;
      }
    return found;
  }
  bool nearest(size_t i, size_t& bj, int& be, int& bf) {
    double best = 1e20;
    bool found = false;
    for (size_t j = 0; j < chains_.size(); ++j)
      for (int e = 0; e < 2; ++e)
        for (int f = 0; f < 2; ++f)
          if (j != i && joins(i, e, j, f) && dist(i, e, j, f) < 1e20 && dist(i, e, j, f) <= best)
            best = dist(i, e, j, f), bj = j, be = e, bf = f, found = true;
    return found;
  }
  bool first_partner(size_t i, int e, size_t& bj, int& bf) {
    for (size_t j = i + 1; j < chains_.size(); ++j)
      for (int f = 0; f < 2; ++f)
        if (joins(i, e, j, f)) {
          bj = j, bf = f;
          return true;
        }
    return false;
  }
  void unambiguous() {
    size_t i = 0;
    while (i < chains_.size()) {
      size_t j;
      int f;
      if (first_partner(i, 1, j, f)) {
        if (f == 1) reverse(chains_[j]);
        append(chains_[i], chains_[j]);
        chains_.erase(chains_.begin() + static_cast<long>(j));
        continue;
      }
      close(chains_[i], 1);
      if (first_partner(i, 0, j, f)) {
        if (f == 0) reverse(chains_[j]);
        RefChain merged = chains_[j];
        append(merged, chains_[i]);
        chains_[i] = merged;
        chains_.erase(chains_.begin() + static_cast<long>(j));
        continue;
      }
      close(chains_[i], 0);
      ++i;
    }
  }

  size_t n_;
  std::vector<double> d_;
  std::vector<RefChain> chains_;
};

TEST_F(EdgeSorter, RandomConfigurationsMatchTheLiteralRules) {
  std::mt19937 random(12345);
  for (int round = 0; round < 240; ++round) {
    const size_t n = 1 + random() % 12;
    const int grid = 2 + static_cast<int>(random() % 4); // grid x grid points
    const int kind = round % 3;
    std::vector<std::pair<int, int>> from, to;
    for (size_t k = 0; k < n; ++k) {
      from.emplace_back(random() % grid, random() % grid);
      to.emplace_back(random() % grid, random() % grid);
    }
    // touching points only, Manhattan distance up to 2, or any distance
    Distance distance = [=](size_t a, size_t b, bool sa, bool sb) {
      const auto p = sa ? from[a] : to[a];
      const auto q = sb ? from[b] : to[b];
      const double d = std::abs(p.first - q.first) + std::abs(p.second - q.second);
      if (kind == 0) return d == 0.0 ? 0.0 : -1.0;
      if (kind == 1) return d <= 2.0 ? d : -1.0;
      return d;
    };
    for (auto s : kStrategies) {
      FunctionSorter sorter(n, distance);
      sorter.sort(s);
      Reference reference(n, distance);
      ASSERT_EQ(chains(sorter), reference.sort(s))
          << "round " << round << " n " << n << " kind " << kind << " " << name_of(s);
    }
  }
  EXPECT_TRUE(reports.empty());
}

// -------------------------------------------------------------------- dump

TEST_F(EdgeSorter, DumpLayout) {
  // edges 0 and 2 join; edge 1 stays alone
  FunctionSorter sorter(3, table({{{1, 4}, 0.0}}));
  sorter.sort(MxEdgeSorter::SORT_CLOSEST_PAIR);
  MxStringJournal journal;
  sorter.debug(journal, MxDebugNone, 2);
  const std::string pad(15, ' ');
  const std::string expected = "  MxEdgeSorter begin {\n\n"
                               "     n_chain() = 2\n"
                               "     chain(0): \n"
                               "        MxEdgeChain begin {\n\n"
                               "           Chain consisting of 1 edges. \n"
                               "           edge-index\torientation\t\n"
                               "           1" +
                               pad +
                               "  +  \n"
                               "\n        MxEdgeChain end   }\n"
                               "     chain(1): \n"
                               "        MxEdgeChain begin {\n\n"
                               "           Chain consisting of 2 edges. \n"
                               "           edge-index\torientation\t\n"
                               "           0" +
                               pad + "  +  \n" + "           2" + pad +
                               "  +  \n"
                               "\n        MxEdgeChain end   }\n"
                               "  \nMxEdgeSorter end   }\n";
  EXPECT_EQ(journal.text(), expected);
  EXPECT_EQ(journal.flushes(), 10u);
}

TEST_F(EdgeSorter, DumpOfUnsortedSorterAndPaddingByIndexWidth) {
  FunctionSorter empty(2, table({}));
  MxStringJournal journal;
  empty.debug(journal, MxDebugFull, 0);
  EXPECT_EQ(journal.text(), "MxEdgeSorter begin {\n\n   n_chain() = 0\n\nMxEdgeSorter end   }\n");

  // one chain 5 - 42 - 123 (the middle edge walked backwards)
  FunctionSorter wide(124, table({{{11, 85}, 0.0}, {{84, 246}, 0.0}}));
  wide.sort(MxEdgeSorter::SORT_INDEX_ORDER);
  size_t c = 0, k = 0;
  ASSERT_TRUE(wide.get_indices(42, c, k));
  EXPECT_EQ(chain_text(wide, c), "5+ 42- 123+");
  journal.clear();
  wide.debug(journal, MxDebugNormal, 0);
  const std::string& text = journal.text();
  const std::string indent(9, ' ');
  EXPECT_NE(text.find(indent + "5" + std::string(15, ' ') + "  +  \n"), std::string::npos);
  EXPECT_NE(text.find(indent + "42" + std::string(14, ' ') + "  -  \n"), std::string::npos);
  EXPECT_NE(text.find(indent + "123" + std::string(13, ' ') + "  +  \n"), std::string::npos);
  EXPECT_NE(text.find("   n_chain() = 122\n"), std::string::npos);
}

// ------------------------------------------------------- checked accessors

TEST_F(EdgeSorter, OutOfRangeAccessorsReportAndReturnHarmlessValues) {
  FunctionSorter unsorted(2, table({}));
  EXPECT_EQ(unsorted.n_link(0), 0u); // not sorted, index out of range
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  EXPECT_EQ(unsorted.edge_index(0, 0), 0u);
  EXPECT_FALSE(unsorted.reversed(0, 0));
  EXPECT_EQ(reports.take_tags(), ReportTags(6, kTag));

  FunctionSorter sorter(3, table({{{1, 2}, 0.0}}));
  sorter.sort(MxEdgeSorter::SORT_CLOSEST_PAIR);
  ASSERT_EQ(chains(sorter), (Chains{"0+ 1+", "2+"}));
  EXPECT_EQ(sorter.n_link(2), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags{kTag});
  EXPECT_EQ(sorter.edge_index(size_t(-1), 0), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag)); // the chain, then the link
  EXPECT_EQ(sorter.edge_index(0, 2), 0u);
  EXPECT_FALSE(sorter.reversed(1, 1));
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  // an edge in no chain is simply not found
  EXPECT_FALSE(sorter.reversed(size_t{3}));
  size_t c = 5, k = 6;
  EXPECT_FALSE(sorter.get_indices(3, c, k));
  EXPECT_EQ(c, 5u);
  EXPECT_TRUE(reports.empty());
}

// ----------------------------------------------------------------- MxMatrix

TEST_F(EdgeSorter, MatrixElementsAndCheckedAccess) {
  MxMatrix<double> m(2, 3);
  m.fill(-1.0);
  m(1, 2) = 4.5;
  m(0, 2) = 2.5;
  EXPECT_EQ(m(1, 1), -1.0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(m(2, 0), 0.0);
  m(0, 3) = 9.0; // goes to scratch, not into the matrix
  const MxMatrix<double>& view = m;
  EXPECT_EQ(view(5, 5), 0.0);
  EXPECT_EQ(reports.take_tags(), ReportTags(3, kMatrixTag));
  for (size_t r = 0; r < 2; ++r)
    for (size_t c = 0; c < 3; ++c) EXPECT_NE(m(r, c), 9.0);
  EXPECT_EQ(m(0, 2) + m(1, 2), 7.0);
  MxMatrix<double> copy = m;
  copy.resize(1, 1);
  EXPECT_EQ(copy(0, 0), 0.0);
  EXPECT_EQ(m(1, 2), 4.5);
  EXPECT_TRUE(reports.empty());
}

TEST_F(EdgeSorter, ImpossibleShapesAndEdgeCountsAreReportedAndLeftEmpty) {
  MxMatrix<int> m(2, 2);
  m.resize(size_t(1) << 40, size_t(1) << 40);
  EXPECT_EQ(reports.take_tags(), ReportTags{kMatrixTag});
  EXPECT_EQ(m.rows(), 0u);
  EXPECT_EQ(m.columns(), 0u);
  // the element count fits, its size in bytes does not
  MxMatrix<double> bytes(size_t(1) << 31, size_t(1) << 31);
  EXPECT_EQ(reports.take_tags(), ReportTags{kMatrixTag});
  EXPECT_EQ(bytes.rows(), 0u);

  FunctionSorter ids(size_t(1) << 31, table({}));
  EXPECT_EQ(reports.take_tags(), ReportTags{kTag});
  EXPECT_EQ(ids.n_edge(), 0u);
  FunctionSorter matrix((size_t(1) << 30) - 1, table({}));
  EXPECT_EQ(reports.take_tags(), ReportTags{kMatrixTag});
  EXPECT_EQ(matrix.n_edge(), 0u);
  matrix.sort(MxEdgeSorter::SORT_CLOSEST_PAIR);
  EXPECT_EQ(matrix.n_chain(), 0u);
  EXPECT_EQ(matrix.calls, 0);
}

} // namespace
