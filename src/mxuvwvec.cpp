// MxUVWVec: index access, normalisation and output.
#include "mxuvwvec.h"

#include "mxassert.h"

namespace {

const char* const tag = "mxuvwvec";

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

MxUVWVec::MxUVWVec(const double* p) {
  if (!p) {
    MX_REPORT(tag);
    return;
  }
  c_[0] = p[0];
  c_[1] = p[1];
  c_[2] = p[2];
}

double MxUVWVec::operator[](int i) const {
  return c_[checked_index(i)];
}

double& MxUVWVec::operator[](int i) {
  return c_[checked_index(i)];
}

void MxUVWVec::normalize() {
  if (numerical_zero()) {
    MX_REPORT(tag);
    return;
  }
  const double len = length();
  c_[0] /= len;
  c_[1] /= len;
  c_[2] /= len;
}

void MxUVWVec::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (level <= MxDebugSummary) return;
  Mx_DebugIndentation(journal, indent);
  journal << "MxUVWVec "
          << " ( " << c_[0] << ", " << c_[1] << ", " << c_[2] << " )" << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVWVec& v) {
  return journal << "MxUVWVec( " << v.du() << ", " << v.dv() << ", " << v.dw() << ")";
}
