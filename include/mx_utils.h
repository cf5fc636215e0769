// Small numeric helpers: binomial coefficients, congruence of values into
// one period of a periodic parameter range, and a tiny exported constant.
/// \file
#ifndef MXFOUNDATION_MX_UTILS_H
#define MXFOUNDATION_MX_UTILS_H

#include "mxexport.h"

#include <cstddef>

/// Which end of the period a value landing exactly on a period boundary
/// takes in the double form of mx_congruence_info. Any other value leaves a
/// boundary value where the shifting put it.
enum MxEvalLimit : int {
  EVAL_LIMIT_UPPER = 0, ///< the upper end, base + period
  EVAL_LIMIT_LOWER = 1  ///< the lower end, base
};

/// C(n, k) for 0 <= k <= n, else 0.0. Rows up to 33 come from a process-wide
/// Pascal triangle of ints that is built on demand and only grows (not
/// thread-safe). Larger rows are computed directly: exact while the value
/// fits in 53 bits, correctly rounded up to 2^64, and accurate to a few
/// units in the last place beyond (infinity once it exceeds the double range).
MX_EXPORT double mx_binomial_coeff(int n, int k);

/// Number of int cells the binomial cache holds (0 before its first use).
/// Row r occupies cells (r + 1)(r + 2) / 2 ... and the size is always
/// (m + 2)(m + 3) / 2 for the highest row m built so far.
MX_EXPORT size_t mx_binomial_cache_size();

/// Integer congruence: r and k with x = r + k * period and, for x >= base,
/// base <= r < base + period; for x < base, base < r <= base + period.
/// A period <= 0 is reported and gives r = x, k = 0. A k (or r) that does
/// not fit an int is reported; k then saturates (r is moved one period down,
/// keeping x = r + k * period, when only r would overflow).
MX_EXPORT void mx_congruence_info(int x, int period, int base, int& r, int& k);

/// Double congruence: r = x + k * period shifted by whole periods into
/// [base, base + period]; a value landing on a boundary takes the end chosen
/// by `limit`. Values up to 2^20 periods away are shifted one period at a
/// time, so rounding accumulates as in a loop of additions; farther values,
/// and values where adding a period no longer changes them, are shifted by
/// the whole number of periods at once. A period
/// that is not positive and finite, a non-finite x or base are reported and
/// give r = x, k = 0; a k outside the int range is reported and saturates.
MX_EXPORT void mx_congruence_info(double x, double period, double base, double& r, int& k,
                                  MxEvalLimit limit);

/// Always 1e-20; exported unmangled.
extern "C" MX_EXPORT double mxtfp0_();

#endif
