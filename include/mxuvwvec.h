// MxUVWVec: a displacement (du, dv, dw) in a 3D parameter space.
/// \file
#ifndef MXFOUNDATION_MXUVWVEC_H
#define MXFOUNDATION_MXUVWVEC_H

#include "mxexport.h"
#include "mxjournal.h"

#include <cmath>

/// A 3D parameter-space vector: three contiguous doubles du, dv, dw, a plain
/// value with no invariant. Points are MxUVWPar. A vector whose squared
/// length is below 1e-40 counts as numerically zero and cannot be normalised.
class MX_EXPORT MxUVWVec {
public:
  MxUVWVec() = default;
  /// The vector (du, dv, dw).
  MxUVWVec(double du, double dv, double dw) : c_{du, dv, dw} {}
  /// Reads p[0], p[1], p[2]. A null pointer is reported and gives (0, 0, 0).
  MxUVWVec(const double* p);

  ///@{
  /// The components as an array of three, and each component read or set.
  const double* as_array() const { return c_; }
  double du() const { return c_[0]; }
  double dv() const { return c_[1]; }
  double dw() const { return c_[2]; }
  void set_du(double du) { c_[0] = du; }
  void set_dv(double dv) { c_[1] = dv; }
  void set_dw(double dw) { c_[2] = dw; }
  ///@}

  /// Component 0, 1 or 2. An index below 0 or above 2 is reported and the
  /// nearest valid component is used instead.
  double operator[](int i) const;
  /// Component 0, 1 or 2, writable; an index out of range is reported and the nearest valid
  /// component is used.
  double& operator[](int i);

  /// The sum of this and the argument.
  MxUVWVec operator+(const MxUVWVec& b) const {
    return {c_[0] + b.c_[0], c_[1] + b.c_[1], c_[2] + b.c_[2]};
  }
  /// The difference: this minus the argument.
  MxUVWVec operator-(const MxUVWVec& b) const {
    return {c_[0] - b.c_[0], c_[1] - b.c_[1], c_[2] - b.c_[2]};
  }
  /// The opposite vector.
  MxUVWVec operator-() const { return {-c_[0], -c_[1], -c_[2]}; }
  /// The same as unary minus.
  MxUVWVec reverse() const { return -*this; }
  /// This scaled by `s`.
  MxUVWVec operator*(double s) const { return {c_[0] * s, c_[1] * s, c_[2] * s}; }
  /// Adds the argument to this; returns `*this`.
  MxUVWVec& operator+=(const MxUVWVec& b) {
    c_[0] += b.c_[0];
    c_[1] += b.c_[1];
    c_[2] += b.c_[2];
    return *this;
  }
  /// Subtracts the argument from this; returns `*this`.
  MxUVWVec& operator-=(const MxUVWVec& b) {
    c_[0] -= b.c_[0];
    c_[1] -= b.c_[1];
    c_[2] -= b.c_[2];
    return *this;
  }
  /// Dot product.
  double operator%(const MxUVWVec& b) const {
    return c_[0] * b.c_[0] + c_[1] * b.c_[1] + c_[2] * b.c_[2];
  }
  /// Cross product.
  MxUVWVec operator*(const MxUVWVec& b) const {
    return {c_[1] * b.c_[2] - c_[2] * b.c_[1], c_[2] * b.c_[0] - c_[0] * b.c_[2],
            c_[0] * b.c_[1] - c_[1] * b.c_[0]};
  }

  /// The Euclidean length.
  double length() const { return std::sqrt(squared_length()); }
  /// True when the squared length is below 1e-40 (or not a number), exactly
  /// when `normalize` would fail.
  bool numerical_zero() const { return !(squared_length() >= 1e-40); }
  /// Scales to length 1; a numerically zero vector is reported (tag
  /// "mxuvwvec") and left unchanged.
  void normalize();

  /// From level MxDebugNormal on: indentation, "MxUVWVec  ( du, dv, dw )",
  /// end of expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double squared_length() const { return c_[0] * c_[0] + c_[1] * c_[1] + c_[2] * c_[2]; }

  double c_[3] = {0.0, 0.0, 0.0};
};

/// Writes "MxUVWVec( du, dv, dw)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxUVWVec& v);

#endif
