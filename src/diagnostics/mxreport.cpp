// The abstract base of identified report objects.
#include "mxreport.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxReport);

MxReport::MxReport() = default;

MxReport::MxReport(const MxReport& other) = default;

MxReport& MxReport::operator=(const MxReport&) {
  return *this;
}

MxReport::~MxReport() = default;

int MxReport::identity() const {
  return identity_.value();
}
