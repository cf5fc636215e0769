// MxArray: storage management (growth, reallocation, copying).
/// \file
#ifndef MXFOUNDATION_MXARRAY_T_H
#define MXFOUNDATION_MXARRAY_T_H

#include "protectedinterfaces/mxarray_i.h"

#include <cstring>
#include <type_traits>
#include <utility>

namespace mx_detail {
// Element types whose default value is all-zero bytes and that can be copied
// bytewise take the memcpy/memset paths.
template <class T>
inline constexpr bool is_bitwise_v =
    std::is_trivially_copyable_v<T>&& std::is_trivially_default_constructible_v<T>;
} // namespace mx_detail

template <class T, class A>
size_t MxArray<T, A>::grown_capacity(size_t old_capacity, size_t count) {
  if (count <= old_capacity) return old_capacity;
  if (count >= 64000) return old_capacity + (count - old_capacity - 1) / 4096 * 4096 + 4096;
  size_t c = old_capacity == 0 ? 1 : old_capacity;
  while (c < count) c *= 2;
  return c;
}

// Builds a buffer of `capacity` slots: the first `copied` are copies of
// `from`, the rest default values.
template <class T, class A>
T* MxArray<T, A>::make_buffer(size_t capacity, size_t copied, const T* from) {
  T* fresh = allocator_.allocate(capacity);
  if (copied > capacity) copied = capacity;
  if constexpr (mx_detail::is_bitwise_v<T>) {
    if (copied) std::memcpy(static_cast<void*>(fresh), from, copied * sizeof(T));
  } else {
    for (size_t i = 0; i < copied; ++i) ::new (static_cast<void*>(fresh + i)) T(from[i]);
  }
  // Value-initialised, not zero-filled: T() is not all-zero bytes for every
  // trivial type (a null pointer to data member is -1). Compilers still turn
  // this loop into a memset where zero bytes are the value.
  for (size_t i = copied; i < capacity; ++i) ::new (static_cast<void*>(fresh + i)) T();
  return fresh;
}

template <class T, class A> void MxArray<T, A>::destroy_buffer() {
  if constexpr (!std::is_trivially_destructible_v<T>)
    for (size_t i = 0; i < capacity_; ++i) data_[i].~T();
  allocator_.deallocate(data_);
  data_ = nullptr;
  capacity_ = 0;
}

template <class T, class A> MxArray<T, A>::~MxArray() {
  destroy_buffer();
}

template <class T, class A> MxArray<T, A>::MxArray(const MxArray& other) {
  resize(other.size_, false);
  for (size_t i = 0; i < size_; ++i) data_[i] = other.data_[i];
}

template <class T, class A>
MxArray<T, A>::MxArray(MxArray&& other) noexcept
    : data_(other.data_), capacity_(other.capacity_), size_(other.size_) {
  other.data_ = nullptr;
  other.capacity_ = 0;
  other.size_ = 0;
}

template <class T, class A> MxArray<T, A>& MxArray<T, A>::operator=(const MxArray& other) {
  if (this == &other) return *this;
  resize(other.size_, false);
  for (size_t i = 0; i < size_; ++i) data_[i] = other.data_[i];
  return *this;
}

template <class T, class A> MxArray<T, A>& MxArray<T, A>::operator=(MxArray&& other) noexcept {
  if (this == &other) return *this;
  destroy_buffer();
  std::swap(data_, other.data_);
  std::swap(capacity_, other.capacity_);
  size_ = other.size_;
  other.size_ = 0;
  return *this;
}

template <class T, class A> void MxArray<T, A>::resize(size_t count, bool keep) {
  if (count > max_size()) {
    MX_REPORT("protectedinterfaces/mxarray_t");
    return;
  }
  if (count > capacity_) {
    reallocate(grown_capacity(capacity_, count), keep);
    if (capacity_ < count) return; // refused and reported by reallocate
  } else if (count < size_) {
    const T fresh{};
    for (size_t i = count; i < size_; ++i) {
      data_[i].~T();
      ::new (static_cast<void*>(data_ + i)) T(fresh);
    }
  }
  size_ = count;
}

template <class T, class A> void MxArray<T, A>::reallocate(size_t capacity, bool keep) {
  if (capacity < size_ || capacity > max_size()) {
    MX_REPORT("protectedinterfaces/mxarray_t");
    return;
  }
  if constexpr (grows_in_place) {
    // Every slot past size() already holds T(), so keeping them all is the
    // same as keeping the elements.
    if (keep) {
      regrow(capacity);
      return;
    }
  }
  T* fresh = make_buffer(capacity, keep ? size_ : 0, data_);
  if (!fresh && capacity) {
    MX_REPORT("protectedinterfaces/mxarray_t");
    return;
  }
  destroy_buffer();
  data_ = fresh;
  capacity_ = capacity;
}

// Resizes the buffer of bitwise elements where it lies, as far as the C heap
// allows, and gives the new slots T(). The heap exhausted is reported and
// leaves the array as it was.
template <class T, class A> bool MxArray<T, A>::regrow(size_t capacity) {
  if constexpr (grows_in_place) {
    if (capacity == 0) {
      destroy_buffer();
      return true;
    }
    T* grown = allocator_.resize_in_place(data_, capacity);
    if (!grown) {
      MX_REPORT("protectedinterfaces/mxarray_t");
      return false;
    }
    for (size_t i = capacity_; i < capacity; ++i) ::new (static_cast<void*>(grown + i)) T();
    data_ = grown;
    capacity_ = capacity;
    return true;
  } else {
    return false;
  }
}

template <class T, class A> void MxArray<T, A>::grow_and_append(const T& v) {
  const size_t capacity = size_ + 1 >= 64000 ? size_ + 4096 : (size_ == 0 ? 1 : 2 * size_);
  if constexpr (grows_in_place) {
    const T value = v; // `v` may live in the buffer that moves
    if (regrow(capacity)) data_[size_++] = value;
    return;
  }
  T* fresh = make_buffer(capacity, size_, data_);
  fresh[size_] = v; // `v` may live in the old buffer, which is still intact
  const size_t count = size_ + 1;
  destroy_buffer();
  data_ = fresh;
  capacity_ = capacity;
  size_ = count;
}

#endif
