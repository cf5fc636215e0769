// Binary heap and priority queue: ordering, both states, heap sort, merging,
// copying and the recovery from misuse.
#include "mxheap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct HeapTest : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }
};

// A node that counts live instances, so leaks and double deletes show.
int live_nodes = 0;

class KeyNode : public MxHeapNode {
public:
  KeyNode(int key, int tag = 0) : key_(key), tag_(tag) { ++live_nodes; }
  KeyNode(const KeyNode& other) : MxHeapNode(other), key_(other.key_), tag_(other.tag_) {
    ++live_nodes;
  }
  ~KeyNode() override { --live_nodes; }
  bool precedes(const MxHeapNode* other, bool max_heap) const override {
    const int k = static_cast<const KeyNode*>(other)->key_;
    return max_heap ? key_ > k : key_ < k;
  }
  MxHeapNode* clone() const override { return new KeyNode(*this); }
  int key() const { return key_; }
  int tag() const { return tag_; }

private:
  int key_;
  int tag_;
};

// Exposes the protected shape helpers and records every hook call.
class TracedHeap : public MxHeap {
public:
  explicit TracedHeap(bool max_heap = true) : MxHeap(max_heap) {}
  ~TracedHeap() override { remove_all_nodes(); }
  std::vector<std::string> hooks;

protected:
  void move(int i, void* n) override {
    hooks.push_back("move " + std::to_string(i));
    MxHeap::move(i, n);
  }
  void attach(int i, void* n) override {
    hooks.push_back("attach " + std::to_string(i));
    MxHeap::attach(i, n);
  }
  void detach(int i, void* n) override {
    hooks.push_back("detach " + std::to_string(i));
    MxHeap::detach(i, n);
  }
  void exchange(void*& a, void*& b) override {
    hooks.push_back("exchange");
    MxHeap::exchange(a, b);
  }
};

int key_at(const MxHeap& heap, int i) {
  return static_cast<KeyNode*>(heap.node_at(i))->key();
}

// Checks the heap property over the first heap_size() slots.
bool in_heap_order(const MxHeap& heap) {
  if (heap.heap_size() != heap.node_count()) return false;
  for (int i = 1; i < heap.heap_size(); ++i)
    if (heap.node_at(i)->precedes(heap.node_at((i + 1) / 2 - 1), heap.is_max_heap())) return false;
  return true;
}

std::vector<int> drain(MxHeap& heap) {
  std::vector<int> keys;
  while (MxHeapNode* node = heap.extract_first_node()) {
    keys.push_back(static_cast<KeyNode*>(node)->key());
    delete static_cast<KeyNode*>(node);
  }
  return keys;
}

TEST_F(HeapTest, InsertAndExtractInBothDirections) {
  const std::vector<int> keys{5, 3, 9, 1, 7, 3, 8, 0, 6};
  MxHeap max_heap(true), min_heap(false);
  for (int k : keys) {
    max_heap.insert_node(new KeyNode(k));
    min_heap.insert_node(new KeyNode(k));
    EXPECT_TRUE(in_heap_order(max_heap));
    EXPECT_TRUE(in_heap_order(min_heap));
  }
  std::vector<int> ascending = keys;
  std::sort(ascending.begin(), ascending.end());
  std::vector<int> descending(ascending.rbegin(), ascending.rend());
  EXPECT_EQ(drain(max_heap), descending);
  EXPECT_EQ(drain(min_heap), ascending);
  EXPECT_EQ(live_nodes, 0);
  // drain ended on the empty heap, which is reported twice (once per heap)
  EXPECT_EQ(reports, std::vector<std::string>(2, "mxheap"));
}

TEST_F(HeapTest, InsertRisesOnlyPastStrictlyPrecededParents) {
  MxHeap heap(true);
  heap.insert_node(new KeyNode(4, 1));
  heap.insert_node(new KeyNode(4, 2));
  heap.insert_node(new KeyNode(4, 3));
  EXPECT_EQ(static_cast<KeyNode*>(heap.first_node())->tag(), 1);
  EXPECT_EQ(static_cast<KeyNode*>(heap.node_at(1))->tag(), 2);
  EXPECT_EQ(static_cast<KeyNode*>(heap.node_at(2))->tag(), 3);
}

