// MxAttrib: identity and reference counting of attributes.
#include "mxattrib.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxAttrib);

namespace {
// Source tag and the lines under which the counting checks report.
const char* const tag = "mxattrib";
constexpr int n_refs_line = 130;
constexpr int add_ref_line = 139;
constexpr int remove_ref_line = 148;
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
  refs_.add(tag, add_ref_line);
}

void MxAttrib::remove_ref() const {
  refs_.remove(tag, remove_ref_line);
}

int MxAttrib::n_refs() const {
  return refs_.get(tag, n_refs_line);
}
