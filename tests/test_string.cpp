// MxString: construction, C-string semantics, growth, searching, formatting
// and the reports made to the assertion handler.
#include "mxstring.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const array_tag = "protectedinterfaces/mxarray_i";
const char* const string_tag = "mxstring";

// Takes the report tags so far: each step of a test checks its own.
struct String : ReportingTest {
  ReportTags taken() { return reports.take_tags(); }
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

// A string of `count` elements whose buffer holds no element in use.
MxString without_elements(const char* t) {
  MxString s(t);
  s.resize(0, true);
  return s;
}

// ---------------------------------------------------------------- construction

TEST_F(String, ConstructionAndNullStrings) {
  const MxString s, none(nullptr), abc("abc");
  EXPECT_EQ(s.length(), 0u);
  EXPECT_TRUE(s.null());
  EXPECT_STREQ(s.as_const_c_string(), "");
  EXPECT_EQ(s.c_str(), s.as_const_c_string());
  EXPECT_TRUE(none.null());
  EXPECT_TRUE(MxString("").null());
  EXPECT_EQ(abc.length(), 3u);
  EXPECT_FALSE(abc.null());
  EXPECT_EQ(mx_blankstring(3).length(), 3u);
  EXPECT_EQ(text(mx_blankstring(3)), "   ");
  EXPECT_TRUE(mx_blankstring(0).null());
  EXPECT_TRUE(mx_blankstring(-4).null());
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, CopiesAreDeepAndMovesLeaveValidEmptyStrings) {
  MxString a("ab");
  a.append('\0');
  MxString b(a);
  EXPECT_EQ(b.length(), 3u); // keeps the element count
  b[0] = 'x';
  EXPECT_EQ(text(a), "ab");
  EXPECT_EQ(text(b), "xb");

  MxString c(std::move(b));
  EXPECT_EQ(text(c), "xb");
  EXPECT_TRUE(b.null()); // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(b.length(), 0u);
  b.append(MxString("again"));
  EXPECT_EQ(text(b), "again");
  MxString d("old");
  d = std::move(c);
  EXPECT_EQ(text(d), "xb");
  EXPECT_STREQ(c.as_const_c_string(), ""); // NOLINT(bugprone-use-after-move)
  MxString& same = d;
  d = std::move(same);
  EXPECT_EQ(text(d), "xb");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, AssignmentIncludingFromOwnBuffer) {
  MxString s("first");
  const MxString& self = s;
  s = self;
  EXPECT_EQ(text(s), "first");
  s = static_cast<const char*>(nullptr);
  EXPECT_EQ(text(s), "first");
  s = "longer text";
  EXPECT_EQ(s.length(), 11u);
  s = MxString("abcdef");
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
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, IntegerFieldWidthsAndFills) {
  const struct {
    int value, width;
    char fill;
    std::string text;
  } cases[] = {{7, 3, '0', "007"},
               {-7, 3, ' ', " -7"},
               {0, 0, '*', "0"},
               {0, 3, '*', "**0"},
               {12345, 2, ' ', "12345"},
               {-42, 5, '0', "-0042"},
               {-42, 5, ' ', "  -42"},
               {-42, 3, ' ', "-42"},
               {5, -3, '0', "5"},
               {INT_MAX, 0, ' ', "2147483647"},
               {INT_MIN, 0, ' ', "-2147483648"},
               {INT_MIN, 14, '0', "-0002147483648"},
               {INT_MIN, 14, ' ', "   -2147483648"},
               // fields wider than any scratch buffer come out whole
               {-5, 100, '.', "-" + std::string(98, '.') + "5"},
               {0, 80, ' ', std::string(79, ' ') + "0"}};
  for (const auto& c : cases) {
    const MxString s(c.value, c.width, c.fill);
    EXPECT_EQ(text(s), c.text) << c.value << " " << c.width;
    EXPECT_EQ(s.length(), c.text.size()) << c.value << " " << c.width;
  }
}

// ---------------------------------------------------------------- access

TEST_F(String, IndexIsCheckedAgainstTheCountAndNeverLeavesTheBuffer) {
  MxString s("abcdefg"); // 8 elements, capacity 8
  s.resize(5, true);     // capacity stays 8
  const MxString& c = s;
  EXPECT_EQ(s[0], 'a');
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
  EXPECT_EQ(s.length(), 4u);

  MxString empty_count = without_elements("abc");
  EXPECT_EQ(empty_count.length(), 0u);
  EXPECT_FALSE(empty_count.null());
  EXPECT_STREQ(empty_count.as_c_string(), "");
  EXPECT_STREQ(static_cast<const MxString&>(empty_count).as_const_c_string(), "");
  EXPECT_EQ(taken(), ReportTags(2, array_tag));
}

TEST(StringWithoutHandler, MisuseIsSilentAndSafe) {
  MxString s("abc");
  s[-5] = 'z';
  EXPECT_TRUE(MxString() == static_cast<const char*>(nullptr));
  s.set_size(-1, true);
  EXPECT_EQ(text(s), "abc");
}

// ---------------------------------------------------------------- comparison

TEST_F(String, ComparisonsFollowStrcmpOnUnsignedCharactersUpToTheFirstNul) {
  MxString ab_nuls("ab");
  ab_nuls.append('\0');
  ab_nuls.append('\0');
  EXPECT_EQ(ab_nuls.length(), 4u);
  const struct {
    MxString a;
    const char* b;
    int order;
  } cases[] = {
      {MxString("abc"), "abd", -1},    {MxString("ab"), "abc", -1}, {MxString("abc"), "abc", 0},
      {MxString(), "a", -1},           {MxString(), "", 0},         {MxString("\xff"), "a", 1},
      {MxString("a\x80"), "a\x7f", 1}, {ab_nuls, "ab", 0},          {ab_nuls, "ab\x01", -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << text(c.a) << "\" vs \"" << c.b << '"');
    const MxString b(c.b);
    EXPECT_EQ(c.a == b, c.order == 0);
    EXPECT_EQ(c.a != b, c.order != 0);
    EXPECT_EQ(c.a < b, c.order < 0);
    EXPECT_EQ(c.a <= b, c.order <= 0);
    EXPECT_EQ(c.a > b, c.order > 0);
    EXPECT_EQ(c.a >= b, c.order >= 0);
    EXPECT_EQ(c.a == c.b, c.order == 0);
    EXPECT_EQ(c.a != c.b, c.order != 0);
    EXPECT_EQ(c.a < c.b, c.order < 0);
    EXPECT_EQ(c.a <= c.b, c.order <= 0);
    EXPECT_EQ(c.a > c.b, c.order > 0);
    EXPECT_EQ(c.a >= c.b, c.order >= 0);
  }
  EXPECT_TRUE(reports.empty());
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

// ---------------------------------------------------------------- sizes

// That resize keeps content and leaves the terminator to the caller is
// checked by MatchesElementModelUnderRandomEdits.
TEST_F(String, ResizeAndSetSize) {
  MxString ab("ab"); // capacity 4: growing to 11 elements reallocates
  ab.set_size(10, false);
  EXPECT_EQ(ab.length(), 10u);
  EXPECT_EQ(elements(ab), std::string("ab") + std::string(9, '\0'));
  ab.set_size(1, true);
  EXPECT_EQ(text(ab), "a");
  ab.set_size(5, true);
  EXPECT_EQ(text(ab), "a    ");
  EXPECT_EQ(ab.length(), 5u);
  ab.set_size(0, false);
  EXPECT_TRUE(ab.null());
  EXPECT_TRUE(reports.empty());

  MxString keep("abc"); // negative sizes are reported and ignored
  keep.set_size(-1, true);
  keep.set_size(INT_MIN, false);
  EXPECT_EQ(taken(), ReportTags(2, string_tag));
  EXPECT_EQ(text(keep), "abc");
  EXPECT_EQ(keep.length(), 3u);
}

// ---------------------------------------------------------------- appending

TEST_F(String, AppendStringsCharactersAndNuls) {
  MxString s;
  s.append(MxString("ab")).append('c').append(MxString());
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 3u);
  s.append('\0'); // raises the length only
  EXPECT_EQ(text(s), "abc");
  EXPECT_EQ(s.length(), 4u);
  MxString nul;
  nul.append('\0');
  EXPECT_EQ(nul.length(), 1u);
  EXPECT_FALSE(nul.null());

  MxString x("x"); // to itself, and its own character while growing
  for (int i = 0; i < 10; ++i) x.append(x);
  EXPECT_EQ(text(x), std::string(1024, 'x'));
  MxString full("abc");
  full.append(full[0]);
  full.append(static_cast<const MxString&>(full)[1]);
  EXPECT_EQ(text(full), "abcab");
  EXPECT_TRUE(reports.empty());
}

TEST_F(String, AppendNumbers) {
  MxString s;
  s.append(42).append(' ').append(-7).append(' ').append(4294967295u).append(' ').append(INT_MIN);
  EXPECT_EQ(text(s), "42 -7 4294967295 -2147483648");
  char expected[400];
  std::snprintf(expected, sizeof expected, "%.2f", 1e300);
  const struct {
    double value;
    int precision;
    bool general;
    std::string text;
  } cases[] = {{1.5, 3, false, "1.500"},
               {1.5, 3, true, "1.5"},
               {2.0 / 3.0, 4, true, "0.6667"},
               {-0.25, 0, false, "-0"},
               {1.5, -1, false, "1.500000"},
               // long number texts are appended whole
               {1e300, 2, false, expected},
               {0.1, 30, false, "0.100000000000000005551115123126"},
               // absurd precisions are capped
               {1.5, 5000, false, "1.5" + std::string(1099, '0')},
               {0.5, INT_MAX, true, "0.5"}};
  for (const auto& c : cases) {
    const MxString appended = MxString("v=").append(c.value, c.precision, c.general);
    EXPECT_EQ(text(appended), "v=" + c.text) << c.value << " " << c.precision;
    EXPECT_EQ(appended.length(), 2 + c.text.size());
  }
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
  MxString& base = r;
  base.append(MxString("!"));
  EXPECT_EQ(r.pieces, (std::vector<std::string>{"12", "7", "2.5", "!"}));
  EXPECT_EQ(text(r), "1272.5!");
}

// ---------------------------------------------------------------- find and substr

TEST_F(String, FindAndSubstr) {
  const struct {
    const char* in;
    const char* what;
    size_t start;
    int at;
  } finds[] = {{"abc", "c", 2, 2},
               {"abc", "c", 3, -1},
               {"abc", "bc", 1, 1},
               {"abc", "a", 1, -1},
               {"abc", "xa", 0, -1},
               {"abc", "abcd", 0, -1},
               {"abc", "ca", 0, -1},
               {"abc", nullptr, 0, -1},
               {"abc", "", 99, 0},
               {"", "", 0, 0},
               {"", "a", 0, -1},
               {"abab", "ab", 1, 2},
               {"abc", "b", static_cast<size_t>(-1), -1}, // the start is narrowed to int
               {"abc", "b", (size_t{1} << 32) + 1, 1}};
  for (const auto& f : finds)
    EXPECT_EQ(MxString(f.in).find(f.what, f.start), f.at)
        << f.in << " " << (f.what ? f.what : "null") << " " << f.start;
  MxString hello("hello world");
  EXPECT_EQ(hello.find(MxString("o w"), 0), 4);
  EXPECT_EQ(hello.find(MxString("o"), 5), 7);
  EXPECT_EQ(hello.find(MxString(), 3), 0);
  EXPECT_EQ(hello.find(hello, 0), 0);

  const struct {
    size_t start;
    int count;
    const char* text;
  } subs[] = {{2, -1, "cdef"},
              {2, 10, "cdef"},
              {6, 1, ""},
              {0, 0, ""},
              {static_cast<size_t>(-1), 2, ""},
              {0, 3, "abc"},
              {1, 2, "bc"},
              {0, -1, "abcdef"},
              {5, 1, "f"}};
  MxString s("abcdef");
  for (const auto& c : subs) {
    const MxString sub = s.substr(c.start, c.count);
    EXPECT_EQ(text(sub), c.text) << c.start << " " << c.count;
    EXPECT_EQ(sub.length(), std::string(c.text).size());
  }
  EXPECT_TRUE(MxString().substr(0, -1).null());
  EXPECT_TRUE(reports.empty());

  MxString no_elements = without_elements("q");
  EXPECT_EQ(hello.find(no_elements, 0), 0);
  EXPECT_EQ(taken(), ReportTags{array_tag});
  EXPECT_EQ(no_elements.find("q", 0), -1);
}

// ---------------------------------------------------------------- format

TEST_F(String, FormatPrintsAndReportsCutOrFailedTexts) {
  MxString s("old text that is longer");
  EXPECT_EQ(&s.format(32, "%d-%s-%.1f", 7, "x", 2.25), &s);
  EXPECT_EQ(text(s), "7-x-2.2");
  EXPECT_EQ(s.length(), 7u);
  s.format(100, "%s|%s", s.as_const_c_string(), s.as_const_c_string()); // from its own text
  EXPECT_EQ(text(s), "7-x-2.2|7-x-2.2");
  s.format(10, "a%cb", 0); // the length stops at a printed NUL
  EXPECT_EQ(s.length(), 1u);
  const std::string long_text(600, 'q');
  s.format(1000, "%s", long_text.c_str());
  EXPECT_EQ(text(s), long_text);
  EXPECT_TRUE(reports.empty());

  const char* none = nullptr;
  const struct {
    int size;
    const char* format;
    const char* arg;
    std::string text;
  } reported[] = {{4, "abc", "", "abc"}, // the text reaches size - 1
                  {4, "%s", "abcdef", "abc"},
                  {0, "%s", "abcdef", ""},
                  {301, "<%s>", long_text.c_str(), "<" + std::string(299, 'q')},
                  {-1, "%s", "other", "keep"}, // a negative size is ignored
                  {10, none, "other", "keep"}};
  for (const auto& c : reported) {
    MxString t("keep");
    t.format(c.size, c.format, c.arg);
    EXPECT_EQ(text(t), c.text) << c.size << " " << (c.format ? c.format : "null");
    EXPECT_EQ(t.length(), c.text.size());
    EXPECT_EQ(taken(), ReportTags{string_tag}) << c.size;
  }
  // A wide character that the "C" locale cannot convert makes printing fail.
  s.format(10, "%ls", L"\u00e9");
  EXPECT_EQ(taken(), ReportTags{string_tag});
  EXPECT_TRUE(s.null());
}

// ---------------------------------------------------------------- end of text

TEST_F(String, WritesThroughAccessorsMoveTheEnd) {
  MxString s("abc");
  s.set_size(20, true);
  s.set_size(3, true);
  char* p = s.as_c_string();
  s.append(MxString("d"));
  p[1] = '\0'; // the buffer has not moved, so this ends the text
  EXPECT_TRUE(s == "a");
  s.append('e');
  EXPECT_EQ(text(s), "ae");
  EXPECT_EQ(s.length(), 5u);
  EXPECT_EQ(s.find("e", 0), 1);
  MxString full("abc"); // 4 elements, capacity 4: a buffer without NUL
  full[3] = 'x';
  EXPECT_TRUE(full == "abcx");
  EXPECT_TRUE(full == MxString(full));
  EXPECT_EQ(full.find("x", 0), 3);
  full.append(MxString("d"));
  EXPECT_EQ(text(full), "abcxd");
  EXPECT_EQ(full.length(), 5u);
  // A new buffer makes the string forget the pointer, but not the write.
  MxString moved("abc"); // 4 elements, capacity 4
  moved.as_c_string()[1] = '\0';
  moved.resize(10, true);
  EXPECT_TRUE(moved == "a");
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
  size_t capacity = 1; // the buffer moves only when this grows
  char* held = s.as_c_string();
  size_t held_capacity = capacity;
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
      // Through a fresh reference, or a pointer taken some edits ago.
      if (held_capacity != capacity) {
        held = s.as_c_string();
        held_capacity = capacity;
      }
      const int i = pick(static_cast<int>(model.size()));
      const char c = alphabet[pick(3)];
      (pick(2) ? s[i] : held[i]) = c;
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
    capacity = MxArray<char>::grown_capacity(capacity, model.size());
    ASSERT_EQ(s.length(), model.size() - 1) << "step " << step;
    ASSERT_EQ(elements(s), model) << "step " << step;
    // The buffer may hold no NUL at all, so compare rather than read it.
    ASSERT_TRUE(s == model.substr(0, first_nul()).c_str()) << "step " << step;
  }
  EXPECT_TRUE(reports.empty());
}

} // namespace
