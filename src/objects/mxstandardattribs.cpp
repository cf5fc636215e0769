// The standard attributes: MxNameAttrib, MxExtIdAttrib and MxDoubleAttrib.
#include "mxstandardattribs.h"

#include "mxobject.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxNameAttrib);
MX_DEFINE_LIBRARY_CLASS_NAME(MxExtIdAttrib);
MX_DEFINE_LIBRARY_CLASS_NAME(MxDoubleAttrib);

namespace {
// Source tag of the checks of this file.
const char* const tag = "mxstandardattribs";
} // namespace

// ---- MxNameAttrib

MxNameAttrib::MxNameAttrib(const MxString& name) : name_(name) {}

MxNameAttrib::MxNameAttrib(const MxNameAttrib& other) : MxAttrib(other), name_(other.name_) {}

MxNameAttrib& MxNameAttrib::operator=(const MxNameAttrib& other) {
  name_ = other.name_;
  return *this;
}

MxNameAttrib::~MxNameAttrib() = default;

MxDynObj* MxNameAttrib::clone() const {
  return new MxNameAttrib(*this);
}

bool MxNameAttrib::sharable() const {
  return false;
}

bool MxNameAttrib::propagate() const {
  return false;
}

bool MxNameAttrib::invariant(const MxEvent&) const {
  return true;
}

void MxNameAttrib::set_name(const MxString& name) {
  name_ = name; // MxString leaves a self-assignment alone
}

// ---- MxExtIdAttrib

MxExtIdAttrib::MxExtIdAttrib(size_t extid) : extid_(extid) {
  if (extid == illegal_extid_) Mx_assert(tag, __LINE__);
}

MxExtIdAttrib::MxExtIdAttrib(const MxExtIdAttrib& other) : MxAttrib(other), extid_(other.extid_) {}

MxExtIdAttrib& MxExtIdAttrib::operator=(const MxExtIdAttrib& other) {
  extid_ = other.extid_;
  return *this;
}

MxExtIdAttrib::~MxExtIdAttrib() = default;

MxDynObj* MxExtIdAttrib::clone() const {
  return new MxExtIdAttrib(*this);
}

bool MxExtIdAttrib::sharable() const {
  return false;
}

bool MxExtIdAttrib::propagate() const {
  return false;
}

bool MxExtIdAttrib::invariant(const MxEvent&) const {
  return true;
}

void MxExtIdAttrib::set_extid(size_t extid) {
  if (extid == illegal_extid_) {
    Mx_assert(tag, __LINE__);
    return;
  }
  extid_ = extid;
}

size_t MxExtIdAttrib::get_extid_from_object(const MxObject& o) {
  const MxExtIdAttrib* a = cast(o.find_attrib_by_type(type_id()));
  return a ? a->extid_ : illegal_extid_;
}

void MxExtIdAttrib::set_extid_to_object(MxObject& o, size_t extid) {
  if (extid == illegal_extid_) {
    Mx_assert(tag, __LINE__);
    return;
  }
  if (MxExtIdAttrib* a = cast(o.find_attrib_by_type(type_id()))) {
    Mx_assert(tag, __LINE__);
    a->extid_ = extid;
    return;
  }
  o.add_attrib(new MxExtIdAttrib(extid));
}

// ---- MxDoubleAttrib

MxDoubleAttrib::MxDoubleAttrib(Usage usage, double value) : usage_(usage), value_(value) {}

MxDoubleAttrib::MxDoubleAttrib(const MxDoubleAttrib& other)
    : MxAttrib(other), usage_(other.usage_), value_(other.value_) {}

MxDoubleAttrib& MxDoubleAttrib::operator=(const MxDoubleAttrib& other) {
  usage_ = other.usage_;
  value_ = other.value_;
  return *this;
}

MxDoubleAttrib::~MxDoubleAttrib() = default;

MxDynObj* MxDoubleAttrib::clone() const {
  return new MxDoubleAttrib(*this);
}

bool MxDoubleAttrib::sharable() const {
  return false;
}

bool MxDoubleAttrib::propagate() const {
  return false;
}

bool MxDoubleAttrib::invariant(const MxEvent&) const {
  return true;
}

void MxDoubleAttrib::get(Usage& usage, double& value) const {
  usage = usage_;
  value = value_;
}

void MxDoubleAttrib::set_value_to_object(MxObject& o, Usage usage, double value) {
  o.add_attrib(new MxDoubleAttrib(usage, value));
}

bool MxDoubleAttrib::get_value_from_object(const MxObject& o, Usage usage, double& value) {
  value = 0.0;
  MxArray<MxAttrib*, MxAllocator<MxAttrib*>> found;
  const size_t n = o.find_all_attribs_by_type(type_id(), found);
  for (size_t i = 0; i < n; ++i) {
    const MxDoubleAttrib* a = cast(found[i]);
    if (a && a->usage_ == usage) {
      value = a->value_;
      return true;
    }
  }
  return false;
}
