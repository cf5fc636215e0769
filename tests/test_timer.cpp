// MxTimer (wall-clock seconds, journal line) and the call-site profiler
// (registration, nesting, report text on standard error, misuse).
#include "mx_times.h"
#include "mxstringjournal.h"
#include "mxtimer.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Profiling = ReportingTest;

// The report with its tick counts and the process-wide number of start sites
// masked, so that only the layout, names, call counts and places remain.
std::string masked(const std::string& text) {
  static const std::regex row("^( {10}(?:start|end  ) [0-9]{5,}) [0-9]{6,} \\(");
  static const std::regex size("^(mx_times: start_clocks\\.size\\(\\) = )[0-9]+$");
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line))
    out += std::regex_replace(std::regex_replace(line, row, "$1 TICKS ("), size, "$1N") + "\n";
  if (!text.empty() && text.back() != '\n') out.pop_back();
  return out;
}

const std::string kHeader = "mx_times: start_clocks.size() = N\n"
                            "mx_times:       calls clocks (file : line)\n";

// Tick counts of the start row and the end rows of the block of `name`.
std::vector<long long> ticks_of(const std::string& text, const std::string& name) {
  static const std::regex row("^ {10}(?:start|end  ) [0-9]{5,} ([0-9]{6,}) \\(.*");
  std::istringstream in(text);
  std::vector<long long> ticks;
  std::string line;
  std::smatch m;
  bool in_block = false;
  while (std::getline(in, line)) {
    if (line == "mx_times: " + name)
      in_block = true;
    else if (in_block && std::regex_match(line, m, row))
      ticks.push_back(std::stoll(m[1]));
    else if (in_block)
      break;
  }
  return ticks;
}

// "<digits>.<decimals digits>"
bool is_fixed(const std::string& s, int decimals) {
  return std::regex_match(s, std::regex("[0-9]+\\.[0-9]{" + std::to_string(decimals) + "}"));
}

// ------------------------------------------------------------------ MxTimer

TEST(Timer, ReportsWallClockSecondsAndCopiesTheStart) {
  MxTimer timer;
  EXPECT_GE(timer.get_time(), 0.0);
  // sleeping uses no processor time: only a wall clock sees it
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  MxTimer late, copy(timer);
  late = timer;
  for (MxTimer* t : {&timer, &late, &copy}) EXPECT_GE(t->get_time(), 0.03);
  timer.reset_time();
  EXPECT_LT(timer.get_time(), late.get_time());
}

TEST(Timer, PrintTimeWritesLabelSecondsAndEndOfLine) {
  MxTimer timer;
  MxStringJournal journal;
  timer.print_time(journal, "meshing");
  std::vector<std::string> pieces = journal.writes();
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_TRUE(is_fixed(pieces[2], 6)) << pieces[2];
  pieces[2] = "S";
  EXPECT_EQ(pieces, (std::vector<std::string>{"meshing", " : ", "S", " seconds ", "\n"}));
  EXPECT_EQ(journal.flushes(), 1u);

  journal.clear();
  journal.set_precision(2);
  timer.print_time(journal, MxString("x"));
  ASSERT_EQ(journal.writes().size(), 5u);
  EXPECT_TRUE(is_fixed(journal.writes()[2], 2)) << journal.writes()[2];
}

// ----------------------------------------------------------------- profiler

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

