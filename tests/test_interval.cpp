// MxInterval: encoded emptiness, exact inclusive tests, hull and growth.
#include "mxinterval.h"

#include <gtest/gtest.h>

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
};

const char* const tag = "protectedinterfaces/mxinterval_i";

TEST(Interval, DefaultIsTheCanonicalEmptyInterval) {
  const MxInterval e;
  EXPECT_EQ(e.start(), 1.0);
  EXPECT_EQ(e.end(), 0.0);
  EXPECT_TRUE(e.is_empty());
  EXPECT_EQ(e.length(), 0.0);
  EXPECT_FALSE(e.contains(0.0));
  EXPECT_FALSE(e.contains(0.5));
  EXPECT_FALSE(e.contains(1.0));
  EXPECT_FALSE(e.overlapping(MxInterval(-10.0, 10.0)));
  EXPECT_FALSE(MxInterval(-10.0, 10.0).overlapping(e));
  EXPECT_TRUE(MxInterval(-10.0, 10.0).contains(e));
  EXPECT_TRUE(MxInterval(7.0).contains(e));
  EXPECT_EQ(sizeof(MxInterval), 2 * sizeof(double));
}

TEST(Interval, ConstructorsKeepBoundsAsGiven) {
  const MxInterval reversed(3.0, 1.0);
  EXPECT_EQ(reversed.start(), 3.0);
  EXPECT_EQ(reversed.end(), 1.0);
  EXPECT_TRUE(reversed.is_empty());
  EXPECT_EQ(reversed.length(), 0.0);
  EXPECT_EQ(reversed.middle(), 2.0);

  const MxInterval point(2.0);
  EXPECT_FALSE(point.is_empty());
  EXPECT_EQ(point.length(), 0.0);
  EXPECT_TRUE(point.contains(2.0));
  EXPECT_FALSE(point.contains(2.0000000001));

  const double bounds[2] = {-1.5, 4.0};
  const MxInterval from_array(bounds);
  EXPECT_EQ(from_array.start(), -1.5);
  EXPECT_EQ(from_array.end(), 4.0);
  EXPECT_EQ(from_array.length(), 5.5);
  EXPECT_EQ(from_array.middle(), 1.25);

  MxInterval copy(from_array);
  EXPECT_TRUE(copy == from_array);
  copy = reversed;
  EXPECT_TRUE(copy == reversed);
}

TEST(Interval, SettersDoNotNormalise) {
  MxInterval i(0.0, 1.0);
  i.set_start(5.0);
  EXPECT_TRUE(i.is_empty());
  EXPECT_EQ(i.start(), 5.0);
  i.set_end(6.0);
  EXPECT_FALSE(i.is_empty());
  EXPECT_EQ(i.length(), 1.0);
}

TEST(Interval, ContainsValueIsInclusive) {
  const MxInterval i(0.0, 1.0);
  EXPECT_TRUE(i.contains(0.0));
  EXPECT_TRUE(i.contains(1.0));
  EXPECT_TRUE(i.contains(0.25));
  EXPECT_FALSE(i.contains(-1e-300));
  EXPECT_FALSE(i.contains(1.0000000000000002));
}

TEST(Interval, ContainsInterval) {
  const MxInterval i(0.0, 2.0);
  EXPECT_TRUE(i.contains(MxInterval(0.0, 2.0)));
  EXPECT_TRUE(i.contains(MxInterval(1.0)));
  EXPECT_FALSE(i.contains(MxInterval(-0.5, 1.0)));
  EXPECT_FALSE(i.contains(MxInterval(1.0, 2.5)));
  EXPECT_FALSE(MxInterval().contains(MxInterval()));
  EXPECT_FALSE(MxInterval().contains(MxInterval(0.5)));
  EXPECT_TRUE(MxInterval(1.0).contains(MxInterval(5.0, 4.0)));
}

