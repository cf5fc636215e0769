// MxString: construction, C-string semantics, growth, searching, formatting
// and the reports made to the assertion handler.
#include "mxstring.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

const char* const array_tag = "protectedinterfaces/mxarray_i";
const char* const string_tag = "mxstring";

struct String : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }

  static std::vector<std::string> tags(std::initializer_list<const char*> list) {
    return std::vector<std::string>(list.begin(), list.end());
  }
};

std::string text(const MxString& s) {
  return s.as_const_c_string();
}

// All elements of the string, NULs included.
std::string elements(const MxString& s) {
  std::string all;
  for (size_t i = 0; i <= s.length(); ++i) all += s[static_cast<int>(i)];
  return all;
}

// ---------------------------------------------------------------- construction

TEST_F(String, DefaultIsOneNul) {
  const MxString s;
  EXPECT_EQ(s.length(), 0u);
  EXPECT_TRUE(s.null());
  EXPECT_STREQ(s.as_const_c_string(), "");
  EXPECT_EQ(s.c_str(), s.as_const_c_string());
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, FromCStringAndNull) {
  const MxString abc("abc");
  EXPECT_EQ(abc.length(), 3u);
  EXPECT_FALSE(abc.null());
  EXPECT_EQ(text(abc), "abc");
  const MxString none(nullptr);
  EXPECT_TRUE(none.null());
  EXPECT_TRUE(none == MxString());
  EXPECT_TRUE(MxString("").null());
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, CopyIsDeepAndKeepsElementCount) {
  MxString a("ab");
  a.append('\0');
  MxString b(a);
  EXPECT_EQ(b.length(), 3u);
  EXPECT_EQ(text(b), "ab");
  b[0] = 'x';
  EXPECT_EQ(text(a), "ab");
  EXPECT_EQ(text(b), "xb");
}

TEST_F(String, MoveLeavesValidEmptyString) {
  MxString a("hello");
  MxString b(std::move(a));
  EXPECT_EQ(text(b), "hello");
  EXPECT_TRUE(a.null()); // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(a.length(), 0u);
  a.append(MxString("again"));
  EXPECT_EQ(text(a), "again");

  MxString c("old");
  c = std::move(b);
  EXPECT_EQ(text(c), "hello");
  EXPECT_TRUE(b.null()); // NOLINT(bugprone-use-after-move)
  EXPECT_STREQ(b.as_const_c_string(), "");

  MxString& same = c;
  c = std::move(same);
  EXPECT_EQ(text(c), "hello");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, Assignment) {
  MxString s("first");
  const MxString& self = s;
  s = self;
  EXPECT_EQ(text(s), "first");
  s = static_cast<const char*>(nullptr);
  EXPECT_EQ(text(s), "first");
  s = "longer text";
  EXPECT_EQ(s.length(), 11u);
  s = MxString("xy");
  EXPECT_EQ(s.length(), 2u);
  EXPECT_EQ(text(s), "xy");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, AssignFromOwnBuffer) {
  MxString s("abcdef");
  s = s.as_const_c_string();
  EXPECT_EQ(text(s), "abcdef");
  s = s.as_const_c_string() + 2;
  EXPECT_EQ(text(s), "cdef");
  EXPECT_EQ(s.length(), 4u);
  // "abc" fills its 4-slot buffer; overwriting the terminator leaves no NUL
  // in the buffer, so the copy needs a bigger one.
  MxString full("abc");
  full[3] = 'x';
  full = full.as_const_c_string();
  EXPECT_EQ(text(full), "abcx");
  EXPECT_EQ(full.length(), 4u);
}

// ---------------------------------------------------------------- int_to_as

