// Comparator objects, for containers that search or order their values.
/// \file
#ifndef MXFOUNDATION_MXCOMPARE_H
#define MXFOUNDATION_MXCOMPARE_H

/// Abstract comparator of two `T`s. `compare` returns 0 when the values are
/// equal. `is_ordering` tells what a non-zero result means: when true,
/// `compare` orders its arguments (negative when `a` comes before `b`,
/// positive when after, like strcmp); when false it only tells equality
/// apart from inequality, and the sign of a non-zero result means nothing.
/// `clone` hands a heap copy to the caller, who owns it. `compare` is not
/// const, so a comparator may keep state of its own between calls.
template <class T> class MxCompare {
public:
  virtual ~MxCompare() = default;
  /// True when `compare` orders its arguments (negative, zero, positive) rather than only telling
  /// equal (0) from different.
  virtual bool is_ordering() const = 0;
  /// A new heap copy of the comparator.
  virtual MxCompare* clone() const = 0;
  /// 0 when `a` and `b` are equal; otherwise non-zero, and for an ordering comparator negative when
  /// `a` comes first.
  virtual int compare(const T& a, const T& b) = 0;

protected:
  MxCompare() = default;
  /// Copy constructor.
  MxCompare(const MxCompare&) = default;
  /// Copy assignment.
  MxCompare& operator=(const MxCompare&) = default;
};

/// Equality comparator through `operator==`: 0 when `a == b`, -1 otherwise.
/// It does not order (`is_ordering` is false).
template <class T> class MxStdCompare : public MxCompare<T> {
public:
  MxStdCompare() = default;
  /// Copy constructor.
  MxStdCompare(const MxStdCompare&) = default;
  /// Copy assignment.
  MxStdCompare& operator=(const MxStdCompare&) = default;

  bool is_ordering() const override { return false; }
  MxCompare<T>* clone() const override { return new MxStdCompare(*this); }
  int compare(const T& a, const T& b) override { return a == b ? 0 : -1; }
};

#endif
