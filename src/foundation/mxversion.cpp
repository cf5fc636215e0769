// The version numbers compiled into the library.
#include "mxversion.h"

#define MX_STRINGIFY_(x) #x
#define MX_STRINGIFY(x) MX_STRINGIFY_(x)

int mx_version() {
  return MX_VERSION;
}

const char* mx_version_string() {
  return MX_STRINGIFY(MX_VERSION_MAJOR) "." MX_STRINGIFY(MX_VERSION_MINOR) "." MX_STRINGIFY(
      MX_VERSION_PATCH);
}
