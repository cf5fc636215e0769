// Fuzz target for the containers: the first byte chooses a container, the
// rest drives it next to its reference model (tests/support/container_models.h),
// which compares the two after every operation. A disagreement aborts with
// its description, as does every sanitizer finding.
#include "support/container_models.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace models;
  using Run = std::string (*)(const uint8_t*, size_t);
  static const Run runs[] = {run_model<TreeModel>,
                             run_model<MapModel>,
                             run_model<HashModel>,
                             run_model<HeapModel>,
                             run_model<ListModel>,
                             run_model<LinkModel>,
                             run_model<ArrayModel<int>>,
                             run_model<ArrayModel<int, CopyingAllocator<int>>>,
                             run_model<ArrayModel<std::string>>};
  if (size == 0) return 0;
  const size_t family = data[0] % std::size(runs);
  const std::string error = runs[family](data + 1, size - 1);
  if (!error.empty()) {
    std::fprintf(stderr, "fuzz_containers: model %zu: %s\n", family, error.c_str());
    std::abort();
  }
  return 0;
}
