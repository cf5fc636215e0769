// Abstract iterators, and their implementations over arrays.
/// \file
#ifndef MXFOUNDATION_MXITERATOR_H
#define MXFOUNDATION_MXITERATOR_H

#include "mxarray.h"
#include "mxexport.h"

#include <cstddef>

class MxDynObj;

/// Abstract iterator. Consumers loop: `reset()`; while not `done()`: use
/// `*current()`, then `next()`.
template <class T> class MxIterator {
public:
  virtual ~MxIterator() = default;
  /// Pointer to the first element.
  virtual T* first() = 0;
  /// Advances by one.
  virtual void next() = 0;
  /// True once the iteration has passed the last element.
  virtual bool done() = 0;
  /// Goes back to the first element.
  virtual void reset() = 0;
  /// Pointer to the current element.
  virtual T* current() = 0;

protected:
  MxIterator() = default;
  /// Copy constructor.
  MxIterator(const MxIterator&) = default;
  /// Copy assignment.
  MxIterator& operator=(const MxIterator&) = default;
};

/// Iterator over the elements of an array it does not own; the array must
/// outlive it. The elements are handed out through non-const pointers for
/// the iterator interface's sake: do not write through them. Past the end
/// (or without an array) the accesses are reported
/// ("protectedinterfaces/mxarray_i") and yield a default-valued scratch
/// element, never memory outside the array.
template <class T> class MxArrayIterator : public MxIterator<T> {
public:
  /// An iterator over `array`, which it does not own (null iterates nothing).
  explicit MxArrayIterator(const MxArray<T>* array = nullptr) : array_(array) {}

  T* first() override { return element(0); }
  void next() override { ++index_; }
  bool done() override { return !array_ || index_ >= array_->size(); }
  void reset() override { index_ = 0; }
  T* current() override { return element(index_); }

  ///@{
  /// The array walked, and the current position in it.
  const MxArray<T>* array() const { return array_; }
  size_t index() const { return index_; }
  ///@}

private:
  T* element(size_t i) {
    if (!array_) {
      MX_REPORT("protectedinterfaces/mxarray_i");
      static T scratch{};
      scratch = T();
      return &scratch;
    }
    return const_cast<T*>(&(*array_)[i]);
  }

  const MxArray<T>* array_;
  size_t index_ = 0;
};

/// Self-contained iterator over object pointers: it owns the array of
/// objects (not the objects) and iterates over it. A producer fills
/// `objects()` and hands the iterator to a consumer, who owns it.
class MX_EXPORT MxDynObjArrayIterator : public MxIterator<const MxDynObj*> {
public:
  MxDynObjArrayIterator();
  MxDynObjArrayIterator(const MxDynObjArrayIterator&) = delete;
  MxDynObjArrayIterator& operator=(const MxDynObjArrayIterator&) = delete;
  ~MxDynObjArrayIterator() override;

  const MxDynObj** first() override;
  void next() override;
  bool done() override;
  void reset() override;
  const MxDynObj** current() override;

  /// The iterated objects, for the producer to fill.
  MxArray<const MxDynObj*>& objects() { return objects_; }
  /// The iterated objects, read only.
  const MxArray<const MxDynObj*>& objects() const { return objects_; }

private:
  MxArray<const MxDynObj*> objects_;
  MxArrayIterator<const MxDynObj*> iterator_;
};

#endif
