// MxUVPar: index access and output.
#include "mxuvpar.h"

#include "mxcoordinates.h"

namespace {

const char* const tag = "mxuvpar";

} // namespace

MxUVPar::MxUVPar(const double* p) {
  mx_detail::copy_coordinates(tag, p, c_);
}

double MxUVPar::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

double& MxUVPar::operator[](int i) {
  return mx_detail::coordinate(tag, c_, i);
}

void MxUVPar::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal << "MxUVPar ", " ( ", c_, dim(), " )") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVPar& p) {
  return mx_detail::write_coordinates(journal, "MxUVPar( ", p.as_array(), MxUVPar::dim(), ")");
}
