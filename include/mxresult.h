// MxResult: the outcome of an operation.
/// \file
#ifndef MXFOUNDATION_MXRESULT_H
#define MXFOUNDATION_MXRESULT_H

#include "mxexport.h"
#include "mxstring.h"

#include <cstdint>

/// The outcome of an operation: a severity code, an optional message and an
/// optional error condition. An error condition is an error number together
/// with the package that defined it (identified by where the package keeps
/// its identifier string) and the package's translator from numbers to
/// texts, so the message can be built lazily, by the right package, on the
/// first `message()` call. A result is a value: it owns its message string,
/// and copies copy it.
class MX_EXPORT MxResult {
public:
  /// The severity of a result.
  enum CodeID : std::int32_t { OK = 0, WARNING = 1, FAILED = 2 };

  /// Turns an error number of `package` into a text; null when it knows none.
  using Translator = const char* (*)(const MxString* const& package, int number);

  /// Code OK, no message, error number -1, no package, no translator.
  MxResult();
  /// The given code and a copy of `message`; no error condition.
  MxResult(CodeID code, const MxString& message);
  /// Copy constructor.
  MxResult(const MxResult& other);
  /// The message follows `other` (a message not yet built by `other` is
  /// built here later from the same condition); everything else is copied.
  MxResult& operator=(const MxResult& other);
  virtual ~MxResult();

  /// The severity code.
  CodeID code();
  /// Code is OK (`ok` and `normal` are the same test).
  bool ok();
  /// Code is OK (the same test as `ok`).
  bool normal();
  /// Code is WARNING.
  bool warning();
  /// Code is FAILED.
  bool failed();
  /// Sets the severity code.
  void set_code(CodeID code);
  /// Creates the message or replaces its text.
  void set_message(const MxString& text);
  /// Sets code, number, package and translator, and drops the message so that
  /// the next `message()` is built from the new condition.
  void set_error_condition(CodeID code, int number, const MxString* const* package,
                           Translator translator);
  /// Code, number and package of the result. The package pointer is handed
  /// out without `const` for the callers' convenience: never write through it.
  void get_error_condition(CodeID& code, int& number, const MxString**& package) const;
  /// The same, for a caller that keeps the package pointer read-only.
  void get_error_condition(CodeID& code, int& number, const MxString* const*& package) const;

  /// The message. Without one, when a package and a translator are set, the
  /// translator's text for the error number becomes the message (a null text
  /// is reported, tag "mxresult", and replaced by "... package does not
  /// remember the error number ..."). Without message and condition: "".
  const MxString& message() const;

private:
  CodeID code_;
  mutable MxString* message_;
  int error_number_;
  const MxString* const* package_;
  Translator translator_;
};

/// The result's error number as stored, whatever its package (-1 when none
/// was set).
MX_EXPORT int mx_error_number(const MxResult& result);

#endif
