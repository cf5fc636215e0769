// The operation behaviour registry: a process-wide table of small behaviour
// codes, set and read by (operation, integer key).
//
// Operations are identified by the address of an MxString, in the manner of
// the library's type identifiers, and are compared by that address, never by
// text. The library stores what clients set and hands it back; it gives the
// keys and codes no meaning. One instance is current at any time: a built-in
// default instance lives from library load to unload, and clients may install
// their own, which the library does not own and which must outlive its use.
/// \file
#ifndef MXFOUNDATION_MXOPERATIONBEHAVIOUR_H
#define MXFOUNDATION_MXOPERATIONBEHAVIOUR_H

#include "mxexport.h"
#include "mxmap.h"
#include "mxstring.h"

/// Abstract registry of behaviour codes; see the file comment.
class MX_EXPORT MxOperationBehaviour {
public:
  MxOperationBehaviour() = default;
  /// Copy constructor.
  MxOperationBehaviour(const MxOperationBehaviour&) {}
  /// Copy assignment.
  MxOperationBehaviour& operator=(const MxOperationBehaviour&) { return *this; }
  virtual ~MxOperationBehaviour();

  /// Records `behaviour` for (`operation`, `key`).
  virtual void set_behaviour(const MxString* operation, int key, short behaviour) = 0;
  /// The code recorded for (`operation`, `key`).
  virtual short get_behaviour(const MxString* operation, int key) = 0;

  /// The current instance; the default one when none has been installed.
  static MxOperationBehaviour* get_instance();
  /// Makes `instance` current. Null empties the default instance (every code
  /// set in it is dropped) and makes it current again.
  static void set_instance(MxOperationBehaviour* instance);

private:
  static MxOperationBehaviour* the_instance_;
};

/// The standard registry: for each operation, a map from key to code. The
/// first code set for a pair stays; pairs never set answer 0, so a stored 0
/// cannot be told from a missing code.
class MX_EXPORT MxOperationBehaviourImplementation : public MxOperationBehaviour {
public:
  MxOperationBehaviourImplementation() = default;
  /// Copy constructor.
  MxOperationBehaviourImplementation(const MxOperationBehaviourImplementation&) = default;
  MxOperationBehaviourImplementation&
  /// Copy assignment.
  operator=(const MxOperationBehaviourImplementation&) = default;
  ~MxOperationBehaviourImplementation() override;

  /// Stores `behaviour` unless (`operation`, `key`) already has a code.
  void set_behaviour(const MxString* operation, int key, short behaviour) override;
  /// The stored code, or 0 when the operation or the key has none.
  short get_behaviour(const MxString* operation, int key) override;

  /// Drops every operation and code.
  void clear() { registry_.clear(); }

private:
  MxMap<const MxString*, MxMap<int, short>> registry_;
};

#endif
