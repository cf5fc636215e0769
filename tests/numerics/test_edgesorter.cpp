// MxEdgeSorter: random configurations against a literal transcription of the
// joining rules, the figures of the four strategies, the calls of the
// distance function, the dump and the checked accessors; MxMatrix: checked
// element access.
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
#include <tuple>
#include <utility>
#include <vector>

namespace {

using EdgeSorter = ReportingTest;
using Chains = std::vector<std::string>;
using Distance = std::function<double(size_t, size_t, bool, bool)>;

const char* const kTag = "mxedgesorter";
const char* const kMatrixTag = "protectedinterfaces/mxmatrix_t";

// A sorter whose distances come from a function; it counts its calls.
struct FunctionSorter : MxEdgeSorter {
  FunctionSorter(size_t n, Distance d) : MxEdgeSorter(n), distance(std::move(d)) {}
  double endpoint_distance(size_t a, size_t b, bool at_start_a, bool at_start_b) override {
    ++calls;
    return distance(a, b, at_start_a, at_start_b);
  }
  Distance distance;
  int calls = 0;
};

int point_id(size_t edge, bool at_start) {
  return static_cast<int>(2 * edge + (at_start ? 0 : 1));
}

// Distances per pair of end-point ids (2k start, 2k + 1 end of edge k), -1
// for pairs not listed; the own gap of every edge 1.0.
Distance table(std::map<std::pair<int, int>, double> pairs) {
  return [pairs](size_t a, size_t b, bool sa, bool sb) {
    if (a == b) return 1.0;
    const int x = point_id(a, sa), y = point_id(b, sb);
    auto found = pairs.find({std::min(x, y), std::max(x, y)});
    return found == pairs.end() ? -1.0 : found->second;
  };
}

// The chains as text: "3+ 1- 2+" for edges 3, 1 and 2, the second walked backwards.
Chains chains(const MxEdgeSorter& sorter) {
  Chains all(sorter.n_chain());
  for (size_t c = 0; c < all.size(); ++c)
    for (size_t k = 0; k < sorter.n_link(c); ++k)
      all[c] += (k ? " " : "") + std::to_string(sorter.edge_index(c, k)) +
                (sorter.reversed(c, k) ? '-' : '+');
  return all;
}

const auto closest = MxEdgeSorter::SORT_CLOSEST_PAIR, grow = MxEdgeSorter::SORT_GROW_CHAIN,
           unambiguous = MxEdgeSorter::SORT_UNAMBIGUOUS, index = MxEdgeSorter::SORT_INDEX_ORDER,
           unknown = static_cast<MxEdgeSorter::MxSortStrategy>(7);
const MxEdgeSorter::MxSortStrategy kStrategies[] = {closest, grow, unambiguous, index, unknown};

// --- the literal rules -----------------------------------------------------

// A chain of the reference: its edges, edge k as k + 1 forward and -(k + 1)
// backward, and the end points at its start and end (closed ones negative).
struct RefChain {
  std::vector<int> edges;
  int ends[2];
};

// A transcription of the joining rules over chain indices, with full scans.
struct Reference {
  Reference(size_t n, Distance distance) : distance_(std::move(distance)), closed_(n) {
    for (size_t k = 0; k < n; ++k) {
      const double gap = distance_(k, k, true, false);
      closed_[k] = gap >= 0.0 && gap <= 0.001;
      chains_.push_back({{static_cast<int>(k) + 1}, {point_id(k, true), point_id(k, false)}});
    }
  }

