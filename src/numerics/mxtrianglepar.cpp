// MxTrianglePar: normalised barycentric points.
#include "mxtrianglepar.h"

#include "mxcoordinates.h"

namespace {

const char* const tag = "mxtrianglepar";

// u, v and w.
const int n_coordinates = 3;

// Sums at or below this cannot be normalised.
const double sum_tolerance = 1e-12;

} // namespace

MxTrianglePar::MxTrianglePar(double u, double v, double w) {
  const double s = (u + v) + w;
  if (!(s > sum_tolerance)) { // also for a NaN sum
    MX_REPORT(tag);
    return; // stays the centre
  }
  c_[0] = u / s;
  c_[1] = v / s;
  c_[2] = w / s;
}

MxTrianglePar::MxTrianglePar(const double* p) {
  if (mx_detail::null_array_reported(tag, p)) return;
  *this = MxTrianglePar(p[0], p[1], p[2]);
}

double MxTrianglePar::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

MxTrianglePar MxTrianglePar::operator+(const MxTriangleVec& d) const {
  return {c_[0] + d.du(), c_[1] + d.dv(), c_[2] + d.dw()};
}

MxTrianglePar MxTrianglePar::operator-(const MxTriangleVec& d) const {
  return {c_[0] - d.du(), c_[1] - d.dv(), c_[2] - d.dw()};
}

MxTriangleVec MxTrianglePar::operator-(const MxTrianglePar& b) const {
  return {c_[0] - b.c_[0], c_[1] - b.c_[1], c_[2] - b.c_[2]};
}

void MxTrianglePar::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal, "MxTrianglePar( ", c_, n_coordinates, ")") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxTrianglePar& p) {
  return mx_detail::write_coordinates(journal, "MxTrianglePar( ", p.as_array(), n_coordinates, ")");
}
