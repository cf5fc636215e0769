// MxList, MxQueue, MxStack: value lists over the intrusive link list
// (interfaces; the bodies are in mxlist_t.h).
//
// A list owns its items: it creates an `MxItem<T>` holding a copy of each
// value put in, and destroys the item (and so the value) when the value is
// taken out or the list is emptied or destroyed. Copies of lists, queues and
// stacks copy the values, element by element, and are independent of the
// original. Reading or taking from an empty list, queue or stack is reported
// ("protectedinterfaces/mxlist_t") and yields a default `T`, leaving the
// container as it was.
/// \file
#ifndef MXFOUNDATION_MXLIST_I_H
#define MXFOUNDATION_MXLIST_I_H

#include "mxcompare.h"
#include "mxlinklist.h"

#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>

/// A link that carries one value. Its destructor destroys the value.
template <class T> class MxItem : public MxLink {
public:
  /// An unlinked item holding a copy of `value`.
  explicit MxItem(const T& value) : value_(value) {}

  ///@{
  /// The value held.
  T& value() { return value_; }
  const T& value() const { return value_; }
  ///@}

  /// The neighbouring items of the same list, or null at its ends.
  MxItem* next_item() { return static_cast<MxItem*>(next()); }
  ///@{
  /// The neighbouring items in the list, or null at its ends.
  const MxItem* next_item() const { return static_cast<const MxItem*>(next()); }
  MxItem* prev_item() { return static_cast<MxItem*>(prev()); }
  const MxItem* prev_item() const { return static_cast<const MxItem*>(prev()); }
  ///@}

private:
  T value_;
};

namespace mx_detail {
/// Forward iterator over the values of an MxList; `Item` is `MxItem<T>` or
/// `const MxItem<T>`.
template <class Item> class MxListIterator {
public:
  using iterator_category = std::forward_iterator_tag;
  using value_type =
      std::remove_cv_t<std::remove_reference_t<decltype(std::declval<Item&>().value())>>;
  using difference_type = std::ptrdiff_t;
  using reference = decltype(std::declval<Item&>().value());
  using pointer = std::remove_reference_t<reference>*;

  MxListIterator() = default;
  explicit MxListIterator(Item* item) : item_(item) {}
  /// A mutable iterator converts to a const one.
  template <class Other, class = std::enable_if_t<std::is_convertible_v<Other*, Item*>>>
  MxListIterator(const MxListIterator<Other>& other) : item_(other.item()) {}

  /// The item under the iterator (null at the end).
  Item* item() const { return item_; }
  reference operator*() const { return item_->value(); }
  pointer operator->() const { return &item_->value(); }
  MxListIterator& operator++() {
    item_ = item_->next_item();
    return *this;
  }
  MxListIterator operator++(int) {
    MxListIterator before = *this;
    ++*this;
    return before;
  }
  friend bool operator==(const MxListIterator& a, const MxListIterator& b) {
    return a.item_ == b.item_;
  }
  friend bool operator!=(const MxListIterator& a, const MxListIterator& b) {
    return a.item_ != b.item_;
  }

private:
  Item* item_ = nullptr;
};
} // namespace mx_detail

