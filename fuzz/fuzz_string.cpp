// Fuzz target for MxString.
//
// The input drives a sequence of operations on one string: assignment,
// construction from numbers with widths and fills, appending numbers,
// characters and strings (itself included), set_size, direct writes through
// operator[], find, substr, format, comparisons, copies and moves. Next to the
// string runs a model made of a std::string (the C text, up to the first NUL)
// and the string's length() (which exceeds the text after a NUL was
// appended). After every operation the string must agree with the model, and
// the assertion handler must have been called exactly as often as the
// operation reports by contract. Any disagreement aborts with a message, as
// does every sanitizer finding.
#include "mxassert.h"
#include "mxstring.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Failure and report bookkeeping

int reports = 0;
const char* last_report_tag = "";
int last_report_line = 0;

void count_report(const char* tag, int line) {
  ++reports;
  last_report_tag = tag;
  last_report_line = line;
}

const char* current_operation = "";

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_string: %s (operation: %s; last report: %s line %d)\n", what,
               current_operation, last_report_tag, last_report_line);
  std::abort();
}

void expect(bool condition, const char* what) {
  if (!condition) fail(what);
}

// Beyond this length no operation makes the string longer: it keeps every run
// fast without narrowing what the operations do.
constexpr size_t max_length = 1 << 16;

// ---------------------------------------------------------------------------
// The model

struct Model {
  std::string text;  ///< the characters before the first NUL
  size_t length = 0; ///< what length() must return
};

/// The C text at `s`, or the empty text for null.
std::string c_text(const char* s) {
  return s ? std::string(s) : std::string();
}

/// The model's text must be the string's: a terminator within the counted
/// elements, the text before it, and the length.
void check(const MxString& s, const Model& m) {
  expect(s.length() == m.length, "length() differs from the model");
  expect(m.text.size() <= m.length, "model broken: text longer than length");
  const char* p = s.as_const_c_string();
  expect(p != nullptr, "as_const_c_string() is null");
  const void* nul = std::memchr(p, '\0', s.length() + 1);
  expect(nul != nullptr, "no NUL within the counted elements");
  const size_t n = static_cast<size_t>(static_cast<const char*>(nul) - p);
  expect(n == m.text.size(), "C-string length differs from the model");
  expect(std::memcmp(p, m.text.data(), n) == 0, "text differs from the model");
  expect(s.null() == (m.length == 0), "null() disagrees with length()");
}

/// The decimal text of `value` in `width` characters padded with `fill`: a
/// blank fill puts the sign next to the digits, any other fill in front of
/// the padding; 0 is "0" padded; nothing is ever cut.
std::string int_text(int value, int width, char fill) {
  const size_t field = width > 0 ? static_cast<size_t>(width) : 0;
  if (value == 0) {
    const size_t w = std::max<size_t>(field, 1);
    return std::string(w - 1, fill) + "0";
  }
  const bool negative = value < 0;
  const long long magnitude = negative ? -static_cast<long long>(value) : value;
  const std::string digits = std::to_string(magnitude);
  const size_t body = digits.size() + (negative ? 1 : 0);
  const size_t pad = std::max(field, body) - body;
  if (fill == ' ') return std::string(pad, ' ') + (negative ? "-" : "") + digits;
  return (negative ? "-" : "") + std::string(pad, fill) + digits;
}

/// printf into a std::string of any length.
std::string printed(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string printed(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    std::vector<char> buffer(static_cast<size_t>(n) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), fmt, again);
    out.assign(buffer.data(), static_cast<size_t>(n)); // may hold NULs (%c)
  }
  va_end(again);
  return out;
}

/// The text before the first NUL of `s`.
std::string before_nul(const std::string& s) {
  return s.substr(0, s.find('\0'));
}

/// The model of appending a string whose text is `text` and whose length()
/// is `length`.
void append_model(Model& m, const std::string& text, size_t length) {
  m.text += text;
  m.length += length;
}

// ---------------------------------------------------------------------------
// The operations

class StringRun {
public:
  explicit StringRun(FuzzedDataProvider& in) : in_(in) {}

  void run() {
    check(s_, m_);
    while (in_.remaining_bytes() > 0) {
      const int before = reports;
      int expected = 0;
      step(expected);
      if (reports != before + expected) fail("unexpected number of assertion reports");
      check(s_, m_);
    }
  }

private:
  bool may_grow() const { return m_.length < max_length; }

