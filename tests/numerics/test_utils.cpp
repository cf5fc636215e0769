// Binomial coefficients, integer and double congruence, mxtfp0_.
#include "mx_utils.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <dlfcn.h>
#include <random>
#include <vector>

namespace {

// Outside 0 <= k <= n zero; rows up to 50 are checked against Pascal's rule
// below; larger values exact below 2^64 (rounded once), a few units in the
// last place beyond, infinite past the double range.
TEST(Binomial, OutOfRangeArgumentsAndLargeValues) {
  const struct {
    int n, k;
    double c, tolerance; // relative; 0: exact
  } cases[] = {{5, -1, 0.0, 0.0},
               {INT_MAX, INT_MAX, 1.0, 0.0},
               {67, 33, 14226520737620288370.0, 0.0},
               {INT_MAX, 2, 2305843005992468481.0, 0.0},
               {INT_MAX, INT_MAX - 1, 2147483647.0, 0.0},
               {INT_MAX, INT_MAX / 2, HUGE_VAL, 0.0},
               {68, 34, 28453041475240576740.0, 1e-14}, // beyond 2^64
               {INT_MAX, 3, 1.6505867144354876e+27, 1e-13},
               {1000, 500, 2.7028824094543655e+299, 1e-12}};
  for (const auto& c : cases) {
    const double got = mx_binomial_coeff(c.n, c.k);
    EXPECT_TRUE(got == c.c || std::fabs(got / c.c - 1.0) <= c.tolerance) << c.n << " " << c.k;
  }
}

TEST(Binomial, CachedRowsMatchPascalsRuleAndGrowOnlyToRow33) {
  auto row_start = [](size_t r) { return (r + 1) * (r + 2) / 2; };
  mx_binomial_coeff(20, 4);
  const size_t after_20 = mx_binomial_cache_size();
  EXPECT_GE(after_20, row_start(21));
  EXPECT_EQ(mx_binomial_coeff(10, 3), 120.0);
  EXPECT_EQ(mx_binomial_coeff(-3, 1) + mx_binomial_coeff(20, 30), 0.0);
  EXPECT_EQ(mx_binomial_cache_size(), after_20); // cached rows and invalid arguments build nothing
  for (int n = 33; n >= 1; n -= 8) EXPECT_EQ(mx_binomial_coeff(n, 1), n); // descending as well
  for (int n = 1; n <= 50; ++n) {
    double row_sum = 0.0;
    for (int k = 0; k <= n; ++k) {
      const double c = mx_binomial_coeff(n, k);
      ASSERT_TRUE(c == mx_binomial_coeff(n, n - k) &&
                  c == ((k == 0 || k == n)
                            ? 1.0
                            : mx_binomial_coeff(n - 1, k - 1) + mx_binomial_coeff(n - 1, k)))
          << "C(" << n << ", " << k << ")";
      row_sum += c;
    }
    EXPECT_EQ(row_sum, std::ldexp(1.0, n));
  }
  EXPECT_EQ(mx_binomial_cache_size(), row_start(34)); // large rows are not cached
}

// Small values are checked against the rules below. Exact periods below base
// land on the upper end; x - base may exceed the int
// range while r and k fit; a k or r out of range is reported once and
// saturated (keeping x = r + k * period when r would lie above INT_MAX, one
// period lower); a period below one is reported and leaves x.
TEST(IntCongruence, ReducesIntoThePeriodWithoutOverflow) {
  const struct {
    int x, period, base, r, k;
    size_t reports;
  } cases[] = {{INT_MAX, INT_MAX, -1, 0, 1, 0},
               {INT_MIN, 10, 0, 2, -214748365, 0},
               {INT_MIN + 3, 10, INT_MAX - 5, INT_MAX - 2, -429496729, 0},
               {INT_MAX, 1, INT_MIN, INT_MIN, INT_MAX, 1},
               {INT_MIN, 1, INT_MAX, INT_MAX, INT_MIN, 1},
               {0, 10, INT_MAX, INT_MAX - 7, -214748364, 1},
               {25, 0, 3, 25, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " mod " << c.period << " from " << c.base);
    ReportRecorder reports;
    int r = -777, k = -777;
    mx_congruence_info(c.x, c.period, c.base, r, k);
    EXPECT_TRUE(r == c.r && k == c.k) << r << " " << k;
    EXPECT_EQ(reports.tags(), ReportTags(c.reports, "mx_utils"));
  }
  for (int base = -7; base <= 7; base += 7)
    for (int period = 1; period <= 4; ++period)
      for (int x = -20; x <= 20; ++x) {
        int r = 0, k = 0;
        mx_congruence_info(x, period, base, r, k);
        EXPECT_EQ(r + k * period, x);
        EXPECT_TRUE(x >= base ? base <= r && r < base + period : base < r && r <= base + period);
      }
}

struct DoubleCongruence {
  double r;
  int k;
};
DoubleCongruence congruence(double x, double period, double base, int limit) {
  DoubleCongruence c{-777.0, -777};
  mx_congruence_info(x, period, base, c.r, c.k, static_cast<MxEvalLimit>(limit));
  return c;
}

// The one-period-at-a-time rule.
DoubleCongruence stepwise(double x, double period, double base, int limit) {
  const double top = period + base;
  int k = 0;
  double r = x;
  while (base > r) r += period, ++k;
  while (r > top) r -= period, --k;
  if (base >= r && limit == 0) return {top, k + 1};
  if (r >= top && limit == 1) return {base, k - 1};
  return {r, k};
}

const int upper = EVAL_LIMIT_UPPER, lower = EVAL_LIMIT_LOWER, neither = 2;

// Near values, and values up to 2^20 periods away on either side (10 with
// period 0.1 is the smallest of them where a shift at once would differ).
TEST(DoubleCongruence, ValuesUpTo2To20PeriodsAwayMatchTheStepwiseRuleBitForBit) {
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> exponent(6.0, 20.0);
  for (double period : {1.0, 0.1, 2.0 * 3.141592653589793, 0.7})
    for (double base : {0.0, -0.35, 12.5}) {
      std::vector<double> xs = {
          10.0,          base + 1048576.0 * period, base - 1048576.0 * period, base,
          base + period, base - 2.0 * period,       base + 3.0 * period};
      for (double x = base - 60.3 * period; x < base + 61.0 * period; x += 0.13 * period)
        xs.push_back(x);
      for (int i = 0; i < 6; ++i)
        xs.push_back(base + (i % 2 ? 1 : -1) * std::exp2(exponent(random)) * period);
      for (int limit = 0; limit <= 2; ++limit)
        for (double x : xs) {
          const DoubleCongruence want = stepwise(x, period, base, limit);
          const DoubleCongruence got = congruence(x, period, base, limit);
          ASSERT_TRUE(got.r == want.r && got.k == want.k)
              << x << " " << period << " " << base << " " << limit;
        }
    }
}

// Boundaries take the chosen end (any other choice leaves them where they
// land); values more than 2^20 periods away shift at once; near 1e17, where
// one period is below the resolution, the steps still end. Period counts
// outside the int range saturate (also where x - base overflows), r then
// somewhere in the period (NaN here); invalid periods and non-finite values
// leave x with k = 0. Each such fault is reported once.
TEST_F(ReportingTest, DoubleCongruenceFarValuesAndWhatCannotBeReduced) {
  const struct {
    double x, period, base;
    int limit;
    double r;
    int k;
    size_t reports;
  } cases[] = {{0.0, 1.0, 0.0, upper, 1.0, 1, 0},
               {1e9 + 0.5, 1.0, 0.0, lower, 0.5, -1000000000, 0},
               {-3e6, 1.0, 0.0, upper, 1.0, 3000001, 0},
               {1e17, 1.0, 1e17 + 64.0, neither, 1e17 + 64.0, 64, 0},
               {1e17 + 64.0, 1.0, 1e17, neither, 1e17, -64, 0},
               {1e10 + 0.5, 1.0, 0.0, lower, NAN, INT_MIN, 1},
               {-1e300, 3.0, 0.0, lower, NAN, INT_MAX, 1},
               {-1.7e308, 1.0, 1.7e308, lower, NAN, INT_MAX, 1},
               {5.0, 1e-300, 0.0, lower, NAN, INT_MIN, 1},
               {2.5, 0.0, 0.0, upper, 2.5, 0, 1},
               {2.5, NAN, 0.0, upper, 2.5, 0, 1},
               {2.5, HUGE_VAL, 0.0, upper, 2.5, 0, 1},
               {-HUGE_VAL, 1.0, 0.0, upper, -HUGE_VAL, 0, 1},
               {1.0, 1.0, HUGE_VAL, upper, 1.0, 0, 1}};
  for (const auto& c : cases) {
    const DoubleCongruence got = congruence(c.x, c.period, c.base, c.limit);
    const bool inside = got.r >= c.base && got.r <= c.base + c.period;
    EXPECT_TRUE(got.k == c.k && (std::isnan(c.r) ? inside : got.r == c.r))
        << c.x << " " << c.period;
    EXPECT_EQ(reports.take_tags(), ReportTags(c.reports, "mx_utils")) << c.x << " " << c.period;
  }
  for (double x : {0.0, -1e-300, 1e-300, 123.456, -98765.4321, 3.3e7, -4.4e8, -9.87e15, 1e200,
                   -1e308, 1.7976931348623157e308})
    for (double period : {1e-12, 0.3, 1.0, 7.5, 3e5, 1e300})
      for (int limit = 0; limit <= 2; ++limit) { // every finite value ends inside the period
        const DoubleCongruence c = congruence(x, period, -2.0, limit);
        EXPECT_TRUE(c.r >= -2.0 && c.r <= -2.0 + period) << x << " " << period;
        const bool saturated = !reports.take_tags().empty(); // else r is x + k * period
        EXPECT_TRUE(saturated ||
                    std::fabs(c.r - x - c.k * period) <= 1e-6 * (std::fabs(x) + period))
            << x << " " << period;
      }
}

TEST(Utils, Tfp0IsAnUnmangledConstant) {
  EXPECT_EQ(mxtfp0_(), 1e-20);
  void* symbol = dlsym(RTLD_DEFAULT, "mxtfp0_");
  ASSERT_NE(symbol, nullptr);
  EXPECT_EQ(reinterpret_cast<double (*)()>(symbol)(), 1e-20);
}

} // namespace
