// Fuzz target for MxString: the input drives a string next to the model of
// its elements (StringModel in tests/support/container_models.h), which
// compares the two and the assertion reports after every operation. A
// disagreement aborts with its description, as does every sanitizer finding.
#include "support/container_models.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string error = models::run_model<models::StringModel>(data, size);
  if (!error.empty()) {
    std::fprintf(stderr, "fuzz_string: %s\n", error.c_str());
    std::abort();
  }
  return 0;
}