  std::string some_text(size_t max) { return in_.ConsumeRandomLengthString(max); }

  /// A text that occurs in the string now and then, else a random one.
  std::string needle() {
    if (in_.ConsumeBool() && !m_.text.empty()) {
      const size_t at = in_.ConsumeIntegralInRange<size_t>(0, m_.text.size() - 1);
      const size_t n = in_.ConsumeIntegralInRange<size_t>(0, m_.text.size() - at);
      return m_.text.substr(at, n);
    }
    return before_nul(some_text(8));
  }

  size_t some_start() {
    switch (in_.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return in_.ConsumeIntegral<size_t>(); // huge and "negative" starts too
    default:
      return in_.ConsumeIntegralInRange<size_t>(0, m_.length + 2);
    }
  }

  void step(int& expected) {
    switch (in_.ConsumeIntegralInRange(0, 19)) {
    case 0:
      assign_c_string();
      break;
    case 1:
      assign_own_tail();
      break;
    case 2:
      from_number();
      break;
    case 3:
      append_int();
      break;
    case 4:
      append_unsigned();
      break;
    case 5:
      append_double();
      break;
    case 6:
      append_char();
      break;
    case 7:
      append_string();
      break;
    case 8:
      append_self();
      break;
    case 9:
      set_size(expected);
      break;
    case 10:
      write_char();
      break;
    case 11:
      find_c_string();
      break;
    case 12:
      find_string();
      break;
    case 13:
      substr();
      break;
    case 14:
      format(expected);
      break;
    case 15:
      compare();
      break;
    case 16:
      copy_and_move();
      break;
    case 17:
      blank_string();
      break;
    case 18:
      resize_down();
      break;
    default:
      append_number_to_derived();
      break;
    }
  }

  void assign_c_string() {
    current_operation = "operator=(const char*)";
    if (in_.ConsumeBool()) {
      s_ = static_cast<const char*>(nullptr); // changes nothing
      return;
    }
    const std::string t = some_text(64);
    s_ = t.c_str();
    m_.text = before_nul(t);
    m_.length = m_.text.size();
  }

  void assign_own_tail() {
    current_operation = "operator=(const char*) from its own buffer";
    const size_t k = in_.ConsumeIntegralInRange<size_t>(0, m_.text.size());
    s_ = s_.as_const_c_string() + k;
    m_.text = m_.text.substr(k);
    m_.length = m_.text.size();
  }

  void from_number() {
    current_operation = "MxString(int, int, char)";
    const int value =
        in_.ConsumeBool() ? in_.ConsumeIntegralInRange(-1000, 1000) : in_.ConsumeIntegral<int>();
    const int width = in_.ConsumeIntegralInRange(-100, in_.ConsumeBool() ? 40 : 3000);
    const char fill = in_.ConsumeBool() ? ' ' : in_.ConsumeIntegral<char>();
    const MxString number(value, width, fill);
    const std::string want = int_text(value, width, fill);
    expect(number.length() == want.size(), "number text has the wrong length");
    expect(std::memcmp(number.as_const_c_string(), want.data(), want.size() + 1) == 0,
           "number text differs from the model");
    // Assignment copies the text up to its first NUL and keeps length().
    s_ = number;
    m_.text = before_nul(want);
    m_.length = want.size();
  }

  void append_int() {
    current_operation = "append(int)";
    if (!may_grow()) return;
    const int v = in_.ConsumeIntegral<int>();
    s_.append(v);
    const std::string t = printed("%d", v);
    append_model(m_, t, t.size());
  }

  void append_unsigned() {
    current_operation = "append(unsigned int)";
    if (!may_grow()) return;
    const unsigned v = in_.ConsumeIntegral<unsigned>();
    s_.append(v);
    const std::string t = printed("%u", v);
    append_model(m_, t, t.size());
  }

