// MxAttrib: identity and reference counting of attributes.
#include "mxattrib.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxAttrib);

namespace {
// Source tag of the counting checks.
const char* const tag = "mxattrib";
} // namespace

MxAttrib::MxAttrib() : MxDynObj(), MxRCObj(), identity_(next_identity()) {}

MxAttrib::MxAttrib(const MxAttrib& other)
    : MxDynObj(other), MxRCObj(other), identity_(next_identity()) {}

MxAttrib::~MxAttrib() = default;

MxAttrib& MxAttrib::operator=(const MxAttrib&) {
  return *this;
}

int MxAttrib::identity() const {
  return identity_;
}

bool MxAttrib::sharable() const {
  return true;
}

void MxAttrib::add_ref() const {
  refs_.add(tag, __LINE__);
}

void MxAttrib::remove_ref() const {
  refs_.remove(tag, __LINE__);
}

int MxAttrib::n_refs() const {
  return refs_.get(tag, __LINE__);
}
