// MxMatrix: a dense two-dimensional array of values (interface).
//
// The elements live in one `MxArray<T>` of rows x columns slots, stored
// column by column: element (r, c) is slot c * rows + r. The matrix owns its
// elements; copies are element-wise.
//
// Element access is checked: a row at or past `rows()` or a column at or past
// `columns()` is reported to the assertion handler and a scratch element is
// handed out instead, so no access ever leaves the storage.
/// \file
#ifndef MXFOUNDATION_MXMATRIX_I_H
#define MXFOUNDATION_MXMATRIX_I_H

#include "mxarray.h"

#include <cstddef>

/// Dense rows x columns matrix stored in column order.
template <class T> class MxMatrix {
public:
  MxMatrix() = default;
  /// A `rows` x `columns` matrix of default values `T()`.
  MxMatrix(size_t rows, size_t columns);
  virtual ~MxMatrix() = default;

  /// Gives the matrix the shape `rows` x `columns`; every element becomes
  /// `T()`. A shape whose storage size in bytes overflows `size_t` is
  /// reported and leaves an empty 0 x 0 matrix.
  void resize(size_t rows, size_t columns);
  /// Sets every element to `value`.
  void fill(const T& value);

  ///@{
  /// The numbers of rows and columns.
  size_t rows() const { return rows_; }
  size_t columns() const { return columns_; }
  ///@}

  /// Element (r, c); out of range it is reported and a scratch element is
  /// handed out.
  T& operator()(size_t r, size_t c);
  /// Element (r, c) of a const matrix, checked as the non-const form.
  const T& operator()(size_t r, size_t c) const;

private:
  bool in_range(size_t r, size_t c) const { return r < rows_ && c < columns_; }
  /// A default-valued element handed out after a reported out-of-range access.
  static T& scratch();

  size_t rows_ = 0;
  size_t columns_ = 0;
  MxArray<T> elements_;
};

#endif
