// The shapes of dependency that recording admits, one row per type: how
// many sources and targets, and whether anything is stored. The graph's
// shape check and the lineage tool's messages both read this table.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_SHAPES_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_SHAPES_H

#include "mxobjectdependency.h"

#include <climits>

namespace mx_detail {

/// The counts of sources and targets one type admits, both bounds included.
struct Shape {
  int min_sources;
  int max_sources;
  int min_targets;
  int max_targets;
  bool stored;      ///< false: admitted, but nothing is recorded
  const char* rule; ///< the rule in words
};

constexpr int kAny = INT_MAX;

/// Indexed by type; UNSPECIFIED is never admitted.
constexpr Shape kShapes[] = {
    {1, 0, 1, 0, false, "UNSPECIFIED dependencies are never recorded"},
    {1, kAny, 0, 0, false, "a TRANSFER has one or more sources and no target"},
    {0, kAny, 1, 1, true, "a CREATION has exactly one target"},
    {1, kAny, 0, 0, true, "a DELETION has one or more sources and no target"},
    {1, 1, 1, 1, true, "a MODIFICATION has exactly one source and one target"},
    {1, 1, 2, kAny, true, "a SPLIT has exactly one source and two or more targets"},
    {1, kAny, 1, 1, true, "an ABSORPTION has one or more sources and exactly one target"},
    {1, 1, 1, 1, true, "a CONVERSION has exactly one source and one target"},
    {1, 1, 2, kAny, true, "a CONTAINMENT has exactly one source and two or more targets"},
};

/// The row of `type`; types outside the table get UNSPECIFIED's.
inline const Shape& shape_of(MxObjectDependency::Type type) {
  const int count = static_cast<int>(sizeof(kShapes) / sizeof(kShapes[0]));
  return kShapes[type > 0 && type < count ? type : 0];
}

/// Whether `type` admits `sources` sources and `targets` targets.
inline bool admits(MxObjectDependency::Type type, int sources, int targets) {
  const Shape& s = shape_of(type);
  return sources >= s.min_sources && sources <= s.max_sources && targets >= s.min_targets &&
         targets <= s.max_targets;
}

} // namespace mx_detail

#endif
