// MxTrianglePar: a point of a triangle in barycentric coordinates.
/// \file
#ifndef MXFOUNDATION_MXTRIANGLEPAR_H
#define MXFOUNDATION_MXTRIANGLEPAR_H

#include "mxexport.h"
#include "mxjournal.h"
#include "mxtrianglevec.h"

/// A barycentric point (u, v, w): three contiguous doubles that always sum
/// to 1. Constructors and point +/- vector normalise: with s = (u + v) + w,
/// the point becomes (u/s, v/s, w/s) when s > 1e-12; otherwise the failure
/// is reported (tag "mxtrianglepar") and the point becomes the centre
/// (1/3, 1/3, 1/3). Coordinates may be negative (points outside the
/// triangle). Values change only by assignment: there are no setters and no
/// writable index.
class MX_EXPORT MxTrianglePar {
public:
  /// The centre: each coordinate the double nearest 1/3.
  MxTrianglePar() = default;
  /// The point with the coordinates (u, v, w).
  MxTrianglePar(double u, double v, double w);
  /// Reads p[0], p[1], p[2]. A null pointer is reported and gives the centre.
  MxTrianglePar(const double* p);

  ///@{
  /// The coordinates, as an array of three and one by one.
  const double* as_array() const { return c_; }
  double u() const { return c_[0]; }
  double v() const { return c_[1]; }
  double w() const { return c_[2]; }
  ///@}

  /// Coordinate 0, 1 or 2. An index below 0 or above 2 is reported and the
  /// nearest valid coordinate is used instead.
  double operator[](int i) const;

  /// The sum of this and the argument.
  MxTrianglePar operator+(const MxTriangleVec& d) const;
  /// The difference: this minus the argument.
  MxTrianglePar operator-(const MxTriangleVec& d) const;
  /// The coordinate-wise difference, validated as an MxTriangleVec.
  MxTriangleVec operator-(const MxTrianglePar& b) const;

  /// From level MxDebugNormal on: indentation, "MxTrianglePar( u, v, w)",
  /// end of expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double c_[3] = {1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0};
};

/// Writes "MxTrianglePar( u, v, w)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxTrianglePar& p);

#endif
