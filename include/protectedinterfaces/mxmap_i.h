// MxMap: ordered map on the red-black tree (interface; bodies in mxmap_t.h).
//
// Keys are ordered with the key type's `>=` and `<=` (through
// std::greater_equal and std::less_equal, which also order pointer keys by
// address); equal keys are one entry. The map owns its nodes, copies keys and
// values in, and its copies are deep and independent. Iteration runs in
// increasing key order.
/// \file
#ifndef MXFOUNDATION_MXMAP_I_H
#define MXFOUNDATION_MXMAP_I_H

#include "mxiterator.h"
#include "mxlist.h"
#include "mxrbt.h"

#include <functional>

namespace mx_detail {
template <class K> bool key_not_less(const K& a, const K& b) {
  return std::greater_equal<K>()(a, b);
}
template <class K> bool key_not_greater(const K& a, const K& b) {
  return std::less_equal<K>()(a, b);
}
} // namespace mx_detail

template <class K, class V> class MxMap;

/// One entry of an MxMap: a value under a key. The map's sentinel is a node
/// of this type too, holding default values.
template <class K, class V> class MxMapNode : public MxRBTreeNode {
public:
  /// The sentinel of a new map.
  MxMapNode() : MxRBTreeNode(nullptr), value_(), key_() {}
  /// An entry node for `key` and `value` in the map whose sentinel is `nil`.
  MxMapNode(MxRBTreeNode* nil, const K& key, const V& value)
      : MxRBTreeNode(nil), value_(value), key_(key) {}

  bool not_less_than(const MxRBTreeNode* other) const override;
  /// Equal keys.
  bool matches(const MxRBTreeNode* other) const override;
  bool right_most_not_less_than(const MxRBTreeNode* child) const override;
  bool reaches(const MxRBTreeNode* other) const override;
  void copy_contents(const MxRBTreeNode* other) override;

  ///@{
  /// The entry's key and its value.
  const K& key() const { return key_; }
  V& value() { return value_; }
  const V& value() const { return value_; }
  ///@}

private:
  friend class MxMap<K, V>;
  static const MxMapNode* of(const MxRBTreeNode* node) {
    return static_cast<const MxMapNode*>(node);
  }

  V value_;
  K key_;
};

/// Ordered map from `K` to `V` over MxRBTree; see the file comment.
template <class K, class V> class MxMap : public MxRBTree {
public:
  /// The node type of the entries.
  using Node = MxMapNode<K, V>;

  MxMap();
  /// Copy constructor.
  MxMap(const MxMap& other);
  /// Replaces the entries by copies of `other`'s.
  MxMap& operator=(const MxMap& other);
  ~MxMap() override = default;

  /// The value stored under `key`; a missing key is first entered with a
  /// default value.
  V& operator[](const K& key);
  /// Counts the entries whose key equals `key` (0 or 1 for keys entered
  /// through `operator[]`), appending a copy of each one's value to `values`
  /// when it is given.
  int find(const K& key, MxList<V>* values);
  /// The value stored under `key`, or null; enters nothing.
  V* lookup(const K& key);
  /// The value stored under `key`, or null (const form).
  const V* lookup(const K& key) const;
  /// Removes the entry of `key`; returns whether there was one.
  bool erase(const K& key);
  /// Removes every entry.
  void clear();

  /// Number of entries.
  int size() const { return count_; }
  /// True when the map has no entries.
  bool empty() const { return count_ == 0; }

  /// In-order walk over the entries: `first_entry()` is the entry with the
  /// smallest key, `next_entry` the one after, and both give `end_entry()`
  /// (the sentinel) past the last entry.
  const Node* first_entry() const { return Node::of(first_in_order()); }
  /// The entry after `entry` in key order, or `end_entry()` past the last.
  const Node* next_entry(const Node* entry) const { return Node::of(next_in_order(entry)); }
  /// The sentinel that ends a walk over the entries.
  const Node* end_entry() const { return Node::of(tree_nil()); }

private:
  const Node* find_entry(const K& key) const;
  /// The list search, typed: collects into `found_` every entry of the
  /// subtree of `start` whose key equals `key`, and counts them.
  int find_all(const K& key, bool collect, const MxRBTreeNode* start);

  /// The entries collected by the running list search.
  MxList<void*> found_;
  int count_ = 0;
};

/// Iterator over the values of an MxMap in increasing key order. It does not
/// own the map, which must outlive it and must not change while it is used.
/// Values are handed out through non-const pointers for the iterator
/// interface's sake; changing a value does not disturb the map, the keys
/// (from `key()`) are read-only. At the end, `current()` and `key()` are
/// reported ("protectedinterfaces/mxmap_t") and point at the default value
/// and key held by the map's sentinel.
template <class K, class V> class MxMapIterator : public MxIterator<V> {
public:
  /// An iterator over the values of `map` in key order; the map must outlive it.
  explicit MxMapIterator(const MxMap<K, V>& map);
  ~MxMapIterator() override = default;

  /// The value of the entry with the smallest key.
  V* first() override;
  void next() override;
  bool done() override;
  void reset() override;
  V* current() override;
  /// The key of the current entry.
  virtual const K* key();

private:
  const MxMap<K, V>* map_;
  const MxMapNode<K, V>* current_;
  const MxMapNode<K, V>* first_;
};

#endif
