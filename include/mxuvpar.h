// MxUVPar: a point (u, v) in a surface's 2D parameter plane.
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
  MxUVPar(double u, double v) : c_{u, v} {}
  /// Reads p[0], p[1]. A null pointer is reported and gives (0, 0).
  MxUVPar(const double* p);

  static int dim() { return 2; }
  const double* as_array() const { return c_; }
  double u() const { return c_[0]; }
  double v() const { return c_[1]; }
  void set_u(double u) { c_[0] = u; }
  void set_v(double v) { c_[1] = v; }

  /// Coordinate 0 or 1. An index below 0 or above 1 is reported and the
  /// nearest valid coordinate is used instead.
  double operator[](int i) const;
  double& operator[](int i);

  MxUVPar operator+(const MxUVVec& d) const { return {c_[0] + d.du(), c_[1] + d.dv()}; }
  MxUVPar operator-(const MxUVVec& d) const { return {c_[0] - d.du(), c_[1] - d.dv()}; }
  MxUVVec operator-(const MxUVPar& b) const { return {c_[0] - b.c_[0], c_[1] - b.c_[1]}; }
  MxUVPar operator+(const MxUVPar& b) const { return {c_[0] + b.c_[0], c_[1] + b.c_[1]}; }
  MxUVPar operator*(double s) const { return {c_[0] * s, c_[1] * s}; }
  MxUVPar& operator+=(const MxUVPar& b) {
    c_[0] += b.c_[0];
    c_[1] += b.c_[1];
    return *this;
  }
  MxUVPar& operator+=(const MxUVVec& d) {
    c_[0] += d.du();
    c_[1] += d.dv();
    return *this;
  }
  MxUVPar& operator-=(const MxUVVec& d) {
    c_[0] -= d.du();
    c_[1] -= d.dv();
    return *this;
  }
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