  void append_double() {
    current_operation = "append(double, int, bool)";
    if (!may_grow()) return;
    double v = 0;
    switch (in_.ConsumeIntegralInRange(0, 2)) {
    case 0:
      v = in_.ConsumeFloatingPoint<double>();
      break;
    case 1:
      v = in_.ConsumeIntegralInRange(-100000, 100000) / 64.0;
      break;
    default: {
      uint64_t bits = in_.ConsumeIntegral<uint64_t>(); // NaNs, infinities, subnormals
      std::memcpy(&v, &bits, sizeof v);
    }
    }
    const int precision = in_.ConsumeBool() ? in_.ConsumeIntegralInRange(-3, 20)
                                            : in_.ConsumeIntegralInRange(-3, 1200);
    const bool general = in_.ConsumeBool();
    s_.append(v, precision, general);
    // Precisions beyond 1100 count as 1100; a negative one is printf's default.
    const int p = std::min(precision, 1100);
    const std::string t = general ? printed("%.*g", p, v) : printed("%.*f", p, v);
    append_model(m_, t, t.size());
  }

  void append_char() {
    current_operation = "append(const char&)";
    if (!may_grow()) return;
    const char c = in_.ConsumeBool() ? '\0' : in_.ConsumeIntegral<char>();
    s_.append(c);
    // The element count grows by one; a NUL leaves the text as it is.
    if (c != '\0') m_.text += c;
    m_.length += 1;
  }

  /// A string with NULs inside its counted range now and then.
  std::pair<MxString, Model> other_string() {
    std::pair<MxString, Model> o;
    const std::string t = before_nul(some_text(32));
    o.first = t.c_str();
    o.second.text = t;
    o.second.length = t.size();
    for (int k = in_.ConsumeIntegralInRange(0, 2); k > 0; --k) {
      o.first.append('\0');
      o.second.length += 1;
    }
    return o;
  }

  void append_string() {
    current_operation = "append(const MxString&)";
    if (!may_grow()) return;
    auto o = other_string();
    check(o.first, o.second);
    s_.append(o.first);
    append_model(m_, o.second.text, o.second.length);
  }

  void append_self() {
    current_operation = "append(const MxString&) of itself";
    if (!may_grow()) return;
    s_.append(s_);
    const Model before = m_;
    append_model(m_, before.text, before.length);
  }

  void set_size(int& expected) {
    current_operation = "set_size(int, bool)";
    const int n = in_.ConsumeIntegralInRange(-3, in_.ConsumeBool() ? 80 : 5000);
    const bool pad = in_.ConsumeBool();
    s_.set_size(n, pad);
    if (n < 0) {
      expected = 1; // reported, nothing changes
      return;
    }
    const size_t want = static_cast<size_t>(n);
    const size_t old = m_.length;
    if (want < m_.text.size())
      m_.text.resize(want);
    else if (pad && old < want && m_.text.size() == old)
      m_.text.append(want - old, ' ');
    // Otherwise the first NUL stays where it is: the old terminator (or an
    // appended NUL) lies within the kept elements.
    m_.length = want;
  }

  void write_char() {
    current_operation = "operator[] write";
    if (m_.text.empty()) return;
    const size_t i = in_.ConsumeIntegralInRange<size_t>(0, m_.text.size() - 1);
    const char c = in_.ConsumeIntegral<char>();
    if (in_.ConsumeBool())
      s_[static_cast<int>(i)] = c;
    else
      s_.as_c_string()[i] = c;
    if (c == '\0')
      m_.text.resize(i);
    else
      m_.text[i] = c;
  }

  /// The position find() must return for `n` (NUL-free) on the model, or
  /// -2 when the answer depends on characters behind the first NUL.
  long expected_find(const std::string& n, size_t start) const {
    if (n.empty()) return 0;
    if (m_.length == 0) return -1;
    const size_t from = static_cast<size_t>(static_cast<long>(static_cast<int>(start)));
    if (from >= m_.length) return -1;
    if (from > m_.text.size()) return -2;
    const std::string tail = m_.text.substr(from);
    for (char c : n)
      if (tail.find(c) == std::string::npos) return -1;
    const size_t at = tail.find(n);
    return at == std::string::npos ? -1 : static_cast<long>(from + at);
  }

  void check_find(int got, long want, size_t start) {
    if (want == -2) {
      const size_t from = static_cast<size_t>(static_cast<long>(static_cast<int>(start)));
      expect(got == -1 || (got >= 0 && static_cast<size_t>(got) >= from),
             "find() behind the text returned a position before start");
      return;
    }
    expect(got == want, "find() differs from the model");
  }

