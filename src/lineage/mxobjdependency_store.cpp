// The internal store of MxObjDependency: link lists, node sets, the object
// map, pools, and node and link lifetime.
#include "mxobjdependency_store.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define MX_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MX_POOL_ASAN 1
#endif
#endif

#ifdef MX_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define MX_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define MX_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define MX_POISON(p, n) ((void)(p), (void)(n))
#define MX_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace mx_detail {

namespace {
const char* const kTag = "mxobjdependency";

uint32_t round_up_pow2(uint32_t n) {
  uint32_t c = 1;
  while (c < n) c <<= 1;
  return c;
}
} // namespace

// ---------------------------------------------------------------------------
// LinkVec

size_t LinkVec::home(const Node* other) const {
  // The index has 2 * cap_ entries; cap_ is a power of two above kSmallMax.
  const unsigned bits = static_cast<unsigned>(__builtin_ctz(cap_)) + 1;
  const uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(other)) >> 3;
  return static_cast<size_t>((x * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

uint32_t LinkVec::tag(const Node* other) {
  const uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(other)) >> 3;
  return static_cast<uint32_t>(x ^ (x >> 32));
}

void LinkVec::index_insert(uint32_t pos) {
  uint64_t* idx = index();
  const size_t mask = 2 * static_cast<size_t>(cap_) - 1;
  Link** s = slot_array();
  const Node* key = s[pos]->node;
  const uint64_t t = static_cast<uint64_t>(tag(key)) << 32;
  for (size_t i = home(key);; i = (i + 1) & mask) {
    const uint64_t e = idx[i];
    if (e == 0) {
      idx[i] = t | (pos + 1);
      ++header()->index_used;
      return;
    }
    // An entry for the same node is taken over, so lookups find the link
    // inserted last, as a map whose entries are overwritten would.
    if ((e & 0xFFFFFFFF00000000ull) != t) continue;
    const uint32_t p = static_cast<uint32_t>(e) - 1;
    if (p < size_ && s[p] && s[p]->node == key) {
      idx[i] = t | (pos + 1);
      return;
    }
  }
}

void LinkVec::reindex() {
  std::memset(index(), 0, 2 * static_cast<size_t>(cap_) * sizeof(uint64_t));
  header()->index_used = 0;
  Link** s = slot_array();
  for (uint32_t i = 0; i < size_; ++i)
    if (s[i]) index_insert(i);
}

void LinkVec::rebuild(uint32_t capacity) {
  // Gather the links in order, then free the old storage.
  std::vector<Link*> links;
  links.reserve(count());
  for (uint32_t i = 0; i < size_; ++i)
    if (Link* l = at(i)) links.push_back(l);
  release();
  const uint32_t n = static_cast<uint32_t>(links.size());
  if (capacity < n) capacity = n;
  if (capacity <= 1) {
    one_ = n ? links[0] : nullptr;
    cap_ = 1;
    size_ = n;
    return;
  }
  capacity = round_up_pow2(capacity);
  if (capacity <= kSmallMax) {
    many_ = new Link*[capacity];
    std::fill(many_, many_ + capacity, nullptr);
    std::copy(links.begin(), links.end(), many_);
    cap_ = capacity;
    size_ = n;
    return;
  }
  const size_t bytes = sizeof(BigHeader) + capacity * sizeof(Link*) +
                       2 * static_cast<size_t>(capacity) * sizeof(uint64_t);
  big_ = static_cast<unsigned char*>(::operator new(bytes));
  std::memset(big_, 0, bytes);
  cap_ = capacity;
  size_ = n;
  header()->live = n;
  std::copy(links.begin(), links.end(), slot_array());
  reindex();
}

void LinkVec::append(Link* link) {
  if (cap_ == 0) {
    one_ = link;
    cap_ = 1;
    size_ = 1;
    return;
  }
  if (cap_ == 1) {
    if (size_ == 0) {
      one_ = link;
      size_ = 1;
      return;
    }
    rebuild(2);
  } else if (size_ == cap_) {
    // A large list full of holes is squeezed in place of growing.
    const bool holes = cap_ > kSmallMax && header()->live < cap_ / 2;
    rebuild(holes ? cap_ : cap_ * 2);
  }
  if (cap_ <= kSmallMax) {
    many_[size_++] = link;
    return;
  }
  slot_array()[size_] = link;
  ++size_;
  ++header()->live;
  if (header()->index_used >= cap_)
    reindex();
  else
    index_insert(size_ - 1);
}

Link* LinkVec::find(const Node* other) const {
  const int64_t pos = find_pos(other);
  return pos < 0 ? nullptr : at(static_cast<uint32_t>(pos));
}

int64_t LinkVec::find_pos(const Node* other) const {
  if (cap_ <= 1) return (size_ && one_ && one_->node == other) ? 0 : -1;
  Link** s = slot_array();
  if (cap_ <= kSmallMax) {
    for (uint32_t i = size_; i-- > 0;)
      if (s[i]->node == other) return i;
    return -1;
  }
  const uint64_t* idx = index();
  const size_t mask = 2 * static_cast<size_t>(cap_) - 1;
  const uint64_t t = static_cast<uint64_t>(tag(other)) << 32;
  for (size_t i = home(other);; i = (i + 1) & mask) {
    const uint64_t e = idx[i];
    if (e == 0) return -1;
    if ((e & 0xFFFFFFFF00000000ull) != t) continue;
    const uint32_t p = static_cast<uint32_t>(e) - 1;
    if (p < size_ && s[p] && s[p]->node == other) return p;
  }
}

int64_t LinkVec::position_of(const Link* link) const {
  if (!link) return -1;
  if (cap_ > kSmallMax) {
    // Try the index first; compare pointers only, then fall back to a scan.
    Link** s = slot_array();
    const uint64_t* idx = index();
    const size_t mask = 2 * static_cast<size_t>(cap_) - 1;
    const uint64_t t = static_cast<uint64_t>(tag(link->node)) << 32;
    for (size_t i = home(link->node);; i = (i + 1) & mask) {
      const uint64_t e = idx[i];
      if (e == 0) break;
      if ((e & 0xFFFFFFFF00000000ull) != t) continue;
      const uint32_t p = static_cast<uint32_t>(e) - 1;
      if (p < size_ && s[p] == link) return p;
    }
  }
  for (uint32_t i = 0; i < size_; ++i)
    if (at(i) == link) return i;
  return -1;
}

bool LinkVec::erase(Link* link) {
  const int64_t found = position_of(link);
  if (found < 0) return false;
  const uint32_t pos = static_cast<uint32_t>(found);
  if (cap_ <= 1) {
    one_ = nullptr;
    size_ = 0;
    return true;
  }
  Link** s = slot_array();
  if (cap_ <= kSmallMax) {
    std::copy(s + pos + 1, s + size_, s + pos);
    s[--size_] = nullptr;
    return true;
  }
  s[pos] = nullptr;
  --header()->live;
  while (size_ > 0 && !s[size_ - 1]) --size_;
  const uint32_t live = header()->live;
  if (live == 0) {
    release();
  } else if (size_ - live > kSmallMax && size_ - live > live) {
    rebuild(round_up_pow2(2 * live));
  }
  return true;
}

void LinkVec::release() {
  if (cap_ > 1) {
    if (cap_ <= kSmallMax)
      delete[] many_;
    else
      ::operator delete(big_);
  }
  one_ = nullptr;
  size_ = 0;
  cap_ = 0;
}

// ---------------------------------------------------------------------------
// NodeSet

bool NodeSet::insert(Node* n) {
  if (n->*pos_ >= 0) return false;
  if (entries_.empty() || entries_.back()->seq < n->seq) {
    n->*pos_ = static_cast<int32_t>(entries_.size());
    entries_.push_back(n);
  } else {
    // An older node comes back (the null-object node): squeeze the holes
    // out, then insert it at its place in creation order.
    compact();
    auto at = std::lower_bound(entries_.begin(), entries_.end(), n,
                               [](const Node* a, const Node* b) { return a->seq < b->seq; });
    const size_t first = static_cast<size_t>(at - entries_.begin());
    entries_.insert(at, n);
    for (size_t i = first; i < entries_.size(); ++i) entries_[i]->*pos_ = static_cast<int32_t>(i);
  }
  ++live_;
  return true;
}

bool NodeSet::erase(Node* n) {
  const int32_t pos = n->*pos_;
  if (pos < 0) return false;
  entries_[static_cast<size_t>(pos)] = nullptr;
  n->*pos_ = -1;
  --live_;
  while (!entries_.empty() && !entries_.back()) entries_.pop_back();
  if (entries_.size() - live_ > 64 && entries_.size() - live_ > live_) compact();
  return true;
}

void NodeSet::compact() {
  size_t j = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (Node* n = entries_[i]) {
      entries_[j] = n;
      n->*pos_ = static_cast<int32_t>(j);
      ++j;
    }
  }
  entries_.resize(j);
}

