// MxMap<int, short> against std::map<int, short>: inserting, finding and
// erasing a million random keys, and walking the entries in key order.
#include "mxmap.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr int kKeys = 1000000;

using MxIntMap = MxMap<int, short>;
using StdIntMap = std::map<int, short>;

const bench_support::KeySet& keys() {
  static const bench_support::KeySet set(kKeys, 12345, 54321);
  return set;
}

template <class Map> void fill(Map& map) {
  for (int key : keys().inserted) map[key] = static_cast<short>(key);
}

// One filled map of each kind, built on first use and shared by the
// benchmarks that only read it.
template <class Map> Map& filled_map() {
  static Map map;
  if (map.empty()) fill(map);
  return map;
}

template <class Map> void BM_Insert(benchmark::State& state) {
  bench_support::time_filling<Map>(state, kKeys, fill<Map>);
}

template <class Map> void BM_Erase(benchmark::State& state) {
  const auto erase_all = [](Map& map) {
    for (int key : keys().shuffled) map.erase(key);
  };
  bench_support::time_draining<Map>(state, kKeys, fill<Map>, erase_all);
}

void BM_MxMap_FindCounting(benchmark::State& state) {
  MxIntMap& map = filled_map<MxIntMap>();
  bench_support::time_probes(state, keys().shuffled,
                             [&map](int key) { return map.find(key, nullptr); });
}

void BM_MxMap_Lookup(benchmark::State& state) {
  MxIntMap& map = filled_map<MxIntMap>();
  bench_support::time_probes(state, keys().shuffled, [&map](int key) { return *map.lookup(key); });
}

void BM_StdMap_Find(benchmark::State& state) {
  StdIntMap& map = filled_map<StdIntMap>();
  bench_support::time_probes(state, keys().shuffled,
                             [&map](int key) { return map.find(key)->second; });
}

void BM_MxMap_Iterate(benchmark::State& state) {
  MxIntMap& map = filled_map<MxIntMap>();
  MxMapIterator<int, short> it(map);
  for (auto _ : state) {
    int sum = 0;
    for (it.reset(); !it.done(); it.next()) sum += *it.current();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * map.size());
}

void BM_StdMap_Iterate(benchmark::State& state) {
  StdIntMap& map = filled_map<StdIntMap>();
  for (auto _ : state) {
    int sum = 0;
    for (const auto& entry : map) sum += entry.second;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(map.size()));
}

} // namespace

BENCHMARK_TEMPLATE(BM_Insert, MxIntMap)->Name("BM_MxMap_Insert")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Insert, StdIntMap)->Name("BM_StdMap_Insert")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_FindCounting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_Lookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMap_Find)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Erase, MxIntMap)->Name("BM_MxMap_Erase")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Erase, StdIntMap)->Name("BM_StdMap_Erase")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MxMap_Iterate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdMap_Iterate)->Unit(benchmark::kMillisecond);