  void find_c_string() {
    current_operation = "find(const char*, size_t)";
    if (in_.ConsumeIntegralInRange(0, 15) == 0) {
      expect(s_.find(static_cast<const char*>(nullptr), some_start()) == -1,
             "find(null) is not -1");
      return;
    }
    const std::string n = needle();
    const size_t start = some_start();
    check_find(s_.find(n.c_str(), start), expected_find(n, start), start);
  }

  void find_string() {
    current_operation = "find(const MxString&, size_t)";
    const size_t start = some_start();
    if (in_.ConsumeBool()) {
      const long want = expected_find(m_.text, start);
      check_find(s_.find(s_, start), want, start);
      return;
    }
    const std::string n = needle();
    MxString other(n.c_str());
    if (in_.ConsumeBool()) other.append('\0'); // length() beyond the text: still the text
    check_find(s_.find(other, start), expected_find(n, start), start);
  }

  void substr() {
    current_operation = "substr(size_t, int)";
    const size_t start = some_start();
    const int n =
        in_.ConsumeBool() ? in_.ConsumeIntegralInRange(-3, 40) : in_.ConsumeIntegral<int>();
    MxString part = s_.substr(start, n);
    const size_t len = m_.length;
    const int first = static_cast<int>(start);
    size_t count = 0;
    if (static_cast<size_t>(static_cast<long>(first)) < len && n != 0) {
      count = n < 0 ? len : std::min(static_cast<size_t>(n), len);
      if (first > 0 && len - static_cast<size_t>(first) < count)
        count = len - static_cast<size_t>(first);
    }
    expect(part.length() == count, "substr() has the wrong length");
    if (count > 0) {
      const char* whole = s_.as_const_c_string();
      const char* got = part.as_const_c_string();
      expect(std::memcmp(got, whole + first, count) == 0, "substr() copied the wrong characters");
      expect(got[count] == '\0', "substr() result is not terminated");
    }
    Model pm;
    pm.length = count;
    if (count > 0 && static_cast<size_t>(first) <= m_.text.size())
      pm.text = before_nul(m_.text.substr(static_cast<size_t>(first), count));
    else if (count > 0)
      pm.text = c_text(part.as_const_c_string()); // behind the first NUL: whatever is there
    check(part, pm);
    if (in_.ConsumeBool()) {
      s_ = std::move(part);
      m_ = pm;
    }
  }

  void format(int& expected) {
    current_operation = "format(int, const char*, ...)";
    const int size = in_.ConsumeBool() ? in_.ConsumeIntegralInRange(-2, 40)
                                       : in_.ConsumeIntegralInRange(-2, 3000);
    const std::string a = before_nul(some_text(48));
    const int i = in_.ConsumeIntegral<int>();
    const int p = in_.ConsumeIntegralInRange(-2, 400);
    const char c1 = in_.ConsumeIntegral<char>();
    const char c2 = in_.ConsumeIntegral<char>();
    const double d = in_.ConsumeFloatingPoint<double>();
    const std::string own = m_.text; // the string's own text, for the aliasing case
    std::string full;
    switch (in_.ConsumeIntegralInRange(0, 8)) {
    case 0:
      full = printed("%s", a.c_str());
      s_.format(size, "%s", a.c_str());
      break;
    case 1:
      full = printed("%d|%s", i, a.c_str());
      s_.format(size, "%d|%s", i, a.c_str());
      break;
    case 2:
      full = printed("%.*s", p, a.c_str());
      s_.format(size, "%.*s", p, a.c_str());
      break;
    case 3:
      full = printed("%*d", p, i);
      s_.format(size, "%*d", p, i);
      break;
    case 4:
      full = printed("%s<%s>", own.c_str(), a.c_str());
      s_.format(size, "%s<%s>", s_.as_const_c_string(), a.c_str());
      break;
    case 5:
      full = printed("%c%c", c1, c2);
      s_.format(size, "%c%c", c1, c2);
      break;
    case 6:
      full = printed("%x-%u", static_cast<unsigned>(i), static_cast<unsigned>(p));
      s_.format(size, "%x-%u", static_cast<unsigned>(i), static_cast<unsigned>(p));
      break;
    case 7:
      full = printed("%g %e", d, d);
      s_.format(size, "%g %e", d, d);
      break;
    default:
      full = printed("100%%");
      s_.format(size, "100%%");
      break;
    }
    if (size < 0) {
      expected = 1; // reported, the string is left alone
      return;
    }
    // The text printed into `size` characters (terminator included), up to
    // its first NUL; not fitting (length not below size - 1) is reported.
    const long long room = static_cast<long long>(size) - 1;
    const size_t kept = room <= 0 ? 0 : std::min(full.size(), static_cast<size_t>(room));
    const std::string text = before_nul(full.substr(0, kept));
    const bool cut = static_cast<long long>(full.size()) > room;
    expected = (cut || static_cast<long long>(text.size()) >= room) ? 1 : 0;
    m_.text = text;
    m_.length = text.size();
  }

