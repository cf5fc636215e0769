// Chained hash table and the standard hash functors.
#include "mxhash.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using HashTest = ReportingTest;

int live_nodes = 0;

// A key with a tag, so equal keys can be told apart.
class IntNode : public MxHashTableNode {
public:
  explicit IntNode(int key, int tag = 0) : key(key), tag(tag) { ++live_nodes; }
  IntNode(const IntNode& other) : MxHashTableNode(other), key(other.key), tag(other.tag) {
    ++live_nodes;
  }
  ~IntNode() override { --live_nodes; }
  bool matches(const MxHashTableNode* other) const override {
    return static_cast<const IntNode*>(other)->key == key;
  }
  MxHashTableNode* clone() const override { return new IntNode(*this); }

  int key;
  int tag;
};

// A table of ints that hashes with MxStdIntHashFunctor and opens up the
// protected operations.
class IntTable : public MxHashTable {
public:
  explicit IntTable(int size = DEFAULT_SIZE) : MxHashTable(size) {}
  IntTable(const IntTable& other) = default;
  IntTable& operator=(const IntTable& other) = default;

  using MxHashTable::best_case;
  using MxHashTable::cell_head;
  using MxHashTable::find_index;
  using MxHashTable::find_node;
  using MxHashTable::first_node;
  using MxHashTable::get_cell_distribution;
  using MxHashTable::insert_node;
  using MxHashTable::next_node;
  using MxHashTable::remove_all_elements;
  using MxHashTable::remove_chain;
  using MxHashTable::splice_node;
  using MxHashTable::worst_cast;

  IntNode* find(int key) const {
    IntNode probe(key);
    return static_cast<IntNode*>(find_node(&probe));
  }
  // Keys and tags in iteration order.
  std::vector<std::pair<int, int>> contents() const {
    std::vector<std::pair<int, int>> out;
    int cell = 0;
    for (MxHashTableNode* n = first_node(cell); n; n = next_node(n, cell)) {
      auto* node = static_cast<IntNode*>(n);
      out.emplace_back(node->key, node->tag);
      EXPECT_EQ(find_index(n), cell);
    }
    return out;
  }

protected:
  std::uint32_t hash_value(const MxHashTableNode* node) const override {
    return functor_.hash_function(static_cast<const IntNode*>(node)->key);
  }

private:
  MxStdIntHashFunctor functor_;
};

using Pairs = std::vector<std::pair<int, int>>;

TEST_F(HashTest, InsertPutsNodesInFrontAndSearchesFollowTheChains) {
  EXPECT_EQ(IntTable().cell_count(), 100);
  IntTable table(10);
  int cell = -7;
  EXPECT_EQ(table.first_node(cell), nullptr);
  EXPECT_TRUE(table.insert_node(new IntNode(3, 1))); // true: the cell was empty
  EXPECT_FALSE(table.insert_node(new IntNode(13, 2)));
  EXPECT_FALSE(table.insert_node(new IntNode(3, 3))); // duplicates are kept
  EXPECT_TRUE(table.insert_node(new IntNode(1, 4)));
  // -1 hashes to 4294967295, whose unsigned remainder by 10 is 5
  table.insert_node(new IntNode(-1, 5));
  EXPECT_EQ(table.contents(), (Pairs{{1, 4}, {3, 3}, {13, 2}, {3, 1}, {-1, 5}}));
  EXPECT_EQ(static_cast<IntNode*>(table.first_node(cell))->key, 1);
  EXPECT_EQ(cell, 1);
  EXPECT_EQ(table.find(3)->tag, 3); // the first match of the chain
  EXPECT_EQ(table.find(23), nullptr);
  IntNode probe(3), absent(8);
  MxList<MxHashTableNode*> found;
  found.insert_tail(nullptr); // the search appends after what is there
  EXPECT_EQ(table.find_node(&probe, &found), 2);
  EXPECT_EQ(table.find_node(&absent, &found), 0);
  std::vector<int> tags;
  for (MxHashTableNode* n : found) tags.push_back(n ? static_cast<IntNode*>(n)->tag : 0);
  EXPECT_EQ(tags, (std::vector<int>{0, 3, 1}));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(table.next_node(nullptr, cell), nullptr);
  EXPECT_EQ(reports.tags(), ReportTags{"mxhash"});
}

