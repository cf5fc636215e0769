// MxMatrix: shaping and checked element access.
/// \file
#ifndef MXFOUNDATION_MXMATRIX_T_H
#define MXFOUNDATION_MXMATRIX_T_H

#include "protectedinterfaces/mxmatrix_i.h"

template <class T> MxMatrix<T>::MxMatrix(size_t rows, size_t columns) {
  resize(rows, columns);
}

template <class T> void MxMatrix<T>::resize(size_t rows, size_t columns) {
  if (rows != 0 && columns > static_cast<size_t>(-1) / sizeof(T) / rows) {
    // the storage of rows * columns elements would not fit in a size_t: the
    // matrix becomes empty
    MX_REPORT("protectedinterfaces/mxmatrix_t");
    rows = columns = 0;
  }
  elements_.resize(0, false);
  elements_.resize(rows * columns, false);
  rows_ = rows;
  columns_ = columns;
}

template <class T> void MxMatrix<T>::fill(const T& value) {
  for (T& element : elements_) element = value;
}

template <class T> T& MxMatrix<T>::scratch() {
  static thread_local T element{}; // one per thread: misuse on two threads does not race
  element = T();
  return element;
}

template <class T> T& MxMatrix<T>::operator()(size_t r, size_t c) {
  if (in_range(r, c)) return elements_.data()[c * rows_ + r];
  MX_REPORT("protectedinterfaces/mxmatrix_t");
  return scratch();
}

template <class T> const T& MxMatrix<T>::operator()(size_t r, size_t c) const {
  if (in_range(r, c)) return elements_.data()[c * rows_ + r];
  MX_REPORT("protectedinterfaces/mxmatrix_t");
  return scratch();
}

#endif
