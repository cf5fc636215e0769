// Binary heap and priority queue: ordering, both states, heap sort, merging,
// copying and the recovery from misuse.
#include "mxheap.h"

#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using HeapTest = ReportingTest;
using Keys = std::vector<int>;

// A node that counts live instances, so leaks and double deletes show.
int live_nodes = 0;

struct KeyNode : MxHeapNode {
  KeyNode(int key, int tag = 0) : key(key), tag(tag) { ++live_nodes; }
  KeyNode(const KeyNode& other) : MxHeapNode(other), key(other.key), tag(other.tag) {
    ++live_nodes;
  }
  ~KeyNode() override { --live_nodes; }
  bool precedes(const MxHeapNode* other, bool max_heap) const override {
    const int k = static_cast<const KeyNode*>(other)->key;
    return max_heap ? key > k : key < k;
  }
  MxHeapNode* clone() const override { return new KeyNode(*this); }
  int key, tag;
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
  return static_cast<KeyNode*>(heap.node_at(i))->key;
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
    keys.push_back(static_cast<KeyNode*>(node)->key);
    delete static_cast<KeyNode*>(node);
  }
  return keys;
}

TEST_F(HeapTest, InsertOrAddThenBuildOrderRandomKeysBothWays) {
  std::mt19937 rng(7);
  for (bool max_heap : {true, false}) {
    SCOPED_TRACE(max_heap ? "max-heap" : "min-heap");
    MxHeap inserted(max_heap), added(max_heap);
    Keys keys;
    for (int i = 0; i < 300; ++i) {
      keys.push_back(static_cast<int>(rng() % 100));
      inserted.insert_node(new KeyNode(keys.back()));
      added.add_node(new KeyNode(keys.back()));
      ASSERT_TRUE(in_heap_order(inserted));
    }
    EXPECT_EQ(added.heap_size(), -1);
    added.build_heap();
    EXPECT_EQ(added.heap_size(), 300);
    EXPECT_TRUE(in_heap_order(added));
    std::sort(keys.begin(), keys.end());
    if (max_heap) std::reverse(keys.begin(), keys.end());
    EXPECT_EQ(drain(inserted), keys);
    EXPECT_EQ(drain(added), keys);
  }
  EXPECT_EQ(live_nodes, 0);
  // each drain ended on the empty heap, which is reported
  EXPECT_EQ(reports.tags(), ReportTags(4, "mxheap"));
}

TEST_F(HeapTest, InsertRisesOnlyPastStrictlyPrecededParents) {
  MxHeap heap(true);
  for (int tag = 1; tag <= 3; ++tag) heap.insert_node(new KeyNode(4, tag));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<KeyNode*>(heap.node_at(i))->tag, i + 1);
}

TEST_F(HeapTest, NullNodesAndEmptyHeapsAreReportedAndAnswerNull) {
  MxHeap heap;
  heap.insert_node(nullptr);
  EXPECT_TRUE(reports.empty());
  heap.add_node(nullptr);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxheap"});
  EXPECT_EQ(heap.node_count(), 0);
  EXPECT_EQ(heap.first_node(), nullptr);
  EXPECT_EQ(heap.extract_first_node(), nullptr);
  EXPECT_EQ(heap.heap_size(), 0);
  EXPECT_EQ(heap.node_at(0), nullptr);
  EXPECT_EQ(reports.tags(), ReportTags(3, "mxheap"));
}

