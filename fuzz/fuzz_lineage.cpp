// Fuzz target for the lineage graph (MxObjDependency): the model-based run of
// tests/support/lineage_model.h, driven by the input. Its first byte chooses
// raw or history recordings; the rest drives one operation after another.
// The run aborts on any sanitizer report and on any disagreement with the
// model, naming the operation and the last assertion report.
#include "../tests/support/lineage_model.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lineage_model::pool();
  FuzzedDataProvider in(data, size);
  lineage_model::LineageRun<FuzzedDataProvider>(in, 48).run();
  return 0;
}
