// Dense matrix: see protectedinterfaces/mxmatrix_i.h.
/// \file
#ifndef MXFOUNDATION_MXMATRIX_H
#define MXFOUNDATION_MXMATRIX_H

#include "protectedinterfaces/mxmatrix_t.h"

#endif
