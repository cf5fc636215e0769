// MxReactor: identity and reference counting of reactors.
#include "mxreactor.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxReactor);

namespace {
// Source tag and the lines under which the counting checks report.
const char* const tag = "mxreactor";
constexpr int n_refs_line = 123;
constexpr int add_ref_line = 132;
constexpr int remove_ref_line = 141;
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
  refs_.add(tag, add_ref_line);
}

void MxReactor::remove_ref() const {
  refs_.remove(tag, remove_ref_line);
}

int MxReactor::n_refs() const {
  return refs_.get(tag, n_refs_line);
}

bool MxReactor::sharable() const {
  return true;
}
