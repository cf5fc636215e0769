// Ready-made attributes: a name, an external identifier and a tagged double.
/// \file
#ifndef MXFOUNDATION_MXSTANDARDATTRIBS_H
#define MXFOUNDATION_MXSTANDARDATTRIBS_H

#include "mxattrib.h"
#include "mxexport.h"
#include "mxstring.h"

#include <cstddef>
#include <cstdint>

class MxObject;

/// A name for an `MxObject`. Like every standard attribute it is private to
/// its object: not shared, not propagated to copies of the object, and never
/// invalidated by an event. The object's list owns it once added.
class MX_EXPORT MxNameAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(MxNameAttrib, MxAttrib)
  MX_DYNOBJ_CAST(MxNameAttrib)
public:
  /// A name attribute holding `name`.
  explicit MxNameAttrib(const MxString& name);
  ~MxNameAttrib() override;

  bool sharable() const override;
  bool propagate() const override;
  bool invariant(const MxEvent& event) const override;

  /// The name.
  const MxString& get_name() const { return name_; }
  /// Replaces the name.
  void set_name(const MxString& name);

private:
  MxNameAttrib() = delete;
  MxNameAttrib(const MxNameAttrib& other);
  MxNameAttrib& operator=(const MxNameAttrib& other);
  /// A new attribute with the same name.
  MxDynObj* clone() const override;

  MxString name_;
};

/// An external identifier for an `MxObject`: a 64-bit number assigned by
/// some outside system. `illegal_extid()` is the one value it never takes;
/// storing it is reported to the assertion handler (tag
/// "mxstandardattribs"). Private to its object, as `MxNameAttrib`.
class MX_EXPORT MxExtIdAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(MxExtIdAttrib, MxAttrib)
  MX_DYNOBJ_CAST(MxExtIdAttrib)
public:
  /// An illegal `extid` is reported but kept.
  explicit MxExtIdAttrib(size_t extid);
  ~MxExtIdAttrib() override;

  bool sharable() const override;
  bool propagate() const override;
  bool invariant(const MxEvent& event) const override;

  /// The external identifier.
  size_t get_extid() const { return extid_; }
  /// An illegal `extid` is reported and the old value kept.
  void set_extid(size_t extid);

  /// 0xFFFFFFFFFFFFFFFF.
  static size_t illegal_extid() { return illegal_extid_; }
  /// The identifier of the most recently added `MxExtIdAttrib` of `o`, or
  /// `illegal_extid()` when it has none.
  static size_t get_extid_from_object(const MxObject& o);
  /// Gives `o` the identifier `extid`: overwrites the most recently added
  /// `MxExtIdAttrib` of `o` (reporting that it had one), or adds a new one.
  /// An illegal `extid` is reported and changes nothing.
  static void set_extid_to_object(MxObject& o, size_t extid);

private:
  MxExtIdAttrib() = delete;
  MxExtIdAttrib(const MxExtIdAttrib& other);
  MxExtIdAttrib& operator=(const MxExtIdAttrib& other);
  /// A new attribute with the same identifier.
  MxDynObj* clone() const override;

  static constexpr size_t illegal_extid_ = 0xFFFFFFFFFFFFFFFFull;

  size_t extid_;
};

/// A floating-point value for an `MxObject`, tagged with what it stands for.
/// An object may carry several, of the same usage or of different ones; the
/// most recently added value of a usage is the one read back. Private to its
/// object, as `MxNameAttrib`.
class MX_EXPORT MxDoubleAttrib : public MxAttrib {
  MX_DYNOBJ_TYPE(MxDoubleAttrib, MxAttrib)
  MX_DYNOBJ_CAST(MxDoubleAttrib)
public:
  /// What a value stands for. The library only stores and compares usages;
  /// clients choose their values (any 32-bit value is a valid usage, e.g.
  /// `static_cast<MxDoubleAttrib::Usage>(7)`).
  enum Usage : int32_t {};

  /// A double attribute of the given usage and value.
  MxDoubleAttrib(Usage usage, double value);
  ~MxDoubleAttrib() override;

  bool sharable() const override;
  bool propagate() const override;
  bool invariant(const MxEvent& event) const override;

  /// Both members.
  void get(Usage& usage, double& value) const;

  /// Always adds a new attribute to `o`; older ones of the same usage stay.
  static void set_value_to_object(MxObject& o, Usage usage, double value);
  /// The value of the most recently added attribute of `usage` on `o`: true
  /// and that value, or false and 0.0 when there is none.
  static bool get_value_from_object(const MxObject& o, Usage usage, double& value);

private:
  MxDoubleAttrib() = delete;
  MxDoubleAttrib(const MxDoubleAttrib& other);
  MxDoubleAttrib& operator=(const MxDoubleAttrib& other);
  /// A new attribute with the same usage and value.
  MxDynObj* clone() const override;

  Usage usage_;
  double value_;
};

#endif
