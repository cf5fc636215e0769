// Red-black tree and map: balancing, the right_most augmentation, single and
// list search, navigation, deletion, copying and iteration, with randomised
// comparisons against std::map and std::multimap.
#include "mxmap.h"
#include "mxstring.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using RBTreeTest = ReportingTest;
using Entries = std::vector<std::pair<int, int>>;

// --- a multi-key tree: int keys, each entry with a tag ----------------------

int live_nodes = 0;

class TagNode : public MxRBTreeNode {
public:
  TagNode() : MxRBTreeNode(nullptr) { ++live_nodes; } // sentinel
  TagNode(MxRBTreeNode* nil, int key, int tag) : MxRBTreeNode(nil), key(key), tag(tag) {
    ++live_nodes;
  }
  ~TagNode() override { --live_nodes; }

  static const TagNode* of(const MxRBTreeNode* n) { return static_cast<const TagNode*>(n); }
  bool not_less_than(const MxRBTreeNode* o) const override { return key >= of(o)->key; }
  bool matches(const MxRBTreeNode* o) const override { return key == of(o)->key; }
  bool right_most_not_less_than(const MxRBTreeNode* child) const override {
    return of(right_most())->key >= of(child->right_most())->key;
  }
  bool reaches(const MxRBTreeNode* o) const override { return key <= of(o->right_most())->key; }
  void copy_contents(const MxRBTreeNode* o) override {
    key = of(o)->key;
    tag = of(o)->tag;
  }

  int key = 0;
  int tag = 0;
};

class TagTree : public MxRBTree {
public:
  TagTree() : MxRBTree(new TagNode()) {}

  using MxRBTree::insert;
  using MxRBTree::left_rotate;
  using MxRBTree::rb_delete;
  using MxRBTree::rb_delete_fixup;
  using MxRBTree::rb_find;
  using MxRBTree::rb_insert;
  using MxRBTree::remove_all_elements;
  using MxRBTree::right_rotate;
  using MxRBTree::tree_maximum;
  using MxRBTree::tree_minimum;
  using MxRBTree::tree_nil;
  using MxRBTree::tree_root;
  using MxRBTree::tree_successor;
  using MxRBTree::update_max;

  TagNode* add(int key, int tag) {
    auto* n = new TagNode(tree_nil(), key, tag);
    rb_insert(n);
    return n;
  }
  TagNode* find(int key) const {
    TagNode probe(tree_nil(), key, -1);
    return static_cast<TagNode*>(rb_find(&probe));
  }
  int find_all(int key, std::vector<TagNode*>* nodes, MxRBTreeNode* start = nullptr) const {
    TagNode probe(tree_nil(), key, -1);
    MxList<void*> found;
    const int count = rb_find(&probe, nodes ? &found : nullptr, start);
    if (nodes)
      for (void* n : found) nodes->push_back(static_cast<TagNode*>(n));
    return count;
  }
  std::vector<std::pair<int, int>> in_order() {
    std::vector<std::pair<int, int>> out;
    for (MxRBTreeNode* n = tree_minimum(tree_root()); n && n != tree_nil(); n = tree_successor(n))
      out.emplace_back(TagNode::of(n)->key, TagNode::of(n)->tag);
    return out;
  }
};

// A tree that never gets a sentinel.
class BareTree : public MxRBTree {
public:
  using MxRBTree::rb_find;
  using MxRBTree::rb_insert;
  using MxRBTree::remove_all_elements;
};

// --- checking the invariants -----------------------------------------------

