// The journal, its tokens and the debug helpers.
#include "mxjournal.h"

#include "mxassert.h"
#include "mxdynobj.h"
#include "mxiterator.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Buffer sizes: the printed texts are bounded by them (terminator included).
const size_t number_buffer = 24;
const size_t double_buffer = 512;
const size_t object_buffer = 112;
// Decimal places beyond which a double prints only zeros.
const int max_double_digits = 1100;

// Fills a text buffer of `double_buffer` characters, stopping at the cut.
struct TextCursor {
  char* text;
  size_t length;
  void put(char c, size_t count) {
    for (; count > 0 && length < double_buffer - 1; --count) text[length++] = c;
  }
};

// Writes `value` printed with `format`, a conversion matching its type, into
// a buffer of `number_buffer` characters.
template <class T> MxJournal& write_number(MxJournal& journal, const char* format, T value) {
  char text[number_buffer];
  std::snprintf(text, sizeof(text), format, value);
  return journal << text;
}

// Writes `opening`, each value the iterator hands out followed by a blank,
// then ")". The iterator is reset first and left at its end; a null current
// value is reported and skipped.
template <class T>
MxJournal& write_values(MxJournal& journal, const char* opening, MxIterator<T>& it) {
  journal << opening;
  for (it.reset(); !it.done(); it.next()) {
    const T* value = it.current();
    if (!value) {
      MX_REPORT("mxjournal");
      continue;
    }
    journal << *value << " ";
  }
  return journal << ")";
}

} // namespace

MxEndExprToken mxEndExpr;
MxEndSectionToken mxEndSection;

MxJournal::MxJournal() : precision_(6), width_(0), format_() {
  rebuild_format();
}

MxJournal::MxJournal(const MxJournal& other)
    : precision_(other.precision_), width_(other.width_), format_() {
  std::memcpy(format_, other.format_, sizeof(format_));
}

MxJournal& MxJournal::operator=(const MxJournal& other) {
  precision_ = other.precision_;
  width_ = other.width_;
  std::memmove(format_, other.format_, sizeof(format_));
  return *this;
}

MxJournal::~MxJournal() = default;

int MxJournal::precision() {
  return precision_;
}

int MxJournal::width() {
  return width_;
}

void MxJournal::set_precision(int p) {
  if (p < 1) {
    MX_REPORT("mxjournal");
    return;
  }
  precision_ = p;
  rebuild_format();
}

void MxJournal::set_width(int w) {
  if (w < 0) {
    MX_REPORT("mxjournal");
    return;
  }
  width_ = w;
  rebuild_format();
}

void MxJournal::rebuild_format() {
  // `width_ - 2` cannot overflow (the width is never negative), unlike
  // `precision_ + 2` for the largest precisions.
  if (width_ - 2 >= precision_)
    std::snprintf(format_, sizeof(format_), "%c%i.%ilf", '%', width_, precision_);
  else
    std::snprintf(format_, sizeof(format_), "%c.%ilf", '%', precision_);
}

void MxJournal::write_text(const char* text) {
  write(MxString(text));
}

MxJournal& MxJournal::operator<<(const MxString& s) {
  write(s);
  return *this;
}

MxJournal& MxJournal::operator<<(const char* s) {
  write_text(s ? s : "");
  return *this;
}

MxJournal& MxJournal::operator<<(char c) {
  return write_number(*this, "%c", c);
}

MxJournal& MxJournal::operator<<(int v) {
  return write_number(*this, "%d", v);
}

MxJournal& MxJournal::operator<<(unsigned int v) {
  return write_number(*this, "%u", v);
}

MxJournal& MxJournal::operator<<(long v) {
  return *this << static_cast<long long>(v);
}

MxJournal& MxJournal::operator<<(unsigned long v) {
  return *this << static_cast<unsigned long long>(v);
}

MxJournal& MxJournal::operator<<(long long v) {
  return write_number(*this, "%lld", v);
}

MxJournal& MxJournal::operator<<(unsigned long long v) {
  return write_number(*this, "%llu", v);
}

MxJournal& MxJournal::operator<<(const void* p) {
  return write_number(*this, "%p", p);
}

MxJournal& MxJournal::operator<<(double v) {
  // Gives exactly what printing with `format_` gives, cut to the first 511
  // characters, without ever asking the C library for a huge field: the
  // decimals of a double end within 1100 places, so a larger precision only
  // adds zeros, and the padding is added here, only as far as the cut.
  const int digits = precision_ < max_double_digits ? precision_ : max_double_digits;
  char number[max_double_digits + 400];
  if (std::snprintf(number, sizeof(number), "%.*f", digits, v) < 0) number[0] = '\0';
  const size_t number_length = std::strlen(number);
  const size_t zeros = std::isfinite(v) ? static_cast<size_t>(precision_ - digits) : 0;
  const size_t full_length = number_length + zeros;
  const bool padded = width_ - 2 >= precision_ && static_cast<size_t>(width_) > full_length;
  const size_t blanks = padded ? static_cast<size_t>(width_) - full_length : 0;

  char text[double_buffer];
  TextCursor out{text, 0};
  out.put(' ', blanks);
  for (size_t i = 0; i < number_length; ++i) out.put(number[i], 1);
  out.put('0', zeros);
  text[out.length] = '\0';
  write_text(text);
  return *this;
}

MxJournal& MxJournal::operator<<(const MxDynObj& o) {
  char text[object_buffer];
  std::snprintf(text, sizeof(text), "MxObject : %s, identity : %d\n", o.classname(), o.identity());
  write_text(text);
  return *this;
}

MxJournal& MxJournal::operator<<(MxIterator<int>& it) {
  return write_values(*this, "MxIntIterator( ", it);
}

MxJournal& MxJournal::operator<<(MxIterator<double>& it) {
  return write_values(*this, "MxDoubleIterator( ", it);
}

MxJournal& MxJournal::operator<<(MxToken& t) {
  t.append_to_journal(*this);
  return *this;
}

MxToken::~MxToken() = default;

MxEndExprToken::~MxEndExprToken() = default;

void MxEndExprToken::append_to_journal(MxJournal& journal) {
  journal.write(MxString("\n"));
  journal.flush();
}

MxEndSectionToken::~MxEndSectionToken() = default;

void MxEndSectionToken::append_to_journal(MxJournal& journal) {
  journal.write(MxString("\n\n"));
  journal.flush();
}

void Mx_DebugIndentation(MxJournal& journal, int n) {
  for (int i = 0; i < n; ++i) journal << " ";
}

int Mx_DebugIndentStep() {
  return 3;
}