TEST_F(String, IntegerFieldWidthsAndFills) {
  EXPECT_EQ(text(MxString(7, 3, '0')), "007");
  EXPECT_EQ(text(MxString(-7, 3, ' ')), " -7");
  EXPECT_EQ(text(MxString(0, 0, '*')), "0");
  EXPECT_EQ(text(MxString(0, 3, '*')), "**0");
  EXPECT_EQ(text(MxString(12345, 2, ' ')), "12345");
  EXPECT_EQ(text(MxString(-42, 5, '0')), "-0042");
  EXPECT_EQ(text(MxString(-42, 5, ' ')), "  -42");
  EXPECT_EQ(text(MxString(-42, 3, ' ')), "-42");
  EXPECT_EQ(text(MxString(5, -3, '0')), "5");
  EXPECT_EQ(text(MxString(INT_MAX, 0, ' ')), "2147483647");
  EXPECT_EQ(text(MxString(INT_MIN, 0, ' ')), "-2147483648");
  EXPECT_EQ(text(MxString(INT_MIN, 14, '0')), "-0002147483648");
  EXPECT_EQ(text(MxString(INT_MIN, 14, ' ')), "   -2147483648");
  MxString padded(-12, 5, '0');
  EXPECT_EQ(padded.length(), 5u);
}

TEST_F(String, IntegerFieldWiderThanScratchIsWhole) {
  const MxString wide(-5, 100, '.');
  EXPECT_EQ(text(wide), "-" + std::string(98, '.') + "5");
  EXPECT_EQ(wide.length(), 100u);
  EXPECT_EQ(text(MxString(0, 80, ' ')), std::string(79, ' ') + "0");
}

// ---------------------------------------------------------------- access

TEST_F(String, IndexUpToTerminatorIsValid) {
  MxString s("abc");
  EXPECT_EQ(s[0], 'a');
  EXPECT_EQ(s[3], '\0');
  const MxString& c = s;
  EXPECT_EQ(c[2], 'c');
  EXPECT_EQ(c[3], '\0');
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, IndexPastCountIsReportedOnce) {
  MxString s("abcdefg"); // 8 elements, capacity 8
  s.resize(5, true);     // capacity stays 8
  EXPECT_EQ(s[6], '\0'); // inside the buffer: the slot itself
  EXPECT_EQ(reports, tags({array_tag}));
  const MxString& c = s;
  EXPECT_EQ(c[7], '\0');
  EXPECT_EQ(reports, tags({array_tag, array_tag}));
}

TEST_F(String, IndexOutsideBufferNeverTouchesIt) {
  MxString s("abc");
  s[-1] = 'X';  // sign-extended: far past the buffer
  s[100] = 'Y'; // past the capacity
  const MxString& c = s;
  EXPECT_EQ(c[1000], '\0');
  EXPECT_EQ(reports, tags({array_tag, array_tag, array_tag}));
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 3u);
}

TEST(StringWithoutHandler, MisuseIsSilentAndSafe) {
  set_fnd_assertion_handler(record, false);
  reports.clear();
  MxString s("abc");
  s[-5] = 'z';
  EXPECT_TRUE(MxString() == static_cast<const char*>(nullptr));
  s.set_size(-1, true);
  EXPECT_EQ(text(s), "abc");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, BufferOfEmptyElementCountIsReported) {
  MxString s("abc");
  s.resize(0, true);
  EXPECT_EQ(s.length(), 0u);
  EXPECT_FALSE(s.null());
  EXPECT_STREQ(s.as_c_string(), "");
  EXPECT_EQ(reports, tags({array_tag}));
  const MxString& c = s;
  EXPECT_STREQ(c.as_const_c_string(), "");
  EXPECT_EQ(reports, tags({array_tag, array_tag}));
}

// ---------------------------------------------------------------- comparison

TEST_F(String, ComparisonsFollowStrcmp) {
  const MxString abc("abc"), abd("abd"), ab("ab");
  EXPECT_TRUE(abc < abd);
  EXPECT_TRUE(abc <= abd);
  EXPECT_TRUE(abd > abc);
  EXPECT_TRUE(abd >= abc);
  EXPECT_TRUE(abc != abd);
  EXPECT_FALSE(abc == abd);
  EXPECT_TRUE(ab < abc);
  EXPECT_TRUE(abc > ab);
  EXPECT_TRUE(abc == MxString("abc"));
  EXPECT_TRUE(abc <= MxString("abc"));
  EXPECT_TRUE(abc >= MxString("abc"));
  EXPECT_FALSE(abc < MxString("abc"));

  EXPECT_TRUE(abc == "abc");
  EXPECT_TRUE(abc != "abd");
  EXPECT_TRUE(abc < "abd");
  EXPECT_TRUE(abc > "ab");
  EXPECT_TRUE(abc <= "abc");
  EXPECT_TRUE(abc >= "abc");
  EXPECT_FALSE(abc > "abc");
  EXPECT_TRUE(MxString() < "a");
  EXPECT_TRUE(MxString() == "");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, ComparisonIsOnUnsignedCharacters) {
  const MxString high("\xff");
  EXPECT_TRUE(high > "a");
  EXPECT_TRUE(high > MxString("a"));
  EXPECT_TRUE(MxString("a\x80") > "a\x7f");
  EXPECT_FALSE(high < MxString("a"));
}

