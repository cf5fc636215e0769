// Fuzz target for the object model: the input spells a session of objects
// made, copied, assigned, notified and destroyed, with client attributes and
// reactors added, detached and held, which runs next to a reference model of
// the lists and reference counts (ObjectSession, tests/support/clients.h).
// The run aborts on any disagreement with the model (who is told what, in
// which order, who ends when, counts, finds, identities, reports) and on any
// sanitizer report; LeakSanitizer checks that nothing outlives the session.
#include "support/clients.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string failure = ObjectSession().run(ByteSource{data, size});
  if (!failure.empty()) {
    std::fprintf(stderr, "fuzz_object: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