void NodeSet::clear() {
  for (Node* n : entries_)
    if (n) n->*pos_ = -1;
  entries_.clear();
  live_ = 0;
}

// ---------------------------------------------------------------------------
// ObjectMap

bool ObjectMap::insert(const MxDynObj* object, Node* node) {
  static_assert(alignof(Node) > kTagMask, "the tag lives in a node pointer's alignment bits");
  if (object) {
    return table_.insert_unless([&](unsigned bits) { return ObjectKey::home(object, bits); },
                                slot_of(object),
                                reinterpret_cast<uintptr_t>(node) | tag_of(object));
  }
  if (null_node_) return false;
  null_node_ = node;
  return true;
}

bool ObjectMap::erase(const MxDynObj* object) {
  if (object) {
    Node* node = find(object);
    return node && table_.erase(reinterpret_cast<uintptr_t>(node) | tag_of(object));
  }
  if (!null_node_) return false;
  null_node_ = nullptr;
  return true;
}

// ---------------------------------------------------------------------------
// Pool

namespace {
struct ChunkHeader {
  void* next;
  size_t bytes;
};
constexpr size_t kChunkHeader = (sizeof(ChunkHeader) + 15) / 16 * 16;
constexpr size_t kMaxChunkObjects = 8192;
} // namespace

