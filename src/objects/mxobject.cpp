// MxObject: attributes, reactors, notification, destruction and copying.
#include "mxobject.h"

#include "mxattrib.h"
#include "mxevent.h"
#include "mxlist.h"
#include "mxrcptr.h"
#include "mxreactor.h"

#include <memory>
#include <new>

MX_DEFINE_LIBRARY_CLASS_NAME(MxObject);

namespace mx_detail {

/// The two lists of an object. The change counters go up with every change
/// of their list, so a walk that calls client code can tell whether the
/// list changed under it.
struct MxObjectLists {
  MxList<MxRCPtr<MxAttrib>> attribs;
  MxList<MxRCPtr<MxReactor>> reactors;
  unsigned long attrib_changes = 0;
  unsigned long reactor_changes = 0;
};

} // namespace mx_detail

namespace {

// Source tag of the checks of this file.
const char* const tag = "mxobject";

template <class T> using HolderList = MxList<MxRCPtr<T>>;

/// Counted references to the non-null members of a list, in list order,
/// taken before a walk that calls client code. Whatever the client does to
/// the list meanwhile, each member stays alive until the snapshot lets it go.
/// Small lists fit in the snapshot itself, so a walk needs no allocation.
template <class T> class Snapshot {
public:
  explicit Snapshot(const HolderList<T>& list) {
    if (list.count() > inline_capacity) {
      heap_.reset(new Slot[list.count()]);
      data_ = heap_.get();
    }
    for (const MxItem<MxRCPtr<T>>* item = list.head_item(); item; item = item->next_item())
      if (item->value()) ::new (static_cast<void*>(data_[size_++].bytes)) MxRCPtr<T>(item->value());
  }
  ~Snapshot() {
    for (size_t i = 0; i < size_; ++i) holder(i).~MxRCPtr<T>();
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  size_t size() const { return size_; }
  /// The member at `i`; null once dropped.
  T* operator[](size_t i) const { return holder(i).get(); }
  /// Lets member `i` go (deleting it when nothing else holds it).
  void drop(size_t i) { holder(i) = nullptr; }

private:
  static constexpr size_t inline_capacity = 16;
  /// Room for one holder, built only when the snapshot takes a member.
  struct Slot {
    alignas(MxRCPtr<T>) unsigned char bytes[sizeof(MxRCPtr<T>)];
  };

  MxRCPtr<T>& holder(size_t i) const {
    return *std::launder(reinterpret_cast<MxRCPtr<T>*>(data_[i].bytes));
  }

  Slot inline_[inline_capacity];
  std::unique_ptr<Slot[]> heap_;
  Slot* data_ = inline_;
  size_t size_ = 0;
};

template <class T> bool holds(const HolderList<T>& list, const T* p) {
  for (const MxItem<MxRCPtr<T>>* item = list.head_item(); item; item = item->next_item())
    if (item->value().get() == p) return true;
  return false;
}

/// Calls `call(i, member)` for every member of `held` that is still in
/// `list` when its turn comes. `changes` is the list's change counter: while
/// it stays put the list is known to hold every member, otherwise membership
/// is checked. Members found gone are dropped.
template <class T, class Call>
void call_each(const HolderList<T>& list, const unsigned long& changes, Snapshot<T>& held,
               Call call) {
  const unsigned long before = changes;
  for (size_t i = 0; i < held.size(); ++i) {
    if (changes != before && !holds(list, held[i])) {
      held.drop(i);
      continue;
    }
    call(i, held[i]);
  }
}

/// Removes the first item holding `p`. Only the item's own reference is
/// released: an object the list does not hold is not touched.
template <class T> bool detach_first(HolderList<T>& list, const T* p) {
  for (MxItem<MxRCPtr<T>>* item = list.head_item(); item; item = item->next_item()) {
    if (item->value().get() == p) {
      list.erase(item);
      return true;
    }
  }
  return false;
}

template <class T> T* find_by_id(const HolderList<T>& list, int id) {
  for (const MxItem<MxRCPtr<T>>* item = list.head_item(); item; item = item->next_item()) {
    T* p = item->value().get();
    if (p && p->identity() == id) return p;
  }
  return nullptr;
}

template <class T> T* find_by_type(const HolderList<T>& list, const MxString* t) {
  for (const MxItem<MxRCPtr<T>>* item = list.head_item(); item; item = item->next_item()) {
    T* p = item->value().get();
    if (p && p->isA(t)) return p;
  }
  return nullptr;
}

/// A clone of `p` as a `T`; null when the clone is missing or not a `T`
/// (such a clone is deleted).
template <class T> T* clone_as(const T& p) {
  MxDynObj* copy = p.clone();
  T* typed = dynamic_cast<T*>(copy);
  if (!typed) delete copy;
  return typed;
}

} // namespace

MxObject* MxObject::cast(MxDynObj* p) {
  if (p && p->isA(type_id())) return static_cast<MxObject*>(p);
  Mx_assert(tag, __LINE__);
  return nullptr;
}

const MxObject* MxObject::cast(const MxDynObj* p) {
  if (p && p->isA(type_id())) return static_cast<const MxObject*>(p);
  Mx_assert(tag, __LINE__);
  return nullptr;
}

MxObject::MxObject() : MxDynObj(), MxRCObj(), identity_(next_identity()) {}

MxObject::MxObject(const MxObject& other)
    : MxDynObj(other), MxRCObj(other), identity_(next_identity()) {
  copy_items_from(other);
}

MxObject& MxObject::operator=(const MxObject& other) {
  if (this != &other) copy_items_from(other);
  return *this;
}

MxObject::~MxObject() {
  {
    const MxObjectDelete event(identity_);
    notify_attribs(event);
    if (rtx_) notify_reactors(event);
  }
  // The block is unhooked before its items go, so an attribute or reactor
  // whose destructor comes back to this object finds no lists; anything
  // added meanwhile lands in a new block, released in turn.
  while (rtx_) {
    std::unique_ptr<mx_detail::MxObjectLists> lists(rtx_);
    rtx_ = nullptr;
    lists->reactors.clear();
    lists->attribs.clear();
  }
}

int MxObject::identity() const {
  return identity_;
}

void MxObject::debug(MxJournal&, MxDebug, bool, int) const {}

MxInterface* MxObject::get_interface(const MxString*) const {
  return nullptr;
}

void MxObject::add_ref() const {
  refs_.add(tag, __LINE__);
}

void MxObject::remove_ref() const {
  refs_.remove(tag, __LINE__);
}

int MxObject::n_refs() const {
  return refs_.get(tag, __LINE__);
}

void MxObject::construct_rtx() const {
  if (!rtx_) rtx_ = new mx_detail::MxObjectLists;
}

void MxObject::add_attrib(MxAttrib* a) {
  construct_rtx();
  rtx_->attribs.insert_head(MxRCPtr<MxAttrib>(a));
  ++rtx_->attrib_changes;
}

void MxObject::detach_attrib(MxAttrib* a) {
  if (!rtx_) return;
  if (detach_first(rtx_->attribs, a)) ++rtx_->attrib_changes;
}

void MxObject::detach_all_attribs() {
  if (!rtx_) return;
  ++rtx_->attrib_changes;
  rtx_->attribs.clear();
}

void MxObject::destroy_all_attribs() {}

MxAttrib* MxObject::find_attrib_by_id(int id) const {
  return rtx_ ? find_by_id(rtx_->attribs, id) : nullptr;
}

MxAttrib* MxObject::find_attrib_by_type(const MxString* t) const {
  return rtx_ ? find_by_type(rtx_->attribs, t) : nullptr;
}

size_t MxObject::find_all_attribs_by_type(const MxString* t,
                                          MxArray<MxAttrib*, MxAllocator<MxAttrib*>>& out) const {
  out.resize(0, true);
  if (!rtx_) return 0;
  // Counted first, then sized once and filled.
  size_t matches = 0;
  for (const MxItem<MxRCPtr<MxAttrib>>* item = rtx_->attribs.head_item(); item;
       item = item->next_item())
    if (item->value() && item->value()->isA(t)) ++matches;
  out.resize(matches, true);
  size_t i = 0;
  for (const MxItem<MxRCPtr<MxAttrib>>* item = rtx_->attribs.head_item(); item && i < matches;
       item = item->next_item())
    if (item->value() && item->value()->isA(t)) out[i++] = item->value().get();
  return out.size();
}

void MxObject::add_reactor(MxReactor* r) {
  construct_rtx();
  rtx_->reactors.insert_head(MxRCPtr<MxReactor>(r));
  ++rtx_->reactor_changes;
}

void MxObject::detach_reactor(MxReactor* r) {
  if (!rtx_) return;
  if (detach_first(rtx_->reactors, r)) ++rtx_->reactor_changes;
}

void MxObject::detach_all_reactors() {
  if (!rtx_) return;
  ++rtx_->reactor_changes;
  rtx_->reactors.clear();
}

MxReactor* MxObject::find_reactor_by_id(int id) const {
  return rtx_ ? find_by_id(rtx_->reactors, id) : nullptr;
}

MxReactor* MxObject::find_reactor_by_type(const MxString* t) const {
  return rtx_ ? find_by_type(rtx_->reactors, t) : nullptr;
}

void MxObject::notify_attribs(const MxEvent& e) {
  if (!rtx_) return;
  // Every attribute answers before any is detached; those that still hold
  // are let go at once, so the snapshot ends up holding the failed ones.
  Snapshot<MxAttrib> held(rtx_->attribs);
  call_each(rtx_->attribs, rtx_->attrib_changes, held, [&](size_t i, MxAttrib* a) {
    if (a->invariant(e)) held.drop(i);
  });
  for (size_t i = 0; i < held.size(); ++i) {
    if (!held[i]) continue;
    if (rtx_) detach_attrib(held[i]);
    held.drop(i);
  }
}

void MxObject::notify_reactors(const MxEvent& e) {
  if (!rtx_) return;
  Snapshot<MxReactor> held(rtx_->reactors);
  call_each(rtx_->reactors, rtx_->reactor_changes, held,
            [&](size_t, MxReactor* r) { r->react(e); });
}

void MxObject::notify() {
  {
    const MxObjectModified event(identity());
    notify_attribs(event);
  }
  {
    const MxObjectModified event(identity());
    notify_reactors(event);
  }
}

void MxObject::copy_items_from(const MxObject& other) {
  if (!other.rtx_) return;
  {
    Snapshot<MxAttrib> held(other.rtx_->attribs);
    for (size_t i = 0; i < held.size(); ++i) {
      MxAttrib* a = held[i];
      if (!a->propagate()) continue;
      if (a->sharable()) {
        add_attrib(a);
      } else if (MxAttrib* copy = clone_as(*a)) {
        add_attrib(copy);
      }
    }
  }
  Snapshot<MxReactor> held(other.rtx_->reactors);
  for (size_t i = 0; i < held.size(); ++i) {
    MxReactor* r = held[i];
    if (!r->propagate()) continue;
    if (r->sharable()) {
      add_reactor(r);
    } else if (MxReactor* copy = clone_as(*r)) {
      add_reactor(copy);
    }
  }
}
