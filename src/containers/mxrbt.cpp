// MxRBTree: red-black tree with a sentinel and right_most augmentation.
#include "mxrbt.h"

#include "mxassert.h"

namespace {

const char* const kTag = "mxrbt";

// The child of `n` on the left when `left`, else the one on the right: the
// mirrored steps of the tree are written once, for a side given as a flag.
MxRBTreeNode* child(const MxRBTreeNode* n, bool left) {
  return left ? n->left() : n->right();
}

// The link members of MxRBTreeNode, for the helpers below that rewire nodes.
// Only the tree, the nodes' friend, can name the members and build this.
struct NodeLinks {
  using Link = MxRBTreeNode* MxRBTreeNode::*;
  Link parent;
  Link left;
  Link right;
  Link child_link(bool on_left) const { return on_left ? left : right; }
};

// The node reached from `x` by following its left links (`left`) or its
// right links for as long as they lead to real nodes.
MxRBTreeNode* outermost(MxRBTreeNode* x, bool left, const MxRBTreeNode* nil) {
  for (MxRBTreeNode* next = child(x, left); next && next != nil && x != nil; next = child(x, left))
    x = next;
  return x;
}

// The nearest ancestor of `x` that has `x` in its left subtree: the next
// node in key order when `x` has no right subtree. `nil` (or null, in a
// broken tree) when `x` is the greatest.
template <class Node> Node* ancestor_on_the_right(Node* x, const MxRBTreeNode* nil) {
  Node* y = x->parent();
  while (y && y != nil && x == y->right()) {
    x = y;
    y = y->parent();
  }
  return y;
}

// Where the descent by `not_less_than` from `root` hangs `node`: the last
// real node passed (`nil` for an empty tree), and on which side.
MxRBTreeNode* insertion_parent(MxRBTreeNode* root, MxRBTreeNode* nil, const MxRBTreeNode* node,
                               bool& on_left) {
  MxRBTreeNode* parent = nil;
  on_left = false;
  for (MxRBTreeNode* x = root; x != nil;) {
    parent = x;
    on_left = !node->not_less_than(x);
    x = child(x, on_left);
  }
  return parent;
}

// Hangs `node`, without children, under `parent` (on its left when
// `on_left`), or makes it the `root` when `parent` is `nil`.
void hang(const NodeLinks& links, MxRBTreeNode* node, MxRBTreeNode* parent, bool on_left,
          MxRBTreeNode*& root, MxRBTreeNode* nil) {
  node->*links.parent = parent;
  node->*links.left = nil;
  node->*links.right = nil;
  if (parent == nil)
    root = node;
  else
    parent->*links.child_link(on_left) = node;
}

// Turns `x` down to its left (`left`) or right side: its child y on the other
// side takes x's place under x's parent (or as `root`), y's subtree on x's
// side moves over to x, and x becomes y's child. Returns y.
MxRBTreeNode* rotate_down(const NodeLinks& links, MxRBTreeNode* x, bool left, MxRBTreeNode*& root,
                          const MxRBTreeNode* nil) {
  const NodeLinks::Link near = links.child_link(left);
  const NodeLinks::Link far = links.child_link(!left);
  MxRBTreeNode* y = x->*far;
  MxRBTreeNode* inner = y->*near;
  x->*far = inner;
  if (inner != nil) inner->*links.parent = x;
  MxRBTreeNode* above = x->*links.parent;
  y->*links.parent = above;
  if (above == nil)
    root = y;
  else if (x == above->*near)
    above->*near = y;
  else
    above->*far = y;
  y->*near = x;
  x->*links.parent = y;
  return y;
}

} // namespace

MxRBTreeNode::~MxRBTreeNode() {
  parent_ = nullptr;
  left_ = nullptr;
  right_ = nullptr;
  right_most_ = nullptr;
  color_ = Mx_BogusInt();
}

// --- construction ----------------------------------------------------------

MxRBTree::MxRBTree(MxRBTreeNode* nil) : root_(nil), nil_(nil) {
  if (!nil) return;
  nil->parent_ = nil;
  nil->left_ = nil;
  nil->right_ = nil;
  nil->right_most_ = nil;
  nil->color_ = MxRBTreeNode::BLACK;
}

MxRBTree::MxRBTree() : root_(nullptr), nil_(nullptr) {}

MxRBTree::MxRBTree(const MxRBTree&) : root_(nullptr), nil_(nullptr) {}

