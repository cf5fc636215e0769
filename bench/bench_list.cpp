// MxList insertion and removal at the head against std::list.
#include "mxlist.h"

#include <benchmark/benchmark.h>

#include <list>

namespace {

constexpr int kBatch = 1000;

void BM_MxListHeadInsertRemove(benchmark::State& state) {
  MxList<int> list;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) list.insert_head(i);
    long sum = 0;
    for (int i = 0; i < kBatch; ++i) sum += list.remove_first();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MxListHeadInsertRemove);

void BM_StdListHeadInsertRemove(benchmark::State& state) {
  std::list<int> list;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) list.push_front(i);
    long sum = 0;
    for (int i = 0; i < kBatch; ++i) {
      sum += list.front();
      list.pop_front();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_StdListHeadInsertRemove);

} // namespace
