// MxProgressHandler: shown percentage sequences, ranges, clamping and
// cancellation.
#include "mxprogress.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Shown = std::vector<unsigned int>;

// Records every percentage shown; answers cancellation polls from a script.
class Recorder : public MxProgressHandler {
public:
  void show_progress(unsigned int percentage) override { shown.push_back(percentage); }
  bool poll_cancel() override {
    ++polls;
    return cancel_answer;
  }
  Shown shown;
  int polls = 0;
  bool cancel_answer = false;
};

struct Progress : ReportingTest {
  Recorder handler;
};

Shown twenty_to_forty() {
  Shown s;
  for (unsigned int p = 20; p <= 40; ++p) s.push_back(p);
  return s;
}

TEST_F(Progress, ShownSequences) {
  struct Case {
    const char* what;
    unsigned int start, end, steps;
    Shown updates;
    bool finish;
    Shown shown;
    unsigned int current;
  };
  const Case cases[] = {// scale 99 / 4 = 24.75; finish shows the range end
                        {"quarters", 0, 100, 4, {1, 1, 1, 1}, true, {0, 24, 49, 74, 99, 100}, 99},
                        // 0.099 points per step: steps that keep the percentage show nothing
                        {"small steps", 0, 100, 1000, {5, 5, 1}, false, {0, 1}, 1},
                        {"zero steps use divisor one", 0, 100, 0, {1, 50}, true, {0, 100}, 0},
                        {"done clamped to the steps", 0, 100, 10, {1000, 1}, false, {0, 99}, 99},
                        // done + k exceeds 32 bits: it is clamped to the step count, not wrapped
                        {"huge counts",
                         0,
                         100,
                         4000000000u,
                         {3999999999u, 4000000000u, 0xFFFFFFFFu},
                         false,
                         {0, 98, 99},
                         99},
                        {"range 20 to 40", 20, 40, 19, Shown(19, 1), true, twenty_to_forty(), 39}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Recorder h;
    if (c.start != 0 || c.end != 100) h.set_range(c.start, c.end);
    h.initialize(c.steps);
    for (unsigned int k : c.updates) h.update_progress(k);
    if (c.finish) h.finish();
    EXPECT_EQ(h.shown, c.shown);
    EXPECT_EQ(h.current_progress_percentage(), c.current);
  }
  unsigned int start = 7, end = 7;
  handler.get_range(start, end);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 100u);
  handler.finish();
  handler.finish(); // the range end is shown again
  EXPECT_EQ(handler.shown, (Shown{100, 100}));
  EXPECT_TRUE(reports.empty());
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

TEST_F(Progress, CopiesTakeMessageRangeAndProgress) {
  handler.set_message("meshing");
  handler.set_message(handler.get_message());
  handler.set_range(10, 30);
  handler.initialize(2);
  handler.update_progress(1);

  Recorder copy;
  static_cast<MxProgressHandler&>(copy) = handler;
  handler.set_message("other");
  EXPECT_STREQ(copy.get_message().c_str(), "meshing");
  EXPECT_EQ(copy.current_progress_percentage(), 19u); // 9.5 + 10
  unsigned int start = 0, end = 0;
  copy.get_range(start, end);
  EXPECT_EQ(start, 10u);
  EXPECT_EQ(end, 30u);
  copy.update_progress(1); // 29: above the copied last report 19
  EXPECT_EQ(copy.shown, (Shown{29}));
}

TEST_F(Progress, InvertedRangeIsReportedAndShowsOnlyItsEnds) {
  handler.set_range(40, 20);
  handler.initialize(3);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxprogress"});
  handler.update_progress(1);
  handler.update_progress(2);
  handler.finish();
  // the wrapped scale puts every step beyond the range end: nothing between
  EXPECT_EQ(handler.shown, (Shown{40, 20}));
  EXPECT_EQ(handler.current_progress_percentage(), 0xFFFFFFFFu); // saturated
  handler.set_range(30, 30);
  handler.initialize(1);
  EXPECT_EQ(reports.tags(), ReportTags{"mxprogress"});
}

} // namespace