MxRBTree& MxRBTree::operator=(const MxRBTree&) {
  return *this;
}

MxRBTree::~MxRBTree() {
  if (!nil_) return;
  remove_all_elements();
  delete nil_;
}

bool MxRBTree::has_sentinel() const {
  if (nil_) return true;
  MX_REPORT(kTag);
  return false;
}

// --- right_most ------------------------------------------------------------

void MxRBTree::recompute_max(MxRBTreeNode* x) {
  x->right_most_ = x;
  MxRBTreeNode* left = x->left_;
  if (left && left != nil_ && !x->right_most_not_less_than(left))
    x->right_most_ = left->right_most_;
  MxRBTreeNode* right = x->right_;
  if (right && right != nil_ && !x->right_most_not_less_than(right))
    x->right_most_ = right->right_most_;
}

void MxRBTree::update_max(MxRBTreeNode* x) {
  for (MxRBTreeNode* n = x; n && n != nil_; n = n->parent_) recompute_max(n);
}

// Above a node whose right_most came out unchanged, every ancestor sees the
// same inputs as before (same pointers, same keys), so the walk can stop
// there; unless that right_most is the node whose key has just changed. The
// start node of a rotation may not stop the walk: its parent saw the other
// node of the rotation before.
void MxRBTree::propagate_max(MxRBTreeNode* x, const MxRBTreeNode* changed_key,
                             bool start_may_stop) {
  for (MxRBTreeNode* n = x; n && n != nil_; n = n->parent_) {
    MxRBTreeNode* before = n->right_most_;
    recompute_max(n);
    if ((start_may_stop || n != x) && n->right_most_ == before && before != changed_key) return;
  }
}

// --- rotations -------------------------------------------------------------

// The lower node first, then the upper one, which now roots the subtree the
// parent saw before; the parent needs a look only when the subtree's
// right_most differs from what it saw.
void MxRBTree::finish_rotation(MxRBTreeNode* lower, MxRBTreeNode* upper,
                               MxRBTreeNode* seen_by_parent) {
  recompute_max(lower);
  recompute_max(upper);
  if (upper->right_most_ != seen_by_parent) propagate_max(upper->parent_);
}

void MxRBTree::rotate_left(MxRBTreeNode* x) {
  const NodeLinks links{&MxRBTreeNode::parent_, &MxRBTreeNode::left_, &MxRBTreeNode::right_};
  MxRBTreeNode* seen_by_parent = x->right_most_;
  finish_rotation(x, rotate_down(links, x, true, root_, nil_), seen_by_parent);
}

void MxRBTree::rotate_right(MxRBTreeNode* x) {
  const NodeLinks links{&MxRBTreeNode::parent_, &MxRBTreeNode::left_, &MxRBTreeNode::right_};
  MxRBTreeNode* seen_by_parent = x->right_most_;
  finish_rotation(x, rotate_down(links, x, false, root_, nil_), seen_by_parent);
}

void MxRBTree::left_rotate(MxRBTreeNode* x) {
  if (!nil_ || !x || x == nil_ || !x->right_ || x->right_ == nil_) return;
  rotate_left(x);
}

void MxRBTree::right_rotate(MxRBTreeNode* x) {
  if (!nil_ || !x || x == nil_ || !x->left_ || x->left_ == nil_) return;
  rotate_right(x);
}

// --- insertion -------------------------------------------------------------

void MxRBTree::insert(MxRBTreeNode* node) {
  if (!node || !has_sentinel()) return;
  bool on_left = false;
  MxRBTreeNode* parent = insertion_parent(root_, nil_, node, on_left);
  const NodeLinks links{&MxRBTreeNode::parent_, &MxRBTreeNode::left_, &MxRBTreeNode::right_};
  hang(links, node, parent, on_left, root_, nil_);
  propagate_max(node, nullptr, false);
}

void MxRBTree::rb_insert(MxRBTreeNode* node) {
  if (!node) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  bool on_left = false;
  MxRBTreeNode* parent = insertion_parent(root_, nil_, node, on_left);
  rb_insert_at(node, parent, on_left);
}

void MxRBTree::rb_insert_at(MxRBTreeNode* node, MxRBTreeNode* parent, bool on_left) {
  if (!node || !parent) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  const NodeLinks links{&MxRBTreeNode::parent_, &MxRBTreeNode::left_, &MxRBTreeNode::right_};
  hang(links, node, parent, on_left, root_, nil_);
  propagate_max(node, nullptr, false);
  node->color_ = MxRBTreeNode::RED;
  insert_fixup(node);
}