TEST_F(HashTest, SpliceFirstMiddleAndLastNodes) {
  IntTable table(10);
  auto* a = new IntNode(2, 1);
  auto* b = new IntNode(12, 2);
  auto* c = new IntNode(22, 3);
  for (IntNode* n : {a, b, c}) table.insert_node(n); // chain: c b a
  table.splice_node(c);
  EXPECT_EQ(table.cell_head(2), b);
  EXPECT_EQ(b->prev(), nullptr);
  EXPECT_TRUE(c->next() == nullptr && c->prev() == nullptr);
  table.insert_node(c); // c b a
  table.splice_node(b);
  EXPECT_EQ(c->next(), a);
  EXPECT_EQ(a->prev(), c);
  table.splice_node(a);
  EXPECT_EQ(c->next(), nullptr);
  table.splice_node(nullptr);
  EXPECT_TRUE(reports.empty());
  c->key = 4; // the first node now hashes to another cell: its own still empties
  table.splice_node(c);
  EXPECT_EQ(reports.tags(), ReportTags{"mxhash"});
  EXPECT_EQ(table.cell_head(2), nullptr);
  for (IntNode* n : {a, b, c}) delete n;
}

TEST_F(HashTest, RemoveChainAndRemoveAllDestroyNodesAndKeepTheCells) {
  IntTable table(10);
  for (int k : {5, 15, 25, 6}) table.insert_node(new IntNode(k));
  const int before = live_nodes;
  table.remove_chain(table.find(15)); // the middle of 25 15 5: the whole chain goes
  EXPECT_EQ(live_nodes, before - 3);
  EXPECT_EQ(table.cell_head(5), nullptr);
  table.insert_node(new IntNode(35));
  EXPECT_EQ(table.contents(), (Pairs{{35, 0}, {6, 0}}));
  table.remove_chain(nullptr);
  EXPECT_EQ(reports.tags(), ReportTags{"mxhash"});
  table.remove_all_elements();
  EXPECT_EQ(live_nodes, before - 4);
  EXPECT_EQ(table.cell_count(), 10);
  EXPECT_EQ(table.contents(), Pairs{});
}

