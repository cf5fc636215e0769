// MxString: text kept in an MxArray<char> with C string semantics.
#include "mxstring.h"

#include "mxassert.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Number texts up to this length are printed on the stack; longer ones are
// measured and printed whole into a buffer of their size.
constexpr size_t number_room = 32;

// Precisions beyond this add nothing but trailing zeros to a double's text.
constexpr int max_precision = 1100;

// Length of the C string at `p`, looking at no more than `room` characters.
size_t bounded_length(const char* p, size_t room) {
  const void* nul = room ? std::memchr(p, '\0', room) : nullptr;
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : room;
}

// strcmp order of two texts given with their lengths.
int compare_texts(const char* a, size_t na, const char* b, size_t nb) {
  const int c = std::memcmp(a, b, std::min(na, nb));
  if (c != 0) return c;
  return na < nb ? -1 : (na > nb ? 1 : 0);
}

} // namespace

MxString::MxString() {
  chars.resize(1, true);
  text_end_ = 0;
}

// The constructors size the empty array straight to the text: the growth
// policy reaches the same capacity from 0 as from the empty string's 1.
MxString::MxString(const char* s) {
  if (!s) {
    make_empty();
    return;
  }
  const size_t n = std::strlen(s);
  assign_text(s, n, n + 1);
}

MxString::MxString(const MxString& other) {
  const size_t n = other.text_end();
  assign_text(other.chars.data(), n, std::max(other.length(), n) + 1);
}

MxString::MxString(MxString&& other) noexcept
    : chars(std::move(other.chars)), text_end_(other.text_end_), handed_out_(other.handed_out_) {
  other.make_empty();
}

MxString::MxString(int value, int width, char fill) {
  int_to_as(value, chars, width, fill);
  text_end_ = unknown_end;
}

MxString::~MxString() = default;

size_t MxString::scan_text_end() const {
  return bounded_length(chars.data(), chars.capacity());
}

void MxString::make_empty() {
  set_count(1);
  chars.data()[0] = '\0';
  text_end_ = 0;
}

void MxString::assign_text(const char* s, size_t n, size_t count) {
  set_count(count);
  char* d = chars.data();
  if (n) std::memcpy(d, s, n);
  d[n] = '\0';
  text_end_ = n;
}

void MxString::resize(size_t count, bool) {
  const size_t kept = std::min(count, chars.size());
  set_count(count);
  // Shrinking only adds NULs behind the kept part and growth keeps it, so a
  // known end inside the kept part stays right.
  if (text_end_ != unknown_end && text_end_ >= kept) text_end_ = unknown_end;
}

MxString& MxString::operator=(const MxString& other) {
  if (this == &other) return *this;
  const size_t n = other.text_end();
  assign_text(other.chars.data(), n, std::max(other.length(), n) + 1);
  return *this;
}

MxString& MxString::operator=(MxString&& other) noexcept {
  if (this == &other) return *this;
  chars = std::move(other.chars);
  text_end_ = other.text_end_;
  handed_out_ = other.handed_out_;
  other.make_empty();
  return *this;
}

MxString& MxString::operator=(const char* s) {
  if (!s) return *this;
  const auto begin = reinterpret_cast<std::uintptr_t>(chars.data());
  const auto at = reinterpret_cast<std::uintptr_t>(s);
  if (at >= begin && at - begin < chars.capacity()) {
    // `s` lies in this buffer, which the copy may reallocate: copy it out first.
    const size_t n = bounded_length(s, chars.capacity() - (at - begin));
    const std::vector<char> copy(s, s + n);
    assign_text(copy.data(), n, n + 1);
    return *this;
  }
  const size_t n = std::strlen(s);
  assign_text(s, n, n + 1);
  return *this;
}

char* MxString::as_c_string() {
  handed_out_ = true;
  return &chars[0];
}

char& MxString::operator[](int i) {
  handed_out_ = true;
  return chars[static_cast<size_t>(i)];
}

MxString& MxString::append(const MxString& s) {
  const size_t added = s.length();
  const size_t piece = s.text_end();
  const size_t here = text_end();
  const size_t count = std::max(chars.size() + added, here + piece + 1);
  set_count(count);
  // Read `s` only now: when it is this string its buffer may have moved.
  char* d = chars.data();
  std::memmove(d + here, s.chars.data(), piece);
  d[here + piece] = '\0';
  text_end_ = here + piece;
  return *this;
}

MxString& MxString::append(const char& c) {
  const char ch = c; // `c` may be a character of this buffer
  const size_t here = text_end();
  const size_t count = std::max(chars.size() + 1, here + (ch ? 2 : 1));
  set_count(count);
  char* d = chars.data();
  d[here] = ch;
  if (ch) {
    d[here + 1] = '\0';
    text_end_ = here + 1;
  } else {
    text_end_ = here;
  }
  return *this;
}

MxString& MxString::append(int value) {
  char text[number_room];
  std::snprintf(text, sizeof text, "%d", value);
  return append(MxString(text));
}

MxString& MxString::append(unsigned int value) {
  char text[number_room];
  std::snprintf(text, sizeof text, "%u", value);
  return append(MxString(text));
}

MxString& MxString::append(double value, int precision, bool general) {
  precision = std::min(precision, max_precision);
  const char* fmt = general ? "%.*g" : "%.*f";
  char text[number_room];
  const int n = std::snprintf(text, sizeof text, fmt, precision, value);
  if (n < 0) return *this;
  if (static_cast<size_t>(n) < sizeof text) return append(MxString(text));
  std::vector<char> whole(static_cast<size_t>(n) + 1);
  std::snprintf(whole.data(), whole.size(), fmt, precision, value);
  return append(MxString(whole.data()));
}