// Walks the subtree of `n` and checks parent links, key order, colours and
// right_most (the exact node the update rule picks: the node itself, then its
// left side, on ties). Returns the black height, or -1 on failure.
template <class KeyOf>
int check_subtree(const MxRBTreeNode* n, const MxRBTreeNode* nil, KeyOf key_of, int& size,
                  std::string& error, bool colours = true) {
  if (n == nil) return 0;
  ++size;
  const MxRBTreeNode* l = n->left();
  const MxRBTreeNode* r = n->right();
  if ((l != nil && l->parent() != n) || (r != nil && r->parent() != n)) error = "parent link";
  if (l != nil && key_of(l) > key_of(n)) error = "left key above its parent";
  if (r != nil && key_of(r) < key_of(n)) error = "right key below its parent";
  if (n->color() != MxRBTreeNode::RED && n->color() != MxRBTreeNode::BLACK) error = "colour";
  if (colours && n->color() == MxRBTreeNode::RED &&
      (l->color() == MxRBTreeNode::RED || r->color() == MxRBTreeNode::RED))
    error = "red node with a red child";
  const int lh = check_subtree(l, nil, key_of, size, error, colours);
  const int rh = check_subtree(r, nil, key_of, size, error, colours);
  if (colours && lh != rh) error = "black heights differ";
  const MxRBTreeNode* expected = n;
  if (l != nil && !(key_of(expected) >= key_of(l->right_most()))) expected = l->right_most();
  if (r != nil && !(key_of(expected) >= key_of(r->right_most()))) expected = r->right_most();
  if (n->right_most() != expected) error = "right_most";
  if (!error.empty()) return -1;
  return lh + (n->color() == MxRBTreeNode::BLACK ? 1 : 0);
}

