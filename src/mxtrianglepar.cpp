// MxTrianglePar: normalised barycentric points.
#include "mxtrianglepar.h"

#include "mxassert.h"

namespace {

const char* const tag = "mxtrianglepar";

// Sums at or below this cannot be normalised.
const double sum_tolerance = 1e-12;

// The index itself when valid; otherwise reported and clamped to 0 or 2.
int checked_index(int i) {
  if (i < 0) {
    MX_REPORT(tag);
    return 0;
  }
  if (i > 2) {
    MX_REPORT(tag);
    return 2;
  }
  return i;
}

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
  if (!p) {
    MX_REPORT(tag);
    return;
  }
  *this = MxTrianglePar(p[0], p[1], p[2]);
}

double MxTrianglePar::operator[](int i) const {
  return c_[checked_index(i)];
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
  if (level <= MxDebugSummary) return;
  Mx_DebugIndentation(journal, indent);
  journal << "MxTrianglePar( " << c_[0] << ", " << c_[1] << ", " << c_[2] << ")" << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxTrianglePar& p) {
  return journal << "MxTrianglePar( " << p.u() << ", " << p.v() << ", " << p.w() << ")";
}
