// MxUVPar: a point (u, v) in a surface's 2D parameter plane.
/// \file
#ifndef MXFOUNDATION_MXUVPAR_H
#define MXFOUNDATION_MXUVPAR_H

#include "mxexport.h"
#include "mxjournal.h"
#include "mxuvvec.h"

/// A 2D parameter-space point: two contiguous doubles u, v, a plain value.
/// point - point gives an MxUVVec, point +/- vector gives a point; points
/// can also be summed and scaled (for averaging).
class MX_EXPORT MxUVPar {
public:
  MxUVPar() = default;
  /// The point (u, v).
  MxUVPar(double u, double v) : c_{u, v} {}
  /// Reads p[0], p[1]. A null pointer is reported and gives (0, 0).
  MxUVPar(const double* p);

  ///@{
  /// The dimension (2), the coordinates as an array of two, and each coordinate read or set.
  static int dim() { return 2; }
  const double* as_array() const { return c_; }
  double u() const { return c_[0]; }
  double v() const { return c_[1]; }
  void set_u(double u) { c_[0] = u; }
  void set_v(double v) { c_[1] = v; }
  ///@}

  /// Coordinate 0 or 1. An index below 0 or above 1 is reported and the
  /// nearest valid coordinate is used instead.
  double operator[](int i) const;
  /// Coordinate 0 or 1, writable; an index out of range is reported and the nearest valid
  /// coordinate is used.
  double& operator[](int i);

  /// The sum of this and the argument.
  MxUVPar operator+(const MxUVVec& d) const { return {c_[0] + d.du(), c_[1] + d.dv()}; }
  /// The difference: this minus the argument.
  MxUVPar operator-(const MxUVVec& d) const { return {c_[0] - d.du(), c_[1] - d.dv()}; }
  /// The difference: this minus the argument.
  MxUVVec operator-(const MxUVPar& b) const { return {c_[0] - b.c_[0], c_[1] - b.c_[1]}; }
  /// The sum of this and the argument.
  MxUVPar operator+(const MxUVPar& b) const { return {c_[0] + b.c_[0], c_[1] + b.c_[1]}; }
  /// This scaled by `s`.
  MxUVPar operator*(double s) const { return {c_[0] * s, c_[1] * s}; }
  /// Adds the argument to this; returns `*this`.
  MxUVPar& operator+=(const MxUVPar& b) {
    c_[0] += b.c_[0];
    c_[1] += b.c_[1];
    return *this;
  }
  /// Adds the argument to this; returns `*this`.
  MxUVPar& operator+=(const MxUVVec& d) {
    c_[0] += d.du();
    c_[1] += d.dv();
    return *this;
  }
  /// Subtracts the argument from this; returns `*this`.
  MxUVPar& operator-=(const MxUVVec& d) {
    c_[0] -= d.du();
    c_[1] -= d.dv();
    return *this;
  }
  /// Scales this by `s`; returns `*this`.
  MxUVPar& operator*=(double s) {
    c_[0] *= s;
    c_[1] *= s;
    return *this;
  }

  /// From level MxDebugNormal on: indentation, "MxUVPar  ( u, v )", end of
  /// expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double c_[2] = {0.0, 0.0};
};

/// Writes "MxUVPar( u, v)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxUVPar& p);

#endif
