// Closed intervals of doubles: see protectedinterfaces/mxinterval_i.h.
/// \file
#ifndef MXFOUNDATION_MXINTERVAL_H
#define MXFOUNDATION_MXINTERVAL_H

#include "protectedinterfaces/mxinterval_i.h"

#endif
