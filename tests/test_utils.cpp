// Binomial coefficients, integer and double congruence, mxtfp0_.
#include "mx_utils.h"

#include "mxassert.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct Reporting : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
  void expect_reports(size_t n) {
    ASSERT_EQ(reports.size(), n);
    for (const std::string& r : reports) EXPECT_EQ(r, "mx_utils");
    reports.clear();
  }
};

size_t row_start(int r) {
  return static_cast<size_t>(r + 1) * static_cast<size_t>(r + 2) / 2;
}

// ---------------------------------------------------------------------------
// Binomial coefficients

TEST(Binomial, SmallValuesAndOutOfRangeArguments) {
  EXPECT_EQ(mx_binomial_coeff(0, 0), 1.0);
  EXPECT_EQ(mx_binomial_coeff(5, 2), 10.0);
  EXPECT_EQ(mx_binomial_coeff(5, 5), 1.0);
  EXPECT_EQ(mx_binomial_coeff(5, 0), 1.0);
  EXPECT_EQ(mx_binomial_coeff(5, 6), 0.0);
  EXPECT_EQ(mx_binomial_coeff(5, -1), 0.0);
  EXPECT_EQ(mx_binomial_coeff(-1, 0), 0.0);
  EXPECT_EQ(mx_binomial_coeff(-7, -3), 0.0);
  EXPECT_EQ(mx_binomial_coeff(40, 41), 0.0);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, INT_MAX), 1.0);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, -1), 0.0);
}

TEST(Binomial, EveryCachedRowMatchesPascalsRule) {
  // Rows up to 33 are all exact; check each against the recurrence and the
  // mirror symmetry, asking the rows in descending order as well.
  for (int n = 33; n >= 1; n -= 8) EXPECT_EQ(mx_binomial_coeff(n, 1), n);
  for (int n = 1; n <= 33; ++n) {
    double row_sum = 0.0;
    for (int k = 0; k <= n; ++k) {
      const double c = mx_binomial_coeff(n, k);
      const double expected =
          (k == 0 || k == n) ? 1.0 : mx_binomial_coeff(n - 1, k - 1) + mx_binomial_coeff(n - 1, k);
      EXPECT_EQ(c, expected) << "C(" << n << ", " << k << ")";
      EXPECT_EQ(c, mx_binomial_coeff(n, n - k));
      row_sum += c;
    }
    EXPECT_EQ(row_sum, std::ldexp(1.0, n));
  }
  EXPECT_EQ(mx_binomial_coeff(33, 16), 1166803110.0);
  EXPECT_EQ(mx_binomial_coeff(33, 17), 1166803110.0);
  EXPECT_EQ(mx_binomial_coeff(32, 16), 601080390.0);
}

TEST(Binomial, CacheGrowsByWholeRowsAndOnlyAsFarAsRow33) {
  mx_binomial_coeff(20, 4);
  const size_t after_20 = mx_binomial_cache_size();
  EXPECT_GE(after_20, row_start(21));
  EXPECT_EQ(mx_binomial_coeff(10, 3), 120.0);
  EXPECT_EQ(mx_binomial_cache_size(), after_20); // cached rows, nothing built
  EXPECT_EQ(mx_binomial_coeff(-3, 1), 0.0);
  EXPECT_EQ(mx_binomial_coeff(20, 30), 0.0);
  EXPECT_EQ(mx_binomial_cache_size(), after_20); // invalid arguments build nothing

  mx_binomial_coeff(33, 0);
  EXPECT_EQ(mx_binomial_cache_size(), row_start(34));
  mx_binomial_coeff(34, 17);
  mx_binomial_coeff(200, 3);
  EXPECT_EQ(mx_binomial_cache_size(), row_start(34)); // large rows are not cached
}

TEST(Binomial, RowsBeyond33AreExactWhileTheyFit53Bits) {
  EXPECT_EQ(mx_binomial_coeff(34, 17), 2333606220.0);
  EXPECT_EQ(mx_binomial_coeff(34, 1), 34.0);
  EXPECT_EQ(mx_binomial_coeff(34, 34), 1.0);
  EXPECT_EQ(mx_binomial_coeff(50, 25), 126410606437752.0);
  EXPECT_EQ(mx_binomial_coeff(50, 24), mx_binomial_coeff(49, 23) + mx_binomial_coeff(49, 24));
  EXPECT_EQ(mx_binomial_coeff(40, 20), mx_binomial_coeff(39, 19) * 2);
}

