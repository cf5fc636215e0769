// Owning pointer to one heap object.
/// \file
#ifndef MXFOUNDATION_MXAUTOPTR_H
#define MXFOUNDATION_MXAUTOPTR_H

/// Owns one heap object and deletes it (through its virtual destructor, for
/// polymorphic types) when given another pointer or destroyed. Not copyable;
/// moving hands the object over. Producers return objects through an
/// `MxAutoPtr<T>&` out-parameter by assigning to it.
template <class T> class MxAutoPtr {
public:
  /// Owns `p` (which may be null).
  explicit MxAutoPtr(T* p = nullptr) : p_(p) {}
  MxAutoPtr(const MxAutoPtr&) = delete;
  MxAutoPtr& operator=(const MxAutoPtr&) = delete;
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxAutoPtr(MxAutoPtr&& other) noexcept : p_(other.release()) {}
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxAutoPtr& operator=(MxAutoPtr&& other) noexcept {
    if (this != &other) *this = other.release();
    return *this;
  }
  ~MxAutoPtr() { delete p_; }

  /// Takes `p`, deleting the object held before (unless it is `p` itself).
  MxAutoPtr& operator=(T* p) {
    if (p != p_) {
      T* old = p_;
      p_ = p;
      delete old;
    }
    return *this;
  }

  ///@{
  /// The owned object: `get()` and `->` give it (null when there is none), `*` dereferences it, and
  /// the test tells whether there is one.
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  ///@}

  /// Gives up ownership: returns the pointer and holds null.
  T* release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

private:
  T* p_;
};

#endif
