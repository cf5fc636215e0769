// Binomial coefficients, congruence helpers, mxtfp0_ and the Mx_debug_
// printers of double arrays.
#include "mx_utils.h"

#include "mxarray.h"
#include "mxarraydebug.h"
#include "mxassert.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <mutex>

namespace {

// ---------------------------------------------------------------------------
// Binomial coefficients

// Highest row of Pascal's triangle whose entries all fit a 32-bit int:
// C(33, 16) = 1166803110, while C(34, 17) = 2333606220 does not.
const int last_cached_row = 33;

// First cell of row r (r >= -1) in the cache: (r + 1)(r + 2) / 2.
size_t row_start(int r) {
  return static_cast<size_t>(r + 1) * static_cast<size_t>(r + 2) / 2;
}

// The Pascal triangle, row by row: row r holds C(r, 0) ... C(r, r) and a
// trailing 0 that serves as C(r + 1, -1) when the next row is built. Row -1
// is the single cell 0. `highest` is the last row built, so the table's size
// is always row_start(highest + 1).
//
// Threads may share it: the buffer has room for every row from the start, so
// it never moves; rows are built under `growing` and published through
// `highest`, after which they are only read.
struct BinomialCache {
  BinomialCache();
  MxArray<int> cells;
  std::mutex growing;
  std::atomic<int> highest{0};
};

std::atomic<const BinomialCache*> binomial_cache{nullptr};

BinomialCache::BinomialCache() {
  cells.reallocate(row_start(last_cached_row + 1), false);
  cells.resize(3, false);
  cells[0] = 0; // row -1
  cells[1] = 1; // row 0: C(0, 0) and its trailing 0
  cells[2] = 0;
  binomial_cache.store(this, std::memory_order_release);
}

// Created on first use, destroyed at process exit.
BinomialCache& cache() {
  static BinomialCache table;
  return table;
}

// Builds the rows after the highest one up to n (n <= last_cached_row); by
// the mirror symmetry C(i, j) = C(i, i - j) only half of each row is summed.
void build_rows(BinomialCache& table, int n) {
  const std::lock_guard<std::mutex> lock(table.growing);
  const int highest = table.highest.load(std::memory_order_relaxed);
  if (highest >= n) return; // built meanwhile by another thread
  table.cells.resize(row_start(n + 1), true);
  int* cell = table.cells.data();
  for (int i = highest + 1; i <= n; ++i) {
    const size_t row = row_start(i);
    const size_t above = row_start(i - 1);
    const int half = (i + 2) / 2;
    for (int j = 0; j < half; ++j) cell[row + j] = cell[above + j - 1] + cell[above + j];
    for (int j = half; j <= i; ++j) cell[row + j] = cell[row + i - j];
    cell[row + i + 1] = 0;
  }
  table.highest.store(n, std::memory_order_release);
}

// C(n, k) for rows past the int cache. Each step turns C(n, i - 1) into
// C(n, i) = C(n, i - 1) * (n - i + 1) / i exactly, dividing out the common
// factor first so that no intermediate exceeds the result; once the value
// no longer fits 64 bits the rest runs in doubles.
double large_binomial(int n, int k) {
  if (k > n - k) k = n - k;
  uint64_t exact = 1;
  int i = 1;
  for (; i <= k; ++i) {
    uint64_t factor = static_cast<uint64_t>(n - i + 1);
    uint64_t divisor = static_cast<uint64_t>(i);
    uint64_t a = exact, b = divisor; // gcd(exact, divisor)
    while (b) {
      const uint64_t t = a % b;
      a = b;
      b = t;
    }
    const uint64_t reduced = exact / a;
    divisor /= a; // now divides factor, as C(n, i) is whole
    factor /= divisor;
    if (reduced > UINT64_MAX / factor) break;
    exact = reduced * factor;
  }
  double value = static_cast<double>(exact);
  for (; i <= k && value != HUGE_VAL; ++i) value = value * (n - i + 1) / i;
  return value;
}

// ---------------------------------------------------------------------------
// Double congruence

// Values up to 2^20 periods away (one more allows for the rounding of the
// quotient) are shifted one period per step, as the rule says; farther ones
// are shifted at once.
const double max_single_steps = 1048577.0;

const char* const tag = "mx_utils";

// The value congruent to r modulo period in [base, base + period], for
// values so far apart that their difference may overflow. fmod is exact.
double reduce_far(double r, double period, double base, double top) {
  double offset = std::fmod(r, period) - std::fmod(base, period);
  if (offset < 0) offset += period;
  if (offset < 0) offset += period;
  if (offset >= period) offset -= period;
  const double reduced = base + offset;
  return reduced < base ? base : (reduced > top ? top : reduced);
}

// Adds `n` periods to k, or reports and saturates when k would leave the
// int range (or n is not even finite).
bool add_periods(int& k, double n) {
  const double total = static_cast<double>(k) + n;
  if (total >= static_cast<double>(INT_MIN) && total <= static_cast<double>(INT_MAX)) {
    k = static_cast<int>(total);
    return true;
  }
  MX_REPORT(tag);
  k = n > 0 ? INT_MAX : INT_MIN;
  return false;
}

// Moves r (< base) up by whole periods to the first value >= base in one go.
// False when the count of periods does not fit k (reported, k saturated).
bool shift_up_at_once(double& r, int& k, double period, double base, double top) {
  const double n = std::ceil((base - r) / period);
  if (!add_periods(k, n)) {
    r = reduce_far(r, period, base, top);
    return false;
  }
  r = std::fma(n, period, r);
  // The rounded quotient may be one period short or long.
  const double up = r + period, down = r - period;
  if (base > r && up > r) {
    r = up;
    ++k;
  } else if (down >= base && down < r) {
    r = down;
    --k;
  }
  if (base > r) r = base; // a period below the resolution of r
  return true;
}

// Moves r (> top) down by whole periods to the first value <= top in one go.
bool shift_down_at_once(double& r, int& k, double period, double base, double top) {
  const double n = std::ceil((r - top) / period);
  if (!add_periods(k, -n)) {
    r = reduce_far(r, period, base, top);
    return false;
  }
  r = std::fma(-n, period, r);
  const double up = r + period, down = r - period;
  if (r > top && down < r) {
    r = down;
    --k;
  } else if (up <= top && up > r) {
    r = up;
    ++k;
  }
  if (r > top) r = top;
  return true;
}

// Repeats r += period while base > r; hands over to the one-go shift when
// r is too many periods away or a step no longer changes r.
bool shift_up(double& r, int& k, double period, double base, double top) {
  if (!((base - r) / period <= max_single_steps)) return shift_up_at_once(r, k, period, base, top);
  while (base > r) {
    const double next = r + period;
    if (!(next > r)) return shift_up_at_once(r, k, period, base, top);
    r = next;
    ++k;
  }
  return true;
}

// Repeats r -= period while r > top, with the same hand-over.
bool shift_down(double& r, int& k, double period, double base, double top) {
  if (!((r - top) / period <= max_single_steps)) return shift_down_at_once(r, k, period, base, top);
  while (r > top) {
    const double next = r - period;
    if (!(next < r)) return shift_down_at_once(r, k, period, base, top);
    r = next;
    --k;
  }
  return true;
}

} // namespace

