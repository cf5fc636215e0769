// MxTriangleVec: validated barycentric vectors.
#include "mxtrianglevec.h"

#include "mxcoordinates.h"

#include <cmath>

namespace {

const char* const tag = "mxtrianglevec";

// du, dv and dw.
const int n_components = 3;

// A vector is valid when its components sum to zero within this bound.
const double sum_tolerance = 1e-12;

// sqrt(3) / 3: scales `ortho` so that it keeps the length of the vector.
const double ortho_factor = 0.5773502691896257;

} // namespace

MxTriangleVec::MxTriangleVec(double du, double dv, double dw) {
  if (!(std::fabs(du + dv + dw) < sum_tolerance)) {
    MX_REPORT(tag);
    return; // stays (0, 0, 0)
  }
  c_[0] = du;
  c_[1] = dv;
  c_[2] = dw;
}

MxTriangleVec::MxTriangleVec(const double* p) {
  if (mx_detail::null_array_reported(tag, p)) return;
  *this = MxTriangleVec(p[0], p[1], p[2]);
}

double MxTriangleVec::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

MxTriangleVec MxTriangleVec::operator+(const MxTriangleVec& b) const {
  return {c_[0] + b.c_[0], c_[1] + b.c_[1], c_[2] + b.c_[2]};
}

MxTriangleVec MxTriangleVec::operator-(const MxTriangleVec& b) const {
  return {c_[0] - b.c_[0], c_[1] - b.c_[1], c_[2] - b.c_[2]};
}

MxTriangleVec MxTriangleVec::operator*(double s) const {
  return {c_[0] * s, c_[1] * s, c_[2] * s};
}

MxTriangleVec MxTriangleVec::operator-() const {
  return {-c_[0], -c_[1], -c_[2]};
}

MxTriangleVec MxTriangleVec::ortho() const {
  return {(c_[2] - c_[1]) * ortho_factor, (c_[0] - c_[2]) * ortho_factor,
          (c_[1] - c_[0]) * ortho_factor};
}

MxTriangleVec MxTriangleVec::turn(double angle) const {
  return ortho() * std::sin(angle) + *this * std::cos(angle);
}

void MxTriangleVec::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal, "MxTriangleVec( ", c_, n_components, " )") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxTriangleVec& v) {
  return mx_detail::write_coordinates(journal, "MxTriangleVec( ", v.as_array(), n_components, ")");
}
