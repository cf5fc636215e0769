// MxArray::append against std::vector::push_back.
#include "mxarray.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kAppends = 1000000;

// Appends into a new container; the argument is the number of appends (below
// 64000 the array doubles its capacity, above it grows in steps of 4096).
void BM_MxArrayAppendFresh(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    MxArray<int> a;
    for (int i = 0; i < n; ++i) a.append(i);
    benchmark::DoNotOptimize(a.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_MxArrayAppendFresh)->Arg(60000)->Arg(kAppends);

void BM_VectorPushBackFresh(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorPushBackFresh)->Arg(60000)->Arg(kAppends);

// Appends into storage that already has room; emptying it again is not timed.
// Both containers are reachable from outside the loop, as a container held by
// an object is, so each keeps its end position in memory.
void BM_MxArrayAppendPregrown(benchmark::State& state) {
  MxArray<int> a;
  a.reallocate(kAppends, false);
  benchmark::DoNotOptimize(&a);
  for (auto _ : state) {
    for (int i = 0; i < kAppends; ++i) a.append(i);
    benchmark::DoNotOptimize(a.data());
    benchmark::ClobberMemory();
    state.PauseTiming();
    a.resize(0, false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_MxArrayAppendPregrown);

void BM_VectorPushBackReserved(benchmark::State& state) {
  std::vector<int> v;
  v.reserve(kAppends);
  benchmark::DoNotOptimize(&v);
  for (auto _ : state) {
    for (int i = 0; i < kAppends; ++i) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
    benchmark::ClobberMemory();
    state.PauseTiming();
    v.clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_VectorPushBackReserved);

} // namespace