Pool::Pool(size_t object_size, size_t first_chunk)
    : size_((object_size + 7) / 8 * 8), next_chunk_(first_chunk) {}

Pool::~Pool() {
  release_all();
}

void* Pool::allocate() {
  if (free_) {
    void* p = free_;
    MX_UNPOISON(p, size_);
    free_ = *static_cast<void**>(p);
    return p;
  }
  if (cursor_ == end_) {
    const size_t bytes = kChunkHeader + next_chunk_ * size_;
    auto* chunk = static_cast<unsigned char*>(::operator new(bytes));
    auto* header = reinterpret_cast<ChunkHeader*>(chunk);
    header->next = chunks_;
    header->bytes = bytes;
    chunks_ = chunk;
    reserved_ += bytes;
    cursor_ = chunk + kChunkHeader;
    end_ = chunk + bytes;
    MX_POISON(cursor_, end_ - cursor_);
    if (next_chunk_ < kMaxChunkObjects) next_chunk_ *= 2;
  }
  void* p = cursor_;
  cursor_ += size_;
  MX_UNPOISON(p, size_);
  return p;
}

void Pool::release(void* p) {
  *static_cast<void**>(p) = free_;
  free_ = p;
  MX_POISON(p, size_);
}

void Pool::release_all() {
  void* chunk = chunks_;
  while (chunk) {
    auto* header = static_cast<ChunkHeader*>(chunk);
    void* next = header->next;
    MX_UNPOISON(chunk, header->bytes);
    ::operator delete(chunk);
    chunk = next;
  }
  chunks_ = nullptr;
  free_ = nullptr;
  cursor_ = end_ = nullptr;
  reserved_ = 0;
}

// ---------------------------------------------------------------------------
// MxObjDepStore

MxObjDepStore::MxObjDepStore() : node_pool_(sizeof(Node), 8), link_pool_(sizeof(Link), 16) {}

MxObjDepStore::~MxObjDepStore() {
  clear();
}

