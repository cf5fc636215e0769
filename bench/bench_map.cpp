// MxMap<int, short> against std::map<int, short>: inserting, finding and
// erasing a million random keys, and walking the entries in key order.
#include "mxmap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int kKeys = 1000000;

const std::vector<int>& random_keys() {
  static const std::vector<int> keys = [] {
    std::mt19937 rng(12345);
    std::vector<int> k(kKeys);
    for (int& key : k) key = static_cast<int>(rng());
    return k;
  }();
  return keys;
}

// The same keys in another order, for lookups and erasure.
const std::vector<int>& shuffled_keys() {
  static const std::vector<int> keys = [] {
    std::vector<int> k = random_keys();
    std::shuffle(k.begin(), k.end(), std::mt19937(54321));
    return k;
  }();
  return keys;
}

void fill(MxMap<int, short>& map) {
  for (int key : random_keys()) map[key] = static_cast<short>(key);
}

void fill(std::map<int, short>& map) {
  for (int key : random_keys()) map[key] = static_cast<short>(key);
}

template <class Map> void BM_Insert(benchmark::State& state) {
  for (auto _ : state) {
    Map map;
    fill(map);
    benchmark::DoNotOptimize(map);
    state.PauseTiming(); // the destruction is not part of the insertion
    { Map doomed(std::move(map)); }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

// Moving an MxMap is copying it; destroy in place instead.
template <> void BM_Insert<MxMap<int, short>>(benchmark::State& state) {
  for (auto _ : state) {
    auto* map = new MxMap<int, short>;
    fill(*map);
    benchmark::DoNotOptimize(map);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxMap_FindCounting(benchmark::State& state) {
  static MxMap<int, short> map;
  if (map.empty()) fill(map);
  for (auto _ : state) {
    int hits = 0;
    for (int key : shuffled_keys()) hits += map.find(key, nullptr);
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxMap_Lookup(benchmark::State& state) {
  static MxMap<int, short> map;
  if (map.empty()) fill(map);
  for (auto _ : state) {
    int sum = 0;
    for (int key : shuffled_keys()) sum += *map.lookup(key);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdMap_Find(benchmark::State& state) {
  static std::map<int, short> map;
  if (map.empty()) fill(map);
  for (auto _ : state) {
    int sum = 0;
    for (int key : shuffled_keys()) sum += map.find(key)->second;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxMap_Erase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* map = new MxMap<int, short>;
    fill(*map);
    state.ResumeTiming();
    for (int key : shuffled_keys()) map->erase(key);
    benchmark::DoNotOptimize(map);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdMap_Erase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* map = new std::map<int, short>;
    fill(*map);
    state.ResumeTiming();
    for (int key : shuffled_keys()) map->erase(key);
    benchmark::DoNotOptimize(map);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxMap_Iterate(benchmark::State& state) {
  static MxMap<int, short> map;
  if (map.empty()) fill(map);
  MxMapIterator<int, short> it(map);
  for (auto _ : state) {
    int sum = 0;
    for (it.reset(); !it.done(); it.next()) sum += *it.current();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * map.size());
}

void BM_StdMap_Iterate(benchmark::State& state) {
  static std::map<int, short> map;
  if (map.empty()) fill(map);
  for (auto _ : state) {
    int sum = 0;
    for (const auto& entry : map) sum += entry.second;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(map.size()));
}

} // namespace

BENCHMARK_TEMPLATE(BM_Insert, MxMap<int, short>)
    ->Name("BM_MxMap_Insert")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Insert, std::map<int, short>)
    ->Name("BM_StdMap_Insert")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_FindCounting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_Lookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMap_Find)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_Erase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMap_Erase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_Iterate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMap_Iterate)->Unit(benchmark::kMillisecond);
