// MxFoundation: the whole public interface in one include.
/// \file
#ifndef MXFOUNDATION_MXFOUNDATION_H
#define MXFOUNDATION_MXFOUNDATION_H

// Failure channel and version
#include "mxassert.h"
#include "mxexport.h"
#include "mxversion.h"

// Sequence containers and string
#include "mxarray.h"
#include "mxautoptr.h"
#include "mxchunk.h"
#include "mxcompare.h"
#include "mxiterator.h"
#include "mxlinklist.h"
#include "mxlist.h"
#include "mxstring.h"

// Keyed containers
#include "mxhash.h"
#include "mxheap.h"
#include "mxmap.h"
#include "mxrbt.h"

// Object model
#include "mxattrib.h"
#include "mxclassnames.h"
#include "mxdynobj.h"
#include "mxevent.h"
#include "mxobject.h"
#include "mxobjtable.h"
#include "mxoperationbehaviour.h"
#include "mxrcptr.h"
#include "mxreactor.h"
#include "mxstandardattribs.h"

// Object lineage graph
#include "mxobjdependency.h"
#include "mxobjectdependency.h"

// Diagnostics and reporting
#include "mx_times.h"
#include "mxarraydebug.h"
#include "mxerr.h"
#include "mxjournal.h"
#include "mxprogress.h"
#include "mxreport.h"
#include "mxresult.h"
#include "mxstreamjournal.h"
#include "mxstringjournal.h"
#include "mxtimer.h"

// Geometry and numerics
#include "mx_utils.h"
#include "mxedgesorter.h"
#include "mxinterval.h"
#include "mxmatrix.h"
#include "mxtrianglepar.h"
#include "mxtrianglevec.h"
#include "mxuvpar.h"
#include "mxuvvec.h"
#include "mxuvwpar.h"
#include "mxuvwvec.h"

#endif