TEST_F(HeapTest, SortNodesOrdersSlotsAndLeavesUnordered) {
  const struct {
    bool max_heap;
    Keys keys, sorted;
  } cases[] = {{true, {6, 1, 9, 4, 4, 2}, {1, 2, 4, 4, 6, 9}},
               {false, {6, 1, 9, 4}, {9, 6, 4, 1}},
               {true, {3}, {3}},
               {true, {}, {}}};
  for (const auto& c : cases) {
    MxHeap heap(c.max_heap);
    for (int k : c.keys) heap.insert_node(new KeyNode(k));
    heap.sort_nodes();
    EXPECT_EQ(heap.heap_size(), -1);
    Keys slots;
    for (int i = 0; i < heap.node_count(); ++i) slots.push_back(key_at(heap, i));
    EXPECT_EQ(slots, c.sorted);
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, UnorderedHeapIsReportedAndBuiltBeforeUse) {
  MxHeap first(true);
  first.add_node(new KeyNode(1));
  first.add_node(new KeyNode(5));
  EXPECT_EQ(static_cast<KeyNode*>(first.first_node())->key, 1); // slot zero
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxheap"});

  MxHeap inserted(false);
  for (int k : {9, 7, 5}) inserted.add_node(new KeyNode(k));
  inserted.insert_node(new KeyNode(6));
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxheap"});
  EXPECT_EQ(inserted.heap_size(), 4);
  EXPECT_EQ(drain(inserted), (Keys{5, 6, 7, 9}));
  reports.clear();

  MxHeap extracted(true);
  for (int k : {1, 3, 2}) extracted.add_node(new KeyNode(k));
  extracted.sort_nodes(); // slots now ascending, the worst order for a max-heap
  MxHeapNode* top = extracted.extract_first_node();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(static_cast<KeyNode*>(top)->key, 3);
  delete static_cast<KeyNode*>(top);
  EXPECT_EQ(reports.take_tags(), ReportTags{"mxheap"});
  EXPECT_EQ(extracted.heap_size(), 2);
  EXPECT_TRUE(in_heap_order(extracted));
}

TEST_F(HeapTest, MergeMovesEveryNodeAndEmptiesTheSource) {
  MxHeap target(false), source(false), empty(false);
  for (int k : {4, 8}) target.insert_node(new KeyNode(k));
  for (int k : {1, 6, 9, 2}) source.insert_node(new KeyNode(k));
  const int before = live_nodes;
  target.merge_nodes(source);
  target.merge_nodes(empty);
  target.merge_nodes(target);    // into itself: nothing
  EXPECT_EQ(live_nodes, before); // moved, not copied
  EXPECT_EQ(source.heap_size() + source.node_count(), 0);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(drain(target), (Keys{1, 2, 4, 6, 8, 9}));
  reports.clear();
  // unordered heaps are reported and built; nothing is lost
  MxHeap unordered_target(true), unordered_source(true);
  for (int k : {3, 1}) unordered_target.add_node(new KeyNode(k));
  for (int k : {7, 2, 5}) unordered_source.add_node(new KeyNode(k));
  unordered_target.merge_nodes(unordered_source);
  EXPECT_EQ(reports.tags(), ReportTags(2, "mxheap"));
  EXPECT_EQ(unordered_source.heap_size() + unordered_source.node_count(), 0);
  EXPECT_TRUE(in_heap_order(unordered_target));
  EXPECT_EQ(drain(unordered_target), (Keys{7, 5, 3, 2, 1}));
}

TEST_F(HeapTest, CopiesCloneEveryNodeSlotForSlotAndRemoveAllDestroys) {
  const int before = live_nodes;
  MxHeap source(false);
  for (int k : {5, 2, 8, 1}) source.insert_node(new KeyNode(k));
  {
    MxHeap copy(source);
    EXPECT_EQ(live_nodes, before + 8);
    EXPECT_FALSE(copy.is_max_heap());
    for (int i = 0; i < 4; ++i) {
      EXPECT_NE(copy.node_at(i), source.node_at(i));
      EXPECT_EQ(key_at(copy, i), key_at(source, i));
    }
    MxHeap assigned(true);
    assigned.insert_node(new KeyNode(99));
    assigned = source;
    EXPECT_EQ(drain(assigned), (Keys{1, 2, 5, 8}));
    assigned = assigned; // self-assignment keeps the (now empty) heap
    EXPECT_EQ(assigned.node_count(), 0);
  }
  EXPECT_EQ(live_nodes, before + 4);
  source.add_node(new KeyNode(0));
  MxHeap unordered(source);
  EXPECT_EQ(unordered.heap_size(), -1); // the copy keeps the unordered state
  EXPECT_EQ(unordered.node_count(), 5);
  unordered.remove_all_nodes();
  source.remove_all_nodes();
  EXPECT_EQ(live_nodes, before);
  EXPECT_EQ(source.heap_size() + source.node_count(), 0);
  source.insert_node(new KeyNode(4));
  EXPECT_EQ(key_at(source, 0), 4);
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

template <class T, class K> std::vector<T> drain(MxPriQueue<T, K>& queue) {
  std::vector<T> items;
  while (queue.size() > 0 && items.size() < 100) items.push_back(queue.extract_first());
  return items;
}

TEST_F(HeapTest, PriQueueOrdersByKeyEqualKeysFollowTheHeapShape) {
  MxPriQueue<int, int> ascending(false), descending(true);
  for (auto [item, key] :
       std::vector<std::pair<int, int>>{{10, 3}, {20, 1}, {30, 4}, {40, 1}, {50, 5}}) {
    ascending.insert(item, key);
    descending.insert(item, key);
  }
  EXPECT_EQ(ascending.size(), 5);
  // 20 and 40 share key 1: their order comes from the heap shape
  EXPECT_EQ(drain(ascending), (Keys{20, 40, 10, 30, 50}));
  EXPECT_EQ(drain(descending), (Keys{50, 30, 10, 40, 20}));
  MxPriQueue<char, int> equal(false);
  for (char c : std::string("abcde")) equal.insert(c, 0);
  EXPECT_EQ(drain(equal), (std::vector<char>{'a', 'e', 'd', 'c', 'b'}));

  MxPriQueue<std::string, double> added(false);
  added.add("two", 2.0);
  added.add("half", 0.5);
  added.add("one", 1.0);
  EXPECT_EQ(added.heap_size(), -1);
  EXPECT_EQ(added.size(), 3);
  added.build_heap();
  EXPECT_EQ(drain(added), (std::vector<std::string>{"half", "one", "two"}));
  EXPECT_TRUE(reports.empty());
}

TEST_F(HeapTest, PriQueueSizeFollowsMergeCopyAndRemoveAll) {
  MxPriQueue<int, int> target(false), source(false);
  target.insert(1, 1);
  for (int i = 0; i < 4; ++i) source.insert(i * 10, i);
  target.merge_nodes(source);
  EXPECT_EQ(target.size(), 5);
  EXPECT_EQ(source.size(), 0);
  MxPriQueue<int, int> copy(target);
  EXPECT_EQ(drain(copy), (Keys{0, 1, 10, 20, 30}));
  EXPECT_EQ(target.size(), 5);
  EXPECT_EQ(drain(target).size(), 5u);
  source.insert(7, 7);
  source.remove_all_nodes();
  EXPECT_EQ(source.size(), 0);
  EXPECT_TRUE(reports.empty());
  MxPriQueue<const char*, int> empty(false); // extracting gives a null item
  EXPECT_EQ(empty.extract_first(), nullptr);
  EXPECT_EQ(reports.tags(), (ReportTags{"mxheap", "protectedinterfaces/mxpriqueue_t"}));
  EXPECT_EQ(empty.size(), 0);
}

} // namespace
