// Numeric debug printers: dumps of an MxArray<double> to a journal as a flat
// list of doubles, a list of points or vectors, or a matrix of doubles or
// points. Each dump sets the journal's number width and precision for its
// numbers and puts the previous values back afterwards.
/// \file
#ifndef MXFOUNDATION_MXARRAYDEBUG_H
#define MXFOUNDATION_MXARRAYDEBUG_H

#include "mxarray.h"
#include "mxexport.h"
#include "mxjournal.h"

// In the mx_arraydebug dumps, S stands for `indent` blanks and E for
// mxEndExpr. Matrix convention (the overloads taking a row count): the array
// holds n_rows rows of points of `dim` doubles stored by columns, component k
// of entry (r, c) being element (c * n_rows + r) * dim + k; the number of
// columns is (size / dim) / n_rows, and 0 when n_rows <= 0. per_line below 1
// or dim below 1 are reported (tag "mxarraydebug") and nothing is written.
// Reads outside the array are reported by MxArray's own bound checks.

/// E; S "Array of " \<count\> " doubles " E; then the values in lines of
/// `per_line`, each line S and the values separated by S, then E.
MX_EXPORT void mx_arraydebug(MxJournal& journal, const MxArray<double>& array, int per_line,
                             int width, int precision, int indent);

/// E; S "Point/vector of dimension " (one point) or S "Array of " \<count\>
/// " points/vectors of dimension ", then dim, E; then all points side by
/// side as a one-row matrix.
MX_EXPORT void mx_arraydebug(MxJournal& journal, int dim, const MxArray<double>& array,
                             int per_line, int width, int precision, int indent);

/// Row `index` (by_row) or column `index` of the matrix, in blocks of up to
/// `per_line` entries: for each component k, a line S and component k of
/// each entry of the block separated by S, then E; after each block one
/// more E when dim > 1. A point is thus a column of dim numbers.
MX_EXPORT void mx_arraydebug(MxJournal& journal, bool by_row, int index, int dim, int n_rows,
                             const MxArray<double>& array, int per_line, int width, int precision,
                             int indent);

/// The whole matrix: a header ("Matrix with <n> rows and <m> columns." and
/// the entry kind), then each row ("Row with index <r>") or each column
/// ("Column with index <c>") as printed by the overload above.
MX_EXPORT void mx_arraydebug(MxJournal& journal, bool by_rows, int dim, int n_rows,
                             const MxArray<double>& array, int per_line, int width, int precision,
                             int indent);

// The Mx_debug_ family reports failed checks with the tag "mx_utils"; the
// dump goes on regardless.

/// Each element as `indent` blanks, the value and one blank; with layout
/// below 2 each element ends its line (E), otherwise all values form one
/// run. Checks width > precision, layout >= 1, indent >= 0.
MX_EXPORT void Mx_debug_double_array(MxJournal& journal, const MxArray<double>& array, int width,
                                     int precision, int layout, int indent);

/// A rows x columns matrix of doubles, one line per row: `indent` blanks,
/// then each value followed by one blank, then E. The element of (r, c) is
/// r + c * rows when by_columns, else r * columns + c. Checks rows > 0 and
/// columns >= 1, array size >= rows * columns, width > precision,
/// indent >= 0. Elements past the end of a too small array are left out.
MX_EXPORT void Mx_debug_double_matrix(MxJournal& journal, int rows, int columns,
                                      const MxArray<double>& array, int width, int precision,
                                      int indent, bool by_columns);

/// Not supported: writes nothing and always reports.
MX_EXPORT void Mx_debug_vector_array(MxJournal& journal, int, int, const MxArray<double>&, int, int,
                                     int, int);
/// Not supported: writes nothing and always reports.
MX_EXPORT void Mx_debug_vector_matrix(MxJournal& journal, int, int, int, const MxArray<double>&,
                                      int, int, int, bool);

#endif
