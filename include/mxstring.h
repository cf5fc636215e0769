// MxString: the library's 8-bit, NUL-terminated character string.
/// \file
#ifndef MXFOUNDATION_MXSTRING_H
#define MXFOUNDATION_MXSTRING_H

#include "mxarray.h"
#include "mxexport.h"

#include <cstddef>

/// The library's own character string, used for names, messages, class-name
/// type identifiers and everything written to a journal.
///
/// The characters live in an embedded `MxArray<char>` whose element count is
/// the length plus one (the terminating NUL); all growth and every index check
/// go through that array. Text operations follow C string rules: copying,
/// concatenation and comparison stop at the first NUL, so `length()` (the
/// element count minus one) can exceed the C-string length after a NUL was
/// appended. The string owns its buffer and copies are deep. A moved-from
/// string is a valid empty string.
///
/// A pointer or reference obtained from `as_c_string()` or the non-const
/// `operator[]` may be used to change characters for as long as the buffer
/// stays where it is; every later operation sees those changes as C-string
/// rules say (a NUL written through it ends the text).
///
/// The number appenders build their text and pass it to
/// `append(const MxString&)` through the virtual table, so a derived class
/// that overrides that function sees every appended piece of text.
class MX_EXPORT MxString {
public:
  /// An empty string: one element, NUL.
  MxString();
  /// A copy of the C string `s`; a null `s` gives an empty string.
  MxString(const char* s);
  /// A deep copy of the text of `other` (up to its first NUL); the element
  /// count follows `other.length()`.
  MxString(const MxString& other);
  /// Takes over the buffer of `other`, which is left an empty string.
  MxString(MxString&& other) noexcept;
  /// The decimal text of `value` right-aligned in `width` characters padded
  /// with `fill` (a blank fill puts the sign next to the digits, any other
  /// fill puts it in front of the padding). The text is never cut.
  MxString(int value, int width, char fill);

  virtual ~MxString();

  /// Sets the element count to `count` (terminator position included). The
  /// content is always kept; `keep` has no effect. The caller sees to the
  /// terminator.
  virtual void resize(size_t count, bool keep);
  /// Appends `value` printed with "%.<precision>g" (`general`) or
  /// "%.<precision>f". A negative precision means the printf default (6);
  /// precisions above 1100 are treated as 1100. Long texts are appended whole.
  virtual MxString& append(double value, int precision, bool general);
  /// Appends the "%u" text of `value`.
  virtual MxString& append(unsigned int value);
  /// Appends the "%d" text of `value`.
  virtual MxString& append(int value);
  /// Grows the element count by one and concatenates `c` C-style: appending
  /// NUL leaves the text unchanged but raises `length()` by one.
  virtual MxString& append(const char& c);
  /// Grows the element count by `s.length()` and copies the text of `s`
  /// behind the first NUL of this string. `s` may be this string.
  virtual MxString& append(const MxString& s);

  /// Self-assignment does nothing; otherwise takes the element count
  /// `other.length() + 1` (keeping content) and copies the text of `other`.
  MxString& operator=(const MxString& other);
  /// Takes over the buffer of `other`, which is left an empty string.
  MxString& operator=(MxString&& other) noexcept;
  /// A null `s` leaves the string unchanged; otherwise the string becomes a
  /// copy of `s` (which may point into this string's own buffer).
  MxString& operator=(const char* s);

  /// Element count minus one; 0 when there are no elements.
  size_t length() const { return chars.size() ? chars.size() - 1 : 0; }
  /// True exactly when the only element is the NUL.
  bool null() const { return chars.size() == 1 && chars.data()[0] == '\0'; }

  /// The buffer. An element count of 0 is reported.
  char* as_c_string();
  /// The buffer. An element count of 0 is reported.
  const char* as_const_c_string() const { return &chars[0]; }
  /// Alias of `as_const_c_string()`.
  const char* c_str() const { return as_const_c_string(); }

  /// Character `i` (sign-extended); index `length()` is the terminator. An
  /// index at or past the element count is reported; past the buffer a
  /// scratch character is handed out.
  char& operator[](int i);
  /// Character `i` of a const string, checked in the same way.
  const char& operator[](int i) const { return chars[static_cast<size_t>(i)]; }