TEST(Binomial, RowsBeyond53BitsAreCorrectlyRoundedOrClose) {
  // Below 2^64 the value is computed exactly and rounded once.
  EXPECT_EQ(mx_binomial_coeff(60, 30), 118264581564861424.0);
  EXPECT_EQ(mx_binomial_coeff(67, 33), 14226520737620288370.0);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, 2), 2305843005992468481.0);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, 1), 2147483647.0);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, INT_MAX - 1), 2147483647.0);
  // Beyond, a few units in the last place.
  EXPECT_NEAR(mx_binomial_coeff(68, 34) / 28453041475240576740.0, 1.0, 1e-14);
  EXPECT_NEAR(mx_binomial_coeff(100, 50) / 1.008913445455642e+29, 1.0, 1e-13);
  EXPECT_NEAR(mx_binomial_coeff(INT_MAX, 3) / 1.6505867144354876e+27, 1.0, 1e-13);
  EXPECT_NEAR(mx_binomial_coeff(1000, 500) / 2.7028824094543655e+299, 1.0, 1e-12);
  // Past the double range.
  EXPECT_EQ(mx_binomial_coeff(1100, 550), HUGE_VAL);
  EXPECT_EQ(mx_binomial_coeff(INT_MAX, INT_MAX / 2), HUGE_VAL);
}

// ---------------------------------------------------------------------------
// Integer congruence

struct IntCongruence {
  int r;
  int k;
};
IntCongruence congruence(int x, int period, int base) {
  IntCongruence c{-777, -777};
  mx_congruence_info(x, period, base, c.r, c.k);
  return c;
}

TEST(IntCongruence, ReducesIntoThePeriodStartingAtBase) {
  IntCongruence c = congruence(25, 10, 0);
  EXPECT_EQ(c.r, 5);
  EXPECT_EQ(c.k, 2);
  c = congruence(-1, 10, 0);
  EXPECT_EQ(c.r, 9);
  EXPECT_EQ(c.k, -1);
  c = congruence(-10, 10, 0);
  EXPECT_EQ(c.r, 10); // exact periods below base land on the upper end
  EXPECT_EQ(c.k, -2);
  c = congruence(0, 10, 0);
  EXPECT_EQ(c.r, 0);
  EXPECT_EQ(c.k, 0);
  c = congruence(10, 10, 0);
  EXPECT_EQ(c.r, 0);
  EXPECT_EQ(c.k, 1);
  c = congruence(17, 5, 3);
  EXPECT_EQ(c.r, 7);
  EXPECT_EQ(c.k, 2);
  c = congruence(2, 5, 3);
  EXPECT_EQ(c.r, 7);
  EXPECT_EQ(c.k, -1);
}

TEST(IntCongruence, IdentityHoldsAcrossARange) {
  for (int base = -7; base <= 7; base += 7)
    for (int period = 1; period <= 4; ++period)
      for (int x = -20; x <= 20; ++x) {
        const IntCongruence c = congruence(x, period, base);
        EXPECT_EQ(c.r + c.k * period, x);
        if (x >= base) {
          EXPECT_TRUE(base <= c.r && c.r < base + period);
        } else {
          EXPECT_TRUE(base < c.r && c.r <= base + period);
        }
      }
}

TEST_F(Reporting, IntExtremesDoNotOverflow) {
  // x - base exceeds the int range, but r and k fit.
  IntCongruence c = congruence(INT_MAX, INT_MAX, -1);
  EXPECT_EQ(c.r, 0);
  EXPECT_EQ(c.k, 1);
  c = congruence(INT_MIN, 10, 0);
  EXPECT_EQ(c.r, 2);
  EXPECT_EQ(c.k, -214748365);
  c = congruence(INT_MIN + 3, 10, INT_MAX - 5);
  EXPECT_EQ(c.r, INT_MAX - 2);
  EXPECT_EQ(c.k, -429496729);
  expect_reports(0);
}