// The textbook fix-up, written once for a red parent on either side of the
// grandparent; the uncle hangs on the other side.
void MxRBTree::insert_fixup(MxRBTreeNode* z) {
  const auto rotate_to = [this](MxRBTreeNode* x, bool left) {
    left ? rotate_left(x) : rotate_right(x);
  };
  while (z != root_ && z->parent_->color_ == MxRBTreeNode::RED) {
    MxRBTreeNode* grand = z->parent_->parent_;
    const bool parent_on_left = z->parent_ == grand->left_;
    MxRBTreeNode* uncle = child(grand, !parent_on_left);
    if (uncle->color_ == MxRBTreeNode::RED) {
      z->parent_->color_ = MxRBTreeNode::BLACK;
      uncle->color_ = MxRBTreeNode::BLACK;
      grand->color_ = MxRBTreeNode::RED;
      z = grand;
      continue;
    }
    if (z == child(z->parent_, !parent_on_left)) {
      z = z->parent_;
      rotate_to(z, parent_on_left);
    }
    z->parent_->color_ = MxRBTreeNode::BLACK;
    z->parent_->parent_->color_ = MxRBTreeNode::RED;
    rotate_to(z->parent_->parent_, !parent_on_left);
  }
  root_->color_ = MxRBTreeNode::BLACK;
  nil_->color_ = MxRBTreeNode::BLACK;
}

// --- deletion --------------------------------------------------------------

void MxRBTree::rb_delete(MxRBTreeNode* z) {
  if (!z || z == nil_) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  MxRBTreeNode* y = (z->left_ == nil_ || z->right_ == nil_) ? z : tree_successor(z);
  if (!y) return;
  MxRBTreeNode* x = y->left_ != nil_ ? y->left_ : y->right_;
  MxRBTreeNode* former_parent = y->parent_;
  x->parent_ = former_parent;
  if (former_parent == nil_)
    root_ = x;
  else if (y == former_parent->left_)
    former_parent->left_ = x;
  else
    former_parent->right_ = x;
  // Keep right_most exact at each step, so that the rotations of the fix-up
  // start from an exact tree: first the unlinking, then the key z takes over.
  propagate_max(former_parent);
  if (y != z) {
    z->copy_contents(y);
    propagate_max(z, z);
  }
  if (y->color_ == MxRBTreeNode::BLACK) rb_delete_fixup(x);
  y->left_ = nil_;
  y->right_ = nil_;
  nil_->parent_ = nil_;
  nil_->color_ = MxRBTreeNode::BLACK;
  delete y;
}

// The textbook fix-up, written once for `x` on either side of its parent;
// the sibling `w` hangs on the other side.
void MxRBTree::rb_delete_fixup(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  const auto rotate_to = [this](MxRBTreeNode* n, bool left) {
    left ? rotate_left(n) : rotate_right(n);
  };
  while (x != root_ && x->color_ == MxRBTreeNode::BLACK) {
    MxRBTreeNode* p = x->parent_;
    const bool x_on_left = x == p->left_;
    MxRBTreeNode* w = child(p, !x_on_left);
    if (w->color_ == MxRBTreeNode::RED) {
      w->color_ = MxRBTreeNode::BLACK;
      p->color_ = MxRBTreeNode::RED;
      rotate_to(p, x_on_left);
      w = child(p, !x_on_left);
    }
    if (w->left_->color_ == MxRBTreeNode::BLACK && w->right_->color_ == MxRBTreeNode::BLACK) {
      w->color_ = MxRBTreeNode::RED;
      x = p;
      continue;
    }
    if (child(w, !x_on_left)->color_ == MxRBTreeNode::BLACK) {
      child(w, x_on_left)->color_ = MxRBTreeNode::BLACK;
      w->color_ = MxRBTreeNode::RED;
      rotate_to(w, !x_on_left);
      w = child(p, !x_on_left);
    }
    w->color_ = p->color_;
    p->color_ = MxRBTreeNode::BLACK;
    child(w, !x_on_left)->color_ = MxRBTreeNode::BLACK;
    rotate_to(p, x_on_left);
    x = root_;
  }
  x->color_ = MxRBTreeNode::BLACK;
}

// --- searching -------------------------------------------------------------

