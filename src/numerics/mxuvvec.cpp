// MxUVVec: index access, normalisation, turning, angles and output.
#include "mxuvvec.h"

#include "mxcoordinates.h"

namespace {

const char* const tag = "mxuvvec";

} // namespace

MxUVVec::MxUVVec(const double* p) {
  mx_detail::copy_coordinates(tag, p, c_);
}

double MxUVVec::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

double& MxUVVec::operator[](int i) {
  return mx_detail::coordinate(tag, c_, i);
}

void MxUVVec::normalize() {
  mx_detail::normalize_coordinates(tag, c_, numerical_zero(), length());
}

MxUVVec MxUVVec::turn(double angle) const {
  return ortho() * std::sin(angle) + *this * std::cos(angle);
}

double MxUVVec::angle(const MxUVVec& b) const {
  if (numerical_zero() || b.numerical_zero()) return 0.0;
  return std::atan2(c_[0] * b.c_[1] - c_[1] * b.c_[0], c_[1] * b.c_[1] + c_[0] * b.c_[0]);
}

void MxUVVec::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal << "MxUVVec ", " ( ", c_, dim(), " )") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVVec& v) {
  return mx_detail::write_coordinates(journal, "MxUVVec( ", v.as_array(), MxUVVec::dim(), ")");
}