TEST_F(Reporting, IntResultsOutsideTheIntRangeAreReported) {
  // k = 2^32 - 1 cannot be returned: reported and saturated.
  IntCongruence c = congruence(INT_MAX, 1, INT_MIN);
  EXPECT_EQ(c.r, INT_MIN);
  EXPECT_EQ(c.k, INT_MAX);
  expect_reports(1);
  c = congruence(INT_MIN, 1, INT_MAX); // both r and k out of range: one report
  EXPECT_EQ(c.r, INT_MAX);
  EXPECT_EQ(c.k, INT_MIN);
  expect_reports(1);
  // r would lie above INT_MAX: one period lower instead, x = r + k * period kept.
  c = congruence(0, 10, INT_MAX);
  EXPECT_EQ(c.r, INT_MAX - 7);
  EXPECT_EQ(c.k, -214748364);
  EXPECT_EQ(static_cast<long long>(c.r) + static_cast<long long>(c.k) * 10, 0);
  expect_reports(1);
}

TEST_F(Reporting, IntPeriodBelowOneIsReportedAndLeavesX) {
  for (int period : {0, -1, INT_MIN}) {
    const IntCongruence c = congruence(25, period, 3);
    EXPECT_EQ(c.r, 25);
    EXPECT_EQ(c.k, 0);
    expect_reports(1);
  }
}

// ---------------------------------------------------------------------------
// Double congruence

struct DoubleCongruence {
  double r;
  int k;
};
DoubleCongruence congruence(double x, double period, double base, MxEvalLimit limit) {
  DoubleCongruence c{-777.0, -777};
  mx_congruence_info(x, period, base, c.r, c.k, limit);
  return c;
}

// The one-period-at-a-time rule, for comparison near the range.
DoubleCongruence stepwise(double x, double period, double base, int limit) {
  const double top = period + base;
  int k = 0;
  double r = x;
  if (base > x)
    while (base > r) r += period, ++k;
  if (x > top && r > top)
    while (r > top) r -= period, --k;
  if (base >= r && limit == 0) {
    r = top;
    ++k;
  } else if (r >= top && limit == 1) {
    r = base;
    --k;
  }
  return {r, k};
}

TEST(DoubleCongruence, ReducesIntoTheClosedPeriod) {
  DoubleCongruence c = congruence(2.5, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 0.5);
  EXPECT_EQ(c.k, -2);
  c = congruence(-0.5, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 0.5);
  EXPECT_EQ(c.k, 1);
  c = congruence(0.25, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.25);
  EXPECT_EQ(c.k, 0);
  c = congruence(7.0, 2.0, -1.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, -1.0);
  EXPECT_EQ(c.k, -4);
}

TEST(DoubleCongruence, BoundaryValuesTakeTheChosenEnd) {
  DoubleCongruence c = congruence(1.0, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, 0);
  c = congruence(1.0, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.k, -1);
  c = congruence(0.0, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, 1);
  c = congruence(0.0, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.k, 0);
  c = congruence(3.0, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, -2);
  // Any other choice leaves a boundary value where it lands.
  const MxEvalLimit neither = static_cast<MxEvalLimit>(2);
  c = congruence(0.0, 1.0, 0.0, neither);
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.k, 0);
  c = congruence(3.0, 1.0, 0.0, neither);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, -2);
  c = congruence(-2.0, 1.0, 0.0, neither);
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.k, 2);
}

TEST(DoubleCongruence, NearValuesMatchTheStepwiseRuleBitForBit) {
  const double periods[] = {1.0, 0.1, 2.0 * 3.141592653589793, 0.7};
  const double bases[] = {0.0, -0.35, 12.5};
  for (double period : periods)
    for (double base : bases)
      for (int limit = 0; limit <= 2; ++limit)
        for (double x = base - 60.3 * period; x < base + 61.0 * period; x += 0.13 * period) {
          const DoubleCongruence want = stepwise(x, period, base, limit);
          const DoubleCongruence got = congruence(x, period, base, static_cast<MxEvalLimit>(limit));
          ASSERT_EQ(got.r, want.r) << x << " " << period << " " << base << " " << limit;
          ASSERT_EQ(got.k, want.k) << x << " " << period << " " << base << " " << limit;
        }
}

TEST(DoubleCongruence, FarValuesShiftAtOnce) {
  DoubleCongruence c = congruence(1e6 + 0.25, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 0.25);
  EXPECT_EQ(c.k, -1000000);
  c = congruence(-1e6 + 0.25, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 0.25);
  EXPECT_EQ(c.k, 1000000);
  c = congruence(1e9 + 0.5, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.5);
  EXPECT_EQ(c.k, -1000000000);
  // Exactly on a far boundary: the limit still decides.
  c = congruence(5000.0, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.0);
  EXPECT_EQ(c.k, -5000);
  c = congruence(-5000.0, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, 5001);
  // The identity r = x + k * period holds up to rounding.
  for (double x : {-98765.4321, 12345.678, 3.3e7, -4.4e8}) {
    for (double period : {0.3, 7.5}) {
      const DoubleCongruence d = congruence(x, period, 1.0, EVAL_LIMIT_UPPER);
      EXPECT_TRUE(d.r >= 1.0 && d.r <= 1.0 + period) << x;
      EXPECT_NEAR(d.r, x + d.k * period, 1e-6 * std::fabs(x)) << x;
    }
  }
}