Node* MxObjDepStore::create_node(const MxDynObj* object) {
  if (next_seq_ == UINT32_MAX) renumber();
  Node* n = ::new (node_pool_.allocate()) Node(object);
  n->seq = next_seq_++;
  objects.insert(object, n);
  ++changes;
  return n;
}

void MxObjDepStore::remove_listener(StoreListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void MxObjDepStore::destroy_node(Node* node) {
  for (StoreListener* l : listeners_) l->node_destroyed(node);
  roots.erase(node);
  leaves.erase(node);
  for (uint32_t i = 0; i < node->target_links.slots(); ++i)
    if (Link* l = node->target_links.at(i)) destroy_link(l);
  for (uint32_t i = 0; i < node->source_links.slots(); ++i)
    if (Link* l = node->source_links.at(i)) destroy_link(l);
  node->~Node();
  node_pool_.release(node);
  ++changes;
}

Link* MxObjDepStore::create_link(Node* node, MxObjectDependency::Type type, bool has_qualifier,
                                 int qualifier, int separator, MxObjectDependencyRole* role) {
  Link* l = static_cast<Link*>(link_pool_.allocate());
  l->node = node;
  l->has_role = role != nullptr;
  if (role) roles_.insert(l, role);
  l->target_qualifier = has_qualifier ? qualifier : -1;
  l->separator = separator;
  l->dependency_type = type;
  l->has_target_qualifier = has_qualifier;
  l->listed = false;
  l->dropped = false;
  ++changes;
  return l;
}

void MxObjDepStore::destroy_link(Link* link) {
  for (StoreListener* l : listeners_) l->link_destroyed(link);
  if (link->has_role) {
    delete role_of(link);
    roles_.erase(link);
  }
  link_pool_.release(link);
  ++changes;
}

void MxObjDepStore::add_target_link(Node* node, Link* link) {
  tell_links_changed(node, link, LinkChange::kTargetAdded);
  node->target_links.append(link);
  if (link->dependency_type == MxObjectDependency::ABSORPTION) ++node->absorption_targets;
}

void MxObjDepStore::add_source_link(Node* node, Link* link) {
  tell_links_changed(node, link, LinkChange::kSourceAdded);
  node->source_links.append(link);
  if (link->dependency_type == MxObjectDependency::ABSORPTION) ++node->absorption_sources;
}

bool MxObjDepStore::erase_target_link(Node* node, Link* link) {
  if (!node->target_links.erase(link)) return false;
  tell_links_changed(node, link, LinkChange::kErased);
  if (link->dependency_type == MxObjectDependency::ABSORPTION) --node->absorption_targets;
  return true;
}

bool MxObjDepStore::erase_source_link(Node* node, Link* link) {
  if (!node->source_links.erase(link)) return false;
  tell_links_changed(node, link, LinkChange::kErased);
  if (link->dependency_type == MxObjectDependency::ABSORPTION) --node->absorption_sources;
  return true;
}

void MxObjDepStore::retype_target_link(Node* node, Link* link, MxObjectDependency::Type type) {
  retype_link(node, link, type, &Node::absorption_targets);
}

void MxObjDepStore::retype_source_link(Node* node, Link* link, MxObjectDependency::Type type) {
  retype_link(node, link, type, &Node::absorption_sources);
}

void MxObjDepStore::retype_link(Node* node, Link* link, MxObjectDependency::Type type,
                                uint32_t Node::*absorptions) {
  tell_links_changed(node, link, LinkChange::kRetyped);
  const bool was = link->dependency_type == MxObjectDependency::ABSORPTION;
  const bool is = type == MxObjectDependency::ABSORPTION;
  link->dependency_type = type;
  if (was != is) {
    if (is)
      ++(node->*absorptions);
    else
      --(node->*absorptions);
  }
  ++changes;
}

void MxObjDepStore::clear() {
  roots.clear();
  leaves.clear();
  std::vector<Node*> all;
  all.reserve(objects.size());
  objects.for_each([&](Node* n) { all.push_back(n); });
  objects.clear();
  for (Node* n : all) destroy_node(n);
  node_pool_.release_all();
  link_pool_.release_all();
  next_seq_ = 1;
}

std::vector<Node*> MxObjDepStore::nodes_in_order() const {
  std::vector<Node*> all;
  all.reserve(objects.size());
  objects.for_each([&](Node* n) { all.push_back(n); });
  std::sort(all.begin(), all.end(), [](const Node* a, const Node* b) { return a->seq < b->seq; });
  return all;
}

void MxObjDepStore::renumber() {
  // Creation numbers ran out: number the nodes again from 1 in their order.
  std::vector<Node*> all = nodes_in_order();
  uint32_t seq = 1;
  for (Node* n : all) n->seq = seq++;
  next_seq_ = seq;
}

void MxObjDepStore::copy_from(const MxObjDepStore& other) {
  const std::vector<Node*> originals = other.nodes_in_order();
  PtrTable<Node*> twin;
  for (const Node* o : originals) {
    Node* n = ::new (node_pool_.allocate()) Node(o->object);
    n->seq = o->seq;
    objects.insert(o->object, n);
    twin.insert(o, n);
  }
  next_seq_ = other.next_seq_;
  auto copy_link = [&](const Link* o) {
    Node* const* peer = twin.find(o->node);
    if (!peer) {
      MX_REPORT(kTag); // a link to a node the graph does not hold
      return static_cast<Link*>(nullptr);
    }
    return create_link(*peer, o->dependency_type, o->has_target_qualifier, o->target_qualifier,
                       o->separator, clone_role(other.role_of(o)));
  };
  for (const Node* o : originals) {
    Node* n = *twin.find(o);
    for (uint32_t i = 0; i < o->target_links.slots(); ++i)
      if (const Link* l = o->target_links.at(i))
        if (Link* c = copy_link(l)) add_target_link(n, c);
    for (uint32_t i = 0; i < o->source_links.slots(); ++i)
      if (const Link* l = o->source_links.at(i))
        if (Link* c = copy_link(l)) add_source_link(n, c);
  }
  for (size_t i = 0; i < other.roots.slots(); ++i)
    if (const Node* r = other.roots.at(i)) roots.insert(*twin.find(r));
  for (size_t i = 0; i < other.leaves.slots(); ++i)
    if (const Node* l = other.leaves.at(i)) leaves.insert(*twin.find(l));
  ++changes;
}

uint32_t MxObjDepStore::fresh_marks(uint32_t count) const {
  if (last_mark_ > UINT32_MAX - count) {
    objects.for_each([](Node* n) { n->walk_mark = n->check_mark = 0; });
    last_mark_ = 0;
  }
  const uint32_t first = last_mark_ + 1;
  last_mark_ += count;
  return first;
}

Reached::Reached(const MxObjDepStore& store) : marks_(!store.check_marks_busy), store_(store) {
  forward_ = both_ = backward_ = 0;
  if (!marks_) return;
  store.check_marks_busy = true;
  forward_ = store.fresh_marks(3);
  both_ = forward_ + 1;
  backward_ = forward_ + 2;
}

Reached::~Reached() {
  if (marks_) store_.check_marks_busy = false;
}

bool Reached::insert_forward(Node* n) {
  bool inserted = false;
  if (!marks_) {
    inserted = forward_set_.insert(n);
  } else if (n->check_mark != forward_ && n->check_mark != both_) {
    n->check_mark = n->check_mark == backward_ ? both_ : forward_;
    inserted = true;
  }
  if (inserted) ++forward_count_;
  return inserted;
}

bool Reached::forward(const Node* n) const {
  if (!marks_) return forward_set_.contains(n);
  return n->check_mark == forward_ || n->check_mark == both_;
}

bool Reached::insert_backward(Node* n) {
  if (!marks_) return backward_set_.insert(n);
  if (n->check_mark == both_ || n->check_mark == backward_) return false;
  n->check_mark = n->check_mark == forward_ ? both_ : backward_;
  return true;
}

MxObjectDependencyRole* clone_role(const MxObjectDependencyRole* role) {
  if (!role) return nullptr;
  MxDynObj* copy = role->clone();
  auto* as_role = dynamic_cast<MxObjectDependencyRole*>(copy);
  if (!as_role) delete copy;
  return as_role;
}

} // namespace mx_detail
