// Binary heap and priority queue: a model check against the reference heap,
// slot for slot, and the placement hooks.
#include "mxheap.h"

#include "support/container_models.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Heap, MatchesReferenceHeapUnderRandomOperations) {
  EXPECT_EQ(models::run_random<models::HeapModel>(60, 600), "");
}

using Hooks = std::vector<std::string>;

// A max-heap that records every hook call.
class TracedHeap : public MxPriQueue<int, int> {
public:
  Hooks hooks;

protected:
  void move(int i, void* n) override { seen("move ", i), MxHeap::move(i, n); }
  void attach(int i, void* n) override { seen("attach ", i), MxHeap::attach(i, n); }
  void detach(int i, void* n) override { seen("detach ", i), MxHeap::detach(i, n); }
  void exchange(void*& a, void*& b) override {
    hooks.push_back("exchange"), MxHeap::exchange(a, b);
  }

private:
  void seen(const char* hook, int i) { hooks.push_back(hook + std::to_string(i)); }
};

TEST(Heap, HooksSeeEveryPlacement) {
  TracedHeap heap;
  heap.insert(1, 1);
  heap.insert(5, 5);
  EXPECT_EQ(heap.hooks, (Hooks{"attach 0", "move 1", "attach 0"}));
  heap.hooks.clear();
  EXPECT_EQ(heap.extract_first(), 5);
  EXPECT_EQ(heap.hooks, (Hooks{"detach 0", "move 0"}));
  heap.hooks.clear();
  heap.add(9, 9);
  heap.build_heap();
  EXPECT_EQ(heap.hooks, (Hooks{"attach 1", "exchange"}));
  heap.hooks.clear();
  heap.remove_all_nodes();
  EXPECT_EQ(heap.hooks, (Hooks{"detach 0", "detach 1"}));
}

} // namespace
