// MxUVVec: index access, normalisation, turning, angles and output.
#include "mxuvvec.h"

#include "mxassert.h"

namespace {

const char* const tag = "mxuvvec";

// The index itself when valid; otherwise reported and clamped to 0 or 1.
int checked_index(int i) {
  if (i < 0) {
    MX_REPORT(tag);
    return 0;
  }
  if (i > 1) {
    MX_REPORT(tag);
    return 1;
  }
  return i;
}

} // namespace

MxUVVec::MxUVVec(const double* p) {
  if (!p) {
    MX_REPORT(tag);
    return;
  }
  c_[0] = p[0];
  c_[1] = p[1];
}

double MxUVVec::operator[](int i) const {
  return c_[checked_index(i)];
}

double& MxUVVec::operator[](int i) {
  return c_[checked_index(i)];
}

void MxUVVec::normalize() {
  if (numerical_zero()) {
    MX_REPORT(tag);
    return;
  }
  const double len = length();
  c_[0] /= len;
  c_[1] /= len;
}

MxUVVec MxUVVec::turn(double angle) const {
  return ortho() * std::sin(angle) + *this * std::cos(angle);
}

double MxUVVec::angle(const MxUVVec& b) const {
  if (numerical_zero() || b.numerical_zero()) return 0.0;
  return std::atan2(c_[0] * b.c_[1] - c_[1] * b.c_[0], c_[1] * b.c_[1] + c_[0] * b.c_[0]);
}

void MxUVVec::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (level <= MxDebugSummary) return;
  Mx_DebugIndentation(journal, indent);
  journal << "MxUVVec "
          << " ( " << c_[0] << ", " << c_[1] << " )" << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVVec& v) {
  return journal << "MxUVVec( " << v.du() << ", " << v.dv() << ")";
}
