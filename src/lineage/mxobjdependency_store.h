// The internal store of MxObjDependency: nodes, links and the containers
// that index them. Private to the library's sources.
//
// Every recorded dependency is a pair of links, the forward link in the
// source node's `target_links` (its `node` is the target) and the back link
// in the target node's `source_links` (its `node` is the source). Links of a
// node are kept in the order in which they were inserted, and since a link is
// always inserted after every link made before it, that is the order in which
// the graph made them. Nodes carry a per-graph creation number; `roots` and
// `leaves` list nodes in that order. Nothing is ordered by address, so every
// walk visits the graph in the same order from run to run.
//
// Lookups by the node at the other end (the link maps of a node) use a
// linear scan for small link lists and a hash index kept inside the storage
// block of large ones, so a node with a million links stays fast.
//
// Nodes and links come from per-graph pools; under AddressSanitizer a freed
// slot is poisoned until it is handed out again.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_STORE_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_STORE_H

#include "mxobjdependency.h"
#include "mxobjdependency_flattable.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct MxObjDepNode;

/// One half of a dependency pair. Roles are rare, so a link only says
/// whether it has one; the store keeps the role itself (`role_of`).
struct MxObjDepLink {
  MxObjDepNode* node;   ///< the node at the other end; never null when stored
  int target_qualifier; ///< -1 when `has_target_qualifier` is false
  int separator;
  MxObjectDependency::Type dependency_type;
  bool has_target_qualifier;
  bool has_role;
  bool listed;  ///< on a root's list during simplification
  bool dropped; ///< waiting in a removal context to be taken out
};

namespace mx_detail {

using Link = MxObjDepLink;
using Node = MxObjDepNode;

/// The links of one side of a node, in insertion order. Up to one link is
/// kept inline; up to `kSmallMax` in a plain array (erasing shifts); beyond
/// that in a block with a hash index on the other node, where erasing leaves
/// a hole that is squeezed out later. Positions (`slots()`, `at`) therefore
/// may show holes (null) for large lists: iterate over all slots and skip
/// them. Not copyable; the owner calls `release`.
class LinkVec {
public:
  static constexpr uint32_t kSmallMax = 16;

  LinkVec() = default;
  LinkVec(const LinkVec&) = delete;
  LinkVec& operator=(const LinkVec&) = delete;
  ~LinkVec() { release(); }

  /// Number of positions, holes included.
  uint32_t slots() const { return size_; }
  /// Number of links.
  uint32_t count() const { return cap_ <= kSmallMax ? size_ : header()->live; }
  bool empty() const { return count() == 0; }
  /// The link at position `i` (< `slots()`), or null for a hole.
  Link* at(uint32_t i) const {
    if (cap_ <= 1) return one_;
    return slot_array()[i];
  }
  /// Appends `link` after every other.
  void append(Link* link);
  /// The last inserted link whose `node` is `other`, or null.
  Link* find(const Node* other) const;
  /// The position of `find(other)`, or -1.
  int64_t find_pos(const Node* other) const;
  /// Takes `link` out (compared as a pointer); false when it is not here.
  bool erase(Link* link);
  /// Forgets every link (they are not destroyed) and frees the storage.
  void release();

private:
  struct BigHeader {
    uint32_t live;       // links in the slots
    uint32_t index_used; // index entries written since the last rebuild
  };

  Link** slot_array() const {
    return cap_ <= kSmallMax ? many_ : reinterpret_cast<Link**>(big_ + sizeof(BigHeader));
  }
  BigHeader* header() const { return reinterpret_cast<BigHeader*>(big_); }
  /// Index entries: the position + 1 in the low half (0: empty), a tag of
  /// the other node in the high half, so that most probes need no link.
  uint64_t* index() const { return reinterpret_cast<uint64_t*>(slot_array() + cap_); }
  size_t home(const Node* other) const;
  static uint32_t tag(const Node* other);
  void index_insert(uint32_t pos);
  void reindex();
  int64_t position_of(const Link* link) const;
  /// Moves the links, in order and without holes, into fresh storage of
  /// `capacity` slots.
  void rebuild(uint32_t capacity);

