// Ordered map over the red-black tree: see protectedinterfaces/mxmap_i.h.
/// \file
#ifndef MXFOUNDATION_MXMAP_H
#define MXFOUNDATION_MXMAP_H

#include "protectedinterfaces/mxmap_t.h"

#endif
