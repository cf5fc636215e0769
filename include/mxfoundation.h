// MxFoundation: the whole public interface in one include.
#ifndef MXFOUNDATION_MXFOUNDATION_H
#define MXFOUNDATION_MXFOUNDATION_H

#include "mxexport.h"
#include "mxassert.h"
#include "mxarray.h"

#endif
