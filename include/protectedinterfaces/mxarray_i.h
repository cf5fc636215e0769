// MxArray: the library's growable array (interface and element access).
//
// Every one of the `capacity()` slots holds a constructed element; the slots
// from `size()` on hold default values `T()`. Capacity doubles below 64000
// elements and grows in steps of 4096 from there, so big arrays do not double
// their memory. The array owns its elements; copies are element-wise.
//
// Element access is checked: an index at or past `size()` is reported to the
// assertion handler. Within the capacity the slot is still handed out (the
// index is the caller's duty); past the capacity a scratch element is handed
// out instead, so no access ever leaves the buffer.
/// \file
#ifndef MXFOUNDATION_MXARRAY_I_H
#define MXFOUNDATION_MXARRAY_I_H

#include "mxassert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

/// Stateless allocator of MxArray buffers: raw storage in which the array
/// constructs the elements. Buffers of bitwise-copyable elements come from
/// the C heap, so that `resize_in_place` can grow them with `realloc` (which
/// keeps or remaps the pages instead of copying where it can); all others
/// come from the global operator new.
template <class T> class MxAllocator {
public:
  /// Elements that may be moved bytewise into a block `realloc` hands back.
  static constexpr bool grows_in_place = std::is_trivially_copyable_v<T> &&
                                         std::is_trivially_default_constructible_v<T> &&
                                         alignof(T) <= alignof(std::max_align_t);

  /// Storage for `n` elements; null for 0 (and, for the C heap, when it is
  /// exhausted).
  T* allocate(size_t n) {
    if (n == 0) return nullptr;
    if constexpr (grows_in_place)
      return static_cast<T*>(std::malloc(n * sizeof(T)));
    else if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
      return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(alignof(T))));
    else
      return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  /// Releases storage from `allocate`; null is ignored.
  void deallocate(T* p) {
    if (!p) return;
    if constexpr (grows_in_place)
      std::free(p);
    else if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
      ::operator delete(p, std::align_val_t(alignof(T)));
    else
      ::operator delete(p);
  }
  /// `p` (from `allocate`) resized to `n` elements, its first bytes kept;
  /// null when the heap is exhausted, `p` then being left as it was. Only
  /// for elements that grow in place.
  T* resize_in_place(T* p, size_t n) {
    static_assert(grows_in_place, "bytewise storage only");
    return static_cast<T*>(std::realloc(p, n * sizeof(T)));
  }
};

/// Growable array whose capacity slots are all constructed.
template <class T, class A = MxAllocator<T>> class MxArray {
public:
  MxArray() = default;
  /// Copy constructor.
  MxArray(const MxArray& other);
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxArray(MxArray&& other) noexcept;
  /// Copy assignment.
  MxArray& operator=(const MxArray& other);
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxArray& operator=(MxArray&& other) noexcept;
  /// Destroys all capacity slots and releases the buffer.
  virtual ~MxArray();

  /// Sets the element count. Grows the capacity by the growth policy when
  /// `count` exceeds it (keeping the content when `keep`); shrinking resets
  /// the dropped slots to `T()`. Capacity never shrinks here.
  virtual void resize(size_t count, bool keep);
  /// Replaces the buffer by one of `capacity` slots, copying the elements
  /// when `keep`, default values otherwise; `size()` keeps its value. A
  /// capacity below `size()` is reported and changes nothing.
  virtual void reallocate(size_t capacity, bool keep);

  ///@{
  /// The element count, the number of constructed slots, whether there are no elements, and the
  /// buffer.
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  ///@}

  ///@{
  /// Element `i`. An index at or past `size()` is reported; below the capacity the slot is handed
  /// out, past it a per-type scratch element reset to `T()`.
  const T& operator[](size_t i) const {
    if (i < size_) return data_[i];
    MX_REPORT("protectedinterfaces/mxarray_i");
    return i < capacity_ ? data_[i] : scratch();
  }
  T& operator[](size_t i) {
    if (i < size_) return data_[i];
    MX_REPORT("protectedinterfaces/mxarray_i");
    return i < capacity_ ? data_[i] : scratch();
  }
  ///@}

  /// Adds `v` as the last element (safe when `v` is an element of this array).
  void append(const T& v) {
    if constexpr (std::is_trivially_copyable_v<T>) {
      // Copying `v` first makes it irrelevant whether it lives in this array,
      // so the fast path needs no aliasing test and `v` can stay in a register.
      const T value = v;
      if (size_ < capacity_) {
        data_[size_++] = value;
        return;
      }
      grow_and_append(value);
    } else {
      if (size_ < capacity_) {
        if (&v != data_ + size_) data_[size_] = v;
        ++size_;
        return;
      }
      grow_and_append(v);
    }
  }

  /// Drops the last element, resetting its slot to `T()`; an empty array is
  /// reported and left alone.
  void remove_last() {
    if (size_ == 0) {
      MX_REPORT("protectedinterfaces/mxarray_i");
      return;
    }
    --size_;
    data_[size_] = T();
  }

  /// The last element; an empty array is reported and a scratch element is
  /// handed back.
  T& last() {
    if (size_ == 0) {
      MX_REPORT("protectedinterfaces/mxarray_i");
      return scratch();
    }
    return data_[size_ - 1];
  }
  /// The last element of a const array, checked in the same way.
  const T& last() const {
    if (size_ == 0) {
      MX_REPORT("protectedinterfaces/mxarray_i");
      return scratch();
    }
    return data_[size_ - 1];
  }

  ///@{
  /// The elements as a range of pointers, for range-based for loops.
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  ///@}

  /// The largest size (and capacity) an array of `T` may have; larger
  /// requests to resize or reallocate are reported and refused.
  static constexpr size_t max_size() { return static_cast<size_t>(PTRDIFF_MAX) / sizeof(T); }

  /// The capacity the growth policy reaches from `old_capacity` to hold `count`.
  static size_t grown_capacity(size_t old_capacity, size_t count);

private:
  /// A default-valued element handed out after a reported out-of-range access.
  static T& scratch() {
    static thread_local T element{}; // one per thread: misuse on two threads does not race
    element = T();
    return element;
  }
  /// The default allocator, for elements it can grow in place.
  static constexpr bool grows_in_place =
      std::is_same_v<A, MxAllocator<T>> && MxAllocator<T>::grows_in_place;

  void grow_and_append(const T& v);
  bool regrow(size_t capacity);
  T* make_buffer(size_t capacity, size_t copied, const T* from);
  void destroy_buffer();

  A allocator_{};
  T* data_ = nullptr;
  size_t capacity_ = 0;
  size_t size_ = 0;
};

#endif