TEST_F(Reporting, StepsThatNoLongerChangeRStillEnd) {
  // One period is below the resolution of values near 1e17.
  const MxEvalLimit neither = static_cast<MxEvalLimit>(2);
  DoubleCongruence c = congruence(1e17, 1.0, 1e17 + 64.0, neither);
  EXPECT_EQ(c.r, 1e17 + 64.0);
  EXPECT_EQ(c.k, 64);
  c = congruence(1e17 + 64.0, 1.0, 1e17, neither);
  EXPECT_EQ(c.r, 1e17);
  EXPECT_EQ(c.k, -64);
  expect_reports(0);
}

TEST_F(Reporting, PeriodCountsOutsideTheIntRangeAreReported) {
  DoubleCongruence c = congruence(1e10 + 0.5, 1.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_EQ(c.r, 0.5);
  EXPECT_EQ(c.k, INT_MIN);
  expect_reports(1);
  c = congruence(-1e300, 3.0, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_TRUE(c.r >= 0.0 && c.r <= 3.0);
  EXPECT_EQ(c.k, INT_MAX);
  expect_reports(1);
  c = congruence(-1.7e308, 1.0, 1.7e308, EVAL_LIMIT_LOWER); // difference overflows
  EXPECT_TRUE(c.r >= 1.7e308 && c.r <= 1.7e308 + 1.0);
  EXPECT_EQ(c.k, INT_MAX);
  expect_reports(1);
  c = congruence(5.0, 1e-300, 0.0, EVAL_LIMIT_LOWER);
  EXPECT_TRUE(c.r >= 0.0 && c.r <= 1e-300);
  expect_reports(1);
}

TEST_F(Reporting, EveryFiniteValueEnds) {
  const double xs[] = {0.0,      -1e-300, 1e-300, 123.456,
                       -9.87e15, 1e200,   -1e308, 1.7976931348623157e308};
  const double periods[] = {1e-12, 0.5, 1.0, 3e5, 1e300};
  for (double x : xs)
    for (double period : periods)
      for (int limit = 0; limit <= 2; ++limit) {
        const DoubleCongruence c = congruence(x, period, -2.0, static_cast<MxEvalLimit>(limit));
        EXPECT_TRUE(c.r >= -2.0 && c.r <= -2.0 + period) << x << " " << period;
      }
  reports.clear();
}

TEST_F(Reporting, InvalidPeriodsAndNonFiniteInputsLeaveX) {
  const double bad_periods[] = {0.0, -1.0, -0.0, NAN, HUGE_VAL};
  for (double period : bad_periods) {
    const DoubleCongruence c = congruence(2.5, period, 0.0, EVAL_LIMIT_UPPER);
    EXPECT_EQ(c.r, 2.5);
    EXPECT_EQ(c.k, 0);
    expect_reports(1);
  }
  DoubleCongruence c = congruence(-HUGE_VAL, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, -HUGE_VAL);
  EXPECT_EQ(c.k, 0);
  expect_reports(1);
  c = congruence(NAN, 1.0, 0.0, EVAL_LIMIT_UPPER);
  EXPECT_TRUE(std::isnan(c.r));
  EXPECT_EQ(c.k, 0);
  expect_reports(1);
  c = congruence(1.0, 1.0, HUGE_VAL, EVAL_LIMIT_UPPER);
  EXPECT_EQ(c.r, 1.0);
  EXPECT_EQ(c.k, 0);
  expect_reports(1);
}

TEST(Utils, Tfp0IsAnUnmangledConstant) {
  EXPECT_EQ(mxtfp0_(), 1e-20);
  void* symbol = dlsym(RTLD_DEFAULT, "mxtfp0_");
  ASSERT_NE(symbol, nullptr);
  EXPECT_EQ(reinterpret_cast<double (*)()>(symbol)(), 1e-20);
}

} // namespace