  Chains sort(int strategy) {
    if (strategy < 0 || strategy > 3) strategy = 0;
    for (size_t i = 0; i < chains_.size(); ++i)
      for (int e = 0; e < 2; ++e) {
        const size_t count = connections(i, e);
        if (count == 0 || (strategy == 2 && count >= 2)) close(i, e);
      }
    size_t i = 0, j = 0;
    int e = 0, f = 0;
    if (strategy == 2) unambiguous();
    while (strategy != 2 && nearest(i, j, e, f, -1, strategy == 3)) {
      i = join(i, j, e, f);
      while (strategy == 1 && nearest(i, j, e, f, static_cast<int>(i))) i = join(i, j, e, f);
      if (strategy == 1) close(i, 0), close(i, 1);
    }
    Chains out;
    for (RefChain& c : chains_) {
      const auto back = std::count_if(c.edges.begin(), c.edges.end(), [](int k) { return k < 0; });
      if (static_cast<size_t>(back) > c.edges.size() / 2) reverse(c);
      std::string text;
      for (int k : c.edges)
        text += (text.empty() ? "" : " ") + std::to_string(std::abs(k) - 1) + (k < 0 ? '-' : '+');
      out.push_back(text);
    }
    return out;
  }

  // The distance of end points x and y as the sorter measures it: the later
  // edge first, nothing within one edge or with a closed edge.
  double at(int x, int y) const {
    if (x < y) std::swap(x, y);
    const size_t i = static_cast<size_t>(x / 2), j = static_cast<size_t>(y / 2);
    return i == j || closed_[i] || closed_[j] ? -1.0 : distance_(i, j, x % 2 == 0, y % 2 == 0);
  }
  // The distance of end e of chain i and end f of chain j; below 0 when they do not join.
  double dist(size_t i, int e, size_t j, int f) const {
    const int x = chains_[i].ends[e], y = chains_[j].ends[f];
    return x >= 0 && y >= 0 ? at(x, y) : -1.0;
  }
  void close(size_t i, int e) {
    if (chains_[i].ends[e] >= 0) chains_[i].ends[e] = -1 - chains_[i].ends[e];
  }
  size_t connections(size_t i, int e) const {
    size_t count = 0;
    for (size_t j = 0; j < chains_.size(); ++j)
      for (int f = 0; f < 2; ++f) count += j != i && dist(i, e, j, f) >= 0.0;
    return count;
  }
  static void reverse(RefChain& c) {
    std::reverse(c.edges.begin(), c.edges.end());
    for (int& k : c.edges) k = -k;
    std::swap(c.ends[0], c.ends[1]);
  }
  // Chain j goes behind chain i, i turned to join with its end e, j with its start.
  size_t join(size_t i, size_t j, int e, int f) {
    if (e == 0) reverse(chains_[i]);
    if (f == 1) reverse(chains_[j]);
    RefChain &to = chains_[i], &from = chains_[j];
    to.edges.insert(to.edges.end(), from.edges.begin(), from.edges.end());
    to.ends[1] = from.ends[1];
    chains_.erase(chains_.begin() + static_cast<long>(j));
    return j < i ? i - 1 : i;
  }
  // The nearest joinable ends (i, e) and (j, f) below 1e20, the last met on
  // ties, over the scan (i, j, e, f): of chain `only` and any other chain j,
  // or else of chains j < i, or of the first such pair that joins at all.
  bool nearest(size_t& bi, size_t& bj, int& be, int& bf, int only, bool first_pair = false) {
    double best = 1e20;
    bool found = false;
    for (size_t i = 0; i < chains_.size() && !(first_pair && found); ++i)
      for (size_t j = 0; j < chains_.size() && !(first_pair && found); ++j)
        for (int ef = 0; ef < 4 && (only < 0 ? j < i : i == size_t(only) && j != i); ++ef) {
          const double d = dist(i, ef / 2, j, ef % 2);
          if (d < 0.0 || d > best || d >= 1e20) continue;
          best = d, bi = i, bj = j, be = ef / 2, bf = ef % 2, found = true;
        }
    return found;
  }
  // The first end f of the first chain j after i that end e of chain i may join.
  bool first_partner(size_t i, int e, size_t& j, int& f) const {
    for (j = i + 1; j < chains_.size(); ++j)
      for (f = 0; f < 2; ++f)
        if (dist(i, e, j, f) >= 0.0) return true;
    return false;
  }
  // Each chain swallows the later chains its end, then its start, may join; a
  // chain that goes behind a later one takes its place.
  void unambiguous() {
    size_t j = 0;
    int f = 0;
    for (size_t i = 0; i < chains_.size();) {
      if (first_partner(i, 1, j, f)) {
        join(i, j, 1, f);
      } else if (close(i, 1), first_partner(i, 0, j, f)) {
        join(j, i, f, 0);
        const auto at_i = chains_.begin() + static_cast<long>(i);
        std::rotate(at_i, at_i + static_cast<long>(j - i - 1), at_i + static_cast<long>(j - i));
      } else {
        close(i++, 0);
      }
    }
  }