TEST_F(String, ComparisonStopsAtFirstNul) {
  MxString a("ab");
  a.append('\0');
  a.append('\0');
  EXPECT_EQ(a.length(), 4u);
  EXPECT_TRUE(a == MxString("ab"));
  EXPECT_TRUE(a == "ab");
  EXPECT_TRUE(a < "ab\x01");
}

TEST_F(String, NullCStringIsReportedAndComparedAsEmpty) {
  const char* none = nullptr;
  EXPECT_TRUE(MxString() == none);
  EXPECT_TRUE(MxString("a") > none);
  EXPECT_FALSE(MxString("a") <= none);
  EXPECT_EQ(reports, tags({string_tag, string_tag, string_tag}));
}

TEST_F(String, OperandWithoutElementsIsReported) {
  MxString empty_count("xyz");
  empty_count.resize(0, true);
  EXPECT_TRUE(MxString() == empty_count);
  EXPECT_EQ(reports, tags({array_tag}));
  EXPECT_TRUE(empty_count == "");
  EXPECT_EQ(reports, tags({array_tag, array_tag}));
}

// ---------------------------------------------------------------- sizes

TEST_F(String, ResizeAlwaysKeepsContent) {
  MxString s("abc");
  s.resize(40, false);
  EXPECT_EQ(s.length(), 39u);
  EXPECT_EQ(text(s), "abc");
  s.resize(3, false); // the caller owns the terminator: 'c' now sits on it
  EXPECT_EQ(s.length(), 2u);
  EXPECT_EQ(text(s), "abc");
}

TEST_F(String, SetSizePadsOrCuts) {
  MxString ab("ab");
  ab.set_size(5, true);
  EXPECT_EQ(text(ab), "ab   ");
  EXPECT_EQ(ab.length(), 5u);
  MxString abc("abc");
  abc.set_size(1, true);
  EXPECT_EQ(text(abc), "a");
  EXPECT_EQ(abc.length(), 1u);
  abc.set_size(0, false);
  EXPECT_TRUE(abc.null());
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, SetSizeWithoutPadKeepsTextWhenGrowing) {
  MxString ab("ab"); // capacity 4: growing to 11 elements reallocates
  ab.set_size(10, false);
  EXPECT_EQ(ab.length(), 10u);
  EXPECT_EQ(text(ab), "ab");
  EXPECT_EQ(elements(ab), std::string("ab") + std::string(9, '\0'));
}

TEST_F(String, NegativeSetSizeIsReportedAndIgnored) {
  MxString s("abc");
  s.set_size(-1, true);
  s.set_size(INT_MIN, false);
  EXPECT_EQ(reports, tags({string_tag, string_tag}));
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 3u);
}

TEST_F(String, BlankString) {
  EXPECT_EQ(text(mx_blankstring(3)), "   ");
  EXPECT_EQ(mx_blankstring(3).length(), 3u);
  EXPECT_TRUE(mx_blankstring(0).null());
  EXPECT_TRUE(mx_blankstring(-4).null());
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------- appending

TEST_F(String, AppendStringsAndCharacters) {
  MxString s;
  s.append(MxString("ab")).append('c').append(MxString());
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 3u);
}

TEST_F(String, AppendNulRaisesLengthOnly) {
  MxString s("ab");
  s.append('\0');
  EXPECT_EQ(text(s), "ab");
  EXPECT_EQ(s.length(), 3u);
  EXPECT_FALSE(s.null());
  // The next text goes behind the first NUL; the count still grows by the
  // piece's length.
  s.append(MxString("xy"));
  EXPECT_EQ(text(s), "abxy");
  EXPECT_EQ(s.length(), 5u);
  MxString nul;
  nul.append('\0');
  EXPECT_EQ(nul.length(), 1u);
  EXPECT_FALSE(nul.null());
}

