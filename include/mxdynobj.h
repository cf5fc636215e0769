// The roots of the object model: runtime typing, identities, reference
// counting and interface queries.
//
// Runtime typing. Every class of the MxDynObj family owns a static class-name
// string `class_name_` whose text is the class name; the address of that
// string is the class's type identifier (`type_id()`), and two identifiers are
// equal exactly when the addresses are. `isA(t)` compares `t` with the class's
// own identifier and otherwise asks its direct base class, so an object `isA`
// every class on its chain up to MxDynObj and nothing else. No string is ever
// compared and the language's run-time type information is not used.
//
// A class of the family declares its typing in one line, first in its body:
//
//   class MyShape : public MxObject {
//     MX_DYNOBJ_TYPE(MyShape, MxObject)
//     MX_DYNOBJ_CAST(MyShape)            // optional: MyShape::cast(p)
//   public:
//     ...
//   };
//
// and defines its class-name string once in its source file, with
// MX_DEFINE_CLASS_NAME(MyShape) (library classes use
// MX_DEFINE_LIBRARY_CLASS_NAME, see mxclassnames.h). The free templates
// `mx_isa<T>(p)` and `mx_cast<T>(p)` work for every class of the family.
//
// Identities. Identified classes take `next_identity()` in their default and
// copy constructors: the value of the process-wide counter IDENTITY_INDEX,
// which starts at 1 and goes up by one per identity. Copies therefore get new,
// larger identities, and assignment never changes one. An MxIdentity member
// does all of this by itself.
//
// Reference counting. MxRCObj is the counting interface; MxRefCounter is the
// counter every counted class keeps (see its checks), and MxRCPtr<T>
// (mxrcptr.h) is the holder whose last release deletes the object.
/// \file
#ifndef MXFOUNDATION_MXDYNOBJ_H
#define MXFOUNDATION_MXDYNOBJ_H

#include "mxassert.h"
#include "mxclassnames.h"
#include "mxexport.h"
#include "mxstring.h"

#include <atomic>

/// Declares the runtime typing of `Class`, whose direct base in the type
/// chain is `Parent`: the static `type_id()`, the overrides of `class_name()`,
/// `type()` and `isA()`, and the protected static `class_name_`. Put it first
/// in the class body; it leaves the access at `private`.
#define MX_DYNOBJ_TYPE(Class, Parent)                                                              \
public:                                                                                            \
  static const MxString* type_id() {                                                               \
    return &class_name_;                                                                           \
  }                                                                                                \
  const MxString& class_name() const override {                                                    \
    return class_name_;                                                                            \
  }                                                                                                \
  const MxString* type() const override {                                                          \
    return &class_name_;                                                                           \
  }                                                                                                \
  bool isA(const MxString* t) const override {                                                     \
    return t == &class_name_ || Parent::isA(t);                                                    \
  }                                                                                                \
                                                                                                   \
protected:                                                                                         \
  static const MxString& class_name_;                                                              \
                                                                                                   \
private:

/// Declares the static `Class::cast(p)` pair: `p` converted to `Class` when it
/// is not null and `isA(Class::type_id())`, otherwise null, silently. It
/// leaves the access at `private`.
#define MX_DYNOBJ_CAST(Class)                                                                      \
public:                                                                                            \
  static Class* cast(MxDynObj* p) {                                                                \
    return mx_cast<Class>(p);                                                                      \
  }                                                                                                \
  static const Class* cast(const MxDynObj* p) {                                                    \
    return mx_cast<Class>(p);                                                                      \
  }                                                                                                \
                                                                                                   \
private:

/// Defines the class-name string of a client class `Class` (an unqualified
/// name, used inside the class's namespace) in its source file. The text is
/// built during that file's static initialisation; the type identifier is
/// valid from the start.
#define MX_DEFINE_CLASS_NAME(Class)                                                                \
  static const MxString mx_class_name_text_##Class(#Class);                                        \
  const MxString& Class::class_name_ = mx_class_name_text_##Class

/// An object that knows its class at run time, can clone itself and carries
/// an integer identity. It has no data of its own; derived classes own their
/// identity and implement `clone()` and `identity()`.
class MX_EXPORT MxDynObj {
public:
  virtual ~MxDynObj();
  /// The class's class-name string.
  virtual const MxString& class_name() const { return class_name_; }
  /// The class's type identifier: the address of its class-name string.
  virtual const MxString* type() const { return &class_name_; }
  /// A new heap copy of the object (with a fresh identity where it has one).
  virtual MxDynObj* clone() const = 0;
  /// True when `type` identifies this class or a class of its chain; false
  /// for null and for every other string, whatever its text.
  virtual bool isA(const MxString* type) const { return type == &class_name_; }
  /// The object's process-unique identity.
  virtual int identity() const = 0;

