// MxProgressHandler: shown percentage sequences, ranges, clamping and
// cancellation.
#include "mxprogress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

// Records every percentage shown; answers cancellation polls from a script.
class Recorder : public MxProgressHandler {
public:
  void show_progress(unsigned int percentage) override { shown.push_back(percentage); }
  bool poll_cancel() override {
    ++polls;
    return cancel_answer;
  }
  std::vector<unsigned int> shown;
  int polls = 0;
  bool cancel_answer = false;
};

using Shown = std::vector<unsigned int>;

struct Progress : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
  Recorder handler;
};

TEST_F(Progress, FourStepsShowQuartersBelowHundredThenFinish) {
  unsigned int start = 7, end = 7;
  handler.get_range(start, end);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 100u);
  handler.initialize(4); // scale 99 / 4 = 24.75
  for (int k = 0; k < 4; ++k) handler.update_progress(1);
  handler.finish();
  EXPECT_EQ(handler.shown, (Shown{0, 24, 49, 74, 99, 100}));
  EXPECT_EQ(handler.current_progress_percentage(), 99u);
  handler.finish(); // the range end is shown again
  EXPECT_EQ(handler.shown.back(), 100u);
  EXPECT_EQ(handler.shown.size(), 7u);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Progress, StepsThatKeepThePercentageShowNothing) {
  handler.initialize(1000); // 0.099 points per step
  handler.update_progress(5);
  handler.update_progress(5);
  EXPECT_EQ(handler.shown, (Shown{0}));
  handler.update_progress(1); // 11 steps: 1.089
  EXPECT_EQ(handler.shown, (Shown{0, 1}));
  EXPECT_EQ(handler.current_progress_percentage(), 1u);
}

TEST_F(Progress, ZeroStepsUseDivisorOne) {
  handler.initialize(0); // scale 99
  handler.update_progress(1);
  handler.update_progress(50);
  EXPECT_EQ(handler.shown, (Shown{0}));
  EXPECT_EQ(handler.current_progress_percentage(), 0u);
  handler.finish();
  EXPECT_EQ(handler.shown, (Shown{0, 100}));
}

TEST_F(Progress, DoneIsClampedToTheStepCount) {
  handler.initialize(10);
  handler.update_progress(1000);
  EXPECT_EQ(handler.shown, (Shown{0, 99}));
  EXPECT_EQ(handler.current_progress_percentage(), 99u);
  handler.update_progress(1);
  EXPECT_EQ(handler.shown.size(), 2u);
}

TEST_F(Progress, HugeStepCountsDoNotWrap) {
  handler.initialize(4000000000u);
  handler.update_progress(3999999999u); // 98.99...
  // done + k exceeds 32 bits: it is clamped to the step count, not wrapped
  handler.update_progress(4000000000u);
  EXPECT_EQ(handler.current_progress_percentage(), 99u);
  handler.update_progress(0xFFFFFFFFu);
  EXPECT_EQ(handler.current_progress_percentage(), 99u);
  EXPECT_EQ(handler.shown, (Shown{0, 98, 99}));
}

TEST_F(Progress, RangeTwentyToForty) {
  handler.set_range(20, 40);
  handler.initialize(19); // scale (40 - 20 - 1) / 19 = 1
  for (int k = 0; k < 19; ++k) handler.update_progress(1);
  handler.finish();
  Shown expected{20};
  for (unsigned int p = 21; p <= 39; ++p) expected.push_back(p);
  expected.push_back(40);
  EXPECT_EQ(handler.shown, expected);
}

TEST_F(Progress, RangeChangeAfterInitializeMovesOffsetKeepsScale) {
  handler.initialize(4); // scale 24.75
  handler.update_progress(1);
  handler.set_range(50, 60);
  EXPECT_EQ(handler.current_progress_percentage(), 74u); // 24.75 + 50
  handler.update_progress(1);                            // 99.5 is not below the range end 60
  EXPECT_EQ(handler.shown, (Shown{0, 24}));
  handler.finish();
  EXPECT_EQ(handler.shown, (Shown{0, 24, 60}));
}

TEST_F(Progress, CancellationIsStickyAndSilencesUntilInitialize) {
  handler.initialize(4);
  EXPECT_FALSE(handler.is_cancelled());
  EXPECT_EQ(handler.polls, 1);
  handler.cancel_answer = true;
  EXPECT_TRUE(handler.is_cancelled());
  handler.cancel_answer = false;
  EXPECT_TRUE(handler.is_cancelled());
  EXPECT_EQ(handler.polls, 2); // not asked again once cancelled
  handler.update_progress(2);
  handler.finish();
  EXPECT_EQ(handler.shown, (Shown{0}));

  handler.initialize(4); // clears the cancellation and shows the start
  EXPECT_FALSE(handler.is_cancelled());
  EXPECT_EQ(handler.polls, 3);
  handler.update_progress(1);
  EXPECT_EQ(handler.shown, (Shown{0, 0, 24}));
}

TEST_F(Progress, MessageAndCopies) {
  handler.set_message("meshing");
  handler.set_message(handler.get_message());
  EXPECT_STREQ(handler.get_message().c_str(), "meshing");
  handler.set_range(10, 30);
  handler.initialize(2);
  handler.update_progress(1);

  Recorder copy;
  static_cast<MxProgressHandler&>(copy) = handler;
  EXPECT_STREQ(copy.get_message().c_str(), "meshing");
  EXPECT_EQ(copy.current_progress_percentage(), 19u); // 9.5 + 10
  unsigned int start = 0, end = 0;
  copy.get_range(start, end);
  EXPECT_EQ(start, 10u);
  EXPECT_EQ(end, 30u);
  copy.update_progress(1); // 29: above the copied last report 19
  EXPECT_EQ(copy.shown, (Shown{29}));
  handler.set_message("other");
  EXPECT_STREQ(copy.get_message().c_str(), "meshing");
}

TEST_F(Progress, InvertedRangeIsReportedAndShowsOnlyItsEnds) {
  handler.set_range(40, 20);
  handler.initialize(3);
  EXPECT_EQ(reports, std::vector<std::string>{"mxprogress"});
  handler.update_progress(1);
  handler.update_progress(2);
  handler.finish();
  // the wrapped scale puts every step beyond the range end: nothing between
  EXPECT_EQ(handler.shown, (Shown{40, 20}));
  EXPECT_EQ(handler.current_progress_percentage(), 0xFFFFFFFFu); // saturated
  reports.clear();
  handler.set_range(30, 30);
  handler.initialize(1);
  EXPECT_EQ(reports, std::vector<std::string>{"mxprogress"});
}

} // namespace
