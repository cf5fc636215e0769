// MxUVWPar: a point (u, v, w) in a 3D parameter space.
/// \file
#ifndef MXFOUNDATION_MXUVWPAR_H
#define MXFOUNDATION_MXUVWPAR_H

#include "mxexport.h"
#include "mxjournal.h"
#include "mxuvwvec.h"

/// A 3D parameter-space point: three contiguous doubles u, v, w, a plain
/// value. point - point gives an MxUVWVec, point +/- vector gives a point.
class MX_EXPORT MxUVWPar {
public:
  MxUVWPar() = default;
  /// The point (u, v, w).
  MxUVWPar(double u, double v, double w) : c_{u, v, w} {}
  /// Reads p[0], p[1], p[2]. A null pointer is reported and gives (0, 0, 0).
  MxUVWPar(const double* p);

  ///@{
  /// The coordinates as an array of three, and each coordinate read or set.
  const double* as_array() const { return c_; }
  double u() const { return c_[0]; }
  double v() const { return c_[1]; }
  double w() const { return c_[2]; }
  void set_u(double u) { c_[0] = u; }
  void set_v(double v) { c_[1] = v; }
  void set_w(double w) { c_[2] = w; }
  ///@}

  /// Coordinate 0, 1 or 2. An index below 0 or above 2 is reported and the
  /// nearest valid coordinate is used instead.
  double operator[](int i) const;
  /// Coordinate 0, 1 or 2, writable; an index out of range is reported and the nearest valid
  /// coordinate is used.
  double& operator[](int i);

  /// The sum of this and the argument.
  MxUVWPar operator+(const MxUVWVec& d) const {
    return {c_[0] + d.du(), c_[1] + d.dv(), c_[2] + d.dw()};
  }
  /// The difference: this minus the argument.
  MxUVWPar operator-(const MxUVWVec& d) const {
    return {c_[0] - d.du(), c_[1] - d.dv(), c_[2] - d.dw()};
  }
  /// The difference: this minus the argument.
  MxUVWVec operator-(const MxUVWPar& b) const {
    return {c_[0] - b.c_[0], c_[1] - b.c_[1], c_[2] - b.c_[2]};
  }
  /// This scaled by `s`.
  MxUVWPar operator*(double s) const { return {c_[0] * s, c_[1] * s, c_[2] * s}; }

  /// From level MxDebugNormal on: indentation, "MxUVWPar  ( u, v, w )", end
  /// of expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double c_[3] = {0.0, 0.0, 0.0};
};

/// Writes "MxUVWPar( u, v, w)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxUVWPar& p);

#endif
