// MxErr: this library's package of error numbers and messages.
/// \file
#ifndef MXFOUNDATION_MXERR_H
#define MXFOUNDATION_MXERR_H

#include "mxexport.h"
#include "mxresult.h"
#include "mxstring.h"

/// The library's own error package: its numbers, their messages and the
/// translator that turns them into text, plus helpers to fill and read
/// results. The package is identified by `package()`, the address of a
/// static pointer to its identifier string "MxErr".
///
/// Numbers from -1 to 15 are valid with any package; 16 (LAST_ERROR) only
/// with this one. Out-of-range numbers and foreign uses of 16 are reported
/// (tag "mxerr") and read as UNKNOWN_ERROR (-1).
class MX_EXPORT MxErr {
public:
  /// The error numbers of the library's own package.
  enum ErrorNumber {
    UNKNOWN_ERROR = -1,
    NO_ERROR = 0,
    NOT_ENOUGH_SPACE = 1,
    INVALID_ARGUMENT = 2,
    UNINITIALIZED_OBJECT = 3,
    INVALID_OBJECT = 4,
    NOT_ALL_PROCESSED = 5,
    NULL_POINTER = 6,
    OTHER_PACKAGE_FAILED = 7,
    RESULT_INCOMPLETE = 8,
    NOT_IMPLEMENTED = 9,
    LAST_ERROR = 16
  };

  MxErr() = default;
  /// Copy constructor.
  MxErr(const MxErr&) = default;
  /// Does nothing: the package has no data.
  MxErr& operator=(const MxErr&) { return *this; }

  /// Gives `result` the error condition (`code`, `number`, this package,
  /// `translate_error_number`); its message is then built on request.
  static void make_result(MxResult::CodeID code, ErrorNumber number, MxResult& result);
  /// The result's error number as this package reads it: -1 without a
  /// package; numbers from -1 to 15 as they are, whatever the package; 16
  /// only from this package; anything else is reported and read as -1.
  static ErrorNumber error_number(const MxResult& result);
  /// The message of `number`: the table entry for -1 to 15, and for 16 when
  /// `package` is this package's identifier string; otherwise reported and
  /// the text of -1.
  static const char* translate_error_number(const MxString* const& package, int number);
  /// This package's identifier, as results carry it.
  static const MxString* const* package();
};

#endif
