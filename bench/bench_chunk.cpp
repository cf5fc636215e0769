// MxChunkMalloc / MxChunkFree against malloc / free: 10^6 blocks of 16 to 64
// bytes, allocated and then all given back.
#include "mxchunk.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

const size_t kBlocks = 1000000;
const size_t kChunkSize = 64 * 1024;

const std::vector<size_t>& sizes() {
  static const std::vector<size_t> all = [] {
    std::mt19937 random(42);
    std::uniform_int_distribution<size_t> size(16, 64);
    std::vector<size_t> s(kBlocks);
    for (size_t& n : s) n = size(random);
    return s;
  }();
  return all;
}

// Chunked blocks given back newest first; emptied chunks go to the spare
// list and serve the next round.
void BM_ChunkMallocFreeNewestFirst(benchmark::State& state) {
  const auto& s = sizes();
  std::vector<void*> blocks(kBlocks);
  MxChunk* chain = nullptr;
  MxChunk* spare = nullptr;
  for (auto _ : state) {
    for (size_t i = 0; i < kBlocks; ++i)
      blocks[i] = MxChunk::MxChunkMalloc(chain, spare, kChunkSize, s[i]);
    for (size_t i = kBlocks; i-- > 0;) MxChunk::MxChunkFree(chain, blocks[i], true, spare);
    benchmark::DoNotOptimize(chain);
  }
  MxChunk::MxChunkReinit(chain, spare, false);
  MxChunk::MxChunkClear(spare);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_ChunkMallocFreeNewestFirst)->Unit(benchmark::kMillisecond);

// Chunked blocks given back oldest first: each free searches the chain from
// its newest chunk, so the cost grows with the number of chunks (argument:
// the chunk size).
void BM_ChunkMallocFreeOldestFirst(benchmark::State& state) {
  const auto& s = sizes();
  const size_t chunk_size = static_cast<size_t>(state.range(0));
  std::vector<void*> blocks(kBlocks);
  MxChunk* chain = nullptr;
  MxChunk* spare = nullptr;
  for (auto _ : state) {
    for (size_t i = 0; i < kBlocks; ++i)
      blocks[i] = MxChunk::MxChunkMalloc(chain, spare, chunk_size, s[i]);
    for (size_t i = 0; i < kBlocks; ++i) MxChunk::MxChunkFree(chain, blocks[i], true, spare);
    benchmark::DoNotOptimize(chain);
  }
  MxChunk::MxChunkReinit(chain, spare, false);
  MxChunk::MxChunkClear(spare);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_ChunkMallocFreeOldestFirst)
    ->Arg(64 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond);

// Chunked blocks dropped all at once by emptying the chain into the spare
// list, the allocator's cheapest way out.
void BM_ChunkMallocReinit(benchmark::State& state) {
  const auto& s = sizes();
  MxChunk* chain = nullptr;
  MxChunk* spare = nullptr;
  for (auto _ : state) {
    for (size_t i = 0; i < kBlocks; ++i)
      benchmark::DoNotOptimize(MxChunk::MxChunkMalloc(chain, spare, kChunkSize, s[i]));
    MxChunk::MxChunkReinit(chain, spare, true);
  }
  MxChunk::MxChunkClear(spare);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_ChunkMallocReinit)->Unit(benchmark::kMillisecond);

void BM_MallocFreeNewestFirst(benchmark::State& state) {
  const auto& s = sizes();
  std::vector<void*> blocks(kBlocks);
  for (auto _ : state) {
    for (size_t i = 0; i < kBlocks; ++i) blocks[i] = std::malloc(s[i]);
    benchmark::DoNotOptimize(blocks.data());
    for (size_t i = kBlocks; i-- > 0;) std::free(blocks[i]);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_MallocFreeNewestFirst)->Unit(benchmark::kMillisecond);

void BM_MallocFreeOldestFirst(benchmark::State& state) {
  const auto& s = sizes();
  std::vector<void*> blocks(kBlocks);
  for (auto _ : state) {
    for (size_t i = 0; i < kBlocks; ++i) blocks[i] = std::malloc(s[i]);
    benchmark::DoNotOptimize(blocks.data());
    for (size_t i = 0; i < kBlocks; ++i) std::free(blocks[i]);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBlocks));
}
BENCHMARK(BM_MallocFreeOldestFirst)->Unit(benchmark::kMillisecond);

} // namespace