  void compare() {
    current_operation = "comparison operators";
    std::string t;
    if (in_.ConsumeBool() && !m_.text.empty())
      t = m_.text.substr(0, in_.ConsumeIntegralInRange<size_t>(0, m_.text.size()));
    else
      t = before_nul(some_text(16));
    if (in_.ConsumeBool()) t = m_.text;
    // std::string orders its characters as unsigned char, as strcmp does.
    const int want = m_.text.compare(t) < 0 ? -1 : (m_.text.compare(t) > 0 ? 1 : 0);
    auto verify = [&](auto&& rhs) {
      expect((s_ == rhs) == (want == 0), "== differs from strcmp");
      expect((s_ != rhs) == (want != 0), "!= differs from strcmp");
      expect((s_ < rhs) == (want < 0), "< differs from strcmp");
      expect((s_ > rhs) == (want > 0), "> differs from strcmp");
      expect((s_ <= rhs) == (want <= 0), "<= differs from strcmp");
      expect((s_ >= rhs) == (want >= 0), ">= differs from strcmp");
    };
    verify(t.c_str());
    MxString other(t.c_str());
    if (in_.ConsumeBool()) other.append('\0'); // equal texts of different lengths are equal
    verify(other);
  }

  void copy_and_move() {
    current_operation = "copy and move";
    MxString copy(s_);
    check(copy, m_);
    MxString assigned("something else");
    assigned = s_;
    check(assigned, m_);
    const MxString& same = assigned;
    assigned = same; // self-assignment changes nothing
    check(assigned, m_);
    MxString moved(std::move(copy));
    check(moved, m_);
    check(copy, Model{}); // a moved-from string is empty
    copy.append(s_);      // and usable
    Model appended;
    append_model(appended, m_.text, m_.length);
    check(copy, appended);
    if (in_.ConsumeBool()) {
      s_ = std::move(moved);
      check(moved, Model{});
    }
  }

  void blank_string() {
    current_operation = "mx_blankstring(int)";
    const int n = in_.ConsumeIntegralInRange(-5, 3000);
    const MxString b = mx_blankstring(n);
    Model want;
    if (n >= 1) want.text.assign(static_cast<size_t>(n), ' ');
    want.length = want.text.size();
    check(b, want);
  }

  void resize_down() {
    current_operation = "resize(size_t, bool) and terminator";
    // resize() keeps the content; the caller sees to the terminator.
    const size_t count = in_.ConsumeIntegralInRange<size_t>(1, m_.length + 1);
    s_.resize(count, in_.ConsumeBool());
    s_[static_cast<int>(count - 1)] = '\0';
    if (m_.text.size() > count - 1) m_.text.resize(count - 1);
    m_.length = count - 1;
  }

  /// The number appenders pass their text through append(const MxString&).
  void append_number_to_derived() {
    current_operation = "number appenders through the virtual table";
    struct Seen : MxString {
      using MxString::append;
      MxString& append(const MxString& s) override {
        pieces.push_back(c_text(s.as_const_c_string()));
        return MxString::append(s);
      }
      std::vector<std::string> pieces;
    } derived;
    const int i = in_.ConsumeIntegral<int>();
    const unsigned u = in_.ConsumeIntegral<unsigned>();
    const double d = in_.ConsumeIntegralInRange(-5000, 5000) / 8.0;
    derived.append(i);
    derived.append(u);
    derived.append(d, 3, in_.ConsumeBool());
    expect(derived.pieces.size() == 3, "a number appender bypassed append(const MxString&)");
    expect(derived.pieces[0] == printed("%d", i) && derived.pieces[1] == printed("%u", u),
           "a number appender passed the wrong text");
  }

  FuzzedDataProvider& in_;
  MxString s_;
  Model m_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  set_fnd_assertion_handler(count_report, true);
  FuzzedDataProvider in(data, size);
  StringRun(in).run();
  return 0;
}
