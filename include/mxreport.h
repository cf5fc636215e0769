// MxReport: the abstract base of identified report objects.
/// \file
#ifndef MXFOUNDATION_MXREPORT_H
#define MXFOUNDATION_MXREPORT_H

#include "mxdynobj.h"
#include "mxexport.h"

/// Base class for client report objects: a runtime-typed object with the
/// class name "MxReport" and its own identity, taken in both constructors
/// (a copy gets a new one; assignment keeps it). Derived classes implement
/// `clone()`.
class MX_EXPORT MxReport : public MxDynObj {
  MX_DYNOBJ_TYPE(MxReport, MxDynObj)

public:
  ~MxReport() override;
  int identity() const override;

protected:
  MxReport();
  /// Copy constructor.
  MxReport(const MxReport& other);
  /// Changes nothing.
  MxReport& operator=(const MxReport& other);

private:
  MxIdentity identity_;
};

#endif
