// The journal: the text stream every dump and printing operator writes to,
// its tokens, and the conventions of the `debug` operations.
/// \file
#ifndef MXFOUNDATION_MXJOURNAL_H
#define MXFOUNDATION_MXJOURNAL_H

#include "mxexport.h"
#include "mxstring.h"

#include <cstddef>

class MxDynObj;
class MxToken;
template <class T> class MxIterator;

/// Abstract text sink. Each streaming operator turns its operand into a new
/// MxString (printed into a small fixed buffer, so a value's text is bounded)
/// and hands it to `write`; the client's subclass decides where text goes
/// and what `flush` means. The journal itself only keeps the precision and
/// width used for `double`s, and the print format built from them.
///
/// Text limits: a `double` prints at most 511 characters, an integer,
/// character or pointer at most 23, an MxDynObj line at most 111; longer
/// texts are cut.
class MX_EXPORT MxJournal {
public:
  MxJournal();
  virtual ~MxJournal();

  /// Called by the end tokens after their text.
  virtual void flush() = 0;
  /// Digits after the decimal point of `double` output (6 at first).
  virtual int precision();
  /// Minimum field width of `double` output (0 at first).
  virtual int width();
  /// A precision below 1 is reported (tag "mxjournal") and ignored;
  /// otherwise the format is rebuilt.
  virtual void set_precision(int p);
  /// A width below 0 is reported (tag "mxjournal") and ignored; otherwise
  /// the format is rebuilt. A width below precision + 2 is kept but has no
  /// effect on the format.
  virtual void set_width(int w);
  /// Receives every piece of text.
  virtual void write(const MxString& text) = 0;

  /// The print format of `double`s: "%<width>.<precision>lf" when the width
  /// is at least precision + 2, "%.<precision>lf" otherwise.
  const char* format() const { return format_; }

  /// Writes the text of `s`.
  MxJournal& operator<<(const MxString& s);
  /// A null pointer writes an empty string.
  MxJournal& operator<<(const char* s);
  ///@{
  /// Writes the character, or the decimal text of the number.
  MxJournal& operator<<(char c);
  MxJournal& operator<<(int v);
  MxJournal& operator<<(unsigned int v);
  ///@}
  /// The full decimal text of 64-bit (and `long`) integers; `ptrdiff_t` and
  /// `size_t` are among these types.
  MxJournal& operator<<(long v);
  ///@{
  /// Writes the decimal text of the number.
  MxJournal& operator<<(unsigned long v);
  MxJournal& operator<<(long long v);
  MxJournal& operator<<(unsigned long long v);
  ///@}
  /// "%p".
  MxJournal& operator<<(const void* p);
  /// Printed with `format()`.
  MxJournal& operator<<(double v);
  /// "MxObject : <class name>, identity : <identity>\n" (the same words for
  /// every class).
  MxJournal& operator<<(const MxDynObj& o);
  /// "MxIntIterator( ", then each element with "%d" followed by a blank,
  /// then ")"; the iterator is reset first and left at its end. An element
  /// the iterator cannot hand out (null `current()`) is reported (tag
  /// "mxjournal") and skipped.
  MxJournal& operator<<(MxIterator<int>& it);
  /// As for `int`, with "MxDoubleIterator( " and `format()`.
  MxJournal& operator<<(MxIterator<double>& it);
  /// Lets the token act on the journal (`append_to_journal`).
  MxJournal& operator<<(MxToken& t);

protected:
  /// Copy constructor.
  MxJournal(const MxJournal& other);
  /// Copy assignment.
  MxJournal& operator=(const MxJournal& other);

private:
  /// Writes the C text `text` (already bounded) as a new MxString.
  void write_text(const char* text);
  void rebuild_format();

  int precision_;
  int width_;
  char format_[64];
};

/// An object that acts on a journal when streamed into it.
class MX_EXPORT MxToken {
public:
  constexpr MxToken() noexcept {}
  virtual ~MxToken();
  /// Does the token's work on `journal`: ends the current expression or section.
  virtual void append_to_journal(MxJournal& journal) = 0;

protected:
  /// Copy constructor.
  constexpr MxToken(const MxToken&) noexcept {}
  /// Copy assignment.
  MxToken& operator=(const MxToken&) { return *this; }
};

/// Ends an expression (a dump line): writes "\n", then flushes.
class MX_EXPORT MxEndExprToken : public MxToken {
public:
  constexpr MxEndExprToken() noexcept {}
  ~MxEndExprToken() override;
  void append_to_journal(MxJournal& journal) override;

private:
  MxEndExprToken(const MxEndExprToken&) = delete;
  MxEndExprToken& operator=(const MxEndExprToken&) = delete;
};

/// Ends a section: writes "\n\n", then flushes.
class MX_EXPORT MxEndSectionToken : public MxToken {
public:
  constexpr MxEndSectionToken() noexcept {}
  ~MxEndSectionToken() override;
  void append_to_journal(MxJournal& journal) override;

private:
  MxEndSectionToken(const MxEndSectionToken&) = delete;
  MxEndSectionToken& operator=(const MxEndSectionToken&) = delete;
};

/// The global tokens. They have no state and are constant-initialised, so
/// they may be used from any static initialiser.
extern MX_EXPORT MxEndExprToken mxEndExpr;
/// The token that ends a section.
extern MX_EXPORT MxEndSectionToken mxEndSection;

/// Level of a `debug` dump, compared numerically.
enum MxDebug {
  MxDebugNone = 0,    ///< nothing is written
  MxDebugSummary = 1, ///< a short summary, where a class has one
  MxDebugNormal = 2,  ///< the normal dump
  MxDebugFull = 3     ///< everything, contained objects at this level too
};

/// Writes `n` blanks to `journal`, one single-blank string at a time;
/// nothing for `n <= 0`. Dump lines are: indentation, text, `mxEndExpr`.
MX_EXPORT void Mx_DebugIndentation(MxJournal& journal, int n);

/// The indentation step of nested dump content: 3 blanks.
MX_EXPORT int Mx_DebugIndentStep();

#endif