TEST_F(HashTest, ChainStatistics) {
  IntTable table(4);
  EXPECT_EQ(table.best_case(), 0);
  EXPECT_EQ(table.worst_cast(), 0);
  for (int k : {0, 4, 8, 1, 6}) table.insert_node(new IntNode(k));
  EXPECT_EQ(table.best_case(), 0); // cell 3 is empty
  EXPECT_EQ(table.worst_cast(), 3);
  table.insert_node(new IntNode(2));
  MxPriQueue<int, int> longest_first(true);
  table.get_cell_distribution(longest_first);
  EXPECT_EQ(longest_first.heap_size(), 4);
  std::vector<int> cells;
  while (longest_first.size() > 0) cells.push_back(longest_first.extract_first());
  EXPECT_EQ(cells, (std::vector<int>{0, 2, 1, 3}));
  MxPriQueue<int, int> shortest_first(false);
  table.get_cell_distribution(shortest_first);
  EXPECT_EQ(shortest_first.extract_first(), 3);
  table.insert_node(new IntNode(3));
  EXPECT_EQ(table.best_case(), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(HashTest, CopiesCloneEveryChainInOrderAndStayIndependent) {
  IntTable source(10);
  for (int tag = 0; tag < 25; ++tag) source.insert_node(new IntNode(tag * 3 % 17, tag));
  const Pairs expected = source.contents();
  const int before = live_nodes;
  {
    IntTable copy(source);
    EXPECT_EQ(live_nodes, before + 25);
    EXPECT_EQ(copy.contents(), expected);
    for (int i = 0; i < 10; ++i)
      if (source.cell_head(i)) {
        EXPECT_NE(copy.cell_head(i), source.cell_head(i));
      }
    copy.remove_chain(copy.find(0));
    copy.insert_node(new IntNode(100));
  }
  EXPECT_EQ(live_nodes, before);
  EXPECT_EQ(source.contents(), expected);

  IntTable assigned(3);
  assigned.insert_node(new IntNode(1));
  assigned = source;
  assigned = assigned;
  EXPECT_EQ(assigned.contents(), expected);
  EXPECT_EQ(live_nodes, before + 25);
}

TEST(HashTable, TableWithoutCellsReportsInsteadOfDividingByZero) {
  for (int size : {0, -4}) {
    ReportRecorder reports;
    IntTable table(size);
    EXPECT_EQ(table.cell_count(), 0);
    IntNode node(5);
    EXPECT_FALSE(table.insert_node(&node)); // not taken: the caller keeps it
    EXPECT_EQ(node.next(), nullptr);
    EXPECT_EQ(table.find(5), nullptr);
    EXPECT_EQ(table.find_node(&node, nullptr), 0);
    EXPECT_EQ(table.find_index(&node), -1);
    int cell = 0;
    EXPECT_EQ(table.first_node(cell), nullptr);
    EXPECT_EQ(table.best_case(), 0);
    EXPECT_EQ(table.worst_cast(), 0);
    MxPriQueue<int, int> queue(true);
    table.get_cell_distribution(queue);
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(reports.tags(), ReportTags(4, "mxhash"));
  }
}

TEST_F(HashTest, RandomisedAgainstMultimap) {
  std::mt19937 rng(2024);
  IntTable table(37);
  std::multimap<int, int> model;
  for (int step = 0; step < 10000; ++step) {
    const int key = static_cast<int>(rng() % 300) - 150;
    IntNode probe(key);
    ASSERT_EQ(table.find_node(&probe, nullptr), static_cast<int>(model.count(key)));
    if (rng() % 3) {
      table.insert_node(new IntNode(key, step));
      model.emplace(key, step);
    } else if (IntNode* hit = table.find(key)) {
      table.splice_node(hit);
      auto range = model.equal_range(key);
      model.erase(std::find_if(range.first, range.second,
                               [&](const auto& e) { return e.second == hit->tag; }));
      delete hit;
    }
  }
  EXPECT_EQ(table.contents().size(), model.size());
}

// --- functors --------------------------------------------------------------

TEST(HashFunctors, ValuesClonesAndCopies) {
  MxStdStringHashFunctor three;
  EXPECT_EQ(three.n_chars(), 3);
  EXPECT_EQ(three.hash_function("abcdef"), 294u); // the leading three characters
  EXPECT_EQ(three.hash_function("ab"), 195u);
  EXPECT_EQ(MxStdStringHashFunctor(-2).hash_function("abc"), 0u);
  EXPECT_EQ(MxStdStringHashFunctor(100).hash_function("abcd"), 394u);
  // 0xE9 is -23 as a signed 8-bit value: 'a' - 23 = 74; alone it wraps
  EXPECT_EQ(three.hash_function("a\xE9"), 74u);
  EXPECT_EQ(three.hash_function("\xE9"), 4294967273u);
  // ints, ptrdiffs and doubles are multiplied and truncated; out of range gives 0
  EXPECT_EQ(MxStdIntHashFunctor(0.5).hash_function(-7), static_cast<std::uint32_t>(-3));
  EXPECT_EQ(MxStdIntHashFunctor().hash_function(-1), 4294967295u);
  EXPECT_EQ(MxStdIntHashFunctor(1e30).hash_function(5), 0u);
  EXPECT_EQ(MxStdIntHashFunctor(std::nan("")).hash_function(5), 0u);
  EXPECT_EQ(MxStdPtrdiffHashFunctor().hash_function(ptrdiff_t{0x123456789}), 0x23456789u);
  EXPECT_EQ(MxStdPtrdiffHashFunctor(2.0).hash_function(ptrdiff_t{-5}), 4294967286u);
  MxStdDoubleHashFunctor one; // truncates, takes the low 32 bits, then multiplies
  EXPECT_EQ(one.hash_function(2.9), 2u);
  EXPECT_EQ(one.hash_function(-1.5), 4294967295u);
  EXPECT_EQ(MxStdDoubleHashFunctor(0.5).hash_function(-1.0), 2147483647u);
  EXPECT_EQ(MxStdDoubleHashFunctor(3.0).hash_function(4294967296.0 + 10.5), 30u);
  EXPECT_EQ(one.hash_function(std::numeric_limits<double>::infinity()), 0u);
  EXPECT_EQ(one.hash_function(1e300), 0u);

  MxStdIntHashFunctor a(3.0), b;
  b = a;
  EXPECT_EQ(b.hash_function(2), 6u);
  std::unique_ptr<MxHashMapFunctor<int>> int_clone(a.clone());
  std::unique_ptr<MxHashMapFunctor<MxString>> string_clone(MxStdStringHashFunctor(1).clone());
  std::unique_ptr<MxHashMapFunctor<double>> double_clone(MxStdDoubleHashFunctor(2.0).clone());
  std::unique_ptr<MxHashMapFunctor<ptrdiff_t>> ptrdiff_clone(MxStdPtrdiffHashFunctor(2.0).clone());
  EXPECT_EQ(int_clone->hash_function(2), 6u);
  EXPECT_EQ(string_clone->hash_function("ab"), 97u);
  EXPECT_EQ(double_clone->hash_function(1.5), 2u);
  EXPECT_EQ(ptrdiff_clone->hash_function(4), 8u);
}

} // namespace
