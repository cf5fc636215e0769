// Links and the owning link list.
#include "mxlinklist.h"

#include "mxassert.h"

MxLink::~MxLink() = default;

void MxLink::insert_next(MxLink* l) {
  if (l == this) {
    MX_REPORT("mxlinklist");
    return;
  }
  MxLink* former = next_;
  if (l == former && l) return;
  if (!l) {
    if (former) former->prev_ = nullptr;
    next_ = nullptr;
    return;
  }
  l->next_ = former;
  if (former) former->prev_ = l;
  l->prev_ = this;
  next_ = l;
}

void MxLink::insert_prev(MxLink* l) {
  if (l == this) {
    MX_REPORT("mxlinklist");
    return;
  }
  MxLink* former = prev_;
  if (l == former && l) return;
  if (!l) {
    if (former) former->next_ = nullptr;
    prev_ = nullptr;
    return;
  }
  l->prev_ = former;
  if (former) former->next_ = l;
  l->next_ = this;
  prev_ = l;
}

MxLinkList::~MxLinkList() {
  // Detach the chain first, so the list is consistent (empty) while the
  // links' destructors run.
  MxLink* l = head_;
  head_ = tail_ = nullptr;
  cursor_.reset();
  while (l) {
    MxLink* next = l->next();
    delete l;
    l = next;
  }
}

size_t MxLinkList::size() const {
  size_t n = 0;
  for (MxLink* l = head_; l; l = l->next()) ++n;
  return n;
}

MxLink* MxLinkList::array(int i) {
  if (i < 0) return nullptr;
  MxLink* l = head_;
  int position = 0;
  if (cursor_.link && i >= cursor_.index) {
    l = cursor_.link;
    position = cursor_.index;
  }
  while (l && position < i) {
    l = l->next();
    ++position;
  }
  if (!l) return nullptr;
  cursor_.index = i;
  cursor_.link = l;
  return l;
}

bool MxLinkList::splice_out(MxLink* l) {
  if (!l || (!l->prev() && l != head_) || (!l->next() && l != tail_)) {
    MX_REPORT("mxlinklist");
    return false;
  }
  MxLink* p = l->prev();
  MxLink* n = l->next();
  if (p && n) {
    p->set_next(n);
    n->set_prev(p);
  } else if (p) {
    p->set_next(nullptr);
    tail_ = p;
  } else if (n) {
    n->set_prev(nullptr);
    head_ = n;
  } else {
    head_ = tail_ = nullptr;
  }
  l->set_next(nullptr);
  l->set_prev(nullptr);
  cursor_.reset();
  return true;
}

void MxLinkList::splice_sequence(int start, int count, MxLinkList* insert_from,
                                 MxLinkList* removed_to) {
  if (insert_from == this || removed_to == this) {
    MX_REPORT("mxlinklist");
    return;
  }
  MxLink* l = array(start);
  MxLink* insertion_point = l ? l->prev() : tail_;
  for (int removed = 0; l && removed < count; ++removed) {
    MxLink* next = l->next();
    splice_out(l);
    if (removed_to)
      removed_to->append_link(l);
    else
      delete l;
    l = next;
  }
  if (insert_from && insert_from->head_) {
    MxLink* first = insert_from->head_;
    MxLink* last = insert_from->tail_;
    MxLink* after = insertion_point ? insertion_point->next() : head_;
    first->set_prev(insertion_point);
    last->set_next(after);
    if (insertion_point)
      insertion_point->set_next(first);
    else
      head_ = first;
    if (after)
      after->set_prev(last);
    else
      tail_ = last;
    insert_from->head_ = insert_from->tail_ = nullptr;
    insert_from->cursor_.reset();
  }
  cursor_.reset();
}
