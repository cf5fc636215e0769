// Value lists, queues and stacks: see protectedinterfaces/mxlist_i.h.
/// \file
#ifndef MXFOUNDATION_MXLIST_H
#define MXFOUNDATION_MXLIST_H

#include "protectedinterfaces/mxlist_i.h"
#include "protectedinterfaces/mxlist_t.h"

#endif
