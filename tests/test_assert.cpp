// The failure channel: installing, removing and calling the handler.
#include "mxfoundation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) { reports.emplace_back(file); }

struct HandlerInstalled : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

TEST(Assertion, SetReturnsNewHandlerOrNull) {
  EXPECT_EQ(set_fnd_assertion_handler(record, true), &record);
  EXPECT_EQ(fnd_assertion_handler, &record);
  EXPECT_EQ(set_fnd_assertion_handler(record, false), nullptr);
  EXPECT_EQ(fnd_assertion_handler, nullptr);
}

TEST(Assertion, SilentWithoutHandlerAndConditionNotEvaluated) {
  reports.clear();
  set_fnd_assertion_handler(record, false);
  Mx_assert("somewhere", 7);
  int evaluated = 0;
  MX_CHECK("tag", (++evaluated, false));
  EXPECT_EQ(evaluated, 0);
  MxArray<int> empty;
  empty.remove_last();
  EXPECT_TRUE(reports.empty());
}

TEST_F(HandlerInstalled, AssertCallsHandlerWithFileAndLine) {
  int seen_line = 0;
  static int* line_out;
  line_out = &seen_line;
  set_fnd_assertion_handler([](const char* f, int l) { reports.emplace_back(f), *line_out = l; },
                            true);
  Mx_assert("client.cpp", 123);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "client.cpp");
  EXPECT_EQ(seen_line, 123);
}

TEST_F(HandlerInstalled, RemoveLastOnEmptyArrayReportsOnce) {
  MxArray<int> empty;
  empty.remove_last();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "protectedinterfaces/mxarray_i");
  EXPECT_EQ(empty.size(), 0u);
}

TEST(Assertion, MarkerValues) {
  EXPECT_EQ(Mx_BogusInt(), 42424242);
  EXPECT_DOUBLE_EQ(Mx_BogusDouble(), 42424242242.42424);
  EXPECT_EQ(Mx_ASSERT_FALSE, 0);
}

TEST(AssertionDeathTest, DefaultPureVirtualHookAbortsWithMessage) {
  EXPECT_DEATH(fnd_pure_virtual_called("MxShape", "area"),
               "Pure virtual method called: MxShape::area\\.");
}

} // namespace
