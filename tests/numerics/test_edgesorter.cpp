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

// Distances per pair of end-point ids (2k start, 2k + 1 end of edge k), -1
// for pairs not listed; the own gap of every edge 1.0 unless listed.
Distance table(std::map<std::pair<int, int>, double> pairs, std::map<size_t, double> gaps = {}) {
  return [pairs, gaps](size_t a, size_t b, bool sa, bool sb) {
    if (a == b) return gaps.count(a) ? gaps.at(a) : 1.0;
    const int x = point_id(a, sa), y = point_id(b, sb);
    auto found = pairs.find({std::min(x, y), std::max(x, y)});
    return found == pairs.end() ? -1.0 : found->second;
  };
}

// A chain as text: "3+ 1- 2+".
std::string chain_text(const MxEdgeSorter& sorter, size_t c) {
  std::string text;
  for (size_t k = 0; k < sorter.n_link(c); ++k)
    text += (k ? " " : "") + std::to_string(sorter.edge_index(c, k)) +
            (sorter.reversed(c, k) ? '-' : '+');
  return text;
}

Chains chains(const MxEdgeSorter& sorter) {
  Chains all;
  for (size_t c = 0; c < sorter.n_chain(); ++c) all.push_back(chain_text(sorter, c));
  return all;
}

const auto closest = MxEdgeSorter::SORT_CLOSEST_PAIR, grow = MxEdgeSorter::SORT_GROW_CHAIN,
           unambiguous = MxEdgeSorter::SORT_UNAMBIGUOUS, index = MxEdgeSorter::SORT_INDEX_ORDER,
           unknown = static_cast<MxEdgeSorter::MxSortStrategy>(7);
const MxEdgeSorter::MxSortStrategy kStrategies[] = {closest, grow, unambiguous, index, unknown};

// --- the literal rules -----------------------------------------------------

struct RefChain {
  std::vector<int> edges, orientations;
  int start, end;
};

// A transcription of the joining rules over chain indices, with full scans.
class Reference {
public:
  Reference(size_t n, Distance distance) : distance_(std::move(distance)), closed_(n) {
    for (size_t k = 0; k < n; ++k) {
      const double gap = distance_(k, k, true, false);
      closed_[k] = gap >= 0.0 && gap <= 0.001;
      chains_.push_back({{static_cast<int>(k)}, {1}, point_id(k, true), point_id(k, false)});
    }
  }

