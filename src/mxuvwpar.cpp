// MxUVWPar: index access and output.
#include "mxuvwpar.h"

#include "mxassert.h"

namespace {

const char* const tag = "mxuvwpar";

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

MxUVWPar::MxUVWPar(const double* p) {
  if (!p) {
    MX_REPORT(tag);
    return;
  }
  c_[0] = p[0];
  c_[1] = p[1];
  c_[2] = p[2];
}

double MxUVWPar::operator[](int i) const {
  return c_[checked_index(i)];
}

double& MxUVWPar::operator[](int i) {
  return c_[checked_index(i)];
}

void MxUVWPar::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (level <= MxDebugSummary) return;
  Mx_DebugIndentation(journal, indent);
  journal << "MxUVWPar "
          << " ( " << c_[0] << ", " << c_[1] << ", " << c_[2] << " )" << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVWPar& p) {
  return journal << "MxUVWPar( " << p.u() << ", " << p.v() << ", " << p.w() << ")";
}
