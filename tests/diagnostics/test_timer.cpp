// MxTimer (wall-clock seconds, journal line) and the call-site profiler
// (registration, nesting, report text on standard error, misuse).
#include "mx_times.h"
#include "mxstringjournal.h"
#include "mxtimer.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Timer, ReportsWallClockSecondsAndCopiesTheStart) {
  MxTimer timer;
  EXPECT_GE(timer.get_time(), 0.0);
  // sleeping uses no processor time: only a wall clock sees it
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  MxTimer assigned, copy(timer);
  assigned = timer;
  for (MxTimer* t : {&timer, &assigned, &copy}) EXPECT_GE(t->get_time(), 0.03);
  timer.reset_time();
  EXPECT_LT(timer.get_time(), assigned.get_time());
  MxStringJournal journal;
  timer.print_time(journal, "meshing");
  journal.set_precision(2);
  timer.print_time(journal, MxString("x"));
  const std::regex line("meshing : [0-9]+\\.[0-9]{6} seconds \nx : [0-9]+\\.[0-9]{2} seconds \n");
  EXPECT_TRUE(std::regex_match(journal.text(), line)) << journal.text();
  EXPECT_EQ(journal.writes().size(), 10u);
  EXPECT_EQ(journal.flushes(), 2u);
}

// Registers two start and two end sites and exits with 0 when they got the
// numbers 0 and 1.
[[noreturn]] void register_sites_and_exit() {
  int first = -1, second = -1, end = -1, again = -1;
  time_start(first, "first", "f.cpp", 1);
  time_start(second, "second", "f.cpp", 2);
  time_end(end, "f.cpp", 3);
  time_end(again, "f.cpp", 4);
  std::exit(first == 0 && second == 1 && end == 0 && again == 1 ? 0 : 1);
}

TEST(ProfilerFreshProcess, FirstSitesAreNumberedFromZero) {
  // A child process re-runs only this test, so no site is registered yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(register_sites_and_exit(), ::testing::ExitedWithCode(0),
              "mx_times: start_clocks\\.size\\(\\) = 2\n");
}

// The report with its tick counts and the process-wide number of start sites
// masked, so that only the layout, names, call counts and places remain.
std::string masked(const std::string& text) {
  static const std::regex row("( {10}(?:start|end  ) [0-9]{5,}) [0-9]{6,} \\(");
  static const std::regex size("(mx_times: start_clocks\\.size\\(\\) = )[0-9]+\n");
  return std::regex_replace(std::regex_replace(text, row, "$1 TICKS ("), size, "$1N\n");
}

std::string report(const std::vector<std::string>& lines = {}) {
  std::string out =
      "mx_times: start_clocks.size() = N\nmx_times:       calls clocks (file : line)\n";
  for (const std::string& l : lines) out += l + "\n";
  return out + "\n";
}

TEST(Profiler, ReportsAfterEachOutermostEnd) {
  struct Case {
    const char* what;
    std::function<void()> calls;
    std::string text;
    size_t reports;
  };
  const Case cases[] = {
      {"nested measurements print one report, after the outermost end",
       [] {
         int a = -1, b = -1, x = -1, y = -1;
         time_start(a, "outer", "a.cpp", 10);
         time_start(b, "inner", "b.cpp", 20);
         time_end(y, "y.cpp", 30);
         time_end(x, "x.cpp", 40);
       },
       report({"mx_times: outer", "          start 00001 TICKS (a.cpp : 10)",
               "          end   00001 TICKS (x.cpp : 40)", "mx_times: inner",
               "          start 00001 TICKS (b.cpp : 20)",
               "          end   00001 TICKS (y.cpp : 30)"}),
       0},
      {"a start site closed by two end sites lists both, in first closing order",
       [] {
         int outer = -1, site = -1, outer_end = -1, e1 = -1, e2 = -1;
         time_start(outer, "loop", "l.cpp", 1);
         for (int round = 0; round < 3; ++round) {
           time_start(site, "step", "s.cpp", 2);
           time_end(round == 1 ? e1 : e2, "s.cpp", round == 1 ? 3 : 4);
         }
         time_end(outer_end, "l.cpp", 5);
       },
       report({"mx_times: loop", "          start 00001 TICKS (l.cpp : 1)",
               "          end   00001 TICKS (l.cpp : 5)", "mx_times: step",
               "          start 00003 TICKS (s.cpp : 2)", "          end   00002 TICKS (s.cpp : 4)",
               "          end   00001 TICKS (s.cpp : 3)"}),
       0},
      {"counts restart after each report; sites keep their first name and place",
       [] {
         int first = -1, second = -1, end = -1;
         time_start(first, "first", "p.cpp", 1);
         time_end(end, "p.cpp", 2);
         time_start(first, "ignored", "ignored.cpp", 99);
         time_end(end, "ignored.cpp", 98);
         time_start(second, "second", "p.cpp", 3);
         time_end(end, "p.cpp", 2);
       },
       report({"mx_times: first", "          start 00001 TICKS (p.cpp : 1)",
               "          end   00001 TICKS (p.cpp : 2)"}) +
           report({"mx_times: first", "          start 00001 TICKS (p.cpp : 1)",
                   "          end   00001 TICKS (p.cpp : 2)"}) +
           report({"mx_times: second", "          start 00001 TICKS (p.cpp : 3)",
                   "          end   00001 TICKS (p.cpp : 2)"}),
       0},
      {"an end with nothing open, after a start with a site never registered",
       [] {
         int wrong = 1000000, end = -1;
         time_start(wrong, "bogus", "w.cpp", 12);
         time_end(end, "lonely.cpp", 7);
       },
       "mx_times: wrong index 1000000 at bogus in (w.cpp : 12)\n"
       "mx_times: start_stack.empty() in (lonely.cpp : 7)\n" +
           report(),
       2},
      {"an end with a site never registered is ignored",
       [] {
         int start = -1, wrong = 1000000, end = -1;
         time_start(start, "guarded", "g.cpp", 1);
         time_end(wrong, "g.cpp", 2);
         time_end(end, "g.cpp", 3);
       },
       "mx_times: wrong end index 1000000 in (g.cpp : 2)\n" +
           report({"mx_times: guarded", "          start 00001 TICKS (g.cpp : 1)",
                   "          end   00001 TICKS (g.cpp : 3)"}),
       1},
      {"null texts print as empty",
       [] {
         int start = -1, end = -1;
         time_start(start, nullptr, nullptr, 1);
         time_end(end, nullptr, 2);
       },
       report({"mx_times: ", "          start 00001 TICKS ( : 1)",
               "          end   00001 TICKS ( : 2)"}),
       0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReportRecorder reports;
    ::testing::internal::CaptureStderr();
    c.calls();
    const std::string text = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(masked(text), c.text);
    EXPECT_EQ(reports.tags(), ReportTags(c.reports, "mx_times"));
    // a start line carries the sum of its end lines
    const std::regex step("step\n {10}start [0-9]+ ([0-9]+) .*\n {10}end   [0-9]+ ([0-9]+) .*\n"
                          " {10}end   [0-9]+ ([0-9]+) ");
    std::smatch m;
    if (text.find("mx_times: step") == std::string::npos) continue;
    ASSERT_TRUE(std::regex_search(text, m, step));
    EXPECT_EQ(std::stoll(m[1]), std::stoll(m[2]) + std::stoll(m[3]));
  }
}

} // namespace
