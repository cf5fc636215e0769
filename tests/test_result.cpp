// Results, the library's error package and report objects.
#include "mxerr.h"
#include "mxreport.h"
#include "mxresult.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Report {
  std::string tag;
  int line;
};
std::vector<Report> reports;
void record(const char* file, int line) {
  reports.push_back({file, line});
}

std::vector<std::string> tags() {
  std::vector<std::string> out;
  for (const Report& r : reports) out.push_back(r.tag);
  return out;
}

// Another package: its own identifier and a translator that counts its calls.
const MxString geometry_name("Geometry");
const MxString* const geometry_package = &geometry_name;
int geometry_calls = 0;
const char* translate_geometry(const MxString* const& package, int number) {
  ++geometry_calls;
  if (package != geometry_package) return "wrong package";
  return number == 3 ? "Curve too short" : nullptr;
}

const std::string unknown_text = "Error condition unknown by this package";

// A result filled during this file's static initialisation.
MxResult make_early_result() {
  MxResult r;
  MxErr::make_result(MxResult::WARNING, MxErr::NULL_POINTER, r);
  return r;
}
const MxResult early_result = make_early_result();

struct WithHandler : ::testing::Test {
  void SetUp() override {
    reports.clear();
    geometry_calls = 0;
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

using Result = WithHandler;
using ErrPackage = WithHandler;
using ReportObject = WithHandler;

TEST_F(Result, DefaultIsOkWithoutNumberOrMessage) {
  MxResult r;
  EXPECT_TRUE(r.ok());
  EXPECT_TRUE(r.normal());
  EXPECT_FALSE(r.warning());
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.code(), MxResult::OK);
  EXPECT_EQ(mx_error_number(r), -1);
  EXPECT_EQ(MxErr::error_number(r), MxErr::UNKNOWN_ERROR);
  EXPECT_STREQ(r.message().as_const_c_string(), "");
  MxResult::CodeID code;
  int number;
  const MxString** package = nullptr;
  r.get_error_condition(code, number, package);
  EXPECT_EQ(package, nullptr);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Result, CodesAndExplicitMessages) {
  MxResult r(MxResult::WARNING, MxString("check the input"));
  EXPECT_TRUE(r.warning());
  EXPECT_FALSE(r.ok());
  EXPECT_STREQ(r.message().as_const_c_string(), "check the input");
  r.set_code(MxResult::FAILED);
  EXPECT_TRUE(r.failed());
  EXPECT_STREQ(r.message().as_const_c_string(), "check the input");
  r.set_message(MxString("replaced"));
  EXPECT_STREQ(r.message().as_const_c_string(), "replaced");
  EXPECT_EQ(mx_error_number(r), -1);
}

TEST_F(Result, MakeResultTranslatesLazily) {
  MxResult r;
  MxErr::make_result(MxResult::FAILED, MxErr::INVALID_ARGUMENT, r);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(MxErr::error_number(r), MxErr::INVALID_ARGUMENT);
  EXPECT_STREQ(r.message().as_const_c_string(), "Invalid argument");
  MxResult::CodeID code;
  int number;
  const MxString* const* package;
  r.get_error_condition(code, number, package);
  EXPECT_EQ(code, MxResult::FAILED);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(package, MxErr::package());
  EXPECT_STREQ((*package)->as_const_c_string(), "MxErr");
}

TEST_F(Result, ErrorConditionReplacesAnExplicitMessage) {
  MxResult r(MxResult::WARNING, MxString("explicit"));
  r.set_error_condition(MxResult::FAILED, 3, &geometry_package, translate_geometry);
  EXPECT_EQ(geometry_calls, 0);
  EXPECT_STREQ(r.message().as_const_c_string(), "Curve too short");
  EXPECT_STREQ(r.message().as_const_c_string(), "Curve too short");
  EXPECT_EQ(geometry_calls, 1);
  EXPECT_TRUE(r.failed());
}

TEST_F(Result, ExplicitMessageAfterConditionWins) {
  MxResult r;
  MxErr::make_result(MxResult::FAILED, MxErr::NOT_ENOUGH_SPACE, r);
  r.set_message(MxString("disk full"));
  EXPECT_STREQ(r.message().as_const_c_string(), "disk full");
}

TEST_F(Result, TranslatorWithoutTextGivesTheFixedText) {
  MxResult r;
  r.set_error_condition(MxResult::FAILED, 4, &geometry_package, translate_geometry);
  EXPECT_STREQ(r.message().as_const_c_string(),
               "... package does not remember the error number ...");
  EXPECT_EQ(tags(), std::vector<std::string>{"mxresult"});
  r.message();
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(Result, ConditionWithoutTranslatorHasNoMessage) {
  MxResult r;
  r.set_error_condition(MxResult::FAILED, 3, &geometry_package, nullptr);
  EXPECT_STREQ(r.message().as_const_c_string(), "");
  EXPECT_TRUE(reports.empty());
}

TEST_F(Result, CopiesAreDeep) {
  MxResult original(MxResult::WARNING, MxString("first"));
  MxResult copy(original);
  original.set_message(MxString("second"));
  EXPECT_STREQ(copy.message().as_const_c_string(), "first");
  EXPECT_TRUE(copy.warning());

  MxResult lazy;
  lazy.set_error_condition(MxResult::FAILED, 3, &geometry_package, translate_geometry);
  MxResult lazy_copy(lazy);
  EXPECT_STREQ(lazy_copy.message().as_const_c_string(), "Curve too short");
  EXPECT_STREQ(lazy.message().as_const_c_string(), "Curve too short");
  EXPECT_EQ(geometry_calls, 2);
  EXPECT_EQ(mx_error_number(lazy_copy), 3);
}

TEST_F(Result, AssignmentFollowsTheOthersMessage) {
  MxResult with_message(MxResult::WARNING, MxString("kept text"));
  MxResult target(MxResult::FAILED, MxString("old"));
  target = with_message;
  EXPECT_STREQ(target.message().as_const_c_string(), "kept text");
  EXPECT_TRUE(target.warning());

  MxResult without_message;
  MxErr::make_result(MxResult::FAILED, MxErr::NULL_POINTER, without_message);
  target = without_message;
  EXPECT_STREQ(target.message().as_const_c_string(), "NULL-pointer passed");
  EXPECT_EQ(MxErr::error_number(target), MxErr::NULL_POINTER);

  MxResult plain;
  target = plain;
  EXPECT_STREQ(target.message().as_const_c_string(), "");
  EXPECT_TRUE(target.ok());

  MxResult self(MxResult::WARNING, MxString("self"));
  MxResult& alias = self;
  self = alias;
  EXPECT_STREQ(self.message().as_const_c_string(), "self");
  EXPECT_TRUE(self.warning());
}

TEST_F(Result, MxErrorNumberReturnsTheStoredNumber) {
  MxResult r;
  r.set_error_condition(MxResult::FAILED, 99, &geometry_package, translate_geometry);
  EXPECT_EQ(mx_error_number(r), 99);
  EXPECT_EQ(MxErr::error_number(r), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(tags(), std::vector<std::string>{"mxerr"});
}

TEST_F(Result, ResultFilledDuringStaticInitialisation) {
  MxResult r = early_result;
  EXPECT_TRUE(r.warning());
  EXPECT_EQ(MxErr::error_number(r), MxErr::NULL_POINTER);
  EXPECT_STREQ(r.message().as_const_c_string(), "NULL-pointer passed");
}

TEST_F(ErrPackage, MessageTable) {
  const MxString* const& mxerr = *MxErr::package();
  const std::vector<std::string> expected = {
      unknown_text,
      "No error condition detected",
      "Not enough space",
      "Invalid argument",
      "Uninitialized object(s) found",
      "Invalid object(s) found",
      "Some objects could not be processed",
      "NULL-pointer passed",
      "A service from an other package failed",
      "Result model may be incomplete",
      "Service is not (yet) implemented",
      "",
      "",
      "",
      "",
      "",
      "",
      "",
  };
  for (int number = -1; number <= 16; ++number)
    EXPECT_EQ(MxErr::translate_error_number(mxerr, number), expected[number + 1]) << number;
  EXPECT_TRUE(reports.empty());
}

TEST_F(ErrPackage, OutOfRangeNumbersReadAsUnknown) {
  const MxString* const& mxerr = *MxErr::package();
  EXPECT_EQ(MxErr::translate_error_number(mxerr, 17), unknown_text);
  EXPECT_EQ(MxErr::translate_error_number(mxerr, -2), unknown_text);
  EXPECT_STREQ(MxErr::translate_error_number(geometry_package, 12), "");
  EXPECT_STREQ(MxErr::translate_error_number(geometry_package, 15), "");
  ASSERT_EQ(tags(), (std::vector<std::string>{"mxerr", "mxerr"}));
  EXPECT_EQ(reports[0].line, reports[1].line);
}

TEST_F(ErrPackage, NumberSixteenBelongsToMxErrOnly) {
  const MxString* const& mxerr = *MxErr::package();
  EXPECT_STREQ(MxErr::translate_error_number(mxerr, 16), "");
  EXPECT_TRUE(reports.empty());

  EXPECT_EQ(MxErr::translate_error_number(geometry_package, 16), unknown_text);
  const MxString* const no_package = nullptr;
  EXPECT_EQ(MxErr::translate_error_number(no_package, 16), unknown_text);
  const MxString same_text("MxErr");
  const MxString* const impostor = &same_text;
  EXPECT_EQ(MxErr::translate_error_number(impostor, 16), unknown_text);
  ASSERT_EQ(tags(), (std::vector<std::string>{"mxerr", "mxerr", "mxerr"}));

  MxErr::translate_error_number(mxerr, 40);
  EXPECT_NE(reports.back().line, reports[0].line);
}

TEST_F(ErrPackage, ErrorNumberRules) {
  MxResult foreign;
  foreign.set_error_condition(MxResult::FAILED, 3, &geometry_package, translate_geometry);
  EXPECT_EQ(MxErr::error_number(foreign), 3);

  foreign.set_error_condition(MxResult::FAILED, 16, &geometry_package, translate_geometry);
  EXPECT_EQ(MxErr::error_number(foreign), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(tags(), std::vector<std::string>{"mxerr"});

  MxResult own;
  MxErr::make_result(MxResult::FAILED, MxErr::LAST_ERROR, own);
  EXPECT_EQ(MxErr::error_number(own), MxErr::LAST_ERROR);
  EXPECT_STREQ(own.message().as_const_c_string(), "");

  own.set_error_condition(MxResult::FAILED, -5, MxErr::package(), MxErr::translate_error_number);
  EXPECT_EQ(MxErr::error_number(own), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(own.message().as_const_c_string(), unknown_text);
  EXPECT_EQ(reports.size(), 3u);

  MxResult no_package;
  no_package.set_error_condition(MxResult::FAILED, 40, nullptr, nullptr);
  EXPECT_EQ(MxErr::error_number(no_package), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(mx_error_number(no_package), 40);
}

TEST_F(ErrPackage, ForeignResultCarryingMxErrTranslator) {
  MxResult r;
  r.set_error_condition(MxResult::WARNING, 16, &geometry_package, MxErr::translate_error_number);
  EXPECT_EQ(r.message().as_const_c_string(), unknown_text);
  EXPECT_EQ(tags(), std::vector<std::string>{"mxerr"});
}

TEST_F(ErrPackage, AssignmentDoesNothing) {
  MxErr a;
  MxErr b;
  EXPECT_EQ(&(a = b), &a);
}

class DiskReport : public MxReport {
public:
  DiskReport() = default;
  DiskReport(const DiskReport&) = default;
  DiskReport& operator=(const DiskReport&) = default;
  MxDynObj* clone() const override { return new DiskReport(*this); }
};

TEST_F(ReportObject, TypedAsMxReport) {
  DiskReport report;
  EXPECT_STREQ(report.classname(), "MxReport");
  EXPECT_EQ(report.type(), MxReport::type_id());
  EXPECT_TRUE(report.isA(MxReport::type_id()));
  EXPECT_TRUE(report.isA(MxDynObj::type_id()));
  const MxString same_text("MxReport");
  EXPECT_FALSE(report.isA(&same_text));
  EXPECT_FALSE(report.isA(nullptr));
  EXPECT_EQ(mx_cast<MxReport>(static_cast<MxDynObj*>(&report)), &report);
}

TEST_F(ReportObject, IdentitiesConsecutiveCopiesNewAssignmentKeeps) {
  DiskReport first;
  DiskReport second;
  EXPECT_EQ(second.identity(), first.identity() + 1);
  DiskReport copy(first);
  EXPECT_GT(copy.identity(), second.identity());
  const int kept = second.identity();
  second = first;
  EXPECT_EQ(second.identity(), kept);
  MxDynObj* clone = first.clone();
  EXPECT_GT(clone->identity(), copy.identity());
  delete clone;
}

} // namespace
