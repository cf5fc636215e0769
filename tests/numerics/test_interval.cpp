// MxInterval: every set operation over small bounds against the sets the
// intervals stand for, bounds kept as given, exact tests, checked indexing.
#include "mxinterval.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char* const tag = "protectedinterfaces/mxinterval_i";

// [a, b] as a set of reals: empty when a > b.
bool has(double a, double b, double x) {
  return a <= x && x <= b;
}

// All intervals with bounds 0 to 3 (the empty ones too) against their sets,
// sampled at every half; points from -0.5 to 3.5 as arguments.
TEST(Interval, SetOperationsOverSmallBoundsMatchTheSets) {
  const double bounds[] = {0.0, 1.0, 2.0, 3.0};
  for (double a : bounds)
    for (double b : bounds) {
      const MxInterval i(a, b);
      const bool empty = a > b;
      SCOPED_TRACE(testing::Message() << "[" << a << ", " << b << "]");
      EXPECT_EQ(i.is_empty(), empty);
      EXPECT_EQ(i.length(), empty ? 0.0 : b - a);
      EXPECT_EQ(i.middle(), (a + b) * 0.5); // an empty one too
      for (double x = -0.5; x <= 3.5; x += 0.5) {
        EXPECT_EQ(i.contains(x), has(a, b, x)) << x;
        MxInterval grown = i;
        EXPECT_EQ(&grown.include(x), &grown);
        EXPECT_TRUE(grown == (empty ? MxInterval(x) : MxInterval(std::min(a, x), std::max(b, x))));
      }
      for (double c : bounds)
        for (double d : bounds) {
          const MxInterval j(c, d);
          bool subset = true, meet = false;
          for (double x = 0.0; x <= 3.0; x += 0.5) {
            subset = subset && (!has(c, d, x) || has(a, b, x));
            meet = meet || (has(a, b, x) && has(c, d, x));
          }
          EXPECT_EQ(i.contains(j), !empty && subset) << c << " " << d; // nothing in the empty one
          EXPECT_EQ(i.overlapping(j), meet) << c << " " << d;
          MxInterval hull = i;
          EXPECT_EQ(&hull.combine(j), &hull);
          const MxInterval want = c > d   ? i
                                  : empty ? j
                                          : MxInterval(std::min(a, c), std::max(b, d));
          EXPECT_TRUE(hull == want) << c << " " << d;
          EXPECT_EQ(i == j, a == c && b == d) << c << " " << d; // empty ones too
        }
    }
}

TEST(Interval, BoundsAreKeptAsGivenAndTestsAreExact) {
  EXPECT_EQ(sizeof(MxInterval), 2 * sizeof(double));
  const MxInterval e;
  EXPECT_TRUE(e.start() == 1.0 && e.end() == 0.0);
  const double bounds[2] = {-1.5, 4.0};
  EXPECT_TRUE(MxInterval(bounds) == MxInterval(-1.5, 4.0));
  EXPECT_TRUE(MxInterval(2.0) == MxInterval(2.0, 2.0));
  MxInterval i(0.0, 1.0);
  i.set_start(5.0); // setters do not normalise
  EXPECT_TRUE(i.is_empty() && i.start() == 5.0);
  i.set_end(6.0);
  EXPECT_EQ(i.length(), 1.0);
  EXPECT_FALSE(MxInterval(0.0, 1.0).contains(1.0000000000000002));
  EXPECT_FALSE(MxInterval(0.0, 1.0).contains(-1e-300));
  EXPECT_FALSE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0000000000000004));
}

TEST_F(ReportingTest, IndexOutOfRangeIsReportedAndStaysInsideTheInterval) {
  struct { // the interval between two guards that must never change
    double before = 11.0;
    MxInterval i{1.0, 2.0};
    double after = 22.0;
  } s;
  const MxInterval& c = s.i;
  s.i[0] = -3.0;
  EXPECT_TRUE(c[0] == -3.0 && c[1] == 2.0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(c[-1], -3.0);
  EXPECT_EQ(c[2], 2.0);
  s.i[-5] = 3.0;
  s.i[9] = 4.0;
  EXPECT_TRUE(s.before == 11.0 && s.after == 22.0);
  EXPECT_TRUE(s.i == MxInterval(3.0, 4.0));
  EXPECT_EQ(reports.take_tags(), ReportTags(4, tag));
  const double* none = nullptr;
  EXPECT_TRUE(MxInterval(none) == MxInterval());
  EXPECT_EQ(reports.tags(), ReportTags{tag});
}

TEST(Interval, OutOfRangeIndexWithoutHandlerIsSafe) {
  MxInterval i(1.0, 2.0);
  i[3] = 5.0;
  EXPECT_EQ(i[-2], 1.0);
  EXPECT_TRUE(i == MxInterval(1.0, 5.0));
}

} // namespace