TEST_F(String, AppendedPieceCountsItsElements) {
  MxString piece("cd");
  piece.append('\0');
  MxString s("ab");
  s.append(piece);
  EXPECT_EQ(text(s), "abcd");
  EXPECT_EQ(s.length(), 5u);
}

TEST_F(String, AppendToItselfDoubles) {
  MxString s("abc");
  s.append(s);
  EXPECT_EQ(text(s), "abcabc");
  EXPECT_EQ(s.length(), 6u);
  MxString x("x");
  for (int i = 0; i < 10; ++i) x.append(x);
  EXPECT_EQ(text(x), std::string(1024, 'x'));
}

TEST_F(String, AppendOwnCharacterWhileGrowing) {
  MxString s("abc"); // full: the append reallocates
  s.append(s[0]);
  EXPECT_EQ(text(s), "abca");
  const MxString& c = s;
  s.append(c[1]);
  EXPECT_EQ(text(s), "abcab");
}

TEST_F(String, AppendNumbers) {
  MxString s;
  s.append(42).append(' ').append(-7).append(' ').append(4294967295u).append(' ').append(INT_MIN);
  EXPECT_EQ(text(s), "42 -7 4294967295 -2147483648");
}

TEST_F(String, AppendDoubleFixedAndGeneral) {
  EXPECT_EQ(text(MxString().append(1.5, 3, false)), "1.500");
  EXPECT_EQ(text(MxString().append(1.5, 3, true)), "1.5");
  EXPECT_EQ(text(MxString().append(2.0 / 3.0, 4, true)), "0.6667");
  EXPECT_EQ(text(MxString().append(-0.25, 0, false)), "-0");
  EXPECT_EQ(text(MxString().append(1.5, -1, false)), "1.500000");
}

TEST_F(String, LongNumberTextIsAppendedWhole) {
  char expected[400];
  std::snprintf(expected, sizeof expected, "%.2f", 1e300);
  const MxString huge = MxString("v=").append(1e300, 2, false);
  EXPECT_EQ(text(huge), std::string("v=") + expected);
  EXPECT_EQ(huge.length(), 2 + std::string(expected).size());
  EXPECT_EQ(text(MxString().append(0.1, 30, false)), "0.100000000000000005551115123126");
}

TEST_F(String, AbsurdPrecisionIsCapped) {
  const MxString s = MxString().append(1.5, 5000, false);
  EXPECT_EQ(s.length(), 2u + 1100u);
  EXPECT_EQ(text(s), "1." + std::string("5") + std::string(1099, '0'));
  EXPECT_EQ(text(MxString().append(0.5, INT_MAX, true)), "0.5");
}

// A string that remembers every piece of text passed to append(const MxString&).
struct Recording : MxString {
  std::vector<std::string> pieces;
  using MxString::append;
  MxString& append(const MxString& s) override {
    pieces.emplace_back(s.as_const_c_string());
    return MxString::append(s);
  }
};

TEST_F(String, NumberAppendersGoThroughTheVirtualTable) {
  Recording r;
  r.append(12).append(7u).append(2.5, 1, false);
  EXPECT_EQ(r.pieces, (std::vector<std::string>{"12", "7", "2.5"}));
  EXPECT_EQ(text(r), "1272.5");
  MxString& base = r;
  base.append(MxString("!"));
  EXPECT_EQ(r.pieces.back(), "!");
}

// ---------------------------------------------------------------- find

TEST_F(String, FindExamples) {
  MxString abc("abc");
  EXPECT_EQ(abc.find("c", 2), 2);
  EXPECT_EQ(abc.find("c", 3), -1);
  EXPECT_EQ(abc.find("bc", 1), 1);
  EXPECT_EQ(abc.find("a", 1), -1);
  EXPECT_EQ(abc.find("xa", 0), -1);
  EXPECT_EQ(abc.find("abcd", 0), -1);
  EXPECT_EQ(abc.find("ca", 0), -1);
  EXPECT_EQ(abc.find(static_cast<const char*>(nullptr), 0), -1);
  EXPECT_EQ(abc.find("", 99), 0);
  EXPECT_EQ(MxString().find("", 0), 0);
  EXPECT_EQ(MxString().find("a", 0), -1);
  EXPECT_EQ(MxString("abab").find("ab", 1), 2);
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, FindStartIsNarrowedToInt) {
  MxString abc("abc");
  EXPECT_EQ(abc.find("b", static_cast<size_t>(-1)), -1);
  EXPECT_EQ(abc.find("b", (size_t{1} << 32) + 1), 1);
}