  /// Comparisons of the texts byte by byte as unsigned characters, ordered as
  /// strcmp orders them. A null `const char*` is reported and compared as the
  /// empty text.
  bool operator==(const MxString& s) const { return compare(s) == 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `!=`.
  bool operator!=(const MxString& s) const { return compare(s) != 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `<`.
  bool operator<(const MxString& s) const { return compare(s) < 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `>`.
  bool operator>(const MxString& s) const { return compare(s) > 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `<=`.
  bool operator<=(const MxString& s) const { return compare(s) <= 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `>=`.
  bool operator>=(const MxString& s) const { return compare(s) >= 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `==`.
  bool operator==(const char* s) const { return compare(s) == 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `!=`.
  bool operator!=(const char* s) const { return compare(s) != 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `<`.
  bool operator<(const char* s) const { return compare(s) < 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `>`.
  bool operator>(const char* s) const { return compare(s) > 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `<=`.
  bool operator<=(const char* s) const { return compare(s) <= 0; }
  /// Compares the texts up to their first NUL as strcmp orders them: `>=`.
  bool operator>=(const char* s) const { return compare(s) >= 0; }

  /// Makes the string `n` characters long: element count `n + 1`, element `n`
  /// NUL and, with `pad`, the positions from the old length to `n - 1`
  /// blanks. The text is kept. A negative `n` is reported and ignored.
  void set_size(int n, bool pad);

  /// Prints `fmt` and its arguments into the string, which takes the printed
  /// length. `size` is the room allowed, terminator included: a text that
  /// does not fit (length not below `size - 1`) is reported and kept cut to
  /// `size - 1` characters. A negative `size` is reported and ignored.
  /// The arguments may point into this string.
  MxString& format(int size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

  /// Position (from the beginning) of the first occurrence of `s` at or after
  /// `start`, or -1. The empty text is found at 0; a null `s` is never found.
  int find(const char* s, size_t start);
  /// As `find(const char*, size_t)`, for the text of `s`.
  int find(const MxString& s, size_t start);

  /// A new string of at most `n` characters from `start` (`n < 0`: to the
  /// end); empty when `start` is not below `length()` or `n` is 0.
  MxString substr(size_t start, int n);

private:
  /// No known end of text: it is found by scanning.
  static constexpr size_t unknown_end = static_cast<size_t>(-1);

  /// Writes the decimal text of `value`, padded to `width` with `fill`, and
  /// its terminator into `out`, which takes the text length plus one elements.
  void int_to_as(int value, MxArray<char, MxAllocator<char>>& out, int width, char fill);

  /// Position of the first NUL in the buffer (the buffer's capacity when it
  /// holds none). Defined here so that appends inline the cached case.
  size_t text_end() const {
    return text_end_ != unknown_end && !handed_out_ ? text_end_ : scan_text_end();
  }
  size_t scan_text_end() const;
  /// Sets the element count, keeping content; a new buffer forgets the
  /// writable pointers handed out into the old one, and with them the end of
  /// text known from before their writes.
  void set_count(size_t count) {
    const size_t before = chars.capacity();
    chars.resize(count, true);
    if (chars.capacity() == before) return;
    if (handed_out_) text_end_ = unknown_end;
    handed_out_ = false;
  }
  /// Makes the string one NUL element, keeping the buffer when it has one.
  void make_empty();
  /// Copies `n` characters from `s` (not aliasing the buffer) as the whole
  /// text, with element count `count` (at least `n + 1`).
  void assign_text(const char* s, size_t n, size_t count);
  /// Three-way comparison of the texts.
  int compare(const MxString& s) const;
  int compare(const char* s) const;
  int find_text(const char* s, size_t n, size_t start) const;

  MxArray<char, MxAllocator<char>> chars;
  /// Cached position of the first NUL, or `unknown_end`. Kept by every
  /// operation of this class, and trusted only while no writable pointer or
  /// reference into the current buffer has been handed out.
  size_t text_end_ = unknown_end;
  /// A writable pointer or reference into the current buffer is out there.
  bool handed_out_ = false;
};

/// A string of `n` blanks; an empty string for `n < 1`.
MX_EXPORT MxString mx_blankstring(int n);

#endif