/// Owning doubly linked list of values, with an item count kept by every
/// operation and a positional cursor (see `item_at`). Walk it with
/// `begin()`/`end()` or with `head_item()` and `MxItem::next_item()`; remove
/// items met on the way with `erase`, which returns the following one.
template <class T> class MxList : public MxLinkList {
public:
  /// The element type.
  using value_type = T;
  /// Iterator over the values, for range-based for loops.
  using iterator = mx_detail::MxListIterator<MxItem<T>>;
  /// Iterator over the values of a const list.
  using const_iterator = mx_detail::MxListIterator<const MxItem<T>>;

  MxList() = default;
  /// Copy constructor.
  MxList(const MxList& other);
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxList(MxList&& other) noexcept;
  /// Copy assignment.
  MxList& operator=(const MxList& other);
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxList& operator=(MxList&& other) noexcept;
  ~MxList() override = default;

  ///@{
  /// Adds a copy of `value` at the head, or at the tail.
  void insert_head(const T& value);
  void insert_tail(const T& value);
  ///@}
  /// The value of the first item (an empty list is reported; yields `T()`).
  T first() const;
  /// Takes the first item out and returns its value (an empty list is
  /// reported; yields `T()` and changes nothing).
  T remove_first();
  /// Removes the first item whose value `cmp` calls equal to `value`
  /// (`cmp.compare(item value, value) == 0`); returns whether one was found.
  bool remove(const T& value, MxCompare<T>& cmp);
  /// The same with a comparator made for the call.
  bool remove(const T& value, MxCompare<T>&& cmp) { return remove(value, cmp); }
  /// Destroys every item.
  void clear();

  ///@{
  /// The number of items, and whether there are none.
  size_t count() const { return count_; }
  bool empty() const { return count_ == 0; }
  ///@}

  ///@{
  /// The first and the last item, or null for an empty list.
  MxItem<T>* head_item() { return static_cast<MxItem<T>*>(head()); }
  const MxItem<T>* head_item() const { return static_cast<const MxItem<T>*>(head()); }
  MxItem<T>* tail_item() { return static_cast<MxItem<T>*>(tail()); }
  const MxItem<T>* tail_item() const { return static_cast<const MxItem<T>*>(tail()); }
  ///@}
  /// The item at position `i` (0-based), or null; walks from the cursor when
  /// it can, so visiting positions in increasing order is linear overall.
  MxItem<T>* item_at(int i) { return static_cast<MxItem<T>*>(array(i)); }
  /// Unlinks and destroys `item`, which must belong to this list, and
  /// returns the item that followed it (null at the end). A null item or one
  /// that is not linked here is reported and left alone; returns null then.
  MxItem<T>* erase(MxItem<T>* item);
  /// Removes the item at `position`; returns an iterator to the item after it.
  iterator erase(iterator position) { return iterator(erase(position.item())); }

  ///@{
  /// Iterators over the values, from head to tail.
  iterator begin() { return iterator(head_item()); }
  iterator end() { return iterator(); }
  const_iterator begin() const { return const_iterator(head_item()); }
  const_iterator end() const { return const_iterator(); }
  ///@}

  /// Exchanges the items of two lists.
  void swap(MxList& other) noexcept;

private:
  size_t count_ = 0;
};

/// First-in, first-out queue of values over an `MxList<T>`.
template <class T> class MxQueue {
public:
  MxQueue() = default;
  /// Copy constructor.
  MxQueue(const MxQueue&) = default;
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxQueue(MxQueue&&) noexcept = default;
  /// Copy assignment.
  MxQueue& operator=(const MxQueue&) = default;
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxQueue& operator=(MxQueue&&) noexcept = default;
  virtual ~MxQueue() = default;

  /// Adds `value` at the back.
  void enqueue(const T& value) { items_.insert_tail(value); }
  /// Takes the front value (an empty queue is reported; yields `T()`).
  T dequeue();
  ///@{
  /// Whether the queue is empty, and the number of values in it.
  bool empty() const { return items_.empty(); }
  size_t count() const { return items_.count(); }
  ///@}
  /// The queued values, front first, for walking.
  const MxList<T>& items() const { return items_; }

private:
  MxList<T> items_;
};

/// Last-in, first-out stack of values over an `MxList<T>`, with its own
/// depth counter kept next to the list's count.
template <class T> class MxStack {
public:
  MxStack() = default;
  /// Copy constructor.
  MxStack(const MxStack&) = default;
  /// Move constructor: takes over the contents of the other, which is left empty.
  MxStack(MxStack&& other) noexcept;
  /// Copy assignment.
  MxStack& operator=(const MxStack&) = default;
  /// Move assignment: takes over the contents of the other, which is left empty.
  MxStack& operator=(MxStack&& other) noexcept;
  virtual ~MxStack() = default;
  /// Destroys every value; the depth becomes 0.
  virtual void clear();

  /// Puts a copy of `value` on top.
  void push(const T& value);
  /// Takes the top value (an empty stack is reported; yields `T()`).
  T pop();
  /// The top value (an empty stack is reported; yields `T()`).
  T top() const;
  ///@{
  /// The number of values on the stack, and whether there are none.
  size_t depth() const { return depth_; }
  bool empty() const { return depth_ == 0; }
  ///@}
  /// The stacked values, top first, for walking.
  const MxList<T>& items() const { return items_; }

private:
  MxList<T> items_;
  size_t depth_ = 0;
};

#endif