double mx_binomial_coeff(int n, int k) {
  BinomialCache& table = cache();
  const int* cell = table.cells.data();
  if (n < 0 || k < 0 || k > n) return cell[0];
  if (n > last_cached_row) return large_binomial(n, k);
  if (table.highest.load(std::memory_order_acquire) < n) build_rows(table, n);
  // Row n is built, so the cell lies within the table.
  return cell[row_start(n) + static_cast<size_t>(k)];
}

size_t mx_binomial_cache_size() {
  const BinomialCache* table = binomial_cache.load(std::memory_order_acquire);
  return table ? row_start(table->highest.load(std::memory_order_acquire) + 1) : 0;
}

void mx_congruence_info(int x, int period, int base, int& r, int& k) {
  if (period <= 0) {
    MX_REPORT(tag);
    r = x;
    k = 0;
    return;
  }
  // Wide arithmetic: x - base and base + period may leave the int range.
  const long long d = static_cast<long long>(x) - base;
  long long wide_r, wide_k;
  bool fits = true;
  if (d >= 0) {
    wide_k = d / period;
    wide_r = d % period + base; // between base and x
  } else {
    const long long m = -d;
    wide_k = -1 - m / period;
    wide_r = period - m % period + base; // above base, at most base + period
    if (wide_r > INT_MAX) {
      fits = false;
      wide_r -= period; // one period lower still satisfies x = r + k * period
      wide_k += 1;
    }
  }
  if (wide_k > INT_MAX || wide_k < INT_MIN) {
    fits = false;
    wide_k = wide_k > 0 ? INT_MAX : INT_MIN;
  }
  if (!fits) MX_REPORT(tag);
  r = static_cast<int>(wide_r);
  k = static_cast<int>(wide_k);
}

