// Binomial coefficient lookups (as in Bernstein polynomial evaluation)
// against a plain std::vector Pascal table and a std::lgamma formula, and
// the double congruence against std::fmod.
#include "mx_utils.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

const int max_row = 20;

// Every (n, k) of rows 0 ... max_row, asked in order.
template <class Binomial> double sum_all(Binomial binomial) {
  double sum = 0.0;
  for (int n = 0; n <= max_row; ++n)
    for (int k = 0; k <= n; ++k) sum += binomial(n, k);
  return sum;
}

void BM_MxBinomialCached(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(sum_all(mx_binomial_coeff));
  state.SetItemsProcessed(state.iterations() * (max_row + 1) * (max_row + 2) / 2);
}
BENCHMARK(BM_MxBinomialCached);

void BM_StdVectorPascalTable(benchmark::State& state) {
  std::vector<std::vector<double>> table(max_row + 1);
  for (int n = 0; n <= max_row; ++n) {
    table[n].assign(n + 1, 1.0);
    for (int k = 1; k < n; ++k) table[n][k] = table[n - 1][k - 1] + table[n - 1][k];
  }
  auto lookup = [&table](int n, int k) {
    return n < 0 || k < 0 || k > n || n > max_row ? 0.0 : table[n][k];
  };
  for (auto _ : state) benchmark::DoNotOptimize(sum_all(lookup));
  state.SetItemsProcessed(state.iterations() * (max_row + 1) * (max_row + 2) / 2);
}
BENCHMARK(BM_StdVectorPascalTable);

void BM_StdLgammaFormula(benchmark::State& state) {
  auto formula = [](int n, int k) {
    return std::round(
        std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0)));
  };
  for (auto _ : state) benchmark::DoNotOptimize(sum_all(formula));
  state.SetItemsProcessed(state.iterations() * (max_row + 1) * (max_row + 2) / 2);
}
BENCHMARK(BM_StdLgammaFormula);

// Beyond the cached rows: direct computation.
void BM_MxBinomialLargeRow(benchmark::State& state) {
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(mx_binomial_coeff(60, k));
    k = (k + 7) % 61;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MxBinomialLargeRow);

// Congruence of values a few periods away (stepping) and far away (one go).
void BM_MxCongruence(benchmark::State& state) {
  const double x = static_cast<double>(state.range(0)) + 0.25;
  for (auto _ : state) {
    double r;
    int k;
    mx_congruence_info(x, 1.0, 0.0, r, k, EVAL_LIMIT_UPPER);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(k);
  }
}
BENCHMARK(BM_MxCongruence)->Arg(3)->Arg(200)->Arg(1000000);

void BM_StdFmod(benchmark::State& state) {
  const double x = static_cast<double>(state.range(0)) + 0.25;
  for (auto _ : state) {
    double r = std::fmod(x, 1.0);
    if (r <= 0.0) r += 1.0;
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_StdFmod)->Arg(3)->Arg(200)->Arg(1000000);

} // namespace
