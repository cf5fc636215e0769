// Fuzz target for the history parser of the mxlineage tool: the input is a
// history text, checked for the properties of
// tests/support/history_parser_checks.h.
#include "../tests/support/history_parser_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  history_parser_checks::check_parse(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