  Distance distance_;
  std::vector<bool> closed_;
  std::vector<RefChain> chains_;
};

// Edges between random points of a small grid (paths, cycles, forks, in any
// order and orientation); distances: touching only, Manhattan up to 2, any
// Manhattan distance, or values around the thresholds (the closed-edge gap
// 0.001, the unreachable 1e20).
TEST_F(EdgeSorter, RandomConfigurationsMatchTheLiteralRules) {
  std::mt19937 random(12345);
  const double around[] = {-1.0, 0.0, 0.0005, 0.001, 0.0011, 5.0, 1e20, 2e20};
  for (int round = 0; round < 320; ++round) {
    const size_t n = random() % 13; // none too
    const int grid = 2 + static_cast<int>(random() % 4), kind = round % 4;
    std::vector<std::pair<int, int>> from, to;
    for (size_t k = 0; k < n; ++k) {
      from.emplace_back(random() % grid, random() % grid);
      to.emplace_back(random() % grid, random() % grid);
    }
    Distance distance = [=](size_t a, size_t b, bool sa, bool sb) {
      const auto p = sa ? from[a] : to[a], q = sb ? from[b] : to[b];
      const int d = std::abs(p.first - q.first) + std::abs(p.second - q.second);
      if (kind == 0) return d == 0 ? 0.0 : -1.0;
      if (kind == 1) return d <= 2 ? d : -1.0;
      return kind == 2 ? d : around[(p.first * 3 + q.first * 5 + p.second + q.second) % 8];
    };
    for (auto s : kStrategies) {
      FunctionSorter sorter(n, distance);
      sorter.sort(s);
      ASSERT_EQ(chains(sorter), Reference(n, distance).sort(s))
          << "round " << round << " n " << n << " kind " << kind << " strategy " << s;
    }
  }
  EXPECT_TRUE(reports.empty());
}

// --- figures -----------------------------------------------------------------

// All distances equal: closest pair joins everything, the last pair of ends
// winning the ties; index
// order takes pair (1, 0) first. Competing ends: closest pairs first; growing
// takes R behind P-Q. Unambiguous closes an end with two partners before
// joining; a chain goes behind a later one through its start; the
// orientation pass reverses only mostly backward chains.
// Competing ends: four edges P, Q, R, T with P.end - Q.start 0.01, Q.end -
// R.start 0.5, Q.end - T.end 0.6, R.start - T.end 0.1; nothing else joins.
TEST_F(EdgeSorter, FiguresOfTheStrategies) {
  const Distance all_equal = [](size_t, size_t, bool, bool) { return 1.0; };
  const Distance competing = table({{{1, 2}, 0.01}, {{3, 4}, 0.5}, {{3, 7}, 0.6}, {{4, 7}, 0.1}});
  const Distance two_partners = table({{{1, 2}, 0.0}, {{1, 4}, 0.0}});
  const struct {
    size_t n;
    Distance distance;
    MxEdgeSorter::MxSortStrategy strategy;
    Chains chains;
  } cases[] = {{3, all_equal, closest, {"0+ 1+ 2-"}},
               {3, all_equal, index, {"2+ 0+ 1-"}},
               {4, competing, closest, {"0+ 1+", "3+ 2+"}},
               {4, competing, grow, {"0+ 1+ 2+", "3+"}},
               {3, two_partners, unambiguous, {"0+", "1+", "2+"}},
               {2, table({{{0, 2}, 0.0}}), unambiguous, {"1- 0+"}},
               {2, table({{{0, 3}, 0.0}}), unambiguous, {"1+ 0+"}},
               {2, table({{{1, 3}, 0.0}}), closest, {"1+ 0-"}}};
  for (const auto& c : cases) {
    FunctionSorter sorter(c.n, c.distance);
    sorter.sort(c.strategy);
    sorter.sort(c.strategy); // sorting again recomputes the same chains
    EXPECT_EQ(chains(sorter), c.chains) << c.n << " edges, strategy " << c.strategy;
  }
}

TEST_F(EdgeSorter, DistanceFunctionIsCalledOncePerEdgeAndFourTimesPerOpenPair) {
  std::vector<std::tuple<size_t, size_t, bool, bool>> seen; // edge 2 is closed
  FunctionSorter sorter(3, [&seen](size_t a, size_t b, bool sa, bool sb) {
    seen.emplace_back(a, b, sa, sb);
    return a == 2 && b == 2 ? 0.0 : -1.0;
  });
  sorter.sort(closest);
  EXPECT_EQ(seen, (decltype(seen){{0, 0, true, false},
                                  {1, 1, true, false},
                                  {2, 2, true, false},
                                  {1, 0, true, true},
                                  {1, 0, true, false},
                                  {1, 0, false, true},
                                  {1, 0, false, false}}));
  sorter.sort(closest); // sorting again measures again
  EXPECT_EQ(sorter.calls, 14);
}

// --- dump ----------------------------------------------------------------------

// Sorted and unsorted; edge indices padded to one width by their digits.
TEST_F(EdgeSorter, DumpLayout) {
  FunctionSorter sorter(3, table({{{1, 4}, 0.0}})), unsorted(2, table({})); // edges 0 and 2 join
  sorter.sort(closest);
  MxStringJournal journal;
  sorter.debug(journal, MxDebugNone, 2);
  const std::string pad(15, ' '), chain = "        MxEdgeChain ", head = "           ";
  EXPECT_EQ(journal.text(), "  MxEdgeSorter begin {\n\n     n_chain() = 2\n     chain(0): \n" +
                                chain + "begin {\n\n" + head + "Chain consisting of 1 edges. \n" +
                                head + "edge-index\torientation\t\n" + head + "1" + pad +
                                "  +  \n\n" + chain + "end   }\n     chain(1): \n" + chain +
                                "begin {\n\n" + head + "Chain consisting of 2 edges. \n" + head +
                                "edge-index\torientation\t\n" + head + "0" + pad + "  +  \n" +
                                head + "2" + pad + "  +  \n\n" + chain +
                                "end   }\n  \nMxEdgeSorter end   }\n");
  EXPECT_EQ(journal.flushes(), 10u);
  journal.clear();
  unsorted.debug(journal, MxDebugFull, 0);
  EXPECT_EQ(journal.text(), "MxEdgeSorter begin {\n\n   n_chain() = 0\n\nMxEdgeSorter end   }\n");
  // one chain 5 - 42 - 123, the middle edge walked backwards
  FunctionSorter wide(124, table({{{11, 85}, 0.0}, {{84, 246}, 0.0}}));
  wide.sort(index);
  size_t c = 0, k = 0;
  ASSERT_TRUE(wide.get_indices(42, c, k));
  EXPECT_EQ(chains(wide)[c], "5+ 42- 123+");
  journal.clear();
  wide.debug(journal, MxDebugNormal, 0);
  const std::string in(9, ' '), text = journal.text();
  for (const std::string& line :
       {in + "5" + pad + "  +  \n", in + "42" + pad.substr(1) + "  -  \n",
        in + "123" + pad.substr(2) + "  +  \n", in.substr(6) + "n_chain() = 122\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

// --- checked access ----------------------------------------------------------

// Before sorting there are no chains, and nothing is measured; access out of
// range is reported and answers harmless values.
TEST_F(EdgeSorter, OutOfRangeAccessorsReportAndReturnHarmlessValues) {
  FunctionSorter unsorted(2, table({}));
  EXPECT_TRUE(unsorted.n_chain() == 0u && unsorted.n_edge() == 2u && !unsorted.reversed(size_t{1}));
  size_t c = 77, k = 88;
  EXPECT_TRUE(!unsorted.get_indices(1, c, k) && c == 77u && k == 88u && unsorted.calls == 0 &&
              reports.empty());
  EXPECT_EQ(unsorted.n_link(0), 0u); // not sorted, index out of range
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  EXPECT_TRUE(unsorted.edge_index(0, 0) == 0u && !unsorted.reversed(0, 0));
  EXPECT_EQ(reports.take_tags(), ReportTags(6, kTag));
  FunctionSorter sorter(3, table({{{1, 2}, 0.0}}));
  sorter.sort(closest);
  ASSERT_EQ(chains(sorter), (Chains{"0+ 1+", "2+"}));
  EXPECT_EQ(sorter.n_link(2), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags{kTag});
  EXPECT_EQ(sorter.edge_index(size_t(-1), 0), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag)); // the chain, then the link
  EXPECT_TRUE(sorter.edge_index(0, 2) == 0u && !sorter.reversed(1, 1));
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  // an edge in no chain is simply not found
  EXPECT_TRUE(!sorter.reversed(size_t{3}) && !sorter.get_indices(3, c, k) && c == 77u &&
              reports.empty());
}

// Elements by row and column; out of range a scratch element, reported.
TEST_F(EdgeSorter, MatrixElementsAndCheckedAccess) {
  MxMatrix<double> m(2, 3);
  m.fill(-1.0);
  m(1, 2) = 4.5, m(0, 2) = 2.5, m(0, 3) = 9.0; // the last goes to scratch, not into the matrix
  EXPECT_TRUE(m(1, 1) == -1.0 && m(2, 0) == 0.0 &&
              static_cast<const MxMatrix<double>&>(m)(5, 5) == 0.0);
  EXPECT_EQ(reports.take_tags(), ReportTags(3, kMatrixTag));
  for (size_t r = 0; r < 2; ++r)
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(m(r, c), c < 2 ? -1.0 : r ? 4.5 : 2.5);
  MxMatrix<double> copy = m;
  copy.resize(1, 1);
  EXPECT_TRUE(copy(0, 0) == 0.0 && m(1, 2) == 4.5 && reports.empty());
}

// Shapes whose element count or byte count would not fit, and edge counts
// whose end-point ids or matrix would not, are reported and left empty.
TEST_F(EdgeSorter, ImpossibleShapesAndEdgeCountsAreReportedAndLeftEmpty) {
  MxMatrix<int> m(2, 2);
  m.resize(size_t(1) << 40, size_t(1) << 40);
  MxMatrix<double> bytes(size_t(1) << 31, size_t(1) << 31);
  EXPECT_TRUE(m.rows() == 0u && m.columns() == 0u && bytes.rows() == 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kMatrixTag));
  FunctionSorter ids(size_t(1) << 31, table({})), matrix((size_t(1) << 30) - 1, table({}));
  EXPECT_EQ(reports.take_tags(), (ReportTags{kTag, kMatrixTag}));
  matrix.sort(closest);
  EXPECT_TRUE(ids.n_edge() == 0u && matrix.n_edge() == 0u && matrix.n_chain() == 0u &&
              matrix.calls == 0);
}

} // namespace
