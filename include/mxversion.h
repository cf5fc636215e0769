// The library's version: the numbers this header was shipped with, and a
// function that tells which version the loaded library was built as.
/// \file
#ifndef MXFOUNDATION_MXVERSION_H
#define MXFOUNDATION_MXVERSION_H

#include "mxexport.h"

/// Major version: raised for changes that break clients; the shared
/// library's SONAME and the CMake package's compatibility follow it.
#define MX_VERSION_MAJOR 0
/// Minor version: raised for additions that keep existing clients working.
#define MX_VERSION_MINOR 1
/// Patch version: raised for fixes only.
#define MX_VERSION_PATCH 0

/// The version of these headers as one number, major * 10000 + minor * 100
/// + patch, comparable with mx_version().
#define MX_VERSION (MX_VERSION_MAJOR * 10000 + MX_VERSION_MINOR * 100 + MX_VERSION_PATCH)

/// The version the library was built as, encoded like MX_VERSION. A program
/// that finds `mx_version() / 10000 != MX_VERSION_MAJOR` runs against a
/// library its headers do not describe.
MX_EXPORT int mx_version();

/// The version the library was built as, as text "major.minor.patch".
MX_EXPORT const char* mx_version_string();

#endif