void MxString::set_size(int n, bool pad) {
  if (n < 0) {
    MX_REPORT("mxstring");
    return;
  }
  const size_t want = static_cast<size_t>(n);
  const size_t old = length();
  resize(want + 1, pad);
  char* d = chars.data();
  d[want] = '\0';
  if (pad && old < want) std::memset(d + old, ' ', want - old);
  text_end_ = unknown_end;
}

MxString& MxString::format(int size, const char* fmt, ...) {
  if (size < 0 || !fmt) {
    MX_REPORT("mxstring");
    return *this;
  }
  const size_t room = static_cast<size_t>(size);
  // Print into a separate buffer first: the arguments may point into this
  // string, whose buffer the resize below may move.
  char small[256];
  std::vector<char> large;
  char* text = small;
  size_t text_room = std::min(room, sizeof small);
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  int printed = std::vsnprintf(text, text_room, fmt, args);
  if (printed >= 0 && static_cast<size_t>(printed) >= text_room && room > text_room) {
    text_room = std::min(room, static_cast<size_t>(printed) + 1);
    large.resize(text_room);
    text = large.data();
    printed = std::vsnprintf(text, text_room, fmt, again);
  }
  va_end(again);
  va_end(args);

  size_t n = 0;
  bool cut = printed < 0;
  if (printed >= 0 && text_room > 0) {
    n = bounded_length(text, std::min(static_cast<size_t>(printed), text_room - 1));
    cut = static_cast<size_t>(printed) > text_room - 1;
  } else if (printed > 0) {
    cut = true;
  }
  if (cut || static_cast<long long>(n) >= static_cast<long long>(size) - 1) MX_REPORT("mxstring");

  set_count(std::max(room, n + 1));
  char* d = chars.data();
  std::memcpy(d, text, n);
  d[n] = '\0';
  set_count(n + 1);
  text_end_ = n;
  return *this;
}

int MxString::find_text(const char* s, size_t n, size_t start) const {
  if (n == 0) return 0;
  if (chars.size() == 0) return -1;
  const size_t from = static_cast<size_t>(static_cast<int>(start));
  if (chars.size() == 1 || from >= length()) return -1;
  const char* tail = chars.data() + from;
  const size_t tail_length = bounded_length(tail, chars.capacity() - from);
  // Quick rejection: every character of `s` must occur in the tail.
  bool present[UCHAR_MAX + 1] = {};
  for (size_t i = 0; i < tail_length; ++i) present[static_cast<unsigned char>(tail[i])] = true;
  for (size_t i = 0; i < n; ++i)
    if (!present[static_cast<unsigned char>(s[i])]) return -1;
  const size_t at = std::string_view(tail, tail_length).find(std::string_view(s, n));
  if (at == std::string_view::npos) return -1;
  return static_cast<int>(from + at);
}

int MxString::find(const char* s, size_t start) {
  if (!s) return -1;
  return find_text(s, std::strlen(s), start);
}

int MxString::find(const MxString& s, size_t start) {
  const char* text = &s.chars[0];
  const size_t n = s.chars.capacity() ? s.text_end() : 0;
  return find_text(text, n, start);
}

MxString MxString::substr(size_t start, int n) {
  MxString result;
  const size_t len = length();
  const int first = static_cast<int>(start);
  if (static_cast<size_t>(first) >= len || n == 0) return result;
  size_t count = n < 0 ? len : std::min(static_cast<size_t>(n), len);
  if (first > 0 && len - static_cast<size_t>(first) < count)
    count = len - static_cast<size_t>(first);
  if (count < 1) return result;
  result.chars.resize(count + 1, false);
  char* d = result.chars.data();
  d[count] = '\0';
  std::memcpy(d, chars.data() + first, count);
  result.text_end_ = unknown_end;
  return result;
}

int MxString::compare(const MxString& s) const {
  const char* a = &chars[0];
  const char* b = &s.chars[0];
  const size_t na = chars.capacity() ? text_end() : 0;
  const size_t nb = s.chars.capacity() ? s.text_end() : 0;
  return compare_texts(a, na, b, nb);
}

int MxString::compare(const char* s) const {
  if (!s) {
    MX_REPORT("mxstring");
    s = "";
  }
  const char* a = &chars[0];
  const size_t na = chars.capacity() ? text_end() : 0;
  return compare_texts(a, na, s, std::strlen(s));
}

void MxString::int_to_as(int value, MxArray<char, MxAllocator<char>>& out, int width, char fill) {
  const size_t field = width > 0 ? static_cast<size_t>(width) : 0;
  if (value == 0) {
    const size_t w = std::max<size_t>(field, 1);
    out.resize(w + 1, false);
    char* d = out.data();
    std::memset(d, fill, w - 1);
    d[w - 1] = '0';
    d[w] = '\0';
    return;
  }
  // Digits, least significant first; the magnitude is taken unsigned so the
  // most negative int needs no special case.
  char digits[16];
  size_t ndigits = 0;
  const bool negative = value < 0;
  unsigned int magnitude =
      negative ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
  while (magnitude) {
    digits[ndigits++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  const size_t body = ndigits + (negative ? 1 : 0);
  const size_t total = std::max(field, body);
  out.resize(total + 1, false);
  char* d = out.data();
  size_t pos = 0;
  if (fill == ' ') {
    std::memset(d, ' ', total - body);
    pos = total - body;
    if (negative) d[pos++] = '-';
  } else {
    if (negative) d[pos++] = '-';
    std::memset(d + pos, fill, total - body);
    pos += total - body;
  }
  while (ndigits) d[pos++] = digits[--ndigits];
  d[pos] = '\0';
}

MxString mx_blankstring(int n) {
  MxString blanks;
  if (n >= 1) blanks.set_size(n, true);
  return blanks;
}
