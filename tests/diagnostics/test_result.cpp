// Results and the library's error package: messages translated lazily,
// error numbers and their rules, copies.
#include "mxerr.h"
#include "mxresult.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Another package: its own identifier and a translator that counts its calls.
const MxString geometry_name("Geometry"), impostor_name("MxErr");
const MxString *const geometry = &geometry_name, *const impostor = &impostor_name,
                      *const no_package = nullptr, *const mxerr_elsewhere = *MxErr::package();
int geometry_calls = 0;
const char* translate_geometry(const MxString* const& package, int number) {
  ++geometry_calls;
  if (package != geometry) return "wrong package";
  return number == 3 ? "Curve too short" : nullptr;
}

const std::string unknown = "Error condition unknown by this package";

std::string text(const MxResult& r) {
  return r.message().as_const_c_string();
}

// A result filled during this file's static initialisation.
MxResult make_early_result() {
  MxResult r;
  MxErr::make_result(MxResult::WARNING, MxErr::NULL_POINTER, r);
  return r;
}
MxResult early_result = make_early_result();

struct Result : ReportingTest {
  Result() { geometry_calls = 0; }
};

TEST_F(Result, DefaultAndMadeResults) {
  MxResult r;
  EXPECT_TRUE(r.ok() && r.normal() && !r.warning() && !r.failed());
  EXPECT_EQ(mx_error_number(r), -1);
  EXPECT_EQ(MxErr::error_number(r), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(text(r), "");
  MxResult::CodeID code;
  int number;
  const MxString* stale = &geometry_name;
  const MxString** no_package_yet = &stale;
  r.get_error_condition(code, number, no_package_yet);
  EXPECT_EQ(no_package_yet, nullptr);
  MxErr::make_result(MxResult::FAILED, MxErr::INVALID_ARGUMENT, r);
  EXPECT_TRUE(r.failed() && !r.warning() && !r.ok());
  const MxString* const* package = nullptr;
  r.get_error_condition(code, number, package);
  EXPECT_TRUE(code == MxResult::FAILED && number == 2 && package == MxErr::package());
  EXPECT_STREQ((*package)->as_const_c_string(), "MxErr");
  EXPECT_EQ(text(r), "Invalid argument");
  r.set_message(MxString("disk full")); // an explicit message after the condition wins
  EXPECT_EQ(text(r), "disk full");
  EXPECT_TRUE(early_result.warning());
  EXPECT_EQ(text(early_result), "NULL-pointer passed");
  EXPECT_TRUE(reports.empty());
}

// The messages and error numbers of results carrying MxErr's translator,
// with its package, another one, an impostor with its text, or none.
TEST_F(Result, MessagesAndErrorNumbersFollowTheRulesOfTheNumbersAndSixteen) {
  const struct {
    const MxString* const* package;
    int number;
    const char* message;
    int error_number;
    const char* broken; // the rule each call broke: r the range, s sixteen's, - none
  } cases[] = {{MxErr::package(), -1, unknown.c_str(), -1, "--"},
               {MxErr::package(), 2, "Invalid argument", 2, "--"},
               {MxErr::package(), 9, "Service is not (yet) implemented", 9, "--"},
               {MxErr::package(), 10, "", 10, "--"},
               {MxErr::package(), 16, "", 16, "--"},
               {MxErr::package(), 17, unknown.c_str(), -1, "rr"},
               {MxErr::package(), -2, unknown.c_str(), -1, "rr"},
               {&geometry, 3, "Uninitialized object(s) found", 3, "--"},
               {&geometry, 15, "", 15, "--"},
               {&geometry, 16, unknown.c_str(), -1, "ss"},
               {&impostor, 16, unknown.c_str(), -1, "ss"},
               {&no_package, 16, unknown.c_str(), -1, "ss"},
               {&mxerr_elsewhere, 16, "", 16, "--"},
               {nullptr, 40, "", -1, "--"}}; // no package: no message either
  std::map<std::string, int> lines;          // of each rule in each call
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    MxResult r;
    r.set_error_condition(MxResult::WARNING, c.number, c.package, MxErr::translate_error_number);
    EXPECT_EQ(mx_error_number(r), c.number);
    EXPECT_EQ(MxErr::error_number(r), c.error_number);
    EXPECT_EQ(text(r), c.message);
    size_t next = 0;
    for (char call : {'0', '1'}) {
      const char rule = c.broken[call - '0'];
      if (rule == '-') continue;
      ASSERT_LT(next, reports.count());
      const RecordedReport& report = reports.all()[next++];
      EXPECT_EQ(report.tag, "mxerr");
      EXPECT_EQ(lines.emplace(std::string{rule, call}, report.line).first->second, report.line);
    }
    EXPECT_EQ(next, reports.count());
    reports.clear();
  }
  EXPECT_NE(lines["r0"], lines["s0"]);
  EXPECT_NE(lines["r1"], lines["s1"]);
}

TEST_F(Result, ForeignTranslatorsAreAskedOnceAndMayKnowNothing) {
  MxResult r(MxResult::WARNING, MxString("explicit"));
  EXPECT_TRUE(r.warning());
  EXPECT_EQ(text(r), "explicit");
  r.set_error_condition(MxResult::FAILED, 3, &geometry, translate_geometry);
  EXPECT_EQ(geometry_calls, 0);
  EXPECT_EQ(text(r), "Curve too short"); // replaces the explicit message
  EXPECT_EQ(text(r), "Curve too short");
  EXPECT_EQ(geometry_calls, 1);
  EXPECT_TRUE(r.failed());
  r.set_error_condition(MxResult::FAILED, 4, &geometry, translate_geometry);
  EXPECT_EQ(text(r), "... package does not remember the error number ...");
  text(r);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxresult"});
  r.set_error_condition(MxResult::FAILED, 3, &geometry, nullptr);
  EXPECT_EQ(text(r), "");
  EXPECT_TRUE(reports.empty());
}

TEST_F(Result, CopiesAreDeepAndAssignmentFollowsTheOthersMessage) {
  MxResult original(MxResult::WARNING, MxString("first"));
  MxResult copy(original);
  original.set_message(MxString("second"));
  EXPECT_EQ(text(copy), "first");
  EXPECT_TRUE(copy.warning());
  MxResult lazy;
  lazy.set_error_condition(MxResult::FAILED, 3, &geometry, translate_geometry);
  MxResult lazy_copy(lazy), empty;
  EXPECT_EQ(text(lazy_copy), "Curve too short");
  EXPECT_EQ(text(lazy), "Curve too short");
  EXPECT_EQ(geometry_calls, 2);
  MxResult target(MxResult::FAILED, MxString("old"));
  const struct {
    MxResult& source;
    const char* message;
  } steps[] = {{copy, "first"},
               {early_result, "NULL-pointer passed"},
               {lazy_copy, "Curve too short"},
               {empty, ""},
               {target, ""},
               {copy, "first"},
               {target, "first"}};
  for (const auto& s : steps) {
    target = s.source;
    EXPECT_EQ(text(target), s.message);
    EXPECT_EQ(target.code(), s.source.code());
    EXPECT_EQ(mx_error_number(target), mx_error_number(s.source));
  }
}

} // namespace
