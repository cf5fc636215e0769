// MxFoundation: the whole public interface in one include.
#ifndef MXFOUNDATION_MXFOUNDATION_H
#define MXFOUNDATION_MXFOUNDATION_H

// Failure channel
#include "mxexport.h"
#include "mxassert.h"

// Sequence containers and string
#include "mxarray.h"
#include "mxlinklist.h"
#include "mxlist.h"
#include "mxiterator.h"
#include "mxautoptr.h"
#include "mxcompare.h"
#include "mxstring.h"
#include "mxchunk.h"

// Keyed containers
#include "mxheap.h"
#include "mxhash.h"
#include "mxrbt.h"
#include "mxmap.h"

// Object model
#include "mxclassnames.h"
#include "mxdynobj.h"
#include "mxrcptr.h"
#include "mxevent.h"
#include "mxattrib.h"
#include "mxreactor.h"
#include "mxobject.h"
#include "mxstandardattribs.h"
#include "mxobjtable.h"
#include "mxoperationbehaviour.h"

// Object lineage graph
#include "mxobjectdependency.h"
#include "mxobjdependency.h"

// Diagnostics and reporting
#include "mxjournal.h"
#include "mxstreamjournal.h"
#include "mxstringjournal.h"
#include "mxresult.h"
#include "mxerr.h"
#include "mxreport.h"
#include "mxprogress.h"
#include "mxtimer.h"
#include "mx_times.h"
#include "mxarraydebug.h"

// Geometry and numerics
#include "mxinterval.h"
#include "mxuvvec.h"
#include "mxuvpar.h"
#include "mxuvwvec.h"
#include "mxuvwpar.h"
#include "mxtrianglevec.h"
#include "mxtrianglepar.h"
#include "mxmatrix.h"
#include "mxedgesorter.h"
#include "mx_utils.h"

#endif