TEST_F(String, FindString) {
  MxString s("hello world");
  EXPECT_EQ(s.find(MxString("o w"), 0), 4);
  EXPECT_EQ(s.find(MxString("o"), 5), 7);
  EXPECT_EQ(s.find(MxString(), 3), 0);
  EXPECT_EQ(s.find(s, 0), 0);
  EXPECT_TRUE(reports.empty());
  MxString no_elements("q");
  no_elements.resize(0, true);
  EXPECT_EQ(s.find(no_elements, 0), 0);
  EXPECT_EQ(reports, tags({array_tag}));
  EXPECT_EQ(no_elements.find("q", 0), -1);
}

// ---------------------------------------------------------------- substr

TEST_F(String, SubstrExamples) {
  MxString s("abcdef");
  EXPECT_EQ(text(s.substr(2, -1)), "cdef");
  EXPECT_EQ(text(s.substr(2, 10)), "cdef");
  EXPECT_EQ(s.substr(2, 10).length(), 4u);
  EXPECT_TRUE(s.substr(6, 1).null());
  EXPECT_TRUE(s.substr(0, 0).null());
  EXPECT_TRUE(s.substr(static_cast<size_t>(-1), 2).null());
  EXPECT_EQ(text(s.substr(0, 3)), "abc");
  EXPECT_EQ(text(s.substr(1, 2)), "bc");
  EXPECT_EQ(text(s.substr(0, -1)), "abcdef");
  EXPECT_EQ(text(s.substr(5, 1)), "f");
  EXPECT_TRUE(MxString().substr(0, -1).null());
  EXPECT_TRUE(reports.empty());
}

// ---------------------------------------------------------------- format

TEST_F(String, FormatPrints) {
  MxString s("old text that is longer");
  MxString& r = s.format(32, "%d-%s-%.1f", 7, "x", 2.25);
  EXPECT_EQ(&r, &s);
  EXPECT_EQ(text(s), "7-x-2.2");
  EXPECT_EQ(s.length(), 7u);
  s.format(5, "abc");
  EXPECT_EQ(text(s), "abc");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, FormatReportsWhenTextReachesSizeMinusOne) {
  MxString s;
  s.format(4, "abc");
  EXPECT_EQ(reports, tags({string_tag}));
  EXPECT_EQ(text(s), "abc");
}

TEST_F(String, FormatKeepsCutText) {
  MxString s;
  s.format(4, "%s", "abcdef");
  EXPECT_EQ(reports, tags({string_tag}));
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 3u);
  s.format(0, "%d", 12345);
  EXPECT_EQ(reports, tags({string_tag, string_tag}));
  EXPECT_TRUE(s.null());
}

TEST_F(String, FormatLongTexts) {
  const std::string long_text(600, 'q');
  MxString s;
  s.format(1000, "%s", long_text.c_str());
  EXPECT_EQ(text(s), long_text);
  EXPECT_TRUE(reports.empty());
  s.format(301, "<%s>", long_text.c_str());
  EXPECT_EQ(reports, tags({string_tag}));
  EXPECT_EQ(text(s), "<" + std::string(299, 'q'));
  EXPECT_EQ(s.length(), 300u);
}

TEST_F(String, NegativeFormatSizeIsReportedAndIgnored) {
  MxString s("keep");
  s.format(-1, "%s", "other");
  EXPECT_EQ(reports, tags({string_tag}));
  EXPECT_EQ(text(s), "keep");
}

TEST_F(String, FormatWithoutFormatOrWithFailedPrint) {
  MxString s("keep");
  const char* none = nullptr;
  s.format(10, none, 1);
  EXPECT_EQ(reports, tags({string_tag}));
  EXPECT_EQ(text(s), "keep");
  // A wide character that the "C" locale cannot convert makes printing fail.
  s.format(10, "%ls", L"\u00e9");
  EXPECT_EQ(reports, tags({string_tag, string_tag}));
  EXPECT_TRUE(s.null());
}

