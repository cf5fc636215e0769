// The dependency vocabulary: roles, filters, type names and the shape check.
#include "mxobjectdependency.h"
#include "mxobjdependency.h"
#include "mxobjdependency_shapes.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxObjectDependencyRole);
MX_DEFINE_LIBRARY_CLASS_NAME(MxArtificialObjectDependency);

// ---------------------------------------------------------------------------
// Roles

MxObjectDependencyRole::MxObjectDependencyRole() : identity_(next_identity()) {}

MxObjectDependencyRole::MxObjectDependencyRole(const MxObjectDependencyRole& other)
    : MxDynObj(other), identity_(other.identity_) {}

MxObjectDependencyRole& MxObjectDependencyRole::operator=(const MxObjectDependencyRole& other) {
  identity_ = other.identity_;
  return *this;
}

MxObjectDependencyRole::~MxObjectDependencyRole() = default;

int MxObjectDependencyRole::identity() const {
  return identity_;
}

// The artificial role takes a fresh identity in every constructor, the copy
// constructor included, so it builds its base with the default constructor.
MxArtificialObjectDependency::MxArtificialObjectDependency() = default;

MxArtificialObjectDependency::MxArtificialObjectDependency(const MxArtificialObjectDependency&)
    : MxObjectDependencyRole() {}

MxArtificialObjectDependency&
MxArtificialObjectDependency::operator=(const MxArtificialObjectDependency&) {
  return *this;
}

MxArtificialObjectDependency::~MxArtificialObjectDependency() = default;

MxDynObj* MxArtificialObjectDependency::clone() const {
  return new MxArtificialObjectDependency();
}

// ---------------------------------------------------------------------------
// Interface and filters

MxObjectDependency::~MxObjectDependency() = default;

const char* MxObjectDependency::type_name(int type) {
  static const char* const names[] = {"UNSPECIFIED", "TRANSFER",     "CREATION",
                                      "DELETION",    "MODIFICATION", "SPLIT",
                                      "ABSORPTION",  "CONVERSION",   "CONTAINMENT"};
  if (type < 0 || type > 8) return "unknown";
  return names[type];
}

MxObjectDependencyFilter::~MxObjectDependencyFilter() = default;

MxObjectDependencyNodeFilter::~MxObjectDependencyNodeFilter() = default;

// ---------------------------------------------------------------------------
// Shape check: the table of admitted shapes (mxobjdependency_shapes.h). An
// ABSORPTION without any source is refused: it would store a link from the
// null-object node that is not a CREATION, an invalid graph at once.

bool MxObjDependency::check_dependency(int n_sources, int n_targets, Type type) {
  return mx_detail::admits(type, n_sources, n_targets);
}
