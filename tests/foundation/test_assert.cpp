// The failure channel: installing, removing and calling the handler.
#include "mxfoundation.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

namespace {

void ignore(const char*, int) {}

TEST(Assertion, SetReturnsNewHandlerOrNullAndWithoutOneAllIsSilent) {
  EXPECT_EQ(set_fnd_assertion_handler(ignore, true), &ignore);
  EXPECT_EQ(fnd_assertion_handler, &ignore);
  EXPECT_EQ(set_fnd_assertion_handler(ignore, false), nullptr);
  EXPECT_EQ(fnd_assertion_handler, nullptr);
  { ReportRecorder installed_then_removed; }
  EXPECT_EQ(fnd_assertion_handler, nullptr);
  Mx_assert("somewhere", 7);
  int evaluated = 0;
  MX_CHECK("tag", (++evaluated, false));
  EXPECT_EQ(evaluated, 0); // the condition is not even evaluated
  MxArray<int> empty;
  empty.remove_last();
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_EQ(Mx_BogusInt(), 42424242);
  EXPECT_DOUBLE_EQ(Mx_BogusDouble(), 42424242242.42424);
  EXPECT_EQ(Mx_ASSERT_FALSE, 0);
}

TEST_F(ReportingTest, AssertAndChecksReachTheHandlerWithTagAndLine) {
  Mx_assert("client.cpp", 123);
  MX_CHECK("checked", 1 + 1 == 2);
  const int line = __LINE__ + 1;
  MX_CHECK("checked", 1 + 1 == 3);
  MxArray<int> empty;
  empty.remove_last();
  EXPECT_EQ(empty.size(), 0u);
  ASSERT_EQ(reports.count(), 3u);
  EXPECT_EQ(reports.all()[0], (RecordedReport{"client.cpp", 123}));
  EXPECT_EQ(reports.all()[1], (RecordedReport{"checked", line}));
  EXPECT_EQ(reports.count("protectedinterfaces/mxarray_i"), 1u);
}

TEST(AssertionDeathTest, DefaultPureVirtualHookAbortsWithMessage) {
  EXPECT_DEATH(fnd_pure_virtual_called("MxShape", "area"),
               "Pure virtual method called: MxShape::area\\.");
}

} // namespace
