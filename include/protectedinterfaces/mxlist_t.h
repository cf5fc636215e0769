// MxList, MxQueue, MxStack: template bodies. Checks report with the tag
// "protectedinterfaces/mxlist_t".
/// \file
#ifndef MXFOUNDATION_MXLIST_T_H
#define MXFOUNDATION_MXLIST_T_H

#include "mxassert.h"
#include "protectedinterfaces/mxlist_i.h"

#include <utility>

template <class T> MxList<T>::MxList(const MxList& other) : MxLinkList() {
  for (const MxItem<T>* item = other.head_item(); item; item = item->next_item())
    insert_tail(item->value());
}

template <class T> MxList<T>::MxList(MxList&& other) noexcept : MxLinkList() {
  swap(other);
}

template <class T> MxList<T>& MxList<T>::operator=(const MxList& other) {
  if (this != &other) {
    MxList copy(other);
    swap(copy);
  }
  return *this;
}

template <class T> MxList<T>& MxList<T>::operator=(MxList&& other) noexcept {
  if (this != &other) {
    MxList taken(std::move(other));
    swap(taken);
  }
  return *this;
}

template <class T> void MxList<T>::swap(MxList& other) noexcept {
  MxLink* my_head = head();
  MxLink* my_tail = tail();
  set_head(other.head());
  set_tail(other.tail());
  other.set_head(my_head);
  other.set_tail(my_tail);
  std::swap(count_, other.count_);
  reset_cursor();
  other.reset_cursor();
}

template <class T> void MxList<T>::insert_head(const T& value) {
  reset_cursor();
  prepend_link(new MxItem<T>(value));
  ++count_;
}

template <class T> void MxList<T>::insert_tail(const T& value) {
  reset_cursor();
  append_link(new MxItem<T>(value));
  ++count_;
}

template <class T> T MxList<T>::first() const {
  const MxItem<T>* item = head_item();
  if (!item) {
    MX_REPORT("protectedinterfaces/mxlist_t");
    return T();
  }
  return item->value();
}

template <class T> T MxList<T>::remove_first() {
  MxItem<T>* item = head_item();
  if (!item) {
    MX_REPORT("protectedinterfaces/mxlist_t");
    return T();
  }
  unlink_head();
  --count_;
  T value(std::move(item->value()));
  delete item;
  return value;
}

template <class T> MxItem<T>* MxList<T>::erase(MxItem<T>* item) {
  if (!item) {
    MX_REPORT("protectedinterfaces/mxlist_t");
    return nullptr;
  }
  reset_cursor();
  MxItem<T>* next = item->next_item();
  if (!splice_out(item)) return nullptr;
  --count_;
  delete item;
  return next;
}

template <class T> bool MxList<T>::remove(const T& value, MxCompare<T>& cmp) {
  for (MxItem<T>* item = head_item(); item; item = item->next_item()) {
    if (cmp.compare(item->value(), value) == 0) {
      erase(item);
      return true;
    }
  }
  return false;
}

// The items are detached first, so the list is already empty while their
// destructors run (a value's destructor may come back to this list).
template <class T> void MxList<T>::clear() {
  MxList doomed;
  swap(doomed);
}

template <class T> T MxQueue<T>::dequeue() {
  return items_.remove_first();
}

template <class T>
MxStack<T>::MxStack(MxStack&& other) noexcept
    : items_(std::move(other.items_)), depth_(other.depth_) {
  other.depth_ = 0;
}

template <class T> MxStack<T>& MxStack<T>::operator=(MxStack&& other) noexcept {
  if (this != &other) {
    items_ = std::move(other.items_);
    depth_ = other.depth_;
    other.depth_ = 0;
  }
  return *this;
}

template <class T> void MxStack<T>::clear() {
  depth_ = 0;
  items_.clear();
}

template <class T> void MxStack<T>::push(const T& value) {
  items_.insert_head(value);
  ++depth_;
}

template <class T> T MxStack<T>::pop() {
  if (depth_ > 0) --depth_;
  return items_.remove_first();
}

template <class T> T MxStack<T>::top() const {
  return items_.first();
}

#endif
