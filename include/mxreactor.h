// MxReactor: an observer of an MxObject.
/// \file
#ifndef MXFOUNDATION_MXREACTOR_H
#define MXFOUNDATION_MXREACTOR_H

#include "mxdynobj.h"
#include "mxexport.h"

class MxEvent;

/// Base of the observers a client attaches to an `MxObject`
/// (`MxObject::add_reactor`): the object hands every modification and its
/// destruction to `react`. A reactor is reference counted like an attribute
/// (the last holder to let go deletes it) and follows copies of its object
/// by the same `propagate` / `sharable` rules. Reports go to the assertion
/// handler with the tag "mxreactor".
class MX_EXPORT MxReactor : public MxRCObj, public MxDynObj {
  MX_DYNOBJ_TYPE(MxReactor, MxDynObj)
public:
  ~MxReactor() override;
  int identity() const override;

  /// Counting; a count found negative (or 0 on `remove_ref`) is reported.
  void add_ref() const override;
  void remove_ref() const override;
  int n_refs() const override;

  /// True here: a copied object may hold this very reactor.
  virtual bool sharable() const;
  /// True when the reactor follows copies of its object.
  virtual bool propagate() const = 0;
  /// The reactor's response to an event of the object it is attached to.
  /// The object holds a reference to the reactor for the length of the
  /// call, so the reactor may detach itself (or others) from the object.
  virtual void react(const MxEvent& event) = 0;

protected:
  /// A new identity and a count of 0.
  MxReactor();
  /// A new identity and a count of 0: references are never copied.
  MxReactor(const MxReactor& other);
  /// Changes nothing: identity and count stay.
  MxReactor& operator=(const MxReactor& other);

private:
  mutable MxRefCounter refs_;
  int identity_;
};

#endif
