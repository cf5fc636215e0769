// The failure channel of the library, and its marker values.
//
// The library never throws. When one of its own precondition or invariant
// checks fails, it calls the process-wide assertion handler (when one is
// installed) with a source tag and a line, then carries on along a safe path.
// With no handler installed the checks cost one pointer test and report
// nothing: the checked condition is not even evaluated.
//
// The source tag names the file that holds the check, without directory or
// extension for sources ("mxstring") and with its folder for template headers
// ("protectedinterfaces/mxarray_i").
/// \file
#ifndef MXFOUNDATION_MXASSERT_H
#define MXFOUNDATION_MXASSERT_H

#include "mxexport.h"

/// Signature of the assertion handler: source tag and line of the failed check.
using MxAssertionHandler = void (*)(const char* file, int line);

/// Signature of the pure-virtual hook: class name and method name.
using MxPureVirtualHandler = void (*)(const char* class_name, const char* method);

/// The installed assertion handler; null (silent) at load.
extern MX_EXPORT MxAssertionHandler fnd_assertion_handler;

/// Hook for client pure-virtual stubs. The default writes
/// "Pure virtual method called: <class>::<method>.\n" to standard error and
/// aborts. The library itself never calls it.
extern MX_EXPORT MxPureVirtualHandler fnd_pure_virtual_called;

/// Exported for clients; the library never reads or writes it.
extern MX_EXPORT int Mx_ASSERT_FALSE;

/// With `enable` true installs `handler` and returns it (the new handler, not
/// the previous one); with `enable` false removes any handler and returns null.
MX_EXPORT MxAssertionHandler set_fnd_assertion_handler(void (*const& handler)(const char*, int),
                                                       bool enable);

/// Calls the installed handler with (file, line); does nothing without one.
/// It carries no condition: call it when your own check has failed.
MX_EXPORT void Mx_assert(const char* file, int line);

/// Recognisable fill values: 42424242 and 42424242242.42424.
MX_EXPORT int Mx_BogusInt();
/// The double fill value, 42424242242.42424.
MX_EXPORT double Mx_BogusDouble();

/// Reports a failed check at the current line, when a handler is installed.
#define MX_REPORT(tag)                                                                             \
  do {                                                                                             \
    if (::fnd_assertion_handler) ::fnd_assertion_handler((tag), __LINE__);                         \
  } while (0)

/// Internal check: when a handler is installed and `cond` is false, reports
/// (tag, line). `cond` is evaluated only when a handler is installed.
#define MX_CHECK(tag, cond)                                                                        \
  do {                                                                                             \
    if (::fnd_assertion_handler && !(cond)) ::fnd_assertion_handler((tag), __LINE__);              \
  } while (0)

#endif
