// Pieces shared by the parameter-space points and vectors (MxUVPar, MxUVVec,
// MxUVWPar, MxUVWVec, MxTrianglePar, MxTriangleVec), each of which stores its
// coordinates as a plain array of N contiguous doubles.
//
// Internal to the library: this header lives in src/ and is not installed.
// Every helper that reports takes the caller's source tag, so a report keeps
// naming the class's own file ("mxuvpar", "mxtrianglevec", ...).
#ifndef MXFOUNDATION_SRC_MXCOORDINATES_H
#define MXFOUNDATION_SRC_MXCOORDINATES_H

#include "mxassert.h"
#include "mxjournal.h"

namespace mx_detail {

/// `i` itself when it is a valid index below `n`; otherwise reported under
/// `tag` and clamped to the nearest valid index, 0 or n - 1.
inline int checked_coordinate_index(const char* tag, int i, int n) {
  if (i < 0) {
    MX_REPORT(tag);
    return 0;
  }
  if (i >= n) {
    MX_REPORT(tag);
    return n - 1;
  }
  return i;
}

/// Checked access to coordinate `i` of `c` (see checked_coordinate_index).
template <int N> double coordinate(const char* tag, const double (&c)[N], int i) {
  return c[checked_coordinate_index(tag, i, N)];
}
template <int N> double& coordinate(const char* tag, double (&c)[N], int i) {
  return c[checked_coordinate_index(tag, i, N)];
}

/// True when the array `p` a constructor should read is null, which is
/// reported under `tag`; the object then keeps its default value.
inline bool null_array_reported(const char* tag, const double* p) {
  if (p) return false;
  MX_REPORT(tag);
  return true;
}

/// Copies p[0] to p[N - 1] into `c`; a null `p` is reported under `tag` and
/// leaves `c` as it is.
template <int N> void copy_coordinates(const char* tag, const double* p, double (&c)[N]) {
  if (null_array_reported(tag, p)) return;
  for (int k = 0; k < N; ++k) c[k] = p[k];
}

/// Divides every coordinate by `length`; a vector that `is_zero` is reported
/// under `tag` and left unchanged instead.
template <int N>
void normalize_coordinates(const char* tag, double (&c)[N], bool is_zero, double length) {
  if (is_zero) {
    MX_REPORT(tag);
    return;
  }
  for (int k = 0; k < N; ++k) c[k] /= length;
}

/// The start of every `debug` line of these classes: false (nothing written)
/// below MxDebugNormal, otherwise the indentation is written.
inline bool begin_debug_line(MxJournal& journal, MxDebug level, int indent) {
  if (level <= MxDebugSummary) return false;
  Mx_DebugIndentation(journal, indent);
  return true;
}

/// Writes `open`, c[0] to c[n - 1] separated by ", ", then `close`, each
/// as a piece of its own; returns `journal`.
inline MxJournal& write_coordinates(MxJournal& journal, const char* open, const double* c, int n,
                                    const char* close) {
  journal << open << c[0];
  for (int k = 1; k < n; ++k) journal << ", " << c[k];
  return journal << close;
}

} // namespace mx_detail

#endif
