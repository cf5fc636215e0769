// Chained hash table and the standard hash functors.
#include "mxhash.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct HashTest : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

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

TEST_F(HashTest, DefaultTableHasOneHundredCells) {
  IntTable table;
  EXPECT_EQ(MxHashTable::DEFAULT_SIZE, 100);
  EXPECT_EQ(table.cell_count(), 100);
  EXPECT_EQ(IntTable(7).cell_count(), 7);
}

TEST_F(HashTest, InsertTellsWhetherTheCellWasEmptyAndPutsNodesInFront) {
  IntTable table(10);
  EXPECT_TRUE(table.insert_node(new IntNode(3, 1)));
  EXPECT_FALSE(table.insert_node(new IntNode(13, 2))); // same cell
  EXPECT_FALSE(table.insert_node(new IntNode(3, 3)));  // duplicates are kept
  EXPECT_TRUE(table.insert_node(new IntNode(1, 4)));
  EXPECT_EQ(table.contents(), (Pairs{{1, 4}, {3, 3}, {13, 2}, {3, 1}}));
  EXPECT_EQ(table.cell_head(3)->prev(), nullptr);
  EXPECT_TRUE(reports.empty());
}

TEST_F(HashTest, NegativeHashesUseTheUnsignedRemainder) {
  IntTable table(10);
  table.insert_node(new IntNode(-1));
  // -1 hashes to 4294967295, whose remainder by 10 is 5
  EXPECT_NE(table.cell_head(5), nullptr);
  EXPECT_EQ(table.find(-1)->key, -1);
}

TEST_F(HashTest, FindReturnsFirstMatchOfTheChain) {
  IntTable table(10);
  table.insert_node(new IntNode(4, 1));
  table.insert_node(new IntNode(14, 2));
  table.insert_node(new IntNode(4, 3));
  EXPECT_EQ(table.find(4)->tag, 3);
  EXPECT_EQ(table.find(14)->tag, 2);
  EXPECT_EQ(table.find(24), nullptr);
  EXPECT_EQ(table.find(5), nullptr);
}

TEST_F(HashTest, CountingSearchListsEveryMatchInChainOrder) {
  IntTable table(10);
  for (int tag = 1; tag <= 5; ++tag) table.insert_node(new IntNode(tag % 2 ? 7 : 17, tag));
  IntNode probe(7);
  EXPECT_EQ(table.find_node(&probe, nullptr), 3);
  MxList<MxHashTableNode*> found;
  found.insert_tail(nullptr); // the search appends after what is there
  EXPECT_EQ(table.find_node(&probe, &found), 3);
  ASSERT_EQ(found.count(), 4u);
  std::vector<int> tags;
  for (MxHashTableNode* n : found)
    if (n) tags.push_back(static_cast<IntNode*>(n)->tag);
  EXPECT_EQ(tags, (std::vector<int>{5, 3, 1}));
  IntNode absent(8);
  EXPECT_EQ(table.find_node(&absent, &found), 0);
  EXPECT_EQ(found.count(), 4u);
}

TEST_F(HashTest, SpliceFirstMiddleAndLastNodes) {
  IntTable table(10);
  auto* a = new IntNode(2, 1);
  auto* b = new IntNode(12, 2);
  auto* c = new IntNode(22, 3);
  table.insert_node(a);
  table.insert_node(b);
  table.insert_node(c); // chain: c b a
  table.splice_node(c);
  EXPECT_EQ(table.cell_head(2), b);
  EXPECT_EQ(b->prev(), nullptr);
  EXPECT_EQ(c->next(), nullptr);
  EXPECT_EQ(c->prev(), nullptr);
  table.insert_node(c); // c b a
  table.splice_node(b);
  EXPECT_EQ(c->next(), a);
  EXPECT_EQ(a->prev(), c);
  table.splice_node(a);
  EXPECT_EQ(c->next(), nullptr);
  table.splice_node(c);
  EXPECT_EQ(table.cell_head(2), nullptr);
  table.splice_node(nullptr);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(table.contents(), Pairs{});
  delete a;
  delete b;
  delete c;
}

TEST_F(HashTest, SpliceOfAFirstNodeWhoseKeyChangedStillEmptiesItsCell) {
  IntTable table(10);
  auto* node = new IntNode(3);
  table.insert_node(node);
  node->key = 4; // now hashes to another cell
  table.splice_node(node);
  EXPECT_EQ(reports, std::vector<std::string>{"mxhash"});
  EXPECT_EQ(table.cell_head(3), nullptr);
  delete node;
}

