// Red-black tree and map: model checks against std::multimap, and what they
// leave out: trees without a sentinel, tall unbalanced trees, maps of maps
// and pointer keys.
#include "mxmap.h"
#include "mxstring.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using models::TagNode;

TEST(RBTree, MatchesMultimapUnderRandomOperations) {
  EXPECT_EQ(models::run_random<models::TreeModel>(60, 600), "");
}

TEST(Map, MatchesMultimapUnderRandomOperations) {
  EXPECT_EQ(models::run_random<models::MapModel>(60, 600), "");
}

class OpenTree : public MxRBTree { // without a sentinel unless given one
public:
  explicit OpenTree(MxRBTreeNode* nil = nullptr) : MxRBTree(nil) {}
  using MxRBTree::insert, MxRBTree::rb_find, MxRBTree::rb_insert, MxRBTree::remove_all_elements,
      MxRBTree::tree_nil, MxRBTree::tree_root;
};

TEST_F(ReportingTest, TreeWithoutSentinelReportsAndStaysEmpty) {
  OpenTree bare;
  TagNode node(nullptr, 1, 1);
  bare.rb_insert(&node);
  EXPECT_EQ(bare.rb_find(&node), nullptr);
  EXPECT_EQ(bare.rb_find(&node, nullptr, nullptr), 0);
  bare.remove_all_elements();
  EXPECT_EQ(reports.tags(), ReportTags(4, "mxrbt"));
}

// A new tree's sentinel links to itself; a tall unbalanced tree goes completely.
TEST(RBTree, TallUnbalancedTreeIsDestroyedCompletely) {
  const int before = TagNode::live;
  {
    OpenTree tall(new TagNode()); // plain insertion of falling keys: a 3000-deep list
    const MxRBTreeNode* nil = tall.tree_nil();
    EXPECT_TRUE(tall.tree_root() == nil && nil->parent() == nil && nil->left() == nil);
    EXPECT_TRUE(nil->right() == nil && nil->right_most() == nil);
    for (int k = 0; k < 3000; ++k) tall.insert(new TagNode(tall.tree_nil(), -k, k));
    EXPECT_EQ(TagNode::of(tall.tree_root()->right_most())->key, 0);
  }
  EXPECT_EQ(TagNode::live, before);
}

TEST(Map, ValuesThatAreMapsAreCopiedDeeply) {
  MxMap<int, MxMap<int, short>> outer;
  outer[1][10] = 5;
  outer[2] = outer[1];
  outer[2][11] = 6;
  MxMap<int, MxMap<int, short>> copy(outer);
  outer.erase(1); // node 1 may take node 2's entry
  EXPECT_EQ(outer.size(), 1);
  EXPECT_EQ(outer.lookup(2)->size(), 2);
  EXPECT_EQ(*outer.lookup(2)->lookup(11), 6);
  EXPECT_EQ(copy.lookup(1)->size(), 1);
  EXPECT_EQ(*copy.lookup(1)->lookup(10), 5);
}

TEST(Map, PointerKeysOrderByAddress) {
  MxString names[3] = {"c", "a", "b"};
  MxMap<const MxString*, int> by_address;
  for (int i : {2, 0, 1}) by_address[&names[i]] = i;
  MxString same_text("a");
  EXPECT_EQ(by_address.lookup(&same_text), nullptr);
  std::vector<const MxString*> keys;
  MxMapIterator<const MxString*, int> it(by_address);
  for (it.reset(); !it.done(); it.next()) keys.push_back(*it.key());
  EXPECT_EQ(keys, (std::vector<const MxString*>{&names[0], &names[1], &names[2]}));
}

} // namespace
