// MxInterval: encoded emptiness, exact inclusive tests, hull and growth.
#include "mxinterval.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

namespace {

const char* const tag = "protectedinterfaces/mxinterval_i";

TEST(Interval, EmptinessLengthAndMiddle) {
  EXPECT_EQ(sizeof(MxInterval), 2 * sizeof(double));
  const MxInterval e;
  EXPECT_EQ(e.start(), 1.0);
  EXPECT_EQ(e.end(), 0.0);
  const double bounds[2] = {-1.5, 4.0};
  MxInterval grown(0.0, 1.0);
  grown.set_start(5.0); // setters do not normalise
  EXPECT_TRUE(grown.is_empty());
  grown.set_end(6.0);
  struct Case {
    MxInterval i;
    bool empty;
    double length;
  } const cases[] = {{e, true, 0.0},
                     {MxInterval(3.0, 1.0), true, 0.0},
                     {MxInterval(2.0), false, 0.0},
                     {MxInterval(bounds), false, 5.5},
                     {grown, false, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.i.start() << " " << c.i.end());
    EXPECT_EQ(c.i.is_empty(), c.empty);
    EXPECT_EQ(c.i.length(), c.length);
  }
  EXPECT_EQ(MxInterval(3.0, 1.0).middle(), 2.0); // bounds kept as given
  EXPECT_EQ(MxInterval(bounds).middle(), 1.25);
}

TEST(Interval, ContainsAndOverlappingAreExactAndInclusive) {
  const MxInterval unit(0.0, 1.0), e;
  for (double v : {0.0, 1.0, 0.25}) EXPECT_TRUE(unit.contains(v)) << v;
  for (double v : {-1e-300, 1.0000000000000002}) EXPECT_FALSE(unit.contains(v)) << v;
  for (double v : {0.0, 0.5, 1.0}) EXPECT_FALSE(e.contains(v)) << v;
  EXPECT_TRUE(MxInterval(2.0).contains(2.0));
  EXPECT_FALSE(MxInterval(2.0).contains(2.0000000001));

  struct Case {
    MxInterval a, b;
    bool a_contains_b, overlapping;
  } const cases[] = {{MxInterval(0.0, 2.0), MxInterval(0.0, 2.0), true, true},
                     {MxInterval(0.0, 2.0), MxInterval(1.0), true, true},
                     {MxInterval(0.0, 2.0), MxInterval(-0.5, 1.0), false, true},
                     {MxInterval(0.0, 2.0), MxInterval(1.0, 2.5), false, true},
                     {MxInterval(0.0, 1.0), MxInterval(1.0, 2.0), false, true}, // touching ends
                     {MxInterval(0.0, 1.0), MxInterval(1.5, 2.0), false, false},
                     {MxInterval(0.0, 10.0), MxInterval(3.0, 4.0), true, true},
                     // empty intervals overlap nothing, even with bounds that straddle
                     {MxInterval(0.0, 10.0), MxInterval(6.0, 4.0), true, false},
                     {MxInterval(-10.0, 10.0), e, true, false},
                     {MxInterval(7.0), e, true, false},
                     {MxInterval(1.0), MxInterval(5.0, 4.0), true, false},
                     {e, e, false, false},
                     {e, MxInterval(0.5), false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.a.start() << ", " << c.a.end() << "] ["
                                    << c.b.start() << ", " << c.b.end() << "]");
    EXPECT_EQ(c.a.contains(c.b), c.a_contains_b);
    EXPECT_EQ(c.a.overlapping(c.b), c.overlapping);
    EXPECT_EQ(c.b.overlapping(c.a), c.overlapping);
  }
}

TEST(Interval, CombineMakesTheHullIgnoringEmptyIntervals) {
  MxInterval e;
  EXPECT_TRUE(&e.combine(MxInterval(1.0, 2.0)) == &e);
  EXPECT_TRUE(e == MxInterval(1.0, 2.0));
  MxInterval i(1.0, 2.0);
  const struct {
    MxInterval with, hull;
  } steps[] = {{MxInterval(), MxInterval(1.0, 2.0)},
               {MxInterval(5.0, -5.0), MxInterval(1.0, 2.0)}, // empty, though wide
               {MxInterval(-1.0, 0.0), MxInterval(-1.0, 2.0)},
               {MxInterval(3.0, 4.0), MxInterval(-1.0, 4.0)},
               {MxInterval(0.0, 1.0), MxInterval(-1.0, 4.0)}};
  for (const auto& s : steps) {
    i.combine(s.with);
    EXPECT_TRUE(i == s.hull) << i.start() << " " << i.end();
  }
  MxInterval both_empty;
  both_empty.combine(MxInterval(9.0, 8.0));
  EXPECT_TRUE(both_empty == MxInterval()); // unchanged, not replaced
}

TEST(Interval, IncludeGrowsToTheValue) {
  MxInterval e;
  EXPECT_TRUE(&e.include(5.0) == &e);
  EXPECT_TRUE(e == MxInterval(5.0, 5.0));
  MxInterval i(1.0, 2.0);
  i.include(5.0);
  EXPECT_TRUE(i == MxInterval(1.0, 5.0));
  i.include(0.0);
  i.include(1.0);
  EXPECT_TRUE(i == MxInterval(0.0, 5.0));
}

TEST(Interval, EqualityIsExact) {
  EXPECT_TRUE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0));
  EXPECT_FALSE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0000000000000004));
  EXPECT_FALSE(MxInterval() == MxInterval(3.0, 1.0));
  EXPECT_TRUE(MxInterval() == MxInterval(1.0, 0.0));
}

TEST_F(ReportingTest, IndexOutOfRangeIsReportedAndStaysInsideTheInterval) {
  // The interval sits between two guards that must never change.
  struct {
    double before = 11.0;
    MxInterval i{1.0, 2.0};
    double after = 22.0;
  } s;
  const MxInterval& c = s.i;
  s.i[0] = -3.0;
  EXPECT_EQ(c[0], -3.0);
  EXPECT_EQ(c[1], 2.0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(c[-1], -3.0);
  EXPECT_EQ(c[2], 2.0);
  s.i[-5] = 3.0;
  s.i[9] = 4.0;
  EXPECT_EQ(s.before, 11.0);
  EXPECT_EQ(s.after, 22.0);
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
