// MxUVWVec: index access, normalisation and output.
#include "mxuvwvec.h"

#include "mxcoordinates.h"

namespace {

const char* const tag = "mxuvwvec";

// du, dv and dw.
const int n_components = 3;

} // namespace

MxUVWVec::MxUVWVec(const double* p) {
  mx_detail::copy_coordinates(tag, p, c_);
}

double MxUVWVec::operator[](int i) const {
  return mx_detail::coordinate(tag, c_, i);
}

double& MxUVWVec::operator[](int i) {
  return mx_detail::coordinate(tag, c_, i);
}

void MxUVWVec::normalize() {
  mx_detail::normalize_coordinates(tag, c_, numerical_zero(), length());
}

void MxUVWVec::debug(MxJournal& journal, MxDebug level, bool, int indent) const {
  if (!mx_detail::begin_debug_line(journal, level, indent)) return;
  mx_detail::write_coordinates(journal << "MxUVWVec ", " ( ", c_, n_components, " )") << mxEndExpr;
}

MxJournal& operator<<(MxJournal& journal, const MxUVWVec& v) {
  return mx_detail::write_coordinates(journal, "MxUVWVec( ", v.as_array(), n_components, ")");
}
