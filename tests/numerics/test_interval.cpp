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
      // the middle of an empty one too
      EXPECT_TRUE(i.is_empty() == empty && i.length() == (empty ? 0.0 : b - a) &&
                  i.middle() == (a + b) * 0.5);
      for (double x = -0.5; x <= 3.5; x += 0.5) {
        EXPECT_EQ(i.contains(x), has(a, b, x)) << x;
        MxInterval grown = i;
        EXPECT_TRUE(&grown.include(x) == &grown &&
                    grown == (empty ? MxInterval(x) : MxInterval(std::min(a, x), std::max(b, x))));
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
          MxInterval hull = i, want = MxInterval(std::min(a, c), std::max(b, d));
          EXPECT_TRUE(&hull.combine(j) == &hull && hull == (c > d   ? i
                                                            : empty ? j
                                                                    : want))
              << c << " " << d;
          EXPECT_EQ(i == j, a == c && b == d) << c << " " << d; // empty ones too
        }
    }
}

TEST(Interval, BoundsAreKeptAsGivenAndTestsAreExact) {
  const MxInterval e;
  EXPECT_TRUE(e.start() == 1.0 && e.end() == 0.0);
  const double bounds[2] = {-1.5, 4.0};
  EXPECT_TRUE(MxInterval(bounds) == MxInterval(-1.5, 4.0) &&
              MxInterval(2.0) == MxInterval(2.0, 2.0));
  MxInterval i(0.0, 1.0);
  i.set_start(5.0); // setters do not normalise
  EXPECT_TRUE(i.is_empty() && i.start() == 5.0);
  i.set_end(6.0);
  EXPECT_EQ(i.length(), 1.0);
  EXPECT_FALSE(MxInterval(0.0, 1.0).contains(1.0000000000000002) || i.contains(5.0 - 1e-15));
  EXPECT_FALSE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0000000000000004));
}

// Indices out of range read and write the nearest bound and are reported;
// the guards around the interval stay. A null array of bounds is reported
// and gives the empty interval.
TEST_F(ReportingTest, IndexOutOfRangeIsReportedAndStaysInsideTheInterval) {
  struct {
    double before = 11.0;
    MxInterval i{1.0, 2.0};
    double after = 22.0;
  } s;
  const MxInterval& c = s.i;
  s.i[0] = -3.0;
  EXPECT_TRUE(c[0] == -3.0 && c[1] == 2.0 && reports.empty());
  EXPECT_TRUE(c[-1] == -3.0 && c[2] == 2.0);
  s.i[-5] = 3.0;
  s.i[9] = 4.0;
  EXPECT_TRUE(s.before == 11.0 && s.after == 22.0 && s.i == MxInterval(3.0, 4.0));
  EXPECT_EQ(reports.take_tags(), ReportTags(4, tag));
  const double* none = nullptr;
  EXPECT_TRUE(MxInterval(none) == MxInterval());
  EXPECT_EQ(reports.tags(), ReportTags{tag});
}

} // namespace
