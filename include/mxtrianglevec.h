// MxTriangleVec: a displacement between barycentric points of a triangle.
/// \file
#ifndef MXFOUNDATION_MXTRIANGLEVEC_H
#define MXFOUNDATION_MXTRIANGLEVEC_H

#include "mxexport.h"
#include "mxjournal.h"

/// A barycentric vector (du, dv, dw): three contiguous doubles whose sum is
/// zero. Every constructor and every operation yielding a vector validates
/// its candidate components: when abs(du + dv + dw) is not below 1e-12 the
/// failure is reported (tag "mxtrianglevec") and the result is (0, 0, 0).
/// The test is absolute, so scaling a valid vector by a large factor can
/// fail it. Values change only by assignment: there are no setters and no
/// writable index.
class MX_EXPORT MxTriangleVec {
public:
  MxTriangleVec() = default;
  /// The vector (du, dv, dw).
  MxTriangleVec(double du, double dv, double dw);
  /// Reads p[0], p[1], p[2]. A null pointer is reported and gives (0, 0, 0).
  MxTriangleVec(const double* p);

  ///@{
  /// The components, as an array of three and one by one.
  const double* as_array() const { return c_; }
  double du() const { return c_[0]; }
  double dv() const { return c_[1]; }
  double dw() const { return c_[2]; }
  ///@}

  /// Component 0, 1 or 2. An index below 0 or above 2 is reported and the
  /// nearest valid component is used instead.
  double operator[](int i) const;

  /// The sum of this and the argument.
  MxTriangleVec operator+(const MxTriangleVec& b) const;
  /// The difference: this minus the argument.
  MxTriangleVec operator-(const MxTriangleVec& b) const;
  /// This scaled by `s`.
  MxTriangleVec operator*(double s) const;
  /// The opposite vector.
  MxTriangleVec operator-() const;
  /// The same as unary minus.
  MxTriangleVec reverse() const { return -*this; }
  /// The vector turned a quarter turn within the triangle's plane:
  /// ((dw - dv) k, (du - dw) k, (dv - du) k) with k = sqrt(3) / 3.
  MxTriangleVec ortho() const;
  /// ortho() * sin(angle) + this * cos(angle).
  MxTriangleVec turn(double angle) const;

  /// From level MxDebugNormal on: indentation,
  /// "MxTriangleVec( du, dv, dw )", end of expression. The flag has no effect.
  void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;

private:
  double c_[3] = {0.0, 0.0, 0.0};
};

/// Writes "MxTriangleVec( du, dv, dw)" with no indentation and no end of line.
MX_EXPORT MxJournal& operator<<(MxJournal& journal, const MxTriangleVec& v);

#endif
