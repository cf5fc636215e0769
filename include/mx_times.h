// The call-site profiler: `time_start` and `time_end` bracket pieces of code.
//
// Each call site registers itself once through an int that the caller keeps,
// normally a static initialised to -1: a negative index registers the site
// and receives its number (start and end sites are numbered separately, from
// 0, and never unregistered). Measurements nest; each `time_end` closes the
// innermost open measurement, whichever start it came from. The profiler
// counts, per start site and per end site that closed it, the calls and the
// `clock()` ticks spent. When the outermost measurement ends it prints a
// report of every site called since the last report to standard error and
// resets the counts:
//
//   mx_times: start_clocks.size() = <start sites>
//   mx_times:       calls clocks (file : line)
//   mx_times: <name>                                    (per start site called)
//             start <calls> <ticks> (<file> : <line>)
//             end   <calls> <ticks> (<file> : <line>)   (per end site that closed it)
//
// followed by an empty line. The profiler's state is process-wide and
// unsynchronised: use it from one thread.
/// \file
#ifndef MXFOUNDATION_MX_TIMES_H
#define MXFOUNDATION_MX_TIMES_H

#include "mxexport.h"

/// Opens a measurement at start site `index` (registering the site with
/// `name`, `file` and `line` when `index` is negative). An index naming no
/// registered site is reported (tag "mx_times"), announced on standard error
/// and opens nothing.
MX_EXPORT void time_start(int& index, const char* name, const char* file, int line);

/// Closes the innermost open measurement at end site `index` (registering
/// the site with `file` and `line` when `index` is negative) and prints the
/// report when no measurement is left open. With nothing open the call is
/// reported, announced on standard error, counted, and the report follows. An
/// index naming no registered end site is reported, announced on standard
/// error and changes nothing.
MX_EXPORT void time_end(int& index, const char* file, int line);

#endif
