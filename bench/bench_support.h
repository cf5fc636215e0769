// Pieces shared by the container benchmarks: a reproducible set of keys and
// the timing loops that fill, probe or drain a container.
#ifndef MXFOUNDATION_BENCH_SUPPORT_H
#define MXFOUNDATION_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace bench_support {

/// `count` pseudo-random ints from a Mersenne twister seeded with `seed`, in
/// the order they are inserted, and the same ints in another order (shuffled
/// with `shuffle_seed`) for lookups and erasure.
struct KeySet {
  KeySet(int count, unsigned seed, unsigned shuffle_seed) : inserted(static_cast<size_t>(count)) {
    std::mt19937 rng(seed);
    for (int& key : inserted) key = static_cast<int>(rng());
    shuffled = inserted;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(shuffle_seed));
  }

  std::vector<int> inserted;
  std::vector<int> shuffled;
};

/// Keeps the work done on `container` from being optimised away, then
/// destroys it without timing the destruction.
template <class C> void destroy_untimed(benchmark::State& state, std::unique_ptr<C>& container) {
  C* used = container.get();
  benchmark::DoNotOptimize(used);
  state.PauseTiming();
  container.reset();
  state.ResumeTiming();
}

/// Times building a container (`std::make_unique<C>(args...)`) and `fill`ing
/// it; the destruction is not timed. `items` is the work of one iteration.
template <class C, class Fill, class... Args>
void time_filling(benchmark::State& state, std::int64_t items, Fill fill, const Args&... args) {
  for (auto _ : state) {
    std::unique_ptr<C> container = std::make_unique<C>(args...);
    fill(*container);
    destroy_untimed(state, container);
  }
  state.SetItemsProcessed(state.iterations() * items);
}

/// Times `drain` on a container built and `fill`ed afresh for each
/// iteration; neither the building nor the destruction is timed.
template <class C, class Fill, class Drain, class... Args>
void time_draining(benchmark::State& state, std::int64_t items, Fill fill, Drain drain,
                   const Args&... args) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<C> container = std::make_unique<C>(args...);
    fill(*container);
    state.ResumeTiming();
    drain(*container);
    destroy_untimed(state, container);
  }
  state.SetItemsProcessed(state.iterations() * items);
}

/// Times `probe(key)` for every key of `keys`, adding up what it returns so
/// that no probe can be optimised away.
template <class Probe>
void time_probes(benchmark::State& state, const std::vector<int>& keys, Probe probe) {
  for (auto _ : state) {
    long long sum = 0;
    for (int key : keys) sum += probe(key);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(keys.size()));
}

} // namespace bench_support

#endif