  /// The type identifier of MxDynObj.
  static const MxString* type_id() { return &class_name_; }
  /// The C text of the class name of `type()`.
  const char* classname() const;

protected:
  MxDynObj() = default;
  /// Copy constructor.
  MxDynObj(const MxDynObj&) = default;
  /// Copy assignment.
  MxDynObj& operator=(const MxDynObj&) = default;

  /// Takes the next identity: the current IDENTITY_INDEX, which then goes up
  /// by one. Past the largest `int` the counter starts again at 1 (reported,
  /// tag "mxdynobj") instead of overflowing.
  static int next_identity();

  /// The next identity to hand out; 1 at load, never reset. Atomic, so
  /// objects may be made on several threads at once; each identity is still
  /// handed out once.
  static std::atomic<int> IDENTITY_INDEX;

  /// The class-name string of the class; its address is the type identifier.
  static const MxString& class_name_;

  friend class MxIdentity;
};

/// The identity of an identified object, kept as a member: it takes the next
/// identity when constructed and when copied (a copy is a new object), and
/// assignment leaves it alone, so defaulted copy operations of the owning
/// class follow the identity rules.
class MX_EXPORT MxIdentity {
public:
  MxIdentity();
  /// Copy constructor.
  MxIdentity(const MxIdentity&);
  /// Copy assignment.
  MxIdentity& operator=(const MxIdentity&) { return *this; }
  /// The identity.
  int value() const { return value_; }

private:
  int value_;
};

/// True when `p` is not null and is a `T` (along its class chain).
template <class T> bool mx_isa(const MxDynObj* p) {
  return p != nullptr && p->isA(T::type_id());
}

/// `p` converted to `T*` when it is a `T`, otherwise null.
template <class T> T* mx_cast(MxDynObj* p) {
  return mx_isa<T>(p) ? static_cast<T*>(p) : nullptr;
}

/// `p` converted to `const T*` when it is a `T`, otherwise null.
template <class T> const T* mx_cast(const MxDynObj* p) {
  return mx_isa<T>(p) ? static_cast<const T*>(p) : nullptr;
}

/// The reference-counting interface. Counting is `const` so that a holder can
/// count a const object. `remove_ref` never deletes: deleting is the holder's
/// business (MxRCPtr).
class MX_EXPORT MxRCObj {
public:
  virtual ~MxRCObj();
  /// Takes one more reference.
  virtual void add_ref() const = 0;
  /// Gives one reference back; never deletes (the holder does).
  virtual void remove_ref() const = 0;
  /// The number of references held.
  virtual int n_refs() const = 0;

protected:
  MxRCObj() = default;
  /// Copy constructor.
  MxRCObj(const MxRCObj&) = default;
  /// Copy assignment.
  MxRCObj& operator=(const MxRCObj&) = default;
};

/// The counter of a counted class, with the checks every counted class makes;
/// the class keeps it as a `mutable` member. It starts at 0; a copy starts at 0 too (references are
/// never inherited) and assignment leaves the count alone. Each operation takes the source tag and
/// line its class reports under:
///
///   void add_ref() const override { refs_.add("mxattrib", __LINE__); }
///
/// `add` reports a count below 0, `remove` a count below 1, `get` a count
/// below 0; each then carries on (so `remove` at 0 leaves -1).
class MxRefCounter {
public:
  MxRefCounter() = default;
  /// Copy constructor.
  MxRefCounter(const MxRefCounter&) {}
  /// Copy assignment.
  MxRefCounter& operator=(const MxRefCounter&) { return *this; }

  /// Counts one more reference; a count below 0 is reported first (`tag`, `line`).
  void add(const char* tag, int line) {
    if (fnd_assertion_handler && count_ < 0) fnd_assertion_handler(tag, line);
    ++count_;
  }
  /// Counts one reference less; a count below 1 is reported first.
  void remove(const char* tag, int line) {
    if (fnd_assertion_handler && count_ < 1) fnd_assertion_handler(tag, line);
    --count_;
  }
  /// The count; a count below 0 is reported.
  int get(const char* tag, int line) const {
    if (fnd_assertion_handler && count_ < 0) fnd_assertion_handler(tag, line);
    return count_;
  }

private:
  int count_ = 0;
};

/// A minimal interface-query root: `query_interface(id)` answers this object
/// for `MxInterface::interface_id()` and null for anything else; derived
/// interfaces extend the answer.
class MX_EXPORT MxInterface {
public:
  MxInterface() = default;
  /// Copy constructor.
  MxInterface(const MxInterface&) = default;
  /// Copy assignment.
  MxInterface& operator=(const MxInterface&) = default;
  virtual ~MxInterface();
  /// This object for `MxInterface::interface_id()`, null for any other identifier; derived
  /// interfaces answer their own.
  virtual MxInterface* query_interface(const MxString* id) const;

  /// The identifier of MxInterface: the address of its class-name string.
  static const MxString* interface_id() { return &class_name_; }

protected:
  /// The class-name string of MxInterface; its address is the interface identifier.
  static const MxString& class_name_;
};

#endif