  Chains sort(int strategy) {
    if (strategy < 0 || strategy > 3) strategy = 0;
    for (size_t i = 0; i < chains_.size(); ++i)
      for (int e = 0; e < 2; ++e) {
        const size_t count = connections(i, e);
        if (count == 0 || (strategy == 2 && count >= 2)) close(chains_[i], e);
      }
    size_t i = 0, j = 0;
    int e = 0, f = 0;
    if (strategy == 2) unambiguous();
    while (strategy != 2 && nearest(i, j, e, f, -1, strategy == 3)) {
      i = join(i, j, e, f);
      while (strategy == 1 && nearest(i, j, e, f, static_cast<int>(i))) i = join(i, j, e, f);
      if (strategy == 1) close(chains_[i], 0), close(chains_[i], 1);
    }
    Chains out;
    for (RefChain& c : chains_) {
      const auto back = std::count(c.orientations.begin(), c.orientations.end(), -1);
      if (static_cast<size_t>(back) > c.edges.size() / 2) reverse(c);
      std::string text;
      for (size_t k = 0; k < c.edges.size(); ++k)
        text += (k ? " " : "") + std::to_string(c.edges[k]) + (c.orientations[k] < 0 ? '-' : '+');
      out.push_back(text);
    }
    return out;
  }

private:
  // The distance of end points x and y as the sorter measures it: the later
  // edge first, nothing within one edge or with a closed edge.
  double at(int x, int y) const {
    if (x < y) std::swap(x, y);
    const size_t i = static_cast<size_t>(x / 2), j = static_cast<size_t>(y / 2);
    return i == j || closed_[i] || closed_[j] ? -1.0 : distance_(i, j, x % 2 == 0, y % 2 == 0);
  }
  static int& end_of(RefChain& c, int e) { return e == 0 ? c.start : c.end; }
  static void close(RefChain& c, int e) {
    if (end_of(c, e) >= 0) end_of(c, e) = -1 - end_of(c, e);
  }
  bool joins(size_t i, int e, size_t j, int f) {
    const int x = end_of(chains_[i], e), y = end_of(chains_[j], f);
    return x >= 0 && y >= 0 && at(x, y) >= 0.0;
  }
  size_t connections(size_t i, int e) {
    size_t count = 0;
    for (size_t j = 0; j < chains_.size(); ++j)
      for (int f = 0; f < 2; ++f) count += j != i && joins(i, e, j, f);
    return count;
  }
  static void reverse(RefChain& c) {
    std::reverse(c.edges.begin(), c.edges.end());
    std::reverse(c.orientations.begin(), c.orientations.end());
    for (int& o : c.orientations) o = -o;
    std::swap(c.start, c.end);
  }
  // Chain j goes behind chain i, i turned to join with its end e, j with its start.
  size_t join(size_t i, size_t j, int e, int f) {
    if (e == 0) reverse(chains_[i]);
    if (f == 1) reverse(chains_[j]);
    RefChain &to = chains_[i], &from = chains_[j];
    to.edges.insert(to.edges.end(), from.edges.begin(), from.edges.end());
    to.orientations.insert(to.orientations.end(), from.orientations.begin(),
                           from.orientations.end());
    to.end = from.end;
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
        for (int e = 0; e < 4 && (only < 0 ? j < i : i == size_t(only) && j != i); ++e) {
          const int x = end_of(chains_[i], e / 2), y = end_of(chains_[j], e % 2);
          if (!joins(i, e / 2, j, e % 2) || at(x, y) >= 1e20 || at(x, y) > best) continue;
          best = at(x, y);
          bi = i, bj = j, be = e / 2, bf = e % 2, found = true;
        }
    return found;
  }
  bool first_partner(size_t i, int e, size_t& bj, int& bf) {
    for (size_t j = i + 1; j < chains_.size(); ++j)
      for (int f = 0; f < 2; ++f)
        if (joins(i, e, j, f)) return bj = j, bf = f, true;
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
      } else if (close(chains_[i], 1), first_partner(i, 0, j, f)) {
        join(j, i, f, 0);
        std::rotate(chains_.begin() + static_cast<long>(i),
                    chains_.begin() + static_cast<long>(j - 1),
                    chains_.begin() + static_cast<long>(j));
      } else {
        close(chains_[i++], 0);
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

// Four edges P, Q, R, T: P.end - Q.start 0.01, Q.end - R.start 0.5,
// Q.end - T.end 0.6, R.start - T.end 0.1; nothing else joins.
Distance competing_ends() {
  return table({{{1, 2}, 0.01}, {{3, 4}, 0.5}, {{3, 7}, 0.6}, {{4, 7}, 0.1}});
}

// All distances equal: closest pair joins everything, the last pair of ends
// winning the ties; unambiguous closes every end (four partners each); index
// order takes pair (1, 0) first. Competing ends: closest pairs first; growing
// and index order take R behind P-Q; unambiguous closes Q's end (two
// partners). An end with two partners is closed before joining; a chain goes
// behind a later one through its start; the orientation pass reverses only
// mostly backward chains.
TEST_F(EdgeSorter, FiguresOfTheStrategies) {
  const Distance all_equal = [](size_t, size_t, bool, bool) { return 1.0; };
  const Distance two_partners = table({{{1, 2}, 0.0}, {{1, 4}, 0.0}});
  const struct {
    size_t n;
    Distance distance;
    MxEdgeSorter::MxSortStrategy strategy;
    Chains chains;
  } cases[] = {{3, all_equal, closest, {"0+ 1+ 2-"}},
               {3, all_equal, unambiguous, {"0+", "1+", "2+"}},
               {3, all_equal, index, {"2+ 0+ 1-"}},
               {3, all_equal, grow, {"0+ 1+ 2-"}},
               {4, competing_ends(), closest, {"0+ 1+", "3+ 2+"}},
               {4, competing_ends(), grow, {"0+ 1+ 2+", "3+"}},
               {4, competing_ends(), index, {"0+ 1+ 2+", "3+"}},
               {4, competing_ends(), unambiguous, {"0+ 1+", "3+ 2+"}},
               {3, two_partners, unambiguous, {"0+", "1+", "2+"}},
               {3, two_partners, closest, {"1+", "0+ 2+"}},
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
  const std::vector<std::tuple<size_t, size_t, bool, bool>> expected = {
      {0, 0, true, false}, {1, 1, true, false}, {2, 2, true, false}, {1, 0, true, true},
      {1, 0, true, false}, {1, 0, false, true}, {1, 0, false, false}};
  EXPECT_EQ(seen, expected);
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
  EXPECT_EQ(chain_text(wide, c), "5+ 42- 123+");
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
  EXPECT_TRUE(!unsorted.get_indices(1, c, k) && c == 77u && k == 88u && unsorted.calls == 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(unsorted.n_link(0), 0u); // not sorted, index out of range
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  EXPECT_EQ(unsorted.edge_index(0, 0), 0u);
  EXPECT_FALSE(unsorted.reversed(0, 0));
  EXPECT_EQ(reports.take_tags(), ReportTags(6, kTag));
  FunctionSorter sorter(3, table({{{1, 2}, 0.0}}));
  sorter.sort(closest);
  ASSERT_EQ(chains(sorter), (Chains{"0+ 1+", "2+"}));
  EXPECT_EQ(sorter.n_link(2), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags{kTag});
  EXPECT_EQ(sorter.edge_index(size_t(-1), 0), 0u);
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag)); // the chain, then the link
  EXPECT_EQ(sorter.edge_index(0, 2), 0u);
  EXPECT_FALSE(sorter.reversed(1, 1));
  EXPECT_EQ(reports.take_tags(), ReportTags(2, kTag));
  EXPECT_FALSE(sorter.reversed(size_t{3})); // an edge in no chain is simply not found
  EXPECT_TRUE(!sorter.get_indices(3, c, k) && c == 77u);
  EXPECT_TRUE(reports.empty());
}

TEST_F(EdgeSorter, MatrixElementsAndCheckedAccess) {
  MxMatrix<double> m(2, 3);
  m.fill(-1.0);
  m(1, 2) = 4.5;
  m(0, 2) = 2.5;
  EXPECT_TRUE(m(1, 1) == -1.0 && reports.empty());
  EXPECT_EQ(m(2, 0), 0.0);
  m(0, 3) = 9.0; // goes to scratch, not into the matrix
  EXPECT_EQ(static_cast<const MxMatrix<double>&>(m)(5, 5), 0.0);
  EXPECT_EQ(reports.take_tags(), ReportTags(3, kMatrixTag));
  for (size_t r = 0; r < 2; ++r)
    for (size_t c = 0; c < 3; ++c) EXPECT_NE(m(r, c), 9.0);
  EXPECT_EQ(m(0, 2) + m(1, 2), 7.0);
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
  FunctionSorter ids(size_t(1) << 31, table({}));
  EXPECT_EQ(reports.take_tags(), ReportTags{kTag});
  FunctionSorter matrix((size_t(1) << 30) - 1, table({}));
  EXPECT_EQ(reports.take_tags(), ReportTags{kMatrixTag});
  matrix.sort(closest);
  EXPECT_TRUE(ids.n_edge() == 0u && matrix.n_edge() == 0u && matrix.n_chain() == 0u &&
              matrix.calls == 0);
}

} // namespace
