// The mx_arraydebug dumps of arrays, points and matrices.
#include "mxarraydebug.h"

#include "mxassert.h"
#include "mxstring.h"

#include <cstdint>

namespace {

const char* const tag = "mxarraydebug";

// Sets the journal's width and precision for a dump and puts the previous
// values back when the dump is over.
class NumberFormat {
public:
  NumberFormat(MxJournal& journal, int width, int precision)
      : journal_(journal), width_(journal.width()), precision_(journal.precision()) {
    journal.set_width(width);
    journal.set_precision(precision);
  }
  ~NumberFormat() {
    journal_.set_width(width_);
    journal_.set_precision(precision_);
  }
  NumberFormat(const NumberFormat&) = delete;
  NumberFormat& operator=(const NumberFormat&) = delete;

private:
  MxJournal& journal_;
  int width_;
  int precision_;
};

// Blocks and points need at least one entry per line and one component.
bool valid_layout(int per_line, int dim) {
  if (per_line >= 1 && dim >= 1) return true;
  MX_REPORT(tag);
  return false;
}

long long column_count(const MxArray<double>& array, int dim, int n_rows) {
  if (n_rows <= 0) return 0;
  return static_cast<long long>(array.size() / static_cast<size_t>(dim)) / n_rows;
}

// Array position of component k of entry (r, c). Entries outside the array
// map to an index past its end, so that MxArray reports the read.
size_t position(long long r, long long c, long long n_rows, int dim, int k, size_t size) {
  if (r < 0 || c < 0) return SIZE_MAX;
  const unsigned long long entry =
      static_cast<unsigned long long>(c) * static_cast<unsigned long long>(n_rows) +
      static_cast<unsigned long long>(r);
  if (entry > size / static_cast<size_t>(dim)) return SIZE_MAX;
  return static_cast<size_t>(entry) * static_cast<size_t>(dim) + static_cast<size_t>(k);
}

void print_line(MxJournal& journal, bool by_row, int index, int dim, int n_rows,
                const MxArray<double>& array, int per_line, int width, int precision, int indent) {
  const NumberFormat format(journal, width, precision);
  const MxString blanks = mx_blankstring(indent);
  const long long count = by_row ? column_count(array, dim, n_rows) : n_rows;
  for (long long first = 0; first < count; first += per_line) {
    const long long last = first + per_line < count ? first + per_line : count;
    for (int k = 0; k < dim; ++k) {
      journal << blanks;
      for (long long e = first; e < last; ++e) {
        if (e > first) journal << blanks;
        const long long r = by_row ? index : e;
        const long long c = by_row ? e : index;
        journal << array[position(r, c, n_rows, dim, k, array.size())];
      }
      journal << mxEndExpr;
    }
    if (dim > 1) journal << mxEndExpr;
  }
}

} // namespace

void mx_arraydebug(MxJournal& journal, const MxArray<double>& array, int per_line, int width,
                   int precision, int indent) {
  if (!valid_layout(per_line, 1)) return;
  const MxString blanks = mx_blankstring(indent);
  const size_t count = array.size();
  journal << mxEndExpr;
  journal << blanks << "Array of " << count << " doubles " << mxEndExpr;
  const NumberFormat format(journal, width, precision);
  const size_t step = static_cast<size_t>(per_line);
  for (size_t first = 0; first < count; first += step) {
    const size_t last = count - first > step ? first + step : count;
    journal << blanks;
    for (size_t i = first; i < last; ++i) {
      if (i > first) journal << blanks;
      journal << array[i];
    }
    journal << mxEndExpr;
  }
}

void mx_arraydebug(MxJournal& journal, int dim, const MxArray<double>& array, int per_line,
                   int width, int precision, int indent) {
  if (!valid_layout(per_line, dim)) return;
  const MxString blanks = mx_blankstring(indent);
  const size_t count = array.size() / static_cast<size_t>(dim);
  journal << mxEndExpr;
  if (count == 1)
    journal << blanks << "Point/vector of dimension ";
  else
    journal << blanks << "Array of " << count << " points/vectors of dimension ";
  journal << dim << mxEndExpr;
  print_line(journal, true, 0, dim, 1, array, per_line, width, precision, indent);
}

void mx_arraydebug(MxJournal& journal, bool by_row, int index, int dim, int n_rows,
                   const MxArray<double>& array, int per_line, int width, int precision,
                   int indent) {
  if (!valid_layout(per_line, dim)) return;
  print_line(journal, by_row, index, dim, n_rows, array, per_line, width, precision, indent);
}

void mx_arraydebug(MxJournal& journal, bool by_rows, int dim, int n_rows,
                   const MxArray<double>& array, int per_line, int width, int precision,
                   int indent) {
  if (!valid_layout(per_line, dim)) return;
  const MxString blanks = mx_blankstring(indent);
  const int n_columns = static_cast<int>(column_count(array, dim, n_rows));
  journal << mxEndExpr;
  journal << blanks << "Matrix with " << n_rows << " rows and " << n_columns << " columns."
          << mxEndExpr;
  if (dim == 1)
    journal << blanks << "Entries are doubles.";
  else
    journal << blanks << "Entries are points/vectors of dimension " << dim << ".";
  journal << mxEndExpr << mxEndExpr;
  const int lines = by_rows ? n_rows : n_columns;
  for (int i = 0; i < lines; ++i) {
    journal << blanks << (by_rows ? "Row with index " : "Column with index ") << i << mxEndExpr;
    print_line(journal, by_rows, i, dim, n_rows, array, per_line, width, precision, indent);
  }
}