template <class KeyOf>
::testing::AssertionResult is_valid_tree(const MxRBTreeNode* root, const MxRBTreeNode* nil,
                                         KeyOf key_of, int expected_size) {
  std::string error;
  int size = 0;
  if (root != nil && root->color() != MxRBTreeNode::BLACK) error = "red root";
  if (root != nil && root->parent() != nil) error = "root parent";
  if (nil->color() != MxRBTreeNode::BLACK || nil->parent() != nil) error = "sentinel changed";
  if (error.empty()) check_subtree(root, nil, key_of, size, error);
  if (error.empty() && size != expected_size)
    error = "size " + std::to_string(size) + " instead of " + std::to_string(expected_size);
  if (error.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}

int tag_key(const MxRBTreeNode* n) {
  return TagNode::of(n)->key;
}

::testing::AssertionResult is_valid(const TagTree& tree, int size) {
  return is_valid_tree(tree.tree_root(), tree.tree_nil(), tag_key, size);
}

// Opens up the tree underneath a map.
template <class K, class V> class CheckedMap : public MxMap<K, V> {
public:
  using MxMap<K, V>::MxMap;
  using MxMap<K, V>::operator=;
  ::testing::AssertionResult valid() const {
    auto key_of = [](const MxRBTreeNode* n) {
      return static_cast<const MxMapNode<K, V>*>(n)->key();
    };
    return is_valid_tree(this->tree_root(), this->tree_nil(), key_of, this->size());
  }
  int height() const { return height_of(this->tree_root()); }

private:
  int height_of(const MxRBTreeNode* n) const {
    if (n == this->tree_nil()) return 0;
    return 1 + std::max(height_of(n->left()), height_of(n->right()));
  }
};

template <class K, class V> std::vector<std::pair<K, V>> entries(const MxMap<K, V>& map) {
  std::vector<std::pair<K, V>> out;
  MxMapIterator<K, V> it(map);
  for (it.reset(); !it.done(); it.next()) out.emplace_back(*it.key(), *it.current());
  return out;
}

// --- tree ------------------------------------------------------------------

TEST_F(RBTreeTest, IncreasingKeysStayBalancedAndWalkInOrder) {
  TagTree tree;
  const MxRBTreeNode* nil = tree.tree_nil();
  EXPECT_EQ(tree.tree_root(), nil);
  EXPECT_TRUE(nil->parent() == nil && nil->left() == nil && nil->right() == nil);
  EXPECT_EQ(nil->right_most(), nil);
  EXPECT_EQ(tree.find(3), nullptr);
  EXPECT_EQ(tree.find_all(3, nullptr), 0);
  EXPECT_EQ(tree.tree_minimum(tree.tree_root()), nil);
  for (int k = 1; k <= 1000; ++k) {
    tree.add(k, k);
    if (k % 50 == 0) {
      ASSERT_TRUE(is_valid(tree, k));
    }
  }
  EXPECT_EQ(TagNode::of(tree.tree_root()->right_most())->key, 1000);
  EXPECT_EQ(TagNode::of(tree.tree_maximum(tree.tree_root()))->key, 1000);
  MxRBTreeNode* n = tree.tree_minimum(tree.tree_root());
  for (int k = 1; k <= 1000; ++k, n = tree.tree_successor(n)) ASSERT_EQ(TagNode::of(n)->key, k);
  EXPECT_EQ(n, nil);
  EXPECT_TRUE(reports.empty());
}

TEST_F(RBTreeTest, EqualKeysGoRightAndKeepInsertionOrder) {
  TagTree tree;
  for (int tag = 0; tag < 6; ++tag) tree.add(tag % 2 ? 5 : 3, tag);
  EXPECT_EQ(tree.in_order(), (Entries{{3, 0}, {3, 2}, {3, 4}, {5, 1}, {5, 3}, {5, 5}}));
  EXPECT_TRUE(is_valid(tree, 6));
}

TEST_F(RBTreeTest, ListSearchFromASubtree) {
  TagTree tree;
  for (int tag = 0; tag < 64; ++tag) tree.add(tag % 4, tag);
  MxRBTreeNode* left = tree.tree_root()->left();
  int in_left = 0;
  std::vector<MxRBTreeNode*> stack{left};
  while (!stack.empty()) {
    MxRBTreeNode* n = stack.back();
    stack.pop_back();
    if (n == tree.tree_nil()) continue;
    if (TagNode::of(n)->key == 1) ++in_left;
    stack.push_back(n->left());
    stack.push_back(n->right());
  }
  EXPECT_EQ(tree.find_all(1, nullptr, left), in_left);
  EXPECT_EQ(tree.find_all(1, nullptr), 16);
}

TEST_F(RBTreeTest, DeletingANodeWithTwoChildrenKeepsItsObject) {
  TagTree tree;
  TagNode* nodes[8];
  for (int k = 0; k < 8; ++k) nodes[k] = tree.add(k * 10, k);
  TagNode* z = nullptr; // a node with two children
  for (TagNode* n : nodes)
    if (n->left() != tree.tree_nil() && n->right() != tree.tree_nil()) z = n;
  ASSERT_NE(z, nullptr);
  const int successor_key = TagNode::of(tree.tree_successor(z))->key;
  const int removed_key = z->key;
  const int before = live_nodes;
  tree.rb_delete(z);
  EXPECT_EQ(live_nodes, before - 1);
  EXPECT_EQ(z->key, successor_key); // z holds the successor's entry now
  EXPECT_EQ(tree.find(successor_key), z);
  EXPECT_EQ(tree.find(removed_key), nullptr);
  ASSERT_TRUE(is_valid(tree, 7));
  Entries expected;
  for (int k = 0; k < 8; ++k)
    if (k * 10 != removed_key) expected.emplace_back(k * 10, k);
  EXPECT_EQ(tree.in_order(), expected);
}

TEST_F(RBTreeTest, RotationsAndUpdateMaxKeepRightMostExact) {
  TagTree tree;
  for (int k : {50, 20, 80, 10, 30, 70, 90}) tree.add(k, k);
  MxRBTreeNode* root = tree.tree_root();
  tree.left_rotate(root);
  EXPECT_EQ(TagNode::of(tree.tree_root())->key, 80);
  std::string error; // a lone rotation unbalances the tree: colours are not checked
  int size = 0;
  check_subtree(tree.tree_root(), tree.tree_nil(), tag_key, size, error, false);
  EXPECT_EQ(error, "");
  EXPECT_EQ(tree.tree_root()->parent(), tree.tree_nil());
  EXPECT_EQ(TagNode::of(root->right_most())->key, 70);
  EXPECT_EQ(TagNode::of(tree.tree_root()->right_most())->key, 90);
  tree.right_rotate(tree.tree_root());
  EXPECT_EQ(tree.tree_root(), root);
  EXPECT_EQ(TagNode::of(root->right_most())->key, 90);
  // a rotation without a child on the rising side changes nothing
  MxRBTreeNode* leaf = tree.find(10);
  tree.left_rotate(leaf);
  tree.right_rotate(leaf);
  tree.left_rotate(nullptr);
  EXPECT_EQ(leaf->parent(), tree.find(20));
  EXPECT_TRUE(is_valid(tree, 7));
  TagNode* ninety = tree.find(90);
  ninety->key = 85; // still between its neighbours
  tree.update_max(ninety);
  EXPECT_TRUE(is_valid(tree, 7));
  tree.update_max(nullptr);
  tree.update_max(tree.tree_nil());
  EXPECT_TRUE(reports.empty());
}

TEST_F(RBTreeTest, PlainInsertKeepsOrderAndEveryTreeIsDestroyedCompletely) {
  const int before = live_nodes;
  {
    TagTree tree;
    for (int k : {5, 3, 8, 8, 1}) tree.insert(new TagNode(tree.tree_nil(), k, k));
    tree.insert(nullptr);
    EXPECT_EQ(tree.in_order(), (Entries{{1, 1}, {3, 3}, {5, 5}, {8, 8}, {8, 8}}));
    EXPECT_EQ(TagNode::of(tree.tree_root()->right_most())->key, 8);
    EXPECT_EQ(tree.find_all(8, nullptr), 2);
    tree.remove_all_elements(); // keeps the sentinel
    EXPECT_EQ(tree.tree_root(), tree.tree_nil());
    tree.add(3, 3);
    EXPECT_TRUE(is_valid(tree, 1));
    TagTree degenerate; // a 3000-deep list
    for (int k = 0; k < 3000; ++k) degenerate.insert(new TagNode(degenerate.tree_nil(), -k, k));
    EXPECT_EQ(TagNode::of(degenerate.tree_root()->right_most())->key, 0);
  }
  EXPECT_EQ(live_nodes, before);
  EXPECT_TRUE(reports.empty());
}

TEST_F(RBTreeTest, NullArgumentsAndMissingSentinelAreReported) {
  TagTree tree;
  tree.add(1, 1);
  tree.rb_insert(nullptr);
  tree.rb_delete(nullptr);
  tree.rb_delete(tree.tree_nil()); // the sentinel is never destroyed
  tree.rb_delete_fixup(nullptr);
  EXPECT_EQ(tree.tree_successor(nullptr), nullptr);
  EXPECT_EQ(tree.tree_maximum(nullptr), nullptr);
  EXPECT_EQ(tree.tree_minimum(nullptr), nullptr);
  EXPECT_EQ(reports.take_tags(), ReportTags(6, "mxrbt"));
  EXPECT_TRUE(is_valid(tree, 1));

  BareTree bare;
  TagNode node(nullptr, 1, 1);
  bare.rb_insert(&node);
  EXPECT_EQ(bare.rb_find(&node), nullptr);
  EXPECT_EQ(bare.rb_find(&node, nullptr, nullptr), 0);
  bare.remove_all_elements();
  EXPECT_EQ(reports.tags(), ReportTags(4, "mxrbt"));
}

TEST_F(RBTreeTest, RandomisedMultiKeyTreeAgainstMultimap) {
  std::mt19937 rng(424242);
  TagTree tree;
  std::multimap<int, int> model;
  for (int step = 0; step < 20000; ++step) {
    // one key in four is the same: long runs of equal keys on both sides
    const int key = rng() % 4 == 0 ? 7 : static_cast<int>(rng() % 60);
    const unsigned action = rng() % 10;
    if (action < 5) {
      tree.add(key, step);
      model.emplace(key, step);
    } else if (action < 9) {
      TagNode* hit = tree.find(key);
      ASSERT_EQ(hit != nullptr, model.count(key) > 0);
      if (hit) {
        auto range = model.equal_range(key);
        auto it =
            std::find_if(range.first, range.second, [&](auto& e) { return e.second == hit->tag; });
        ASSERT_NE(it, range.second);
        model.erase(it);
        tree.rb_delete(hit);
      }
    } else {
      std::vector<TagNode*> found;
      ASSERT_EQ(tree.find_all(key, &found), static_cast<int>(model.count(key)));
      std::multiset<int> tags, expected;
      for (TagNode* n : found) tags.insert(n->tag);
      auto range = model.equal_range(key);
      for (auto it = range.first; it != range.second; ++it) expected.insert(it->second);
      ASSERT_EQ(tags, expected); // every match, each once
    }
    if (step % 10 == 0) {
      ASSERT_TRUE(is_valid(tree, static_cast<int>(model.size()))) << step;
    }
    if (step % 500 == 0) {
      ASSERT_EQ(tree.in_order(), Entries(model.begin(), model.end()));
    }
  }
  // deleting everything, in random order
  std::vector<int> keys;
  for (const auto& e : model) keys.push_back(e.first);
  std::shuffle(keys.begin(), keys.end(), rng);
  for (size_t i = 0; i < keys.size(); ++i) {
    tree.rb_delete(tree.find(keys[i]));
    ASSERT_TRUE(is_valid(tree, static_cast<int>(keys.size() - i - 1)));
  }
  EXPECT_EQ(tree.tree_root(), tree.tree_nil());
}

// --- map -------------------------------------------------------------------

TEST_F(RBTreeTest, MapSubscriptFindEraseAndClear) {
  CheckedMap<int, short> map;
  EXPECT_EQ(map[4], 0); // inserts the default once
  map[4] = 9;
  EXPECT_EQ(map[4], 9);
  EXPECT_EQ(map.size(), 1);
  for (int k = 0; k < 20; ++k)
    if (k != 4) map[k] = static_cast<short>(k);
  MxList<short> values;
  EXPECT_EQ(map.find(4, &values), 1);
  EXPECT_EQ(map.find(2, &values), 1);
  EXPECT_EQ(map.find(30, &values), 0);
  EXPECT_EQ(map.find(30, nullptr), 0);
  EXPECT_EQ(std::vector<short>(values.begin(), values.end()), (std::vector<short>{9, 2}));
  EXPECT_EQ(map.size(), 20); // find enters nothing
  EXPECT_EQ(*map.lookup(1), 1);
  EXPECT_EQ(map.lookup(30), nullptr);
  EXPECT_TRUE(map.erase(7));
  EXPECT_FALSE(map.erase(7));
  EXPECT_EQ(map.size(), 19);
  EXPECT_EQ(map.lookup(7), nullptr);
  EXPECT_EQ(*map.lookup(8), 8);
  EXPECT_TRUE(map.valid());
  map.clear();
  EXPECT_EQ(map.size(), 0);
  EXPECT_TRUE(entries(map).empty());
  map[1] = 1;
  EXPECT_TRUE(map.valid());
}

TEST_F(RBTreeTest, MapAssignmentAndCopyAreDeep) {
  CheckedMap<int, short> source;
  for (int k = 0; k < 100; ++k) source[k * 7 % 101] = static_cast<short>(k);
  CheckedMap<int, short> copy(source);
  EXPECT_TRUE(copy.valid());
  EXPECT_EQ(entries(copy), entries(source));
  CheckedMap<int, short> assigned;
  assigned[500] = 1;
  assigned = source;
  EXPECT_EQ(assigned.lookup(500), nullptr);
  EXPECT_EQ(entries(assigned), entries(source));
  copy[0] = 99;
  copy.erase(7);
  EXPECT_EQ(*source.lookup(0), 0);
  EXPECT_NE(source.lookup(7), nullptr);
  assigned = assigned;
  EXPECT_EQ(assigned.size(), 100);
  EXPECT_TRUE(assigned.valid());

  MxMap<int, MxMap<int, short>> outer; // maps of maps
  outer[1][10] = 5;
  outer[2] = outer[1];
  outer[2][11] = 6;
  EXPECT_EQ(outer[1].size(), 1);
  EXPECT_EQ(outer[2].size(), 2);
  MxMap<int, MxMap<int, short>> outer_copy(outer);
  outer.erase(1); // node 1 may take node 2's entry
  EXPECT_EQ(outer.size(), 1);
  EXPECT_EQ(*outer.lookup(2)->lookup(11), 6);
  EXPECT_EQ(*outer_copy.lookup(1)->lookup(10), 5);
}

TEST_F(RBTreeTest, MapIteratorRunsInKeyOrderAndStaysAtTheEnd) {
  const MxMap<int, short> empty;
  MxMapIterator<int, short> over_empty(empty);
  over_empty.reset();
  EXPECT_TRUE(over_empty.done());
  MxMap<int, short> map;
  for (int k : {5, -3, 9, 0}) map[k] = static_cast<short>(k * 2);
  MxMapIterator<int, short> it(map);
  EXPECT_EQ(*it.first(), -6);
  EXPECT_EQ(entries(map), (std::vector<std::pair<int, short>>{{-3, -6}, {0, 0}, {5, 10}, {9, 18}}));
  EXPECT_TRUE(reports.empty());
  for (it.reset(); !it.done(); it.next()) {
  }
  it.next(); // stays at the end
  EXPECT_TRUE(it.done());
  EXPECT_EQ(*it.current(), 0);
  EXPECT_EQ(reports.tags(), ReportTags{"protectedinterfaces/mxmap_t"});
  *map.lookup(5) = 1;
  it.reset();
  it.next();
  it.next();
  EXPECT_EQ(*it.current(), 1);

  MxString names[3] = {"c", "a", "b"}; // pointer keys order by address
  MxMap<const MxString*, int> by_address;
  for (int i : {2, 0, 1}) by_address[&names[i]] = i;
  MxString same_text("a");
  EXPECT_EQ(by_address.lookup(&same_text), nullptr);
  EXPECT_EQ(entries(by_address), (std::vector<std::pair<const MxString*, int>>{
                                     {&names[0], 0}, {&names[1], 1}, {&names[2], 2}}));
}

// A map that enters equal keys side by side through the tree's insertion.
class DuplicateKeyMap : public MxMap<int, short> {
public:
  void add(int key, short value) { rb_insert(new MxMapNode<int, short>(tree_nil(), key, value)); }
};

TEST_F(RBTreeTest, MapFindListsEveryEntryOfARepeatedKey) {
  std::mt19937 rng(77);
  DuplicateKeyMap map;
  std::multimap<int, short> model;
  for (int i = 0; i < 3000; ++i) {
    const int key = i % 3 == 0 ? 42 : static_cast<int>(rng() % 100);
    map.add(key, static_cast<short>(i));
    model.emplace(key, static_cast<short>(i));
  }
  for (int key = -1; key <= 100; ++key) {
    MxList<short> values;
    ASSERT_EQ(map.find(key, &values), static_cast<int>(model.count(key))) << key;
    std::multiset<short> found(values.begin(), values.end()), expected;
    auto range = model.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) expected.insert(it->second);
    EXPECT_EQ(found, expected) << key;
  }
  EXPECT_GE(map.find(42, nullptr), 1000);
  EXPECT_EQ((entries<int, short>(map)),
            (std::vector<std::pair<int, short>>(model.begin(), model.end())));
}

