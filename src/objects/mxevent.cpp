// Events: MxEvent, MxObjectModified and MxObjectDelete.
#include "mxevent.h"

MX_DEFINE_LIBRARY_CLASS_NAME(MxEvent);
MX_DEFINE_LIBRARY_CLASS_NAME(MxObjectModified);
MX_DEFINE_LIBRARY_CLASS_NAME(MxObjectDelete);

MxEvent::MxEvent() : MxDynObj(), identity_(next_identity()) {}

MxEvent::MxEvent(const MxEvent& other) : MxDynObj(other), identity_(next_identity()) {}

MxEvent::~MxEvent() = default;

MxEvent& MxEvent::operator=(const MxEvent&) {
  return *this;
}

int MxEvent::identity() const {
  return identity_;
}

MxObjectModified::MxObjectModified(int object_id) : object_id_(object_id) {}

MxObjectModified::MxObjectModified(const MxObjectModified& other)
    : MxEvent(other), object_id_(other.object_id_) {}

MxObjectModified::~MxObjectModified() = default;

MxDynObj* MxObjectModified::clone() const {
  return new MxObjectModified(*this);
}

MxObjectDelete::MxObjectDelete(int object_id) : object_id_(object_id) {}

MxObjectDelete::MxObjectDelete(const MxObjectDelete& other)
    : MxEvent(other), object_id_(other.object_id_) {}

MxObjectDelete::~MxObjectDelete() = default;

MxDynObj* MxObjectDelete::clone() const {
  return new MxObjectDelete(*this);
}
