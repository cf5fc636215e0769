// MxUVPar: index access and output.
#include "mxuvpar.h"

#include "mxassert.h"

namespace {

const char* const tag = "mxuvpar";

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

MxUVPar::MxUVPar(const double* p) {
  if (!p) {
    MX_REPORT(tag);
    return;
  }
  c_[0] = p[0];
  c_[1] = p[1];
}

double MxUVPar::operator[](int i) const {
  return c_[checked_index(i)];
}

double& MxUVPar::operator[](int i) {
  return c_[checked_index(i)];
}

void MxUVPar::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (level <= MxDebugSummary) return;
  Mx_DebugIndentation(journal, indent);
  journal << "MxUVPar "
          << " ( " << c_[0] << ", " << c_[1] << " )" << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVPar& p) {
  return journal << "MxUVPar( " << p.u() << ", " << p.v() << ")";
}