void mx_congruence_info(double x, double period, double base, double& r, int& k,
                        MxEvalLimit limit) {
  r = x;
  k = 0;
  if (!(period > 0) || !std::isfinite(period) || !std::isfinite(base) || !std::isfinite(x)) {
    MX_REPORT(tag);
    return;
  }
  const double top = period + base;
  if (base > x && !shift_up(r, k, period, base, top)) return;
  if (x > top && r > top && !shift_down(r, k, period, base, top)) return;
  // A saturated k has already been reported; r then stays where it is.
  if (base >= r && limit == EVAL_LIMIT_UPPER) {
    r = top;
    add_periods(k, 1);
  } else if (r >= top && limit == EVAL_LIMIT_LOWER) {
    r = base;
    add_periods(k, -1);
  }
}

extern "C" double mxtfp0_() {
  return 1e-20;
}

// ---------------------------------------------------------------------------
// Mx_debug_ printers

namespace {

// The journal's precision and width before a dump.
struct SavedNumberFormat {
  int precision;
  int width;
};

// Saves the journal's format and sets the dump's: precision 1 first, then
// the width, then the precision.
SavedNumberFormat set_number_format(MxJournal& journal, int width, int precision) {
  const SavedNumberFormat saved{journal.precision(), journal.width()};
  journal.set_precision(1);
  journal.set_width(width);
  journal.set_precision(precision);
  return saved;
}

void restore_number_format(MxJournal& journal, const SavedNumberFormat& saved) {
  journal.set_precision(saved.precision);
  journal.set_width(saved.width);
}

void write_blanks(MxJournal& journal, int count) {
  for (int i = 0; i < count; ++i) journal << ' ';
}

} // namespace

void Mx_debug_double_array(MxJournal& journal, const MxArray<double>& array, int width,
                           int precision, int layout, int indent) {
  MX_CHECK(tag, width > precision);
  MX_CHECK(tag, layout >= 1);
  MX_CHECK(tag, indent >= 0);
  const SavedNumberFormat saved = set_number_format(journal, width, precision);
  for (const double value : array) {
    write_blanks(journal, indent);
    journal << value << ' ';
    if (layout < 2) journal << mxEndExpr;
  }
  restore_number_format(journal, saved);
}

void Mx_debug_double_matrix(MxJournal& journal, int rows, int columns, const MxArray<double>& array,
                            int width, int precision, int indent, bool by_columns) {
  const long long n_rows = rows, n_columns = columns;
  const long long size = static_cast<long long>(array.size());
  MX_CHECK(tag, rows > 0 && columns >= 1);
  MX_CHECK(tag, size >= n_rows * n_columns);
  MX_CHECK(tag, width > precision);
  MX_CHECK(tag, indent >= 0);
  const SavedNumberFormat saved = set_number_format(journal, width, precision);
  for (long long r = 0; r < n_rows; ++r) {
    write_blanks(journal, indent);
    for (long long c = 0; c < n_columns; ++c) {
      const long long at = by_columns ? r + c * n_rows : r * n_columns + c;
      if (at < size) journal << array[static_cast<size_t>(at)] << ' '; // too small an array
    }
    journal << mxEndExpr;
  }
  restore_number_format(journal, saved);
}

void Mx_debug_vector_array(MxJournal& journal, int, int, const MxArray<double>&, int, int, int,
                           int) {
  const int precision = journal.precision(), width = journal.width();
  MX_REPORT(tag);
  journal.set_precision(precision);
  journal.set_width(width);
}

void Mx_debug_vector_matrix(MxJournal& journal, int, int, int, const MxArray<double>&, int, int,
                            int, bool) {
  const int precision = journal.precision(), width = journal.width();
  MX_REPORT(tag);
  journal.set_precision(precision);
  journal.set_width(width);
}
