// The dependency vocabulary: roles, filters, type names and the shape check.
#include "mxobjectdependency.h"
#include "mxobjdependency.h"

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
// Shape check. The steps run in this order and the first that decides wins;
// the result is the table of admitted shapes of MxObjectDependency::Type.
// An ABSORPTION without any source is refused as well: it would store a link
// from the null-object node that is not a CREATION, an invalid graph at once.

bool MxObjDependency::check_dependency(int n_sources, int n_targets, Type type) {
  const int s = n_sources;
  const int t = n_targets;
  if (type < TRANSFER || type > CONTAINMENT) return false;
  if (s <= 0 && t <= 0) return false;
  if (!(s == 1 && t == 1)) {
    if (type == MODIFICATION || type == CONVERSION) return false;
    if (type == CREATION && t != 1) return false;
    if (!(s > 0 && t < 1) && (type == TRANSFER || type == DELETION)) return false;
  }
  if (s == 1 && t == 1 && (type == TRANSFER || type == DELETION)) return false;
  if (!(s == 1 && t > 1)) {
    if (type == SPLIT || type == CONTAINMENT) return false;
    if (t == 1) return !(type == ABSORPTION && s <= 0);
  }
  return type != ABSORPTION;
}
