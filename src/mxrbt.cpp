// MxRBTree: red-black tree with a sentinel and right_most augmentation.
#include "mxrbt.h"

#include "mxassert.h"

namespace {
const char* const kTag = "mxrbt";
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
  MxRBTreeNode* y = x->right_;
  MxRBTreeNode* seen_by_parent = x->right_most_;
  x->right_ = y->left_;
  if (y->left_ != nil_) y->left_->parent_ = x;
  y->parent_ = x->parent_;
  if (x->parent_ == nil_)
    root_ = y;
  else if (x == x->parent_->left_)
    x->parent_->left_ = y;
  else
    x->parent_->right_ = y;
  y->left_ = x;
  x->parent_ = y;
  finish_rotation(x, y, seen_by_parent);
}

void MxRBTree::rotate_right(MxRBTreeNode* x) {
  MxRBTreeNode* y = x->left_;
  MxRBTreeNode* seen_by_parent = x->right_most_;
  x->left_ = y->right_;
  if (y->right_ != nil_) y->right_->parent_ = x;
  y->parent_ = x->parent_;
  if (x->parent_ == nil_)
    root_ = y;
  else if (x == x->parent_->right_)
    x->parent_->right_ = y;
  else
    x->parent_->left_ = y;
  y->right_ = x;
  x->parent_ = y;
  finish_rotation(x, y, seen_by_parent);
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
  MxRBTreeNode* parent = nil_;
  bool on_left = false;
  for (MxRBTreeNode* x = root_; x != nil_;) {
    parent = x;
    on_left = !node->not_less_than(x);
    x = on_left ? x->left_ : x->right_;
  }
  node->parent_ = parent;
  node->left_ = nil_;
  node->right_ = nil_;
  if (parent == nil_)
    root_ = node;
  else if (on_left)
    parent->left_ = node;
  else
    parent->right_ = node;
  propagate_max(node, nullptr, false);
}

void MxRBTree::rb_insert(MxRBTreeNode* node) {
  if (!node) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  MxRBTreeNode* parent = nil_;
  bool on_left = false;
  for (MxRBTreeNode* x = root_; x != nil_;) {
    parent = x;
    on_left = !node->not_less_than(x);
    x = on_left ? x->left_ : x->right_;
  }
  rb_insert_at(node, parent, on_left);
}

void MxRBTree::rb_insert_at(MxRBTreeNode* node, MxRBTreeNode* parent, bool on_left) {
  if (!node || !parent) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  node->parent_ = parent;
  node->left_ = nil_;
  node->right_ = nil_;
  if (parent == nil_)
    root_ = node;
  else if (on_left)
    parent->left_ = node;
  else
    parent->right_ = node;
  propagate_max(node, nullptr, false);
  node->color_ = MxRBTreeNode::RED;
  insert_fixup(node);
}

void MxRBTree::insert_fixup(MxRBTreeNode* z) {
  while (z != root_ && z->parent_->color_ == MxRBTreeNode::RED) {
    MxRBTreeNode* grand = z->parent_->parent_;
    if (z->parent_ == grand->left_) {
      MxRBTreeNode* uncle = grand->right_;
      if (uncle->color_ == MxRBTreeNode::RED) {
        z->parent_->color_ = MxRBTreeNode::BLACK;
        uncle->color_ = MxRBTreeNode::BLACK;
        grand->color_ = MxRBTreeNode::RED;
        z = grand;
        continue;
      }
      if (z == z->parent_->right_) {
        z = z->parent_;
        rotate_left(z);
      }
      z->parent_->color_ = MxRBTreeNode::BLACK;
      z->parent_->parent_->color_ = MxRBTreeNode::RED;
      rotate_right(z->parent_->parent_);
    } else {
      MxRBTreeNode* uncle = grand->left_;
      if (uncle->color_ == MxRBTreeNode::RED) {
        z->parent_->color_ = MxRBTreeNode::BLACK;
        uncle->color_ = MxRBTreeNode::BLACK;
        grand->color_ = MxRBTreeNode::RED;
        z = grand;
        continue;
      }
      if (z == z->parent_->left_) {
        z = z->parent_;
        rotate_right(z);
      }
      z->parent_->color_ = MxRBTreeNode::BLACK;
      z->parent_->parent_->color_ = MxRBTreeNode::RED;
      rotate_left(z->parent_->parent_);
    }
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

void MxRBTree::rb_delete_fixup(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return;
  }
  if (!has_sentinel()) return;
  while (x != root_ && x->color_ == MxRBTreeNode::BLACK) {
    MxRBTreeNode* p = x->parent_;
    if (x == p->left_) {
      MxRBTreeNode* w = p->right_;
      if (w->color_ == MxRBTreeNode::RED) {
        w->color_ = MxRBTreeNode::BLACK;
        p->color_ = MxRBTreeNode::RED;
        rotate_left(p);
        w = p->right_;
      }
      if (w->left_->color_ == MxRBTreeNode::BLACK && w->right_->color_ == MxRBTreeNode::BLACK) {
        w->color_ = MxRBTreeNode::RED;
        x = p;
      } else {
        if (w->right_->color_ == MxRBTreeNode::BLACK) {
          w->left_->color_ = MxRBTreeNode::BLACK;
          w->color_ = MxRBTreeNode::RED;
          rotate_right(w);
          w = p->right_;
        }
        w->color_ = p->color_;
        p->color_ = MxRBTreeNode::BLACK;
        w->right_->color_ = MxRBTreeNode::BLACK;
        rotate_left(p);
        x = root_;
      }
    } else {
      MxRBTreeNode* w = p->left_;
      if (w->color_ == MxRBTreeNode::RED) {
        w->color_ = MxRBTreeNode::BLACK;
        p->color_ = MxRBTreeNode::RED;
        rotate_right(p);
        w = p->left_;
      }
      if (w->right_->color_ == MxRBTreeNode::BLACK && w->left_->color_ == MxRBTreeNode::BLACK) {
        w->color_ = MxRBTreeNode::RED;
        x = p;
      } else {
        if (w->left_->color_ == MxRBTreeNode::BLACK) {
          w->right_->color_ = MxRBTreeNode::BLACK;
          w->color_ = MxRBTreeNode::RED;
          rotate_left(w);
          w = p->left_;
        }
        w->color_ = p->color_;
        p->color_ = MxRBTreeNode::BLACK;
        w->left_->color_ = MxRBTreeNode::BLACK;
        rotate_right(p);
        x = root_;
      }
    }
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
  while (x->left_ && x->left_ != nil_ && x != nil_) x = x->left_;
  return x;
}

MxRBTreeNode* MxRBTree::tree_maximum(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return nullptr;
  }
  while (x->right_ && x->right_ != nil_ && x != nil_) x = x->right_;
  return x;
}

MxRBTreeNode* MxRBTree::tree_successor(MxRBTreeNode* x) {
  if (!x) {
    MX_REPORT(kTag);
    return nullptr;
  }
  if (x->right_ && x->right_ != nil_) return tree_minimum(x->right_);
  MxRBTreeNode* y = x->parent_;
  while (y && y != nil_ && x == y->right_) {
    x = y;
    y = y->parent_;
  }
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
  const MxRBTreeNode* y = x->parent_;
  while (y && y != nil_ && x == y->right_) {
    x = y;
    y = y->parent_;
  }
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
