// MxString: a model check of its elements under random edits (writes through
// handed-out pointers included), the edge values of number texts, the reports
// of checked access and comparison, and formats that fail.
#include "mxstring.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

const char* const array_tag = "protectedinterfaces/mxarray_i";
const char* const string_tag = "mxstring";

struct String : ReportingTest {
  ReportTags taken() { return reports.take_tags(); }
};

std::string text(const MxString& s) {
  return s.as_const_c_string();
}

// A string whose buffer holds no element in use.
MxString without_elements(const char* t) {
  MxString s(t);
  s.resize(0, true);
  return s;
}

TEST(StringModel, MatchesElementModelUnderRandomEdits) {
  EXPECT_EQ(models::run_random<models::StringModel>(100, 600), "");
}

TEST_F(String, NewStringsAndEdgeValuesOfNumberTexts) {
  const MxString s, none(nullptr);
  EXPECT_TRUE(s.null() && none.null() && MxString("").null());
  EXPECT_EQ(s.length(), 0u);
  EXPECT_EQ(s.c_str(), s.as_const_c_string());
  EXPECT_STREQ(s.c_str(), "");
  const struct {
    int value, width;
    char fill;
    std::string text;
  } numbers[] = {{0, 0, '*', "0"},
                 {0, 3, '*', "**0"},
                 {INT_MAX, 0, ' ', "2147483647"},
                 {INT_MIN, 14, '0', "-0002147483648"},
                 {INT_MIN, 14, ' ', "   -2147483648"},
                 {-5, 100, '.', "-" + std::string(98, '.') + "5"}}; // wider than any scratch buffer
  for (const auto& c : numbers)
    EXPECT_EQ(text(MxString(c.value, c.width, c.fill)), c.text) << c.value;
  EXPECT_EQ(text(MxString("v=").append(0.5, INT_MAX, true)),
            "v=0.5"); // absurd precisions are capped
  EXPECT_EQ(text(MxString().append(INT_MIN)), "-2147483648");
  EXPECT_EQ(MxString("abc").find("b", (size_t{1} << 32) + 1), 1); // the start is narrowed to int
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, IndexIsCheckedAgainstTheCountAndNeverLeavesTheBuffer) {
  MxString s("abcdefg"); // 8 elements, capacity 8
  s.resize(5, true);     // capacity stays 8
  const MxString& c = s;
  EXPECT_EQ(c[4], 'e'); // the last element: the caller's terminator
  EXPECT_EQ(MxString("ab")[2], '\0');
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(s[6], '\0'); // inside the buffer: the slot itself
  EXPECT_EQ(c[7], '\0');
  EXPECT_EQ(taken(), ReportTags(2, array_tag));
  s[-1] = 'X';  // sign-extended: far past the buffer
  s[100] = 'Y'; // past the capacity
  EXPECT_EQ(c[1000], '\0');
  EXPECT_EQ(taken(), ReportTags(3, array_tag));
  EXPECT_EQ(text(s), "abcde");

  MxString empty_count = without_elements("abc");
  EXPECT_EQ(empty_count.length(), 0u);
  EXPECT_FALSE(empty_count.null());
  EXPECT_STREQ(empty_count.as_c_string(), "");
  EXPECT_STREQ(static_cast<const MxString&>(empty_count).as_const_c_string(), "");
  EXPECT_EQ(taken(), ReportTags(2, array_tag));
  EXPECT_EQ(MxString("q").find(empty_count, 0), 0);
  EXPECT_EQ(taken(), ReportTags{array_tag});
  EXPECT_EQ(empty_count.find("q", 0), -1);
}

TEST(StringWithoutHandler, MisuseIsSilentAndSafe) {
  MxString s("abc");
  s[-5] = 'z';
  EXPECT_TRUE(MxString() == static_cast<const char*>(nullptr));
  s.set_size(-1, true);
  EXPECT_EQ(text(s), "abc");
}

TEST_F(String, NullCStringOrOperandWithoutElementsIsReportedAndComparedAsEmpty) {
  const char* none = nullptr;
  EXPECT_TRUE(MxString() == none);
  EXPECT_TRUE(MxString("a") > none);
  EXPECT_FALSE(MxString("a") <= none);
  EXPECT_EQ(taken(), ReportTags(3, string_tag));
  const MxString empty_count = without_elements("xyz");
  EXPECT_TRUE(MxString() == empty_count);
  EXPECT_TRUE(empty_count == "");
  EXPECT_EQ(taken(), ReportTags(2, array_tag));
}

TEST_F(String, FormatWithoutAFormatOrFailingToPrintIsReported) {
  MxString s("keep");
  const char* no_format = nullptr;
  s.format(10, no_format, "other");
  EXPECT_EQ(text(s), "keep");
  EXPECT_EQ(taken(), ReportTags{string_tag});
  // A wide character that the "C" locale cannot convert makes printing fail.
  s.format(10, "%ls", L"\u00e9");
  EXPECT_EQ(taken(), ReportTags{string_tag});
  EXPECT_TRUE(s.null());
}

} // namespace
