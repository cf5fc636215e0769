// Intrusive doubly linked list: the links, the cached cursor and the list head.
//
// `MxLinkList` owns its links: it deletes them through their virtual
// destructor when it is destroyed or when a splice drops them. Its operations
// are protected; value-carrying lists (`MxList<T>` in mxlist.h) build on them.
// A cursor remembers the last link found by position, so walking a list by
// increasing index is linear overall.
/// \file
#ifndef MXFOUNDATION_MXLINKLIST_H
#define MXFOUNDATION_MXLINKLIST_H

#include "mxexport.h"

#include <cstddef>

/// One link of a doubly linked list. Derive from it to carry data; lists
/// delete their links through the virtual destructor. Copying a link never
/// copies its neighbours: a copy starts unlinked, and assigning to a link
/// leaves its own place in its list as it was.
class MX_EXPORT MxLink {
public:
  MxLink() = default;
  /// Copy constructor.
  MxLink(const MxLink&) {}
  /// Copy assignment.
  MxLink& operator=(const MxLink&) { return *this; }
  virtual ~MxLink();

  ///@{
  /// The neighbouring links (null at the ends of a list) and their setters, for the list that holds
  /// the link.
  MxLink* next() const { return next_; }
  MxLink* prev() const { return prev_; }
  void set_next(MxLink* l) { next_ = l; }
  void set_prev(MxLink* l) { prev_ = l; }
  ///@}

  /// Makes `l` the link after this one: the former next link follows `l`.
  /// A null `l` cuts the chain after this link. Inserting a link next to
  /// itself is reported ("mxlinklist") and ignored; inserting the link that
  /// already follows changes nothing. No list head or tail is touched.
  void insert_next(MxLink* l);
  /// The mirror image of `insert_next`.
  void insert_prev(MxLink* l);

private:
  MxLink* next_ = nullptr;
  MxLink* prev_ = nullptr;
};

/// The cached cursor of a list: the last link found by position and its index.
struct MX_EXPORT MxListIndex {
  /// Forgets the cached link: index 0, no link.
  void reset() {
    index = 0;
    link = nullptr;
  }

  ///@{
  /// The index of the cached link, and the link itself (null when none is cached).
  int index = 0;
  MxLink* link = nullptr;
  ///@}
};

/// Owning list head of `MxLink`s. Copy construction gives an empty list;
/// assignment is not available. Checks report with the tag "mxlinklist".
class MX_EXPORT MxLinkList {
public:
  MxLinkList() = default;
  /// Copy constructor.
  MxLinkList(const MxLinkList&) {}
  MxLinkList& operator=(const MxLinkList&) = delete;
  /// Deletes every link from the head on.
  virtual ~MxLinkList();

protected:
  ///@{
  /// The first and last links (null for an empty list), their setters, and the cached positional
  /// cursor.
  MxLink* head() const { return head_; }
  MxLink* tail() const { return tail_; }
  void set_head(MxLink* l) { head_ = l; }
  void set_tail(MxLink* l) { tail_ = l; }
  const MxListIndex& cursor() const { return cursor_; }
  void reset_cursor() { cursor_.reset(); }
  ///@}

  /// Number of links, counted by walking from the head.
  size_t size() const;
  /// The link at position `i` (0-based), or null when there is none. The
  /// walk starts at the cursor when it can, and leaves the cursor on the
  /// link found.
  MxLink* array(int i);
  /// Adds an unlinked link at the tail or at the head.
  void append_link(MxLink* l) {
    l->set_prev(tail_);
    l->set_next(nullptr);
    if (tail_)
      tail_->set_next(l);
    else
      head_ = l;
    tail_ = l;
  }
  /// Links `l` in before the head; resets the cursor, whose position moves.
  void prepend_link(MxLink* l) {
    cursor_.reset();
    l->set_next(head_);
    l->set_prev(nullptr);
    if (head_)
      head_->set_prev(l);
    else
      tail_ = l;
    head_ = l;
  }
  /// Unlinks the head link and returns it (null for an empty list); resets
  /// the cursor.
  MxLink* unlink_head() {
    MxLink* l = head_;
    if (!l) return nullptr;
    head_ = l->next();
    if (head_)
      head_->set_prev(nullptr);
    else
      tail_ = nullptr;
    l->set_next(nullptr);
    cursor_.reset();
    return l;
  }
  /// Unlinks `l` without deleting it and resets the cursor, whose index
  /// would otherwise go stale. A null `l`, or a link that cannot be in this
  /// list (unlinked on a side where it is not this list's end), is reported
  /// and left alone; returns whether `l` was unlinked.
  bool splice_out(MxLink* l);
  /// Removes up to `count` links from position `start` (handing them to the
  /// tail of `removed_to`, or deleting them when it is null), then moves all
  /// links of `insert_from` to where the removed run began (the tail when
  /// there is no link at `start`). Resets the cursors of this list and of
  /// `insert_from`. Naming this list itself as `insert_from` or `removed_to`
  /// is reported and changes nothing. `MxList` counts are the caller's.
  void splice_sequence(int start, int count, MxLinkList* insert_from, MxLinkList* removed_to);

private:
  MxListIndex cursor_;
  MxLink* head_ = nullptr;
  MxLink* tail_ = nullptr;
};

#endif