  union {
    Link* one_;
    Link** many_;
    unsigned char* big_;
  };
  uint32_t size_ = 0;
  uint32_t cap_ = 0;
};

} // namespace mx_detail

/// A node of the graph: one client object (null for the null-object node)
/// with its links in both directions.
struct MxObjDepNode {
  const MxDynObj* object;
  mx_detail::LinkVec target_links;
  mx_detail::LinkVec source_links;
  uint32_t absorption_targets = 0; ///< ABSORPTION links among `target_links`
  uint32_t absorption_sources = 0; ///< ABSORPTION links among `source_links`
  uint32_t seq = 0;                ///< creation number within the graph
  int32_t roots_pos = -1;          ///< position in `roots`, or -1
  int32_t leaves_pos = -1;         ///< position in `leaves`, or -1
  uint32_t walk_mark = 0;          ///< mark of the last lineage walk that entered it
  uint32_t check_mark = 0;         ///< mark of the last check or dump that reached it
  uint16_t flags = 0;

  explicit MxObjDepNode(const MxDynObj* o) : object(o) {}
  /// The identity shown in traces and used as dump key: 0 for the null object.
  int key() const { return object ? object->identity() : 0; }
};

namespace mx_detail {

/// Node flags used by simplification.
enum : uint16_t {
  kUncheckedRoot = 1, ///< a root not yet processed in the current step
  kActiveRoot = 2,    ///< a root listed for a simplification step
  kRemoving = 4,      ///< detached by a removal batch, destroyed when it is applied
  kNoted = 8,         ///< noted once while a removal batch is applied
  kDroppedInto = 16   ///< the target of a link a removal batch waits to drop
};

/// A set of nodes listed in creation order, each member knowing its own
/// position (through the node field `pos`) so that membership tests and
/// removal are O(1). Removal leaves a hole that is squeezed out later.
class NodeSet {
public:
  explicit NodeSet(int32_t Node::*pos) : pos_(pos) {}
  NodeSet(const NodeSet&) = delete;
  NodeSet& operator=(const NodeSet&) = delete;

  bool contains(const Node* n) const { return n->*pos_ >= 0; }
  size_t size() const { return live_; }
  /// Number of positions, holes (null) included.
  size_t slots() const { return entries_.size(); }
  Node* at(size_t i) const { return entries_[i]; }
  bool insert(Node* n);
  bool erase(Node* n);
  /// Empties the set (members are told they left).
  void clear();

private:
  void compact();

  int32_t Node::*pos_;
  std::vector<Node*> entries_;
  size_t live_ = 0;
};

/// The object-to-node map. Its slots hold the nodes alone (the object is
/// read from the node), each pointer tagged in its three alignment bits with
/// a hash of the object so that most probes of other slots need no node.
/// Slots are placed by `ObjectKey`'s hash, which keeps objects made one
/// after the other in nearby slots. The null object has a slot of its own.
class ObjectMap {
public:
  ObjectMap() = default;
  ObjectMap(const ObjectMap&) = delete;
  ObjectMap& operator=(const ObjectMap&) = delete;

