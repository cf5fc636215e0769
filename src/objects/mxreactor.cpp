// MxReactor: identity and reference counting of reactors.
#include "mxreactor.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxReactor);

namespace {
// Source tag of the counting checks.
const char* const tag = "mxreactor";
} // namespace

MxReactor::MxReactor() : MxRCObj(), MxDynObj(), identity_(next_identity()) {}

MxReactor::MxReactor(const MxReactor& other)
    : MxRCObj(other), MxDynObj(other), identity_(next_identity()) {}

MxReactor::~MxReactor() = default;

MxReactor& MxReactor::operator=(const MxReactor&) {
  return *this;
}

int MxReactor::identity() const {
  return identity_;
}

void MxReactor::add_ref() const {
  refs_.add(tag, __LINE__);
}

void MxReactor::remove_ref() const {
  refs_.remove(tag, __LINE__);
}

int MxReactor::n_refs() const {
  return refs_.get(tag, __LINE__);
}

bool MxReactor::sharable() const {
  return true;
}
