// MxUVVec: a displacement (du, dv) in a surface's 2D parameter plane.
/// \file
#ifndef MXFOUNDATION_MXUVVEC_H
#define MXFOUNDATION_MXUVVEC_H

#include "mxexport.h"
#include "mxjournal.h"

#include <cmath>

/// A 2D parameter-space vector: two contiguous doubles du, dv, a plain
/// value with no invariant. Points are MxUVPar; point - point gives a vector.
/// A vector whose squared length is below 1e-40 counts as numerically zero:
/// it cannot be normalised and has no direction for `angle`.
class MX_EXPORT MxUVVec {
public:
  MxUVVec() = default;
  /// The vector (du, dv).
  MxUVVec(double du, double dv) : c_{du, dv} {}
  /// Reads p[0], p[1]. A null pointer is reported and gives (0, 0).
  MxUVVec(const double* p);

  ///@{
  /// The dimension (2), the components as an array of two, and each component read or set.
  static int dim() { return 2; }
  const double* as_array() const { return c_; }
  double du() const { return c_[0]; }
  double dv() const { return c_[1]; }
  void set_du(double du) { c_[0] = du; }
  void set_dv(double dv) { c_[1] = dv; }
  ///@}

  /// Component 0 or 1. An index below 0 or above 1 is reported and the
  /// nearest valid component is used instead.
  double operator[](int i) const;
  /// Component 0 or 1, writable; an index out of range is reported and the nearest valid component
  /// is used.
  double& operator[](int i);

  /// The sum of this and the argument.
  MxUVVec operator+(const MxUVVec& b) const { return {c_[0] + b.c_[0], c_[1] + b.c_[1]}; }
  /// The difference: this minus the argument.
  MxUVVec operator-(const MxUVVec& b) const { return {c_[0] - b.c_[0], c_[1] - b.c_[1]}; }
  /// The opposite vector.
  MxUVVec operator-() const { return {-c_[0], -c_[1]}; }
  /// The same as unary minus.
  MxUVVec reverse() const { return -*this; }
  /// This scaled by `s`.
  MxUVVec operator*(double s) const { return {c_[0] * s, c_[1] * s}; }
  /// Adds the argument to this; returns `*this`.
  MxUVVec& operator+=(const MxUVVec& b) {
    c_[0] += b.c_[0];
    c_[1] += b.c_[1];
    return *this;
  }
  /// Subtracts the argument from this; returns `*this`.
  MxUVVec& operator-=(const MxUVVec& b) {
    c_[0] -= b.c_[0];
    c_[1] -= b.c_[1];
    return *this;
  }
  /// Dot product du * b.du + dv * b.dv.
  double operator%(const MxUVVec& b) const { return c_[0] * b.c_[0] + c_[1] * b.c_[1]; }
  /// Cross product du * b.dv - dv * b.du.
  double operator*(const MxUVVec& b) const { return c_[0] * b.c_[1] - c_[1] * b.c_[0]; }

  /// The Euclidean length.
  double length() const { return std::sqrt(squared_length()); }
  /// True when the squared length is below 1e-40 (or not a number), exactly
  /// when `normalize` would fail.
  bool numerical_zero() const { return !(squared_length() >= 1e-40); }
  /// Scales to length 1; a numerically zero vector is reported (tag
  /// "mxuvvec") and left unchanged.
  void normalize();
  /// The vector turned a quarter turn counter-clockwise: (-dv, du).
  MxUVVec ortho() const { return {-c_[1], c_[0]}; }
  /// The vector turned counter-clockwise by `angle` radians.
  MxUVVec turn(double angle) const;
  /// Signed angle in [-pi, pi] from this to `b`, positive when `b` lies
  /// counter-clockwise; 0.0 when either vector is numerically zero.
  double angle(const MxUVVec& b) const;

  /// From level MxDebugNormal on: indentation, "MxUVVec  ( du, dv )", end of
  /// expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double squared_length() const { return c_[0] * c_[0] + c_[1] * c_[1]; }

  double c_[2] = {0.0, 0.0};
};

/// Writes "MxUVVec( du, dv)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxUVVec& v);

#endif