  Node* find(const MxDynObj* object) const {
    if (!object) return null_node_;
    const uintptr_t* slot =
        table_.find_key(ObjectKey::home(object, table_.bits()), slot_of(object));
    return slot ? node_of(*slot) : nullptr;
  }
  /// False (and nothing changes) when `object` has a node already.
  bool insert(const MxDynObj* object, Node* node);
  /// False when `object` has no node.
  bool erase(const MxDynObj* object);
  size_t size() const { return table_.size() + (null_node_ ? 1 : 0); }
  /// Every node, in no particular order.
  template <class F> void for_each(F f) const {
    if (null_node_) f(null_node_);
    table_.for_each([&](uintptr_t slot, Empty) { f(node_of(slot)); });
  }
  void clear() {
    table_.clear();
    null_node_ = nullptr;
  }

private:
  static constexpr uintptr_t kTagMask = 7;
  static uintptr_t tag_of(const MxDynObj* object) {
    return static_cast<uintptr_t>((reinterpret_cast<uintptr_t>(object) >> 3) *
                                  0x9E3779B97F4A7C15ull) >>
           61;
  }
  static Node* node_of(uintptr_t slot) { return reinterpret_cast<Node*>(slot & ~kTagMask); }
  /// Whether a slot holds `object`'s node: the tag first, the node only
  /// when the tag matches.
  struct SlotOf {
    const MxDynObj* object;
    uintptr_t tag;
    bool operator()(uintptr_t slot) const {
      return (slot & kTagMask) == tag && node_of(slot)->object == object;
    }
  };
  static SlotOf slot_of(const MxDynObj* object) { return SlotOf{object, tag_of(object)}; }
  struct SlotKey {
    static constexpr size_t kLoadNum = 3, kLoadDen = 5;
    static uintptr_t empty() { return 0; }
    static uint64_t home(uintptr_t slot, unsigned bits) {
      return ObjectKey::home(node_of(slot)->object, bits);
    }
  };
  FlatTable<uintptr_t, Empty, SlotKey> table_;
  Node* null_node_ = nullptr;
};

/// Fixed-size object pool: memory in growing chunks, freed objects on a free
/// list. The caller constructs and destroys the objects.
class Pool {
public:
  Pool(size_t object_size, size_t first_chunk);
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  ~Pool();

  void* allocate();
  void release(void* p);
  /// Frees every chunk; every object must have been destroyed.
  void release_all();
  /// Bytes obtained from the system.
  size_t reserved_bytes() const { return reserved_; }

private:
  size_t size_;
  size_t next_chunk_;
  void* free_ = nullptr;
  unsigned char* cursor_ = nullptr;
  unsigned char* end_ = nullptr;
  void* chunks_ = nullptr;
  size_t reserved_ = 0;
};

/// Sets and maps keyed by non-null pointers, for the scratch bookkeeping of
/// walks and removals.
template <class V> using PtrTable = FlatTable<const void*, V, PointerKey>;
using PtrSet = PtrTable<Empty>;

/// What happened to a link of a node's lists.
enum class LinkChange { kTargetAdded, kSourceAdded, kErased, kRetyped };

/// Told by the store what it changes: a link put into, taken out of or
/// retyped in a node's lists (the holder), a link destroyed, a node
/// destroyed. The store knows nothing of its listeners beyond this.
class StoreListener {
public:
  virtual void links_changed(Node* holder, Link* link, LinkChange change) = 0;
  virtual void link_destroyed(Link*) {}
  virtual void node_destroyed(Node* node) = 0;

protected:
  ~StoreListener() = default;
};

/// The graph's contents: nodes, links, roots and leaves.
class MxObjDepStore {
public:
  MxObjDepStore();
  MxObjDepStore(const MxObjDepStore&) = delete;
  MxObjDepStore& operator=(const MxObjDepStore&) = delete;
  ~MxObjDepStore();

  ObjectMap objects;
  NodeSet roots{&Node::roots_pos};
  NodeSet leaves{&Node::leaves_pos};
  /// Lineage walks in progress (a filter may start one inside another).
  mutable uint32_t walks_running = 0;
  /// Whether a check or dump uses `Node::check_mark` now (one started from
  /// inside another, by a journal or a filter, keeps sets of its own).
  mutable bool check_marks_busy = false;
  /// `count` fresh consecutive marks for `Node::walk_mark` or
  /// `Node::check_mark`; the first is returned. When they run out, both
  /// fields of every node are cleared and marks start again from 1.
  uint32_t fresh_marks(uint32_t count) const;
  /// Changes made to links and nodes; lets simplification see progress.
  uint64_t changes = 0;
  /// Listeners are told about every change until they are removed; not owned.
  void add_listener(StoreListener* listener) { listeners_.push_back(listener); }
  void remove_listener(StoreListener* listener);

