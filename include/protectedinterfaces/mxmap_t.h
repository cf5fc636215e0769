// MxMap, MxMapNode and MxMapIterator: template bodies.
/// \file
#ifndef MXFOUNDATION_MXMAP_T_H
#define MXFOUNDATION_MXMAP_T_H

#include "mxassert.h"
#include "protectedinterfaces/mxmap_i.h"

// --- node ------------------------------------------------------------------

template <class K, class V> bool MxMapNode<K, V>::not_less_than(const MxRBTreeNode* other) const {
  return mx_detail::key_not_less(key_, of(other)->key_);
}

template <class K, class V> bool MxMapNode<K, V>::matches(const MxRBTreeNode* other) const {
  const K& other_key = of(other)->key_;
  return mx_detail::key_not_less(key_, other_key) && mx_detail::key_not_less(other_key, key_);
}

template <class K, class V>
bool MxMapNode<K, V>::right_most_not_less_than(const MxRBTreeNode* child) const {
  return mx_detail::key_not_less(of(right_most())->key_, of(child->right_most())->key_);
}

template <class K, class V> bool MxMapNode<K, V>::reaches(const MxRBTreeNode* other) const {
  return mx_detail::key_not_greater(key_, of(other->right_most())->key_);
}

template <class K, class V> void MxMapNode<K, V>::copy_contents(const MxRBTreeNode* other) {
  const MxMapNode* source = of(other);
  key_ = source->key_;
  value_ = source->value_;
}

// --- map -------------------------------------------------------------------

template <class K, class V> MxMap<K, V>::MxMap() : MxRBTree(new Node()) {}

template <class K, class V> MxMap<K, V>::MxMap(const MxMap& other) : MxRBTree(new Node()) {
  *this = other;
}

template <class K, class V> MxMap<K, V>& MxMap<K, V>::operator=(const MxMap& other) {
  if (this == &other) return *this;
  clear();
  for (const Node* n = other.first_entry(); n != other.end_entry(); n = other.next_entry(n)) {
    rb_insert(new Node(tree_nil(), n->key_, n->value_));
    ++count_;
  }
  return *this;
}

// Plain binary-search descent: for a key that is in the map it follows the
// same path as the tree's generic search (a smaller key is always in the left
// subtree, a greater one in the right), and for a missing key it ends where
// the insertion's descent ends.
template <class K, class V> const MxMapNode<K, V>* MxMap<K, V>::find_entry(const K& key) const {
  const MxRBTreeNode* nil = tree_nil();
  const MxRBTreeNode* x = tree_root();
  while (x != nil) {
    const Node* n = Node::of(x);
    if (!mx_detail::key_not_less(key, n->key_))
      x = x->left();
    else if (mx_detail::key_not_less(n->key_, key))
      return n;
    else
      x = x->right();
  }
  return nullptr;
}

template <class K, class V> V& MxMap<K, V>::operator[](const K& key) {
  MxRBTreeNode* nil = tree_nil();
  MxRBTreeNode* parent = nil;
  MxRBTreeNode* x = tree_root();
  bool on_left = false;
  while (x != nil) {
    Node* n = static_cast<Node*>(x);
    parent = x;
    if (!mx_detail::key_not_less(key, n->key_)) {
      on_left = true;
      x = x->left();
    } else if (mx_detail::key_not_less(n->key_, key)) {
      return n->value_;
    } else {
      on_left = false;
      x = x->right();
    }
  }
  Node* fresh = new Node(nil, key, V());
  rb_insert_at(fresh, parent, on_left);
  ++count_;
  return fresh->value_;
}

template <class K, class V> V* MxMap<K, V>::lookup(const K& key) {
  const Node* n = find_entry(key);
  return n ? &const_cast<Node*>(n)->value_ : nullptr;
}

template <class K, class V> const V* MxMap<K, V>::lookup(const K& key) const {
  const Node* n = find_entry(key);
  return n ? &n->value_ : nullptr;
}

template <class K, class V> int MxMap<K, V>::find(const K& key, MxList<V>* values) {
  const int count = find_all(key, values != nullptr, tree_root());
  if (values)
    for (void* n : found_) values->insert_tail(static_cast<const Node*>(n)->value_);
  found_.clear();
  return count;
}

// The tree's list search, specialised to equal keys. Every key in a left
// subtree is at most its parent's and every key in a right subtree at least
// its parent's, so the descent meets no subtree worth coming back to before
// the first match m; beyond m, further matches can only lie in m's right
// subtree and, when the greatest key on its left equals the key, in m's left
// subtree. The matches are counted (and collected) in the order of the
// generic search: m, then those on its right, then those on its left.
template <class K, class V>
int MxMap<K, V>::find_all(const K& key, bool collect, const MxRBTreeNode* start) {
  const MxRBTreeNode* nil = tree_nil();
  const MxRBTreeNode* x = start;
  while (x != nil) {
    const Node* n = Node::of(x);
    if (!mx_detail::key_not_less(key, n->key_))
      x = x->left();
    else if (mx_detail::key_not_less(n->key_, key))
      break;
    else
      x = x->right();
  }
  if (x == nil) return 0;
  if (collect) found_.insert_tail(const_cast<MxRBTreeNode*>(x));
  int count = 1;
  const MxRBTreeNode* right = x->right();
  if (right != nil) count += find_all(key, collect, right);
  const MxRBTreeNode* left = x->left();
  if (left != nil && mx_detail::key_not_greater(key, Node::of(left->right_most())->key_))
    count += find_all(key, collect, left);
  return count;
}

template <class K, class V> bool MxMap<K, V>::erase(const K& key) {
  const Node* n = find_entry(key);
  if (!n) return false;
  rb_delete(const_cast<Node*>(n));
  --count_;
  return true;
}

template <class K, class V> void MxMap<K, V>::clear() {
  remove_all_elements();
  count_ = 0;
}

// --- iterator --------------------------------------------------------------

template <class K, class V>
MxMapIterator<K, V>::MxMapIterator(const MxMap<K, V>& map) : map_(&map) {
  reset();
}

template <class K, class V> V* MxMapIterator<K, V>::first() {
  if (first_ == map_->end_entry()) MX_REPORT("protectedinterfaces/mxmap_t");
  return const_cast<V*>(&first_->value());
}

template <class K, class V> void MxMapIterator<K, V>::next() {
  if (current_ != map_->end_entry()) current_ = map_->next_entry(current_);
}

template <class K, class V> bool MxMapIterator<K, V>::done() {
  return current_ == map_->end_entry();
}

template <class K, class V> void MxMapIterator<K, V>::reset() {
  current_ = first_ = map_->first_entry();
}

template <class K, class V> V* MxMapIterator<K, V>::current() {
  if (current_ == map_->end_entry()) MX_REPORT("protectedinterfaces/mxmap_t");
  return const_cast<V*>(&current_->value());
}

template <class K, class V> const K* MxMapIterator<K, V>::key() {
  if (current_ == map_->end_entry()) MX_REPORT("protectedinterfaces/mxmap_t");
  return &current_->key();
}

#endif
