// Results, the library's error package and report objects.
#include "mxerr.h"
#include "mxreport.h"
#include "mxresult.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

std::string text(const MxResult& r) {
  return r.message().as_const_c_string();
}

MxResult geometry_result(int number, MxResult::CodeID code = MxResult::FAILED) {
  MxResult r;
  r.set_error_condition(code, number, &geometry_package, translate_geometry);
  return r;
}

// A result filled during this file's static initialisation.
MxResult make_early_result() {
  MxResult r;
  MxErr::make_result(MxResult::WARNING, MxErr::NULL_POINTER, r);
  return r;
}
const MxResult early_result = make_early_result();

struct Result : ReportingTest {
  Result() { geometry_calls = 0; }
};
using ErrPackage = Result;

TEST_F(Result, DefaultIsOkWithoutNumberOrMessage) {
  MxResult r;
  EXPECT_TRUE(r.ok() && r.normal());
  EXPECT_FALSE(r.warning() || r.failed());
  EXPECT_EQ(mx_error_number(r), -1);
  EXPECT_EQ(MxErr::error_number(r), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(text(r), "");
  MxResult::CodeID code;
  int number;
  const MxString** package = nullptr;
  r.get_error_condition(code, number, package);
  EXPECT_EQ(package, nullptr);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Result, MakeResultTranslatesLazily) {
  MxResult r;
  MxErr::make_result(MxResult::FAILED, MxErr::INVALID_ARGUMENT, r);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(MxErr::error_number(r), MxErr::INVALID_ARGUMENT);
  EXPECT_EQ(text(r), "Invalid argument");
  MxResult::CodeID code;
  int number;
  const MxString* const* package;
  r.get_error_condition(code, number, package);
  EXPECT_EQ(code, MxResult::FAILED);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(package, MxErr::package());
  EXPECT_STREQ((*package)->as_const_c_string(), "MxErr");
  r.set_message(MxString("disk full")); // an explicit message after the condition wins
  EXPECT_EQ(text(r), "disk full");
  EXPECT_EQ(MxErr::error_number(early_result), MxErr::NULL_POINTER);
  EXPECT_EQ(text(early_result), "NULL-pointer passed");
}

TEST_F(Result, ConditionReplacesAnExplicitMessageAndIsTranslatedOnce) {
  MxResult r(MxResult::WARNING, MxString("explicit"));
  EXPECT_TRUE(r.warning());
  EXPECT_EQ(text(r), "explicit");
  r.set_error_condition(MxResult::FAILED, 3, &geometry_package, translate_geometry);
  EXPECT_EQ(geometry_calls, 0);
  EXPECT_EQ(text(r), "Curve too short");
  EXPECT_EQ(text(r), "Curve too short");
  EXPECT_EQ(geometry_calls, 1);
  EXPECT_TRUE(r.failed());
  EXPECT_EQ(mx_error_number(r), 3);
}

TEST_F(Result, MissingTranslationsGiveFixedOrEmptyTexts) {
  MxResult untranslated = geometry_result(4);
  EXPECT_EQ(text(untranslated), "... package does not remember the error number ...");
  EXPECT_EQ(reports.tags(), ReportTags{"mxresult"});
  untranslated.message();
  EXPECT_EQ(reports.count(), 1u);
  MxResult r;
  r.set_error_condition(MxResult::FAILED, 3, &geometry_package, nullptr);
  EXPECT_EQ(text(r), "");
  EXPECT_EQ(reports.count(), 1u);
}

TEST_F(Result, CopiesAreDeepAndAssignmentFollowsTheOthersMessage) {
  MxResult original(MxResult::WARNING, MxString("first"));
  MxResult copy(original);
  original.set_message(MxString("second"));
  EXPECT_EQ(text(copy), "first");
  EXPECT_TRUE(copy.warning());
  const MxResult lazy = geometry_result(3);
  MxResult lazy_copy(lazy);
  EXPECT_EQ(text(lazy_copy), "Curve too short");
  EXPECT_EQ(text(lazy), "Curve too short");
  EXPECT_EQ(geometry_calls, 2);
  EXPECT_EQ(mx_error_number(lazy_copy), 3);

  MxResult target(MxResult::FAILED, MxString("old"));
  target = copy;
  EXPECT_EQ(text(target), "first");
  EXPECT_TRUE(target.warning());
  target = early_result;
  EXPECT_EQ(text(target), "NULL-pointer passed");
  EXPECT_EQ(MxErr::error_number(target), MxErr::NULL_POINTER);
  target = MxResult();
  EXPECT_EQ(text(target), "");
  EXPECT_TRUE(target.ok());
  MxResult& alias = copy;
  copy = alias;
  EXPECT_EQ(text(copy), "first");
  EXPECT_TRUE(copy.warning());
}

TEST_F(ErrPackage, MessageTable) {
  const MxString* const& mxerr = *MxErr::package();
  const std::vector<std::string> expected = {unknown_text,
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
                                             ""};
  for (int number = -1; number <= 16; ++number)
    EXPECT_EQ(MxErr::translate_error_number(mxerr, number), expected[number + 1]) << number;
  EXPECT_TRUE(reports.empty());
  // numbers out of range read as unknown, reported from one place
  EXPECT_EQ(MxErr::translate_error_number(mxerr, 17), unknown_text);
  EXPECT_EQ(MxErr::translate_error_number(mxerr, -2), unknown_text);
  ASSERT_EQ(reports.tags(), ReportTags(2, "mxerr"));
  EXPECT_EQ(reports.all()[0].line, reports.all()[1].line);
  // other packages' numbers 11 to 15 have empty texts, as MxErr's
  EXPECT_STREQ(MxErr::translate_error_number(geometry_package, 12), "");
  EXPECT_STREQ(MxErr::translate_error_number(geometry_package, 15), "");
  EXPECT_EQ(reports.count(), 2u);
}

TEST_F(ErrPackage, NumberSixteenBelongsToMxErrOnly) {
  const MxString same_text("MxErr");
  const MxString* const impostor = &same_text;
  const MxString* const no_package = nullptr;
  for (const MxString* const* package : {&geometry_package, &no_package, &impostor})
    EXPECT_EQ(MxErr::translate_error_number(*package, 16), unknown_text);
  ASSERT_EQ(reports.tags(), ReportTags(3, "mxerr"));
  MxErr::translate_error_number(*MxErr::package(), 40);
  EXPECT_NE(reports.all().back().line, reports.all()[0].line);
  reports.clear();

  MxResult carrying_mxerr_translator;
  carrying_mxerr_translator.set_error_condition(MxResult::WARNING, 16, &geometry_package,
                                                MxErr::translate_error_number);
  EXPECT_EQ(text(carrying_mxerr_translator), unknown_text);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxerr"});
  EXPECT_EQ(MxErr::error_number(geometry_result(16)), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxerr"});
}

TEST_F(ErrPackage, ErrorNumberRules) {
  EXPECT_EQ(MxErr::error_number(geometry_result(3)), 3);
  const MxResult foreign = geometry_result(99);
  EXPECT_EQ(mx_error_number(foreign), 99);
  EXPECT_EQ(MxErr::error_number(foreign), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxerr"});

  MxResult own;
  MxErr::make_result(MxResult::FAILED, MxErr::LAST_ERROR, own);
  EXPECT_EQ(MxErr::error_number(own), MxErr::LAST_ERROR);
  EXPECT_EQ(text(own), "");
  own.set_error_condition(MxResult::FAILED, -5, MxErr::package(), MxErr::translate_error_number);
  EXPECT_EQ(MxErr::error_number(own), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(reports.count(), 1u);
  EXPECT_EQ(text(own), unknown_text);
  EXPECT_EQ(reports.count(), 2u);

  MxResult no_package;
  no_package.set_error_condition(MxResult::FAILED, 40, nullptr, nullptr);
  EXPECT_EQ(MxErr::error_number(no_package), MxErr::UNKNOWN_ERROR);
  EXPECT_EQ(mx_error_number(no_package), 40);
  EXPECT_EQ(reports.count(), 2u);
}

class DiskReport : public MxReport {
public:
  DiskReport() = default;
  DiskReport(const DiskReport&) = default;
  DiskReport& operator=(const DiskReport&) = default;
  MxDynObj* clone() const override { return new DiskReport(*this); }
};

TEST(ReportObject, TypedAsMxReport) {
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

TEST(ReportObject, IdentitiesConsecutiveCopiesNewAssignmentKeeps) {
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
