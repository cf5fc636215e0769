// Appending short pieces: MxString against std::string.
#include "mxstring.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Each benchmark appends state.range(0) pieces to a fresh string. At 10^5
// pieces of 8 characters the text passes 64000 characters, where the array
// grows in steps of 4096 instead of doubling; at 10^3 it stays below.
void MxStringAppendPieces(benchmark::State& state) {
  const MxString piece("abcdefgh");
  const int appends = static_cast<int>(state.range(0));
  for (auto _ : state) {
    MxString s;
    for (int i = 0; i < appends; ++i) s.append(piece);
    benchmark::DoNotOptimize(s.as_const_c_string());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MxStringAppendPieces)->Arg(1000)->Arg(100000);

// The same with the capacity reached beforehand (set_size never shrinks it),
// which separates the cost of appending from the cost of growing.
void MxStringAppendPiecesPresized(benchmark::State& state) {
  const MxString piece("abcdefgh");
  const int appends = static_cast<int>(state.range(0));
  for (auto _ : state) {
    MxString s;
    s.set_size(8 * appends, false);
    s.set_size(0, false);
    for (int i = 0; i < appends; ++i) s.append(piece);
    benchmark::DoNotOptimize(s.as_const_c_string());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MxStringAppendPiecesPresized)->Arg(1000)->Arg(100000);

void StdStringAppendPieces(benchmark::State& state) {
  const std::string piece("abcdefgh");
  const int appends = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < appends; ++i) s.append(piece);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(StdStringAppendPieces)->Arg(1000)->Arg(100000);

void MxStringAppendChars(benchmark::State& state) {
  const int appends = static_cast<int>(state.range(0));
  for (auto _ : state) {
    MxString s;
    for (int i = 0; i < appends; ++i) s.append(static_cast<char>('a' + i % 26));
    benchmark::DoNotOptimize(s.as_const_c_string());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MxStringAppendChars)->Arg(1000)->Arg(100000);

void StdStringAppendChars(benchmark::State& state) {
  const int appends = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < appends; ++i) s.append(1, static_cast<char>('a' + i % 26));
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(StdStringAppendChars)->Arg(1000)->Arg(100000);

} // namespace