TEST_F(HashTest, IterationVisitsCellsInOrderThenNextNode) {
  IntTable table(5);
  int cell = -7;
  EXPECT_EQ(table.first_node(cell), nullptr);
  for (int k : {4, 1, 6, 9}) table.insert_node(new IntNode(k));
  EXPECT_EQ(table.contents(), (Pairs{{6, 0}, {1, 0}, {9, 0}, {4, 0}}));
  MxHashTableNode* first = table.first_node(cell);
  EXPECT_EQ(cell, 1);
  EXPECT_EQ(static_cast<IntNode*>(first)->key, 6);
  EXPECT_EQ(table.next_node(nullptr, cell), nullptr);
  EXPECT_EQ(reports, std::vector<std::string>{"mxhash"});
}

TEST_F(HashTest, RemoveChainEmptiesItsCellAndDestroysTheWholeChain) {
  IntTable table(10);
  for (int k : {5, 15, 25, 6}) table.insert_node(new IntNode(k));
  const int before = live_nodes;
  table.remove_chain(table.find(15)); // the middle of 25 15 5
  EXPECT_EQ(live_nodes, before - 3);
  EXPECT_EQ(table.cell_head(5), nullptr);
  EXPECT_EQ(table.contents(), (Pairs{{6, 0}}));
  table.insert_node(new IntNode(35));
  EXPECT_EQ(table.contents(), (Pairs{{35, 0}, {6, 0}}));
  table.remove_chain(nullptr);
  EXPECT_EQ(reports, std::vector<std::string>{"mxhash"});
}

TEST_F(HashTest, RemoveAllKeepsTheCells) {
  IntTable table(10);
  for (int k = 0; k < 30; ++k) table.insert_node(new IntNode(k));
  const int before = live_nodes;
  table.remove_all_elements();
  EXPECT_EQ(live_nodes, before - 30);
  EXPECT_EQ(table.cell_count(), 10);
  EXPECT_EQ(table.contents(), Pairs{});
}

TEST_F(HashTest, BestAndWorstChains) {
  IntTable table(3);
  EXPECT_EQ(table.best_case(), 0);
  EXPECT_EQ(table.worst_cast(), 0);
  for (int k : {0, 3, 6, 1, 4}) table.insert_node(new IntNode(k));
  EXPECT_EQ(table.best_case(), 0); // cell 2 is empty
  EXPECT_EQ(table.worst_cast(), 3);
  table.insert_node(new IntNode(2));
  EXPECT_EQ(table.best_case(), 1);
}

TEST_F(HashTest, CellDistributionFillsTheQueueWithChainLengths) {
  IntTable table(4);
  for (int k : {0, 4, 8, 1, 2, 6}) table.insert_node(new IntNode(k));
  MxPriQueue<int, int> longest_first(true);
  table.get_cell_distribution(longest_first);
  EXPECT_EQ(longest_first.heap_size(), 4);
  EXPECT_EQ(longest_first.size(), 4);
  std::vector<int> cells;
  while (longest_first.size() > 0) cells.push_back(longest_first.extract_first());
  EXPECT_EQ(cells, (std::vector<int>{0, 2, 1, 3}));
  MxPriQueue<int, int> shortest_first(false);
  table.get_cell_distribution(shortest_first);
  EXPECT_EQ(shortest_first.extract_first(), 3);
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
    EXPECT_EQ(copy.cell_count(), 10);
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
  EXPECT_EQ(assigned.cell_count(), 10);
  EXPECT_EQ(assigned.contents(), expected);
  assigned = assigned;
  EXPECT_EQ(assigned.contents(), expected);
  EXPECT_EQ(live_nodes, before + 25);
}

TEST_F(HashTest, TableWithoutCellsReportsInsteadOfDividingByZero) {
  for (int size : {0, -4}) {
    reports.clear();
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
    EXPECT_EQ(reports, std::vector<std::string>(4, "mxhash"));
  }
}