TEST_F(Profiling, NestedMeasurementsPrintOneReportAfterTheOutermostEnd) {
  static int a = -1, b = -1, x = -1, y = -1;
  ::testing::internal::CaptureStderr();
  time_start(a, "outer", "a.cpp", 10);
  time_start(b, "inner", "b.cpp", 20);
  time_end(y, "y.cpp", 30);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  ::testing::internal::CaptureStderr();
  time_end(x, "x.cpp", 40);
  const std::string text = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(masked(text), kHeader + "mx_times: outer\n"
                                    "          start 00001 TICKS (a.cpp : 10)\n"
                                    "          end   00001 TICKS (x.cpp : 40)\n"
                                    "mx_times: inner\n"
                                    "          start 00001 TICKS (b.cpp : 20)\n"
                                    "          end   00001 TICKS (y.cpp : 30)\n"
                                    "\n");
  EXPECT_EQ(b, a + 1);
  EXPECT_EQ(x, y + 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Profiling, StartSiteClosedByTwoEndSitesListsBothInFirstClosingOrder) {
  static int outer = -1, site = -1, outer_end = -1, e1 = -1, e2 = -1;
  ::testing::internal::CaptureStderr();
  time_start(outer, "loop", "l.cpp", 1);
  for (int round = 0; round < 3; ++round) {
    time_start(site, "step", "s.cpp", 2);
    if (round == 1)
      time_end(e1, "s.cpp", 3);
    else
      time_end(e2, "s.cpp", 4);
  }
  time_end(outer_end, "l.cpp", 5);
  const std::string text = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(masked(text), kHeader + "mx_times: loop\n"
                                    "          start 00001 TICKS (l.cpp : 1)\n"
                                    "          end   00001 TICKS (l.cpp : 5)\n"
                                    "mx_times: step\n"
                                    "          start 00003 TICKS (s.cpp : 2)\n"
                                    "          end   00002 TICKS (s.cpp : 4)\n"
                                    "          end   00001 TICKS (s.cpp : 3)\n"
                                    "\n");
  // the start line carries the sum of its end lines
  const auto step = ticks_of(text, "step");
  ASSERT_EQ(step.size(), 3u);
  EXPECT_EQ(step[0], step[1] + step[2]);
}

TEST_F(Profiling, CountsRestartAfterEachReportAndIdleSitesArePrintedNoMore) {
  static int first = -1, second = -1, end = -1;
  ::testing::internal::CaptureStderr();
  time_start(first, "first", "p.cpp", 1);
  time_end(end, "p.cpp", 2);
  time_start(first, "ignored", "ignored.cpp", 99); // registered already
  time_end(end, "ignored.cpp", 98);
  const int first_number = first;
  time_start(second, "second", "p.cpp", 3);
  time_end(end, "p.cpp", 2);
  const std::string text = ::testing::internal::GetCapturedStderr();
  const std::string report_first = kHeader + "mx_times: first\n"
                                             "          start 00001 TICKS (p.cpp : 1)\n"
                                             "          end   00001 TICKS (p.cpp : 2)\n"
                                             "\n";
  const std::string report_second = kHeader + "mx_times: second\n"
                                              "          start 00001 TICKS (p.cpp : 3)\n"
                                              "          end   00001 TICKS (p.cpp : 2)\n"
                                              "\n";
  EXPECT_EQ(masked(text), report_first + report_first + report_second);
  EXPECT_EQ(first, first_number);
}

TEST_F(Profiling, EndWithNothingOpenReportsAndPrintsAnEmptyReport) {
  static int end = -1;
  ::testing::internal::CaptureStderr();
  time_end(end, "lonely.cpp", 7);
  const std::string text = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(masked(text), "mx_times: start_stack.empty() in (lonely.cpp : 7)\n" + kHeader + "\n");
  EXPECT_EQ(reports.tags(), ReportTags{"mx_times"});
}

TEST_F(Profiling, StartWithUnregisteredIndexOpensNothing) {
  int wrong = 1000000;
  static int end = -1;
  ::testing::internal::CaptureStderr();
  time_start(wrong, "bogus", "w.cpp", 12);
  time_end(end, "w.cpp", 13); // nothing is open
  const std::string text = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(masked(text), "mx_times: wrong index 1000000 at bogus in (w.cpp : 12)\n"
                          "mx_times: start_stack.empty() in (w.cpp : 13)\n" +
                              kHeader + "\n");
  EXPECT_EQ(wrong, 1000000);
  EXPECT_EQ(reports.tags(), ReportTags(2, "mx_times"));
}

TEST_F(Profiling, EndWithUnregisteredIndexIsIgnored) {
  static int start = -1, end = -1;
  int wrong = 1000000;
  ::testing::internal::CaptureStderr();
  time_start(start, "guarded", "g.cpp", 1);
  time_end(wrong, "g.cpp", 2);
  const std::string ignored = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ignored, "mx_times: wrong end index 1000000 in (g.cpp : 2)\n");
  EXPECT_EQ(reports.tags(), ReportTags{"mx_times"});

  // the measurement is still open and closes normally
  ::testing::internal::CaptureStderr();
  time_end(end, "g.cpp", 3);
  EXPECT_EQ(masked(::testing::internal::GetCapturedStderr()),
            kHeader + "mx_times: guarded\n"
                      "          start 00001 TICKS (g.cpp : 1)\n"
                      "          end   00001 TICKS (g.cpp : 3)\n"
                      "\n");
  EXPECT_EQ(reports.count(), 1u);
}

TEST_F(Profiling, NullTextsPrintAsEmpty) {
  static int start = -1, end = -1;
  ::testing::internal::CaptureStderr();
  time_start(start, nullptr, nullptr, 1);
  time_end(end, nullptr, 2);
  EXPECT_EQ(masked(::testing::internal::GetCapturedStderr()),
            kHeader + "mx_times: \n"
                      "          start 00001 TICKS ( : 1)\n"
                      "          end   00001 TICKS ( : 2)\n"
                      "\n");
}

} // namespace
