// MxUVWPar: index access and output.
#include "mxuvwpar.h"

#include "mxcoordinates.h"

namespace {

const char* const tag = "mxuvwpar";

// u, v and w.
const int n_coordinates = 3;

} // namespace

MxUVWPar::MxUVWPar(const double* p) {
  mx_detail::copy_coordinates(tag, p, c_);
}

double MxUVWPar::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

double& MxUVWPar::operator[](int i) {
  return mx_detail::coordinate(tag, c_, i);
}

void MxUVWPar::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal << "MxUVWPar ", " ( ", c_, n_coordinates, " )") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVWPar& p) {
  return mx_detail::write_coordinates(journal, "MxUVWPar( ", p.as_array(), n_coordinates, ")");
}