TEST(Interval, OverlappingCountsTouchingEnds) {
  EXPECT_TRUE(MxInterval(0.0, 1.0).overlapping(MxInterval(1.0, 2.0)));
  EXPECT_TRUE(MxInterval(1.0, 2.0).overlapping(MxInterval(0.0, 1.0)));
  EXPECT_FALSE(MxInterval(0.0, 1.0).overlapping(MxInterval(1.5, 2.0)));
  EXPECT_FALSE(MxInterval(1.5, 2.0).overlapping(MxInterval(0.0, 1.0)));
  EXPECT_TRUE(MxInterval(0.0, 10.0).overlapping(MxInterval(3.0, 4.0)));
  EXPECT_TRUE(MxInterval(3.0, 4.0).overlapping(MxInterval(0.0, 10.0)));
  // An empty interval whose bounds straddle the other still overlaps nothing.
  EXPECT_FALSE(MxInterval(0.0, 10.0).overlapping(MxInterval(6.0, 4.0)));
}

TEST(Interval, CombineMakesTheHull) {
  MxInterval e;
  EXPECT_TRUE(&e.combine(MxInterval(1.0, 2.0)) == &e);
  EXPECT_TRUE(e == MxInterval(1.0, 2.0));

  MxInterval i(1.0, 2.0);
  i.combine(MxInterval());
  EXPECT_TRUE(i == MxInterval(1.0, 2.0));
  i.combine(MxInterval(5.0, -5.0)); // empty, even though its bounds are wide
  EXPECT_TRUE(i == MxInterval(1.0, 2.0));
  i.combine(MxInterval(-1.0, 0.0));
  EXPECT_TRUE(i == MxInterval(-1.0, 2.0));
  i.combine(MxInterval(3.0, 4.0));
  EXPECT_TRUE(i == MxInterval(-1.0, 4.0));
  i.combine(MxInterval(0.0, 1.0));
  EXPECT_TRUE(i == MxInterval(-1.0, 4.0));

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
  MxInterval j(1.0, 2.0);
  j.include(0.0);
  EXPECT_TRUE(j == MxInterval(0.0, 2.0));
  j.include(1.0);
  EXPECT_TRUE(j == MxInterval(0.0, 2.0));
}

TEST(Interval, EqualityIsExact) {
  EXPECT_TRUE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0));
  EXPECT_FALSE(MxInterval(1.0, 2.0) == MxInterval(1.0, 2.0000000000000004));
  EXPECT_FALSE(MxInterval() == MxInterval(3.0, 1.0));
  EXPECT_TRUE(MxInterval() == MxInterval(1.0, 0.0));
}

TEST_F(Reporting, IndexReadsAndWritesBounds) {
  MxInterval i(1.0, 2.0);
  EXPECT_EQ(i[0], 1.0);
  EXPECT_EQ(i[1], 2.0);
  i[0] = -3.0;
  i[1] = 7.0;
  const MxInterval& c = i;
  EXPECT_EQ(c[0], -3.0);
  EXPECT_EQ(c[1], 7.0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reporting, OutOfRangeIndexIsReportedAndStaysInsideTheInterval) {
  // The interval sits between two guards that must never change.
  struct {
    double before = 11.0;
    MxInterval i{1.0, 2.0};
    double after = 22.0;
  } s;
  const MxInterval& c = s.i;
  EXPECT_EQ(c[-1], 1.0);
  EXPECT_EQ(c[2], 2.0);
  s.i[-5] = 3.0;
  s.i[9] = 4.0;
  EXPECT_EQ(s.before, 11.0);
  EXPECT_EQ(s.after, 22.0);
  EXPECT_TRUE(s.i == MxInterval(3.0, 4.0));
  ASSERT_EQ(reports.size(), 4u);
  for (const std::string& r : reports) EXPECT_EQ(r, tag);
}

TEST(Interval, OutOfRangeIndexWithoutHandlerIsSilentAndSafe) {
  reports.clear();
  MxInterval i(1.0, 2.0);
  i[3] = 5.0;
  EXPECT_EQ(i[-2], 1.0);
  EXPECT_TRUE(i == MxInterval(1.0, 5.0));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Reporting, NullBoundsPointerGivesTheEmptyInterval) {
  const double* none = nullptr;
  const MxInterval i(none);
  EXPECT_TRUE(i == MxInterval());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], tag);
}

} // namespace
