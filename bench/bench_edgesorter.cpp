// MxEdgeSorter::sort of 200 and 1000 edges that form many small closed loops
// (2 to 6 edges each), shuffled and randomly flipped, under every strategy.
#include "mxedgesorter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

struct Point {
  double x;
  double y;
};

struct Edge {
  Point from;
  Point to;
};

// Loops of 2 to 6 edges around centres 10 units apart; every end point is
// jittered by up to 0.01, so joined ends are close but not equal.
std::vector<Edge> loops(size_t n) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jitter(-0.01, 0.01);
  std::vector<Edge> edges;
  const double pi = std::acos(-1.0);
  for (size_t loop = 0; edges.size() < n; ++loop) {
    size_t m = 2 + random() % 5;
    m = std::min(m, n - edges.size());
    const Point centre{10.0 * static_cast<double>(loop % 40),
                       10.0 * static_cast<double>(loop / 40)};
    auto corner = [&](size_t k) {
      const double a = 2 * pi * static_cast<double>(k % m) / static_cast<double>(m);
      return Point{centre.x + std::cos(a) + jitter(random),
                   centre.y + std::sin(a) + jitter(random)};
    };
    for (size_t k = 0; k < m; ++k) {
      Edge e{corner(k), corner(k + 1)};
      if (random() % 2) std::swap(e.from, e.to);
      edges.push_back(e);
    }
  }
  std::shuffle(edges.begin(), edges.end(), random);
  return edges;
}

class LoopSorter : public MxEdgeSorter {
public:
  explicit LoopSorter(std::vector<Edge> edges)
      : MxEdgeSorter(edges.size()), edges_(std::move(edges)) {}
  double endpoint_distance(size_t a, size_t b, bool at_start_a, bool at_start_b) override {
    const Point& p = at_start_a ? edges_[a].from : edges_[a].to;
    const Point& q = at_start_b ? edges_[b].from : edges_[b].to;
    const double d = std::hypot(p.x - q.x, p.y - q.y);
    return d < 0.1 ? d : -1.0;
  }

private:
  std::vector<Edge> edges_;
};

void BM_Sort(benchmark::State& state) {
  LoopSorter sorter(loops(static_cast<size_t>(state.range(0))));
  const auto strategy = static_cast<MxEdgeSorter::MxSortStrategy>(state.range(1));
  for (auto _ : state) {
    sorter.sort(strategy);
    benchmark::DoNotOptimize(sorter.n_chain());
  }
  state.counters["chains"] = static_cast<double>(sorter.n_chain());
}
BENCHMARK(BM_Sort)
    ->ArgNames({"edges", "strategy"})
    ->ArgsProduct({{200, 1000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);

} // namespace
