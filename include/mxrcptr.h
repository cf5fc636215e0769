// MxRCPtr<T>: the holder of one counted reference.
/// \file
#ifndef MXFOUNDATION_MXRCPTR_H
#define MXFOUNDATION_MXRCPTR_H

#include "mxassert.h"

#include <cstddef>
#include <type_traits>
#include <utility>

/// Holds one counted reference to an object of a class derived from MxRCObj
/// (mxdynobj.h) and owns it for as long as it holds it: taking a non-null
/// pointer (construction, copy) calls `add_ref()`; letting it go (destruction,
/// assignment, `reset`) calls `remove_ref()` and then `n_refs()`, and deletes
/// the object through its virtual destructor when that answers 0. So the
/// last holder to let go deletes the object, exactly once; an object never
/// put into a holder is never deleted by one.
///
/// A holder made from an object whose count is 0 deletes it when released;
/// construction from a raw pointer is explicit so that this never happens by
/// an implicit conversion. A moved-from holder is empty. Holders compare by
/// the identity of the pointer they hold. An empty holder must not be
/// dereferenced: `operator*` reports it (tag "mxrcptr") before the access.
template <class T> class MxRCPtr {
public:
  MxRCPtr() noexcept = default;
  /// An empty holder.
  MxRCPtr(std::nullptr_t) noexcept {}
  /// Holds `p` and takes a reference to it (none for null).
  explicit MxRCPtr(T* p) : ptr_(p) { acquire(); }
  /// Copy constructor.
  MxRCPtr(const MxRCPtr& other) : ptr_(other.ptr_) { acquire(); }
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxRCPtr(MxRCPtr&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
  /// Holds the object of a holder of a derived class.
  template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
  MxRCPtr(const MxRCPtr<U>& other) : ptr_(other.get()) {
    acquire();
  }
  /// Move constructor: takes over the contents of the other, which is left empty.
  template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
  MxRCPtr(MxRCPtr<U>&& other) noexcept : ptr_(other.ptr_) {
    other.ptr_ = nullptr;
  }

  ~MxRCPtr() { release(ptr_); }

  /// Takes the other's object first and lets go of its own afterwards, so
  /// assigning a holder of the same object (or itself) never deletes it.
  MxRCPtr& operator=(const MxRCPtr& other) {
    reset(other.ptr_);
    return *this;
  }
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxRCPtr& operator=(MxRCPtr&& other) noexcept {
    if (this != &other) {
      T* old = ptr_;
      ptr_ = other.ptr_;
      other.ptr_ = nullptr;
      release(old);
    }
    return *this;
  }
  /// Releases the held object (deleting it with its last reference) and becomes empty.
  MxRCPtr& operator=(std::nullptr_t) {
    reset(nullptr);
    return *this;
  }

  /// Holds `p` (counted) instead of the current object, which is let go.
  void reset(T* p = nullptr) {
    if (p) p->add_ref();
    T* old = ptr_;
    ptr_ = p;
    release(old);
  }

  ///@{
  /// The held object: `get()` and `->` give it (null when empty), `*` dereferences it, and the test
  /// tells whether there is one.
  T* get() const noexcept { return ptr_; }
  T* operator->() const noexcept { return ptr_; }
  T& operator*() const {
    if (!ptr_) MX_REPORT("mxrcptr");
    return *ptr_;
  }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  ///@}

private:
  template <class U> friend class MxRCPtr;

  void acquire() const {
    if (ptr_) ptr_->add_ref();
  }
  static void release(T* p) {
    if (!p) return;
    p->remove_ref();
    if (p->n_refs() == 0) delete p;
  }

  T* ptr_ = nullptr;
};

///@{
/// Holders compare by the address of the objects they hold; an empty holder equals null.
template <class T, class U> bool operator==(const MxRCPtr<T>& a, const MxRCPtr<U>& b) noexcept {
  return a.get() == b.get();
}
template <class T, class U> bool operator!=(const MxRCPtr<T>& a, const MxRCPtr<U>& b) noexcept {
  return a.get() != b.get();
}
template <class T> bool operator==(const MxRCPtr<T>& a, std::nullptr_t) noexcept {
  return a.get() == nullptr;
}
template <class T> bool operator==(std::nullptr_t, const MxRCPtr<T>& a) noexcept {
  return a.get() == nullptr;
}
template <class T> bool operator!=(const MxRCPtr<T>& a, std::nullptr_t) noexcept {
  return a.get() != nullptr;
}
template <class T> bool operator!=(std::nullptr_t, const MxRCPtr<T>& a) noexcept {
  return a.get() != nullptr;
}
///@}

#endif
