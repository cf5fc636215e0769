// Binary heap and priority queue: see protectedinterfaces/mxheap_i.h.
/// \file
#ifndef MXFOUNDATION_MXHEAP_H
#define MXFOUNDATION_MXHEAP_H

#include "protectedinterfaces/mxpriqueue_t.h"

#endif
