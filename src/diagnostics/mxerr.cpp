// The library's error package: numbers, messages and translation.
#include "mxerr.h"

#include "mxassert.h"

namespace {

// The package's identifier string and the static pointer to it whose address
// identifies the package. The pointer is constant-initialised, so results
// made during static initialisation already carry the right package.
const MxString package_name("MxErr");
const MxString* const package_pointer = &package_name;

// Indexed by number plus one.
const char* const messages[] = {
    "Error condition unknown by this package",
    "No error condition detected",
    "Not enough space",
    "Invalid argument",
    "Uninitialized object(s) found",
    "Invalid object(s) found",
    "Some objects could not be processed",
    "NULL-pointer passed",
    "A service from an other package failed",
    "Result model may be incomplete",
    "Service is not (yet) implemented",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
};
static_assert(sizeof(messages) / sizeof(messages[0]) == 18, "one message for -1 to 16");

bool in_range(int number) {
  return number >= MxErr::UNKNOWN_ERROR && number <= MxErr::LAST_ERROR;
}

} // namespace

const MxString* const* MxErr::package() {
  return &package_pointer;
}

void MxErr::make_result(MxResult::CodeID code, ErrorNumber number, MxResult& result) {
  result.set_error_condition(code, number, package(), translate_error_number);
}

MxErr::ErrorNumber MxErr::error_number(const MxResult& result) {
  MxResult::CodeID code;
  int number;
  const MxString* const* package_read;
  result.get_error_condition(code, number, package_read);
  if (!package_read) return UNKNOWN_ERROR;
  if (!in_range(number)) {
    MX_REPORT("mxerr");
    return UNKNOWN_ERROR;
  }
  if (number == LAST_ERROR && *package_read != package_pointer) {
    MX_REPORT("mxerr");
    return UNKNOWN_ERROR;
  }
  return static_cast<ErrorNumber>(number);
}

const char* MxErr::translate_error_number(const MxString* const& package, int number) {
  if (!in_range(number)) {
    MX_REPORT("mxerr");
    number = UNKNOWN_ERROR;
  }
  if (number == LAST_ERROR && package != package_pointer) {
    MX_REPORT("mxerr");
    number = UNKNOWN_ERROR;
  }
  return messages[number + 1];
}