TEST_F(RBTreeTest, RandomisedMapAgainstStdMap) {
  std::mt19937 rng(987654321);
  CheckedMap<int, short> map;
  std::map<int, short> model;
  int max_height = 0;
  for (int step = 0; step < 40000; ++step) {
    const int key = static_cast<int>(rng() % 4000) - 2000;
    const unsigned action = rng() % 8;
    if (action < 4) {
      const short value = static_cast<short>(rng());
      map[key] = value;
      model[key] = value;
    } else if (action < 7) {
      ASSERT_EQ(map.erase(key), model.erase(key) == 1);
    } else {
      MxList<short> values;
      const int count = map.find(key, &values);
      auto it = model.find(key);
      ASSERT_EQ(count, it == model.end() ? 0 : 1);
      if (count) {
        ASSERT_EQ(values.first(), it->second);
      }
    }
    ASSERT_EQ(map.size(), static_cast<int>(model.size()));
    if (step % 29 == 0) {
      ASSERT_TRUE(map.valid()) << "step " << step;
    }
    if (step % 1000 == 0) {
      ASSERT_EQ(entries(map), (std::vector<std::pair<int, short>>(model.begin(), model.end())));
      max_height = std::max(max_height, map.height());
    }
  }
  EXPECT_LE(max_height, 24); // 2 log2(n + 1) for about 2000 entries
}

} // namespace