MxRBTreeNode* MxRBTree::rb_find(const MxRBTreeNode* key) const {
  if (!key || !has_sentinel()) return nullptr;
  MxRBTreeNode* x = root_;
  while (x && x != nil_) {
    if (key->matches(x)) return x;
    if (x->left_ != nil_ && key->reaches(x->left_))
      x = x->left_;
    else
      x = x->right_;
  }
  return nullptr;
}

int MxRBTree::rb_find(const MxRBTreeNode* key, MxList<void*>* found, MxRBTreeNode* start) const {
  if (!key || !has_sentinel()) return 0;
  return list_search(key, found, start);
}

// Descends as the single search does, remembering every right subtree passed
// on the way down whose smallest key the search key reaches: it may hold
// matches too. Those subtrees, then the two subtrees of the match the descent
// ended on, are searched the same way.
int MxRBTree::list_search(const MxRBTreeNode* key, MxList<void*>* found,
                          MxRBTreeNode* start) const {
  MxRBTreeNode* x = start ? start : root_;
  const int base = pending_count_;
  while (x && x != nil_) {
    if (key->matches(x)) break;
    if (x->left_ != nil_ && key->reaches(x->left_)) {
      MxRBTreeNode* right = x->right_;
      if (right && right != nil_) {
        MxRBTreeNode* smallest = right;
        while (smallest->left_ && smallest->left_ != nil_) smallest = smallest->left_;
        if (key->not_less_than(smallest)) {
          pending_.push(right);
          ++pending_count_;
        }
      }
      x = x->left_;
    } else {
      x = x->right_;
    }
  }
  int count = 0;
  while (pending_count_ > base) {
    auto* subtree = static_cast<MxRBTreeNode*>(pending_.pop());
    --pending_count_;
    count += list_search(key, found, subtree);
  }
  if (!x || x == nil_) return count;
  if (found) found->insert_tail(x);
  count += 1;
  if (x->right_ != nil_) count += list_search(key, found, x->right_);
  if (x->left_ != nil_) count += list_search(key, found, x->left_);
  return count;
}

// --- navigation ------------------------------------------------------------

MxRBTreeNode* MxRBTree::tree_minimum(MxRBTreeNode* x) {
  if (!x) return nullptr;
  return outermost(x, true, nil_);
}

MxRBTreeNode* MxRBTree::tree_maximum(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return nullptr;
  }
  return outermost(x, false, nil_);
}

MxRBTreeNode* MxRBTree::tree_successor(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return nullptr;
  }
  if (x->right_ && x->right_ != nil_) return tree_minimum(x->right_);
  MxRBTreeNode* y = ancestor_on_the_right(x, nil_);
  if (!y) MX_REPORT(kTag);
  return y;
}

const MxRBTreeNode* MxRBTree::first_in_order() const {
  if (!nil_) return nullptr;
  const MxRBTreeNode* x = root_;
  while (x != nil_ && x->left_ != nil_) x = x->left_;
  return x;
}

const MxRBTreeNode* MxRBTree::next_in_order(const MxRBTreeNode* x) const {
  if (!x || !nil_ || x == nil_) return nil_;
  if (x->right_ != nil_) {
    x = x->right_;
    while (x->left_ != nil_) x = x->left_;
    return x;
  }
  const MxRBTreeNode* y = ancestor_on_the_right(x, nil_);
  return y ? y : nil_;
}

// --- removal ---------------------------------------------------------------

void MxRBTree::remove_all_elements() {
  if (!has_sentinel()) return;
  remove_all_elements_aux(root_);
  root_ = nil_;
}

// Destroys the subtree of `x`: left subtree, right subtree, then the node.
// The walk climbs back through the parent links instead of recursing, so a
// tall unbalanced tree (built with plain `insert`) cannot exhaust the stack.
void MxRBTree::remove_all_elements_aux(MxRBTreeNode* x) {
  auto real = [this](const MxRBTreeNode* node) { return node && node != nil_; };
  if (!real(x)) return;
  MxRBTreeNode* n = x;
  for (;;) {
    while (real(n->left_) || real(n->right_)) n = real(n->left_) ? n->left_ : n->right_;
    if (n == x) break;
    MxRBTreeNode* parent = n->parent_;
    if (parent->left_ == n)
      parent->left_ = nil_;
    else
      parent->right_ = nil_;
    delete n;
    n = parent;
  }
  delete x;
}
