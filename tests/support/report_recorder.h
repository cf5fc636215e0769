// Test support: a recording assertion handler.
//
// While a ReportRecorder lives, the process-wide assertion handler records
// every report made by the library (source tag and line); the recorder
// removes the handler when it goes. Tests then assert which checks failed,
// how often and where. Only one recorder may be alive at a time.
#ifndef MXFOUNDATION_TESTS_SUPPORT_REPORT_RECORDER_H
#define MXFOUNDATION_TESTS_SUPPORT_REPORT_RECORDER_H

#include "mxassert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

/// One report made to the assertion handler.
struct RecordedReport {
  std::string tag;
  int line;
  bool operator==(const RecordedReport& other) const {
    return tag == other.tag && line == other.line;
  }
};

inline void PrintTo(const RecordedReport& report, std::ostream* out) {
  *out << report.tag << ':' << report.line;
}

/// A list of report tags, in the order the reports were made.
using ReportTags = std::vector<std::string>;

/// Installs a recording assertion handler on construction and removes it on
/// destruction (RAII), starting from an empty record.
class ReportRecorder {
public:
  ReportRecorder() {
    log().clear();
    set_fnd_assertion_handler(record, true);
  }
  ~ReportRecorder() {
    set_fnd_assertion_handler(record, false);
    log().clear();
  }
  ReportRecorder(const ReportRecorder&) = delete;
  ReportRecorder& operator=(const ReportRecorder&) = delete;

  /// Every report so far, oldest first.
  const std::vector<RecordedReport>& all() const { return log(); }
  size_t count() const { return log().size(); }
  bool empty() const { return log().empty(); }
  /// The number of reports carrying `tag`.
  size_t count(const std::string& tag) const {
    return static_cast<size_t>(std::count_if(
        log().begin(), log().end(), [&](const RecordedReport& r) { return r.tag == tag; }));
  }
  /// The tags of every report so far, oldest first.
  ReportTags tags() const {
    ReportTags out;
    for (const RecordedReport& r : log()) out.push_back(r.tag);
    return out;
  }
  /// The tags so far, forgetting them: for checking a test step by step.
  ReportTags take_tags() {
    ReportTags out = tags();
    clear();
    return out;
  }
  void clear() { log().clear(); }

private:
  static std::vector<RecordedReport>& log() {
    static std::vector<RecordedReport> reports;
    return reports;
  }
  static void record(const char* file, int line) { log().push_back({file ? file : "", line}); }
};

/// Fixture whose tests run with a recording handler installed, as `reports`.
class ReportingTest : public ::testing::Test {
protected:
  ReportRecorder reports;
};

#endif
