// Red-black tree with a sentinel, augmented for searches that visit every
// match.
//
// MxRBTree is the textbook red-black tree (rotations, insertion and deletion
// with their colour fix-ups, successor, minimum, maximum) in which every node
// also points at the node with the greatest key of its subtree (`right_most`).
// That pointer lets one search reach every node that can match a key, as an
// interval tree does. The tree knows no keys: every ordering and matching
// question is a virtual operation of MxRBTreeNode, implemented by a derived
// node class. MxMap (mxmap.h) is the ordered map built this way.
//
// Ownership: the tree owns all its nodes and its sentinel, and destroys them.
// Derived trees install the sentinel through the constructor that takes one.
/// \file
#ifndef MXFOUNDATION_MXRBT_H
#define MXFOUNDATION_MXRBT_H

#include "mxexport.h"
#include "mxlist.h"

class MxRBTree;

/// Base of the nodes of an MxRBTree. A derived node holds the key (and value)
/// and answers the tree's ordering questions about it; "key" below means
/// whatever the derived node orders by. Equal keys go to the right.
class MX_EXPORT MxRBTreeNode {
protected:
  /// Clears the four links and writes the marker value `Mx_BogusInt()` into
  /// the colour, so that a use after destruction is recognisable.
  virtual ~MxRBTreeNode();

public:
  ///@{
  /// Node colours.
  static constexpr int BLACK = 1;
  static constexpr int RED = 2;
  ///@}

  /// This key >= `other`'s key.
  virtual bool not_less_than(const MxRBTreeNode* other) const = 0;
  /// The search key held by this node hits `other`.
  virtual bool matches(const MxRBTreeNode* other) const = 0;
  /// The key of this node's right_most >= the key of `child`'s right_most.
  virtual bool right_most_not_less_than(const MxRBTreeNode* child) const = 0;
  /// This (search) key <= the key of `other`'s right_most, so `other`'s
  /// subtree may hold a match.
  virtual bool reaches(const MxRBTreeNode* other) const = 0;
  /// Copies `other`'s key and value into this node; links and colour stay.
  virtual void copy_contents(const MxRBTreeNode* other) = 0;

  /// True when this node's key orders before `other`'s.
  bool less_than(const MxRBTreeNode* other) const { return !not_less_than(other); }

  ///@{
  /// The node's parent and children (the tree's sentinel where there is none).
  MxRBTreeNode* parent() const { return parent_; }
  MxRBTreeNode* left() const { return left_; }
  MxRBTreeNode* right() const { return right_; }
  ///@}
  /// The node with the greatest key in this node's subtree.
  MxRBTreeNode* right_most() const { return right_most_; }
  /// BLACK or RED.
  int color() const { return color_; }

protected:
  /// A black node whose links all point at the tree's sentinel `nil`.
  explicit MxRBTreeNode(MxRBTreeNode* nil)
      : parent_(nil), left_(nil), right_(nil), right_most_(nil), color_(BLACK) {}
  /// Copies the four links and the colour.
  MxRBTreeNode(const MxRBTreeNode& other) = default;
  /// Copy assignment.
  MxRBTreeNode& operator=(const MxRBTreeNode& other) = default;

private:
  friend class MxRBTree;

  MxRBTreeNode* parent_;
  MxRBTreeNode* left_;
  MxRBTreeNode* right_;
  MxRBTreeNode* right_most_;
  int color_;
};

/// Red-black tree of MxRBTreeNode objects; see the file comment.
///
/// Invariants kept by every operation: the root is black, no red node has a
/// red child, every path from a node down to the sentinel holds the same
/// number of black nodes, and each node's right_most is the node with the
/// greatest key in its subtree (ties prefer the node itself, then its left
/// side). Null arguments are reported (tag "mxrbt") and ignored. A tree
/// without a sentinel (built by the default or copy constructor of a derived
/// class that installs none) reports every operation and does nothing.
class MX_EXPORT MxRBTree {
public:
  /// An empty tree owning the sentinel `nil`, whose links are made to point
  /// at itself.
  explicit MxRBTree(MxRBTreeNode* nil);
  /// Destroys every node, then the sentinel.
  virtual ~MxRBTree();

protected:
  /// A tree without root and sentinel; derived classes supply the sentinel.
  MxRBTree();
  /// Copy constructor.
  MxRBTree(const MxRBTree& other);
  /// Copies nothing: derived classes copy their contents.
  MxRBTree& operator=(const MxRBTree& other);

