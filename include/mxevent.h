// Events: what an object tells its attributes and reactors about itself.
/// \file
#ifndef MXFOUNDATION_MXEVENT_H
#define MXFOUNDATION_MXEVENT_H

#include "mxdynobj.h"
#include "mxexport.h"

/// Base of the events an `MxObject` hands to its attributes (`invariant`)
/// and reactors (`react`). An event is a short-lived value built by the
/// object for one notification; it carries its own identity, taken at
/// construction (a copy takes a new one). Derive from it for events of your
/// own; assignment is not available.
class MX_EXPORT MxEvent : public MxDynObj {
  MX_DYNOBJ_TYPE(MxEvent, MxDynObj)
public:
  ~MxEvent() override;
  int identity() const override;

protected:
  MxEvent();
  /// Copy constructor.
  MxEvent(const MxEvent& other);

private:
  /// Changes nothing: an event keeps its identity.
  MxEvent& operator=(const MxEvent& other);

  int identity_;
};

/// The object whose identity is `object_id()` has been modified
/// (`MxObject::notify`).
class MX_EXPORT MxObjectModified : public MxEvent {
  MX_DYNOBJ_TYPE(MxObjectModified, MxEvent)
public:
  /// The modification event of the object whose identity is `object_id`.
  explicit MxObjectModified(int object_id);
  /// Same object id, new identity.
  MxObjectModified(const MxObjectModified& other);
  ~MxObjectModified() override;

  /// A new heap event with the same object id; the caller owns it.
  MxDynObj* clone() const override;
  /// Identity of the object concerned.
  int object_id() const { return object_id_; }

private:
  MxObjectModified() = delete;
  MxObjectModified& operator=(const MxObjectModified&) = delete;

  int object_id_;
};

/// The object whose identity is `object_id()` is being destroyed.
class MX_EXPORT MxObjectDelete : public MxEvent {
  MX_DYNOBJ_TYPE(MxObjectDelete, MxEvent)
public:
  /// The deletion event of the object whose identity is `object_id`.
  explicit MxObjectDelete(int object_id);
  /// Same object id, new identity.
  MxObjectDelete(const MxObjectDelete& other);
  ~MxObjectDelete() override;

  /// A new heap event with the same object id; the caller owns it.
  MxDynObj* clone() const override;
  /// Identity of the object concerned.
  int object_id() const { return object_id_; }

private:
  MxObjectDelete() = delete;
  MxObjectDelete& operator=(const MxObjectDelete&) = delete;

  int object_id_;
};

#endif
