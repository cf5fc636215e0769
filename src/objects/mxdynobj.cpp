// The runtime-typed roots: MxDynObj, MxRCObj and MxInterface.
#include "mxdynobj.h"

#include <climits>

std::atomic<int> MxDynObj::IDENTITY_INDEX{1};

MX_DEFINE_LIBRARY_CLASS_NAME(MxDynObj);
MX_DEFINE_LIBRARY_CLASS_NAME(MxInterface);

MxDynObj::~MxDynObj() = default;

const char* MxDynObj::classname() const {
  return type()->as_const_c_string();
}

int MxDynObj::next_identity() {
  int identity = IDENTITY_INDEX.load(std::memory_order_relaxed);
  while (!IDENTITY_INDEX.compare_exchange_weak(identity, identity == INT_MAX ? 1 : identity + 1,
                                               std::memory_order_relaxed)) {
  }
  if (identity == INT_MAX) MX_REPORT("mxdynobj");
  return identity;
}

MxIdentity::MxIdentity() : value_(MxDynObj::next_identity()) {}

MxIdentity::MxIdentity(const MxIdentity&) : value_(MxDynObj::next_identity()) {}

MxRCObj::~MxRCObj() = default;

MxInterface::~MxInterface() = default;

MxInterface* MxInterface::query_interface(const MxString* id) const {
  return id == interface_id() ? const_cast<MxInterface*>(this) : nullptr;
}
