// MxProgressHandler: shown percentage sequences, ranges, clamping and
// cancellation.
#include "mxprogress.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Shown = std::vector<unsigned int>;

// Records every percentage shown; answers cancellation polls as told.
struct Recorder : MxProgressHandler {
  void show_progress(unsigned int percentage) override { shown.push_back(percentage); }
  bool poll_cancel() override { return ++polls, cancel_answer; }
  Shown shown;
  int polls = 0;
  bool cancel_answer = false;
};

Shown twenty_to_forty() {
  Shown s;
  for (unsigned int p = 20; p <= 40; ++p) s.push_back(p);
  return s;
}

using Progress = ReportingTest;

TEST_F(Progress, ShownSequences) {
  struct Case {
    const char* what;
    std::function<void(Recorder&)> run;
    Shown shown;
    unsigned int current;
  };
  auto steps = [](unsigned int n, Shown updates, bool finish = false) {
    return [=](Recorder& h) {
      h.initialize(n);
      for (unsigned int k : updates) h.update_progress(k);
      if (finish) h.finish();
    };
  };
  const Case cases[] = {
      // scale 99 / 4 = 24.75; finish shows the range end, also again
      {"quarters", steps(4, {1, 1, 1, 1}, true), {0, 24, 49, 74, 99, 100}, 99},
      {"finish twice", [](Recorder& h) { h.finish(), h.finish(); }, {100, 100}, 0},
      // 0.099 points per step: steps that keep the percentage show nothing
      {"small steps", steps(1000, {5, 5, 1}), {0, 1}, 1},
      {"zero steps use divisor one", steps(0, {1, 50}, true), {0, 100}, 0},
      {"one step", steps(1, {1}, true), {0, 99, 100}, 99},
      {"done clamped to the steps", steps(10, {1000, 1}), {0, 99}, 99},
      // done + k exceeds 32 bits: it is clamped to the step count, not wrapped
      {"huge counts", steps(4000000000u, {3999999999u, 4000000000u, 0xFFFFFFFFu}), {0, 98, 99}, 99},
      {"range 20 to 40",
       [&](Recorder& h) { h.set_range(20, 40), steps(19, Shown(19, 1), true)(h); },
       twenty_to_forty(), 39},
      // a new range moves the offset at once but keeps the scale
      {"range changed after initialize",
       [](Recorder& h) {
         h.initialize(4), h.update_progress(1), h.set_range(50, 60);
         h.update_progress(1); // 99.5 is not below the range end 60
         h.finish();
       },
       {0, 24, 60},
       99 + 50},
      {"cancelled: sticky and silent until initialize",
       [](Recorder& h) {
         h.initialize(4);
         EXPECT_FALSE(h.is_cancelled());
         h.cancel_answer = true;
         EXPECT_TRUE(h.is_cancelled());
         h.cancel_answer = false;
         EXPECT_TRUE(h.is_cancelled()); // not asked again
         h.update_progress(2), h.finish();
         EXPECT_EQ(h.polls, 2);
         h.initialize(4), h.update_progress(1); // clears the cancellation
         EXPECT_FALSE(h.is_cancelled());
       },
       {0, 0, 24},
       24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Recorder h;
    c.run(h);
    EXPECT_EQ(h.shown, c.shown);
    EXPECT_EQ(h.current_progress_percentage(), c.current);
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(Progress, CopiesTakeMessageRangeAndProgress) {
  Recorder handler, copy;
  unsigned int start = 7, end = 7;
  handler.get_range(start, end);
  EXPECT_TRUE(start == 0 && end == 100);
  handler.set_message("meshing");
  handler.set_message(handler.get_message());
  handler.set_range(10, 30);
  handler.initialize(2);
  handler.update_progress(1);
  static_cast<MxProgressHandler&>(copy) = handler;
  handler.set_message("other");
  EXPECT_STREQ(copy.get_message().c_str(), "meshing");
  EXPECT_EQ(copy.current_progress_percentage(), 19u); // 9.5 + 10
  copy.get_range(start, end);
  EXPECT_TRUE(start == 10 && end == 30);
  copy.update_progress(1); // 29: above the copied last report 19
  EXPECT_EQ(copy.shown, (Shown{29}));
}

TEST_F(Progress, InvertedRangeIsReportedAndShowsOnlyItsEnds) {
  Recorder handler;
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
