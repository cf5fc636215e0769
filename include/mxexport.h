// Export control for the MxFoundation shared library.
//
// Every symbol of the library is hidden by default; MX_EXPORT marks the
// classes, functions and variables that form its public interface.
/// \file
#ifndef MXFOUNDATION_MXEXPORT_H
#define MXFOUNDATION_MXEXPORT_H

#if defined(_WIN32)
#if defined(MX_BUILDING_LIBRARY)
#define MX_EXPORT __declspec(dllexport)
#else
#define MX_EXPORT __declspec(dllimport)
#endif
#else
/// Marks a class, function or variable as part of the library's exported interface.
#define MX_EXPORT __attribute__((visibility("default")))
#endif

#endif