  ///@{
  /// The root node (the sentinel when the tree is empty), its setter, and the sentinel node.
  MxRBTreeNode* tree_root() const { return root_; }
  void set_tree_root(MxRBTreeNode* node) { root_ = node; }
  MxRBTreeNode* tree_nil() const { return nil_; }
  ///@}

  /// Plain binary-tree insertion by `not_less_than`, without colouring or
  /// balancing; right_most is kept exact. A null node is ignored.
  void insert(MxRBTreeNode* node);
  /// Red-black insertion; the tree owns `node` from then on.
  void rb_insert(MxRBTreeNode* node);
  /// Removes the entry held by `node` and destroys one node object. When
  /// `node` has two children its successor's key and value move into `node`,
  /// which stays in the tree, and the successor's object is destroyed:
  /// callers must not keep pointers to the successor across a deletion.
  void rb_delete(MxRBTreeNode* node);
  /// The textbook colour fix-up after deleting a black node, from `x` up.
  void rb_delete_fixup(MxRBTreeNode* x);
  /// Rotations; a null `x` or a missing child on the rising side leaves the
  /// tree unchanged. right_most is recomputed for both nodes and as far up
  /// as it changes.
  void left_rotate(MxRBTreeNode* x);
  /// Right rotation at `x`, the mirror of `left_rotate`.
  void right_rotate(MxRBTreeNode* x);
  /// Recomputes right_most of `x` and of every ancestor up to the root.
  void update_max(MxRBTreeNode* x);
  /// The first node on the search path that `key` matches, or null.
  MxRBTreeNode* rb_find(const MxRBTreeNode* key) const;
  /// Counts every node of the subtree of `start` (the whole tree when null)
  /// that `key` matches, appending each to `found` when it is given.
  int rb_find(const MxRBTreeNode* key, MxList<void*>* found, MxRBTreeNode* start) const;
  /// Leftmost / rightmost node of `x`'s subtree; null for a null `x`.
  MxRBTreeNode* tree_minimum(MxRBTreeNode* x);
  /// Rightmost node of `x`'s subtree; null for a null `x`.
  MxRBTreeNode* tree_maximum(MxRBTreeNode* x);
  /// The node after `x` in key order; the sentinel after the greatest.
  MxRBTreeNode* tree_successor(MxRBTreeNode* x);
  /// Destroys every node; the sentinel stays and the tree is empty.
  void remove_all_elements();
  /// Destroys the nodes of `x`'s subtree; the sentinel stays.
  void remove_all_elements_aux(MxRBTreeNode* x);

  /// Const navigation, for iterators over a const tree.
  const MxRBTreeNode* first_in_order() const;
  /// The node after `x` in key order; the sentinel after the greatest.
  const MxRBTreeNode* next_in_order(const MxRBTreeNode* x) const;

  /// Hangs `node` under `parent` (on its left when `on_left`), or makes it
  /// the root when `parent` is the sentinel, then balances as `rb_insert`
  /// does. For derived trees that have already found the insertion point
  /// (the place where `rb_insert`'s descent would end).
  void rb_insert_at(MxRBTreeNode* node, MxRBTreeNode* parent, bool on_left);

private:
  bool has_sentinel() const;
  /// right_most of `x` from its own key and its children's right_most.
  void recompute_max(MxRBTreeNode* x);
  /// Recomputes right_most from `x` upward while it changes. Valid when the
  /// only change since the tree was last exact is below or at `x`, and no
  /// key changed except (when given) that of `changed_key`. `start_may_stop`
  /// false forces a look at `x`'s parent as well.
  void propagate_max(MxRBTreeNode* x, const MxRBTreeNode* changed_key = nullptr,
                     bool start_may_stop = true);
  void finish_rotation(MxRBTreeNode* lower, MxRBTreeNode* upper, MxRBTreeNode* seen_by_parent);
  void rotate_left(MxRBTreeNode* x);
  void rotate_right(MxRBTreeNode* x);
  void insert_fixup(MxRBTreeNode* z);
  int list_search(const MxRBTreeNode* key, MxList<void*>* found, MxRBTreeNode* start) const;

  MxRBTreeNode* root_;
  MxRBTreeNode* nil_;
  /// Subtrees still to visit during a list search.
  mutable MxStack<void*> pending_;
  mutable int pending_count_ = 0;
};

#endif
