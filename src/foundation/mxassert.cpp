// The process-wide assertion handler, the pure-virtual hook and the marker values.
#include "mxassert.h"

#include <cstdio>
#include <cstdlib>

namespace {

void default_pure_virtual_called(const char* class_name, const char* method) {
  std::fprintf(stderr, "Pure virtual method called: %s::%s.\n", class_name, method);
  std::abort();
}

const int bogus_int = 42424242;
const double bogus_double = 42424242242.42424;

} // namespace

MxAssertionHandler fnd_assertion_handler = nullptr;
MxPureVirtualHandler fnd_pure_virtual_called = default_pure_virtual_called;
int Mx_ASSERT_FALSE = 0;

MxAssertionHandler set_fnd_assertion_handler(void (*const& handler)(const char*, int),
                                             bool enable) {
  fnd_assertion_handler = enable ? handler : nullptr;
  return fnd_assertion_handler;
}

void Mx_assert(const char* file, int line) {
  if (fnd_assertion_handler) fnd_assertion_handler(file, line);
}

int Mx_BogusInt() {
  return bogus_int;
}

double Mx_BogusDouble() {
  return bogus_double;
}
