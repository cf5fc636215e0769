// MxAttrib: data attached to an MxObject.
/// \file
#ifndef MXFOUNDATION_MXATTRIB_H
#define MXFOUNDATION_MXATTRIB_H

#include "mxdynobj.h"
#include "mxexport.h"

class MxEvent;

/// Base of the data items a client attaches to an `MxObject`
/// (`MxObject::add_attrib`). An attribute is reference counted: every object
/// list item and every `MxRCPtr` that holds it counts once, and the last
/// holder to let go deletes it. Derived classes decide whether a copy of the
/// object shares the attribute or gets a clone of it (`sharable`), whether it
/// follows copies at all (`propagate`), and whether it still holds for its
/// object after an event (`invariant`; an attribute that does not is
/// detached by the object). Reports go to the assertion handler with the tag
/// "mxattrib".
class MX_EXPORT MxAttrib : public MxDynObj, public MxRCObj {
  MX_DYNOBJ_TYPE(MxAttrib, MxDynObj)
public:
  ~MxAttrib() override;
  int identity() const override;

  /// True here: a copied object may hold this very attribute.
  virtual bool sharable() const;
  /// True when the attribute follows copies of its object.
  virtual bool propagate() const = 0;
  /// False when the attribute no longer holds for its object after `event`
  /// and must be detached from it.
  virtual bool invariant(const MxEvent& event) const = 0;

  /// Counting; a count found negative (or 0 on `remove_ref`) is reported.
  void add_ref() const override;
  void remove_ref() const override;
  int n_refs() const override;

protected:
  /// A new identity and a count of 0.
  MxAttrib();
  /// A new identity and a count of 0: references are never copied.
  MxAttrib(const MxAttrib& other);
  /// Changes nothing: identity and count stay.
  MxAttrib& operator=(const MxAttrib& other);

private:
  mutable MxRefCounter refs_;
  int identity_;
};

#endif