TEST_F(String, FormatFromOwnText) {
  MxString s("abc");
  s.format(100, "%s|%s", s.as_const_c_string(), s.as_const_c_string());
  EXPECT_EQ(text(s), "abc|abc");
  EXPECT_EQ(s.length(), 7u);
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, FormatLengthStopsAtPrintedNul) {
  MxString s;
  s.format(10, "a%cb", 0);
  EXPECT_EQ(text(s), "a");
  EXPECT_EQ(s.length(), 1u);
}

// ---------------------------------------------------------------- end of text

TEST_F(String, WritesThroughAccessorsMoveTheEnd) {
  MxString s("abcdef");
  s.as_c_string()[2] = '\0';
  s.append('x');
  EXPECT_EQ(text(s), "abx");
  EXPECT_EQ(s.length(), 7u);
  MxString t("abcdef");
  t[1] = '\0';
  t.append(MxString("yz"));
  EXPECT_EQ(text(t), "ayz");
  MxString u("ab");
  u[2] = 'c'; // overwrites the terminator; the next slot is still NUL
  u.append('d');
  EXPECT_EQ(text(u), "abcd");
}

TEST_F(String, BufferWithoutNulIsReadOnlyWithinCapacity) {
  MxString s("abc"); // 4 elements, capacity 4
  s[3] = 'x';
  EXPECT_TRUE(s == "abcx");
  EXPECT_TRUE(s == MxString(s));
  EXPECT_EQ(s.find("x", 0), 3);
  s.append(MxString("d"));
  EXPECT_EQ(text(s), "abcxd");
  EXPECT_EQ(s.length(), 5u);
  EXPECT_TRUE(reports.empty());
}

// Replays random edits on a string and on a plain model of its elements
// (zeros behind the element count) and compares them after every step.
TEST_F(String, MatchesElementModelUnderRandomEdits) {
  std::mt19937 random(12345);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const char alphabet[] = {'a', 'b', '\0'};
  MxString s;
  std::string model(1, '\0');
  auto first_nul = [&] {
    const size_t at = model.find('\0');
    return at == std::string::npos ? model.size() : at;
  };
  for (int step = 0; step < 4000; ++step) {
    switch (pick(6)) {
    case 0:
    case 1: {
      MxString piece;
      std::string piece_model(1, '\0');
      for (int i = pick(4); i > 0; --i) {
        const char c = alphabet[pick(3)];
        piece.append(c);
        const size_t at = piece_model.find('\0');
        piece_model.push_back('\0');
        piece_model[at] = c;
      }
      const size_t here = first_nul();
      const std::string piece_text = piece_model.substr(0, piece_model.find('\0'));
      const size_t count = std::max(model.size() + piece.length(), here + piece_text.size() + 1);
      s.append(piece);
      model.resize(count, '\0');
      model.replace(here, piece_text.size() + 1, piece_text + '\0');
      break;
    }
    case 2: {
      const char c = alphabet[pick(3)];
      const size_t here = first_nul();
      s.append(c);
      model.resize(std::max(model.size() + 1, here + (c ? 2 : 1)), '\0');
      model[here] = c;
      if (c) model[here + 1] = '\0';
      break;
    }
    case 3: {
      const int i = pick(static_cast<int>(model.size()));
      const char c = alphabet[pick(3)];
      s[i] = c;
      model[static_cast<size_t>(i)] = c;
      break;
    }
    case 4: {
      const int n = pick(12);
      const bool pad = pick(2) == 1;
      const size_t old = model.size() - 1;
      s.set_size(n, pad);
      model.resize(static_cast<size_t>(n) + 1, '\0');
      model[static_cast<size_t>(n)] = '\0';
      if (pad && old < static_cast<size_t>(n))
        for (size_t k = old; k < static_cast<size_t>(n); ++k) model[k] = ' ';
      break;
    }
    default: {
      const size_t count = static_cast<size_t>(1 + pick(12));
      s.resize(count, false);
      model.resize(count, '\0');
      break;
    }
    }
    ASSERT_EQ(s.length(), model.size() - 1) << "step " << step;
    ASSERT_EQ(elements(s), model) << "step " << step;
    // The buffer may hold no NUL at all, so compare rather than read it.
    ASSERT_TRUE(s == model.substr(0, first_nul()).c_str()) << "step " << step;
  }
  EXPECT_TRUE(reports.empty());
}

} // namespace