TEST_F(HashTest, RandomisedAgainstMultimap) {
  std::mt19937 rng(2024);
  IntTable table(37);
  std::multimap<int, int> model;
  for (int step = 0; step < 20000; ++step) {
    const int key = static_cast<int>(rng() % 300) - 150;
    if (rng() % 3) {
      table.insert_node(new IntNode(key, step));
      model.emplace(key, step);
    } else if (IntNode* hit = table.find(key)) {
      table.splice_node(hit);
      auto range = model.equal_range(key);
      for (auto it = range.first; it != range.second; ++it)
        if (it->second == hit->tag) {
          model.erase(it);
          break;
        }
      delete hit;
    } else {
      EXPECT_EQ(model.count(key), 0u);
    }
    if (step % 1000 == 0) {
      IntNode probe(key);
      EXPECT_EQ(table.find_node(&probe, nullptr), static_cast<int>(model.count(key)));
      Pairs all = table.contents();
      EXPECT_EQ(all.size(), model.size());
    }
  }
}

// --- functors --------------------------------------------------------------

TEST(HashFunctors, StringSumsLeadingSignedCharacters) {
  MxStdStringHashFunctor three;
  EXPECT_EQ(three.n_chars(), 3);
  EXPECT_EQ(three.hash_function("abcdef"), 294u);
  EXPECT_EQ(three.hash_function("abcxyz"), 294u);
  EXPECT_EQ(three.hash_function("ab"), 195u);
  EXPECT_EQ(three.hash_function(""), 0u);
  EXPECT_EQ(MxStdStringHashFunctor(-2).hash_function("abc"), 0u);
  EXPECT_EQ(MxStdStringHashFunctor(0).hash_function("abc"), 0u);
  EXPECT_EQ(MxStdStringHashFunctor(100).hash_function("abcd"), 394u);
  // 0xE9 is -23 as a signed 8-bit value: 'a' - 23 = 74; alone it wraps
  EXPECT_EQ(three.hash_function("a\xE9"), 74u);
  EXPECT_EQ(three.hash_function("\xE9"), 4294967273u);
}

TEST(HashFunctors, IntAndPtrdiffMultiplyAndTruncate) {
  MxStdIntHashFunctor half(0.5);
  EXPECT_EQ(half.hash_function(7), 3u);
  EXPECT_EQ(half.hash_function(-7), static_cast<std::uint32_t>(-3));
  EXPECT_EQ(MxStdIntHashFunctor().hash_function(-1), 4294967295u);
  EXPECT_EQ(MxStdIntHashFunctor(1e30).hash_function(5), 0u); // out of range
  EXPECT_EQ(MxStdIntHashFunctor(std::nan("")).hash_function(5), 0u);
  MxStdPtrdiffHashFunctor wide;
  EXPECT_EQ(wide.hash_function(ptrdiff_t{0x123456789}), 0x23456789u);
  EXPECT_EQ(MxStdPtrdiffHashFunctor(2.0).hash_function(ptrdiff_t{-5}), 4294967286u);
}

TEST(HashFunctors, DoubleTruncatesTakesLowBitsThenMultiplies) {
  MxStdDoubleHashFunctor one;
  EXPECT_EQ(one.hash_function(2.9), 2u);
  EXPECT_EQ(one.hash_function(-1.5), 4294967295u);
  EXPECT_EQ(MxStdDoubleHashFunctor(0.5).hash_function(-1.0), 2147483647u);
  EXPECT_EQ(MxStdDoubleHashFunctor(3.0).hash_function(4294967296.0 + 10.5), 30u);
  EXPECT_EQ(one.hash_function(std::numeric_limits<double>::infinity()), 0u);
  EXPECT_EQ(one.hash_function(1e300), 0u);
}

TEST(HashFunctors, CopiesAndClonesKeepTheParameter) {
  MxStdIntHashFunctor a(3.0);
  MxStdIntHashFunctor b;
  b = a;
  EXPECT_EQ(b.hash_function(2), 6u);
  MxHashMapFunctor<int>* clone = a.clone();
  EXPECT_EQ(clone->hash_function(2), 6u);
  delete clone;
  MxStdStringHashFunctor s(1), t(s);
  EXPECT_EQ(t.hash_function("ab"), 97u);
  MxHashMapFunctor<MxString>* string_clone = s.clone();
  EXPECT_EQ(string_clone->hash_function("ab"), 97u);
  delete string_clone;
  MxStdDoubleHashFunctor d(2.0);
  MxHashMapFunctor<double>* double_clone = d.clone();
  EXPECT_EQ(double_clone->hash_function(1.5), 2u);
  delete double_clone;
  MxStdPtrdiffHashFunctor p(2.0);
  MxHashMapFunctor<ptrdiff_t>* ptrdiff_clone = p.clone();
  EXPECT_EQ(ptrdiff_clone->hash_function(4), 8u);
  delete ptrdiff_clone;
}

} // namespace
