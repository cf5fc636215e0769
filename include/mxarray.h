// Growable array: see protectedinterfaces/mxarray_i.h.
/// \file
#ifndef MXFOUNDATION_MXARRAY_H
#define MXFOUNDATION_MXARRAY_H

#include "protectedinterfaces/mxarray_t.h"

#endif
