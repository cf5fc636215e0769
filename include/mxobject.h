// MxObject: the base class of client model objects, with their attributes
// and reactors.
/// \file
#ifndef MXFOUNDATION_MXOBJECT_H
#define MXFOUNDATION_MXOBJECT_H

#include "mxarray.h"
#include "mxdynobj.h"
#include "mxexport.h"
#include "mxjournal.h"

#include <cstddef>

class MxAttrib;
class MxEvent;
class MxReactor;

namespace mx_detail {
struct MxObjectLists;
} // namespace mx_detail

/// Base class of the client's model objects. On top of runtime typing, an
/// identity and a reference count, an object carries two lists: attributes
/// (`MxAttrib`, data attached to it) and reactors (`MxReactor`, observers).
///
/// Ownership: the object owns the block holding the two lists (created by
/// the first `add_attrib` or `add_reactor`, freed with the object); each list
/// item holds one counted reference to its attribute or reactor, so
/// detaching the last holder deletes it. The `find_*` operations hand out
/// plain pointers and no reference.
///
/// Lists run from the most recently added item to the oldest, and every walk
/// goes in that order. `notify()` (and the destructor) first asks every
/// attribute whether it still holds (`invariant`), then detaches those that
/// do not, then hands the event to every reactor (`react`). During these
/// walks each attribute or reactor is held by a counted reference while it is
/// called, so it may detach itself or others; one detached during a walk is
/// not called afterwards, one added during a walk is called from the next
/// walk on. Null items (adding null is allowed) are kept but skipped by every
/// walk.
///
/// Copying (copy constructor, assignment) adds the attributes and reactors
/// of the source that `propagate()`: the same one when it is `sharable()`,
/// otherwise a clone of it. The copy holds them in the reverse of the
/// source's order. Identity and count are never copied.
class MX_EXPORT MxObject : public MxDynObj, public MxRCObj {
  MX_DYNOBJ_TYPE(MxObject, MxDynObj)
public:
  /// `p` as an `MxObject` when it is one; otherwise null, reported to the
  /// assertion handler (tag "mxobject"), also when `p` is null.
  static MxObject* cast(MxDynObj* p);
  /// `p` as a const MxObject when it is one, otherwise null.
  static const MxObject* cast(const MxDynObj* p);

  /// No lists, a count of 0, a new identity.
  MxObject();
  /// As `MxObject()`, then the attributes and reactors of `other` are copied
  /// as by assignment.
  MxObject(const MxObject& other);
  /// Tells attributes and reactors about the destruction (`MxObjectDelete`
  /// naming this object), then releases every list item.
  ~MxObject() override;

  int identity() const override;
  /// Writes nothing here; derived classes dump themselves.
  virtual void debug(MxJournal& journal, MxDebug level, bool flag, int indent) const;
  /// Null for every identifier here.
  virtual MxInterface* get_interface(const MxString* id) const;
  /// Modification notification: an `MxObjectModified` naming `identity()`
  /// goes to the attributes (`notify_attribs`), then a second one to the
  /// reactors (`notify_reactors`).
  virtual void notify();

  /// Counting; a count found negative (or 0 on `remove_ref`) is reported.
  void add_ref() const override;
  void remove_ref() const override;
  int n_refs() const override;

  /// Adds `a` at the head of the attributes (the list takes a reference).
  /// No duplicate check: adding twice gives two items.
  void add_attrib(MxAttrib* a);
  /// Removes the first item holding `a`, releasing its reference (which
  /// deletes `a` when no one else holds it). An `a` that the object does not
  /// hold is left alone.
  void detach_attrib(MxAttrib* a);
  /// Removes every attribute item.
  void detach_all_attribs();
  /// Has no effect: attributes leave an object by being detached.
  void destroy_all_attribs();
  /// First attribute with identity `id`, or null.
  MxAttrib* find_attrib_by_id(int id) const;
  /// First attribute that `isA(t)`, or null.
  MxAttrib* find_attrib_by_type(const MxString* t) const;
  /// Empties `out`, appends every attribute that `isA(t)` in list order and
  /// returns the new size of `out`.
  size_t find_all_attribs_by_type(const MxString* t,
                                  MxArray<MxAttrib*, MxAllocator<MxAttrib*>>& out) const;

  /// Adds `r` at the head of the reactors (the list takes a reference).
  void add_reactor(MxReactor* r);
  /// Removes the first item holding `r`, as `detach_attrib` does.
  void detach_reactor(MxReactor* r);
  /// Removes every reactor item.
  void detach_all_reactors();
  /// First reactor with identity `id`, or null.
  MxReactor* find_reactor_by_id(int id) const;
  /// First reactor that `isA(t)`, or null.
  MxReactor* find_reactor_by_type(const MxString* t) const;

  /// Asks every attribute whether it still holds after `e`; once all have
  /// answered, detaches those that do not (first matching item each).
  void notify_attribs(const MxEvent& e);
  /// Calls `react(e)` on every reactor, from the head.
  void notify_reactors(const MxEvent& e);

protected:
  /// Adds the attributes and reactors of `other` (see the class comment);
  /// the existing ones are kept. Assigning an object to itself does nothing.
  MxObject& operator=(const MxObject& other);

private:
  /// Creates the list block when there is none.
  void construct_rtx() const;
  void copy_items_from(const MxObject& other);

  mutable mx_detail::MxObjectLists* rtx_ = nullptr;
  mutable MxRefCounter refs_;
  int identity_;
};

#endif
