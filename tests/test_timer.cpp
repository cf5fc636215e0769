// MxTimer (wall-clock seconds, journal line) and the call-site profiler
// (registration, nesting, report text on standard error, misuse).
#include "mx_times.h"
#include "mxstringjournal.h"
#include "mxtimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct Profiling : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

const std::string kStartRow = "          start ";
const std::string kEndRow = "          end   ";
const std::string kSizeRow = "mx_times: start_clocks.size() = ";

bool all_digits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// Splits a start or end row into its call count, tick count and place;
// false for any other line.
bool split_row(const std::string& line, std::string& calls, std::string& ticks,
               std::string& place) {
  if (line.compare(0, kStartRow.size(), kStartRow) != 0 &&
      line.compare(0, kEndRow.size(), kEndRow) != 0)
    return false;
  const size_t first = kStartRow.size();
  const size_t second = line.find(' ', first);
  if (second == std::string::npos) return false;
  const size_t third = line.find(' ', second + 1);
  if (third == std::string::npos) return false;
  calls = line.substr(first, second - first);
  ticks = line.substr(second + 1, third - second - 1);
  place = line.substr(third);
  return all_digits(calls) && calls.size() >= 5 && all_digits(ticks) && ticks.size() >= 6;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t eol = text.find('\n', at);
    const size_t stop = eol == std::string::npos ? text.size() : eol + 1;
    lines.push_back(text.substr(at, stop - at));
    at = stop;
  }
  return lines;
}

// The report with its tick counts and the process-wide number of start sites
// replaced, so that only the layout, names, call counts and places remain.
std::string masked(const std::string& text) {
  std::string out;
  for (const std::string& line : lines_of(text)) {
    std::string calls, ticks, place;
    if (split_row(line, calls, ticks, place))
      out += line.substr(0, kStartRow.size()) + calls + " TICKS" + place;
    else if (line.compare(0, kSizeRow.size(), kSizeRow) == 0 &&
             all_digits(line.substr(kSizeRow.size(), line.size() - kSizeRow.size() - 1)))
      out += kSizeRow + "N\n";
    else
      out += line;
  }
  return out;
}

const std::string kHeader = "mx_times: start_clocks.size() = N\n"
                            "mx_times:       calls clocks (file : line)\n";

// Tick counts of the start row and the end rows of the block of `name`.
std::vector<long long> ticks_of(const std::string& text, const std::string& name) {
  std::vector<long long> ticks;
  bool in_block = false;
  for (const std::string& line : lines_of(text)) {
    std::string calls, count, place;
    if (line == "mx_times: " + name + "\n") {
      in_block = true;
    } else if (in_block && split_row(line, calls, count, place)) {
      ticks.push_back(std::atoll(count.c_str()));
    } else if (in_block) {
      break;
    }
  }
  return ticks;
}

// "<digits>.<decimals digits>"
bool is_fixed(const std::string& s, size_t decimals) {
  const size_t dot = s.find('.');
  return dot != std::string::npos && all_digits(s.substr(0, dot)) &&
         all_digits(s.substr(dot + 1)) && s.size() - dot - 1 == decimals;
}

// ------------------------------------------------------------------ MxTimer

TEST(Timer, ReportsWallClockSeconds) {
  MxTimer timer;
  const double at_start = timer.get_time();
  EXPECT_GE(at_start, 0.0);
  // sleeping uses no processor time: only a wall clock sees it
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(timer.get_time(), 0.03);
  timer.reset_time();
  EXPECT_GE(timer.get_time(), 0.0);
}

TEST(Timer, AssignmentCopiesTheStart) {
  MxTimer early;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  MxTimer late;
  late = early;
  EXPECT_GE(late.get_time(), 0.02);
  MxTimer copy(early);
  EXPECT_GE(copy.get_time(), 0.02);
}

TEST(Timer, PrintTimeWritesLabelSecondsAndEndOfLine) {
  MxTimer timer;
  MxStringJournal journal;
  timer.print_time(journal, "meshing");
  const auto& pieces = journal.writes();
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_EQ(pieces[0], "meshing");
  EXPECT_EQ(pieces[1], " : ");
  EXPECT_TRUE(is_fixed(pieces[2], 6)) << pieces[2];
  EXPECT_EQ(pieces[3], " seconds ");
  EXPECT_EQ(pieces[4], "\n");
  EXPECT_EQ(journal.flushes(), 1u);

  journal.clear();
  journal.set_precision(2);
  timer.print_time(journal, MxString("x"));
  const auto& parts = journal.writes();
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_EQ(parts[0] + parts[1], "x : ");
  EXPECT_TRUE(is_fixed(parts[2], 2)) << parts[2];
  EXPECT_EQ(parts[3] + parts[4], " seconds \n");
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
  EXPECT_EQ(reports, std::vector<std::string>{"mx_times"});
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
  EXPECT_EQ(reports, (std::vector<std::string>{"mx_times", "mx_times"}));
}

TEST_F(Profiling, EndWithUnregisteredIndexIsIgnored) {
  static int start = -1, end = -1;
  int wrong = 1000000;
  ::testing::internal::CaptureStderr();
  time_start(start, "guarded", "g.cpp", 1);
  time_end(wrong, "g.cpp", 2);
  const std::string ignored = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ignored, "mx_times: wrong end index 1000000 in (g.cpp : 2)\n");
  EXPECT_EQ(reports, std::vector<std::string>{"mx_times"});

  // the measurement is still open and closes normally
  ::testing::internal::CaptureStderr();
  time_end(end, "g.cpp", 3);
  EXPECT_EQ(masked(::testing::internal::GetCapturedStderr()),
            kHeader + "mx_times: guarded\n"
                      "          start 00001 TICKS (g.cpp : 1)\n"
                      "          end   00001 TICKS (g.cpp : 3)\n"
                      "\n");
  EXPECT_EQ(reports.size(), 1u);
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