TEST_F(HeapTest, NullInsertIgnoredAndEmptyHeapAnswersNull) {
  MxHeap heap;
  heap.insert_node(nullptr);
  EXPECT_EQ(heap.node_count(), 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(heap.first_node(), nullptr);
  EXPECT_EQ(heap.extract_first_node(), nullptr);
  EXPECT_EQ(heap.heap_size(), 0);
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_EQ(heap.node_at(0), nullptr);
  EXPECT_EQ(reports.size(), 3u);
}

TEST_F(HeapTest, AddThenBuildGivesSameFirstAsInsert) {
  MxHeap added(true), inserted(true);
  for (int k : {2, 8, 5}) {
    added.add_node(new KeyNode(k));
    EXPECT_EQ(added.heap_size(), -1);
    inserted.insert_node(new KeyNode(k));
  }
  added.build_heap();
  EXPECT_EQ(added.heap_size(), 3);
  EXPECT_TRUE(in_heap_order(added));
  EXPECT_EQ(key_at(added, 0), 8);
  EXPECT_EQ(key_at(inserted, 0), 8);
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, AddingNullIsReportedAndIgnored) {
  MxHeap heap;
  heap.add_node(nullptr);
  EXPECT_EQ(reports, std::vector<std::string>{"mxheap"});
  EXPECT_EQ(heap.node_count(), 0);
  EXPECT_EQ(heap.heap_size(), 0);
}

TEST_F(HeapTest, BuildHeapOverManyRandomKeys) {
  std::mt19937 rng(7);
  for (bool max_heap : {true, false}) {
    MxHeap heap(max_heap);
    std::vector<int> keys;
    for (int i = 0; i < 500; ++i) {
      keys.push_back(static_cast<int>(rng() % 100));
      heap.add_node(new KeyNode(keys.back()));
    }
    heap.build_heap();
    EXPECT_TRUE(in_heap_order(heap));
    std::sort(keys.begin(), keys.end());
    if (max_heap) std::reverse(keys.begin(), keys.end());
    EXPECT_EQ(drain(heap), keys);
  }
}

TEST_F(HeapTest, SortNodesOrdersSlotsAndLeavesUnordered) {
  MxHeap heap(true);
  for (int k : {6, 1, 9, 4, 4, 2}) heap.insert_node(new KeyNode(k));
  heap.sort_nodes();
  EXPECT_EQ(heap.heap_size(), -1);
  std::vector<int> slots;
  for (int i = 0; i < heap.node_count(); ++i) slots.push_back(key_at(heap, i));
  EXPECT_EQ(slots, (std::vector<int>{1, 2, 4, 4, 6, 9}));

  MxHeap descending(false);
  for (int k : {6, 1, 9, 4}) descending.add_node(new KeyNode(k));
  descending.sort_nodes();
  slots.clear();
  for (int i = 0; i < descending.node_count(); ++i) slots.push_back(key_at(descending, i));
  EXPECT_EQ(slots, (std::vector<int>{9, 6, 4, 1}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, SortNodesOnTinyHeapsOnlyMarksUnordered) {
  MxHeap empty, single;
  single.insert_node(new KeyNode(3));
  empty.sort_nodes();
  single.sort_nodes();
  EXPECT_EQ(empty.heap_size(), -1);
  EXPECT_EQ(single.heap_size(), -1);
  EXPECT_EQ(single.node_count(), 1);
  EXPECT_EQ(key_at(single, 0), 3);
}

TEST_F(HeapTest, UnorderedFirstNodeIsReportedAndGivesSlotZero) {
  MxHeap heap(true);
  heap.add_node(new KeyNode(1));
  heap.add_node(new KeyNode(5));
  EXPECT_EQ(static_cast<KeyNode*>(heap.first_node())->key(), 1);
  EXPECT_EQ(reports, std::vector<std::string>{"mxheap"});
}

TEST_F(HeapTest, InsertIntoUnorderedHeapBuildsItFirst) {
  MxHeap heap(false);
  for (int k : {9, 7, 5}) heap.add_node(new KeyNode(k));
  heap.insert_node(new KeyNode(6));
  EXPECT_EQ(reports, std::vector<std::string>{"mxheap"});
  EXPECT_EQ(heap.heap_size(), 4);
  EXPECT_TRUE(in_heap_order(heap));
  EXPECT_EQ(drain(heap), (std::vector<int>{5, 6, 7, 9}));
}

TEST_F(HeapTest, ExtractFromUnorderedHeapBuildsItFirst) {
  MxHeap heap(true);
  for (int k : {1, 3, 2}) heap.add_node(new KeyNode(k));
  heap.sort_nodes(); // slots now ascending, the worst order for a max-heap
  MxHeapNode* first = heap.extract_first_node();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(static_cast<KeyNode*>(first)->key(), 3);
  delete static_cast<KeyNode*>(first);
  EXPECT_EQ(reports, std::vector<std::string>{"mxheap"});
  EXPECT_EQ(heap.heap_size(), 2);
  EXPECT_TRUE(in_heap_order(heap));
}

TEST_F(HeapTest, MergeMovesEveryNodeAndEmptiesTheSource) {
  MxHeap target(false), source(false);
  for (int k : {4, 8}) target.insert_node(new KeyNode(k));
  for (int k : {1, 6, 9, 2}) source.insert_node(new KeyNode(k));
  const int before = live_nodes;
  target.merge_nodes(source);
  EXPECT_EQ(live_nodes, before); // moved, not copied
  EXPECT_EQ(source.heap_size(), 0);
  EXPECT_EQ(source.node_count(), 0);
  EXPECT_EQ(target.heap_size(), 6);
  EXPECT_TRUE(in_heap_order(target));
  EXPECT_EQ(drain(target), (std::vector<int>{1, 2, 4, 6, 8, 9}));
}

TEST_F(HeapTest, MergeOfEmptySourceChangesNothing) {
  MxHeap target, source;
  target.insert_node(new KeyNode(1));
  target.merge_nodes(source);
  EXPECT_EQ(target.heap_size(), 1);
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, MergeWithUnorderedHeapsReportsAndLosesNothing) {
  MxHeap target(true), source(true);
  for (int k : {3, 1}) target.add_node(new KeyNode(k));
  for (int k : {7, 2, 5}) source.add_node(new KeyNode(k));
  target.merge_nodes(source);
  EXPECT_EQ(reports, std::vector<std::string>(2, "mxheap"));
  EXPECT_EQ(source.node_count(), 0);
  EXPECT_EQ(source.heap_size(), 0);
  EXPECT_EQ(target.heap_size(), 5);
  EXPECT_TRUE(in_heap_order(target));
  EXPECT_EQ(drain(target), (std::vector<int>{7, 5, 3, 2, 1}));
}

TEST_F(HeapTest, MergeIntoItselfDoesNothing) {
  MxHeap heap(true);
  for (int k : {3, 1, 2}) heap.insert_node(new KeyNode(k));
  heap.merge_nodes(heap);
  EXPECT_EQ(heap.heap_size(), 3);
  EXPECT_EQ(drain(heap), (std::vector<int>{3, 2, 1}));
}

TEST_F(HeapTest, RemoveAllNodesDestroysAndEmpties) {
  MxHeap heap;
  for (int k : {3, 1, 2}) heap.add_node(new KeyNode(k));
  const int before = live_nodes;
  heap.remove_all_nodes();
  EXPECT_EQ(live_nodes, before - 3);
  EXPECT_EQ(heap.heap_size(), 0);
  EXPECT_EQ(heap.node_count(), 0);
  heap.insert_node(new KeyNode(4));
  EXPECT_EQ(key_at(heap, 0), 4);
}

TEST_F(HeapTest, CopyClonesEveryNodeSlotForSlot) {
  const int before = live_nodes;
  MxHeap source(false);
  for (int k : {5, 2, 8, 1}) source.insert_node(new KeyNode(k));
  {
    MxHeap copy(source);
    EXPECT_EQ(live_nodes, before + 8);
    EXPECT_FALSE(copy.is_max_heap());
    EXPECT_EQ(copy.heap_size(), 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_NE(copy.node_at(i), source.node_at(i));
      EXPECT_EQ(key_at(copy, i), key_at(source, i));
    }
    MxHeap assigned(true);
    assigned.insert_node(new KeyNode(99));
    assigned = source;
    EXPECT_EQ(assigned.heap_size(), 4);
    EXPECT_EQ(drain(assigned), (std::vector<int>{1, 2, 5, 8}));
    assigned = assigned; // self-assignment keeps the (now empty) heap
    EXPECT_EQ(assigned.node_count(), 0);
  }
  EXPECT_EQ(live_nodes, before + 4);
  EXPECT_EQ(drain(source), (std::vector<int>{1, 2, 5, 8}));
}

TEST_F(HeapTest, CopyKeepsTheUnorderedState) {
  MxHeap source(true);
  for (int k : {1, 2}) source.add_node(new KeyNode(k));
  MxHeap copy(source);
  EXPECT_EQ(copy.heap_size(), -1);
  EXPECT_EQ(copy.node_count(), 2);
}

TEST_F(HeapTest, HooksSeeEveryPlacement) {
  TracedHeap heap(true);
  heap.insert_node(new KeyNode(1));
  heap.insert_node(new KeyNode(5));
  EXPECT_EQ(heap.hooks, (std::vector<std::string>{"attach 0", "move 1", "attach 0"}));
  heap.hooks.clear();
  delete static_cast<KeyNode*>(heap.extract_first_node());
  EXPECT_EQ(heap.hooks, (std::vector<std::string>{"detach 0", "move 0"}));
  heap.hooks.clear();
  heap.add_node(new KeyNode(9));
  heap.build_heap();
  EXPECT_EQ(heap.hooks, (std::vector<std::string>{"attach 1", "exchange"}));
  heap.hooks.clear();
  heap.remove_all_nodes();
  EXPECT_EQ(heap.hooks, (std::vector<std::string>{"detach 0", "detach 1"}));
}

// --- priority queue --------------------------------------------------------

TEST_F(HeapTest, PriQueueYieldsKeysInAscendingOrDescendingOrder) {
  MxPriQueue<int, int> ascending(false), descending(true);
  const std::vector<std::pair<int, int>> entries{{10, 3}, {20, 1}, {30, 4}, {40, 1}, {50, 5}};
  for (auto [item, key] : entries) {
    ascending.insert(item, key);
    descending.insert(item, key);
  }
  EXPECT_EQ(ascending.size(), 5);
  std::vector<int> up, down;
  while (ascending.size() > 0) up.push_back(ascending.extract_first());
  while (descending.size() > 0) down.push_back(descending.extract_first());
  // 20 and 40 share key 1: their order comes from the heap shape
  EXPECT_EQ(up, (std::vector<int>{20, 40, 10, 30, 50}));
  EXPECT_EQ(down, (std::vector<int>{50, 30, 10, 40, 20}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, PriQueueEqualKeysFollowHeapShapeNotInsertionOrder) {
  MxPriQueue<char, int> queue(false);
  for (char c : std::string("abcde")) queue.insert(c, 0);
  std::string order;
  while (queue.size() > 0) order += queue.extract_first();
  EXPECT_EQ(order, "aedcb");
}

TEST_F(HeapTest, PriQueueAddThenBuild) {
  MxPriQueue<std::string, double> queue(false);
  queue.add("two", 2.0);
  queue.add("half", 0.5);
  queue.add("one", 1.0);
  EXPECT_EQ(queue.heap_size(), -1);
  EXPECT_EQ(queue.size(), 3);
  queue.build_heap();
  EXPECT_EQ(queue.extract_first(), "half");
  EXPECT_EQ(queue.extract_first(), "one");
  EXPECT_EQ(queue.extract_first(), "two");
  EXPECT_EQ(queue.size(), 0);
}

TEST_F(HeapTest, PriQueueExtractFromEmptyReportsAndGivesNullItem) {
  MxPriQueue<const char*, int> queue(false);
  EXPECT_EQ(queue.extract_first(), nullptr);
  EXPECT_EQ(reports, (std::vector<std::string>{"mxheap", "protectedinterfaces/mxpriqueue_t"}));
  EXPECT_EQ(queue.size(), 0);
}

TEST_F(HeapTest, PriQueueSizeFollowsMergeAndRemoveAll) {
  MxPriQueue<int, int> target(false), source(false);
  target.insert(1, 1);
  for (int i = 0; i < 4; ++i) source.insert(i, i);
  target.merge_nodes(source);
  EXPECT_EQ(target.size(), 5);
  EXPECT_EQ(source.size(), 0);
  int drained = 0;
  while (target.size() > 0 && drained < 100) target.extract_first(), ++drained;
  EXPECT_EQ(drained, 5);
  source.insert(7, 7);
  source.remove_all_nodes();
  EXPECT_EQ(source.size(), 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, PriQueueCopyIsIndependent) {
  MxPriQueue<int, int> source(false);
  for (int k : {3, 1, 2}) source.insert(k * 10, k);
  MxPriQueue<int, int> copy(source);
  EXPECT_EQ(copy.size(), 3);
  EXPECT_EQ(copy.extract_first(), 10);
  EXPECT_EQ(copy.size(), 2);
  EXPECT_EQ(source.size(), 3);
  EXPECT_EQ(source.extract_first(), 10);
}

} // namespace