  Node* find_node(const MxDynObj* object) const { return objects.find(object); }
  /// A new node for `object`, entered in `objects`.
  Node* create_node(const MxDynObj* object);
  /// Destroys `node` with every link it still holds and their roles. The
  /// node leaves `roots` and `leaves`; `objects` is the caller's business.
  void destroy_node(Node* node);
  /// A new link to `node`; takes ownership of `role`.
  Link* create_link(Node* node, MxObjectDependency::Type type, bool has_qualifier, int qualifier,
                    int separator, MxObjectDependencyRole* role);
  /// Destroys the role, then the link.
  void destroy_link(Link* link);
  /// The role recorded with `link`, or null.
  MxObjectDependencyRole* role_of(const Link* link) const {
    if (!link->has_role) return nullptr;
    MxObjectDependencyRole* const* role = roles_.find(link);
    return role ? *role : nullptr;
  }

  void add_target_link(Node* node, Link* link);
  void add_source_link(Node* node, Link* link);
  /// Takes `link` out of the node's list; false when it was not there.
  bool erase_target_link(Node* node, Link* link);
  bool erase_source_link(Node* node, Link* link);
  /// Changes the type of a link held in `node`'s target (or source) list.
  void retype_target_link(Node* node, Link* link, MxObjectDependency::Type type);
  void retype_source_link(Node* node, Link* link, MxObjectDependency::Type type);

  /// Destroys everything.
  void clear();
  /// Makes this store a deep copy of `other` (this one must be empty).
  void copy_from(const MxObjDepStore& other);
  /// Above every node's creation number.
  uint32_t seq_bound() const { return next_seq_; }
  /// Every node in creation order.
  std::vector<Node*> nodes_in_order() const;
  /// Bytes held by the pools (for measurements).
  size_t pool_bytes() const { return node_pool_.reserved_bytes() + link_pool_.reserved_bytes(); }

private:
  void renumber();
  void retype_link(Node* node, Link* link, MxObjectDependency::Type type,
                   uint32_t Node::*absorptions);
  void tell_links_changed(Node* holder, Link* link, LinkChange change) {
    for (StoreListener* l : listeners_) l->links_changed(holder, link, change);
  }

  std::vector<StoreListener*> listeners_;

  mutable uint32_t last_mark_ = 0;
  Pool node_pool_;
  Pool link_pool_;
  /// The owned role of each link with `has_role` set.
  FlatTable<const void*, MxObjectDependencyRole*, PointerKey> roles_;
  uint32_t next_seq_ = 1;
};

/// The nodes a check or dump reached forwards (from the roots) and
/// backwards (from the leaves), kept as marks on the nodes, or in sets of
/// its own while another check or dump uses the marks.
class Reached {
public:
  explicit Reached(const MxObjDepStore& store);
  ~Reached();
  Reached(const Reached&) = delete;
  Reached& operator=(const Reached&) = delete;

  /// Notes `n` as reached forwards; true when it was not before.
  bool insert_forward(Node* n);
  bool forward(const Node* n) const;
  /// Notes `n` as reached backwards; true when it was not before.
  bool insert_backward(Node* n);
  size_t forward_count() const { return forward_count_; }

private:
  // With marks: reached forwards only, backwards too, backwards only.
  bool marks_;
  uint32_t forward_, both_, backward_;
  PtrSet forward_set_, backward_set_;
  size_t forward_count_ = 0;
  const MxObjDepStore& store_;
};

/// A role clone stored on a link: `role->clone()` when it is a role, else
/// null (the clone is then destroyed). Null for a null role.
MxObjectDependencyRole* clone_role(const MxObjectDependencyRole* role);

/// Collects the ultimate sources (`backwards`) or targets of `start` into
/// `out`, depth first in link order, with an explicit stack. Each node is
/// entered once: a node reached again (along another path, or around a
/// cycle) contributes nothing more, so each object is listed once. Links
/// refused by `filter` are skipped and set `*filtered`; reaching the
/// null-object node sets `*reached_null` and contributes no object.
void walk_lineage(const MxObjDepStore& store, Node* start, bool backwards,
                  MxObjectDependencyFilter* filter, bool* filtered,
                  std::vector<const MxDynObj*>& out, bool* reached_null);

/// A node's identity for traces and dump keys (0 for the null object).
inline int node_key(const Node* n) {
  return n ? n->key() : 0;
}

} // namespace mx_detail

#endif
