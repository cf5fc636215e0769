// MxHeap: binary heap of polymorphic nodes.
#include "mxheap.h"

namespace {
const char* const kTag = "mxheap";
} // namespace

MxHeapNode::~MxHeapNode() = default;

MxHeap::MxHeap(bool max_heap) : max_heap_(max_heap) {}

MxHeap::MxHeap(const MxHeap& other) : max_heap_(true) {
  *this = other;
}

MxHeap& MxHeap::operator=(const MxHeap& other) {
  if (this == &other) return *this;
  max_heap_ = other.max_heap_;
  heap_size_ = other.heap_size_;
  destroy_nodes();
  const int count = other.node_count();
  nodes_.resize(static_cast<size_t>(count), false);
  for (int i = 0; i < count; ++i) {
    MxHeapNode* source = other.slot_node(i);
    attach(i, source ? source->clone() : nullptr);
  }
  return *this;
}

MxHeap::~MxHeap() {
  heap_size_ = 0;
  destroy_nodes();
}

void MxHeap::destroy_nodes() {
  const int count = node_count();
  for (int i = 0; i < count; ++i) {
    MxHeapNode* node = slot_node(i);
    detach(i, node);
    delete_heap_node(node);
  }
}

void MxHeap::delete_heap_node(MxHeapNode* node) {
  delete node;
}

MxHeapNode* MxHeap::node_at(int index) const {
  if (index < 0 || index >= node_count()) {
    MX_REPORT(kTag);
    return nullptr;
  }
  return slot_node(index);
}

// --- hooks -----------------------------------------------------------------

void MxHeap::move(int index, void* node) {
  nodes_[static_cast<size_t>(index)] = node;
}

void MxHeap::attach(int index, void* node) {
  if (index == node_count()) nodes_.resize(nodes_.size() + 1, true);
  nodes_[static_cast<size_t>(index)] = node;
}

void MxHeap::detach(int index, void*) {
  nodes_[static_cast<size_t>(index)] = nullptr;
}

void MxHeap::exchange(void*& a, void*& b) {
  void* held = a;
  a = b;
  b = held;
}

// --- ordering --------------------------------------------------------------

void MxHeap::heapify(int index) {
  int i = index;
  while (i >= 0 && i < heap_size_) {
    int best = i;
    const int left = left_child(i);
    const int right = right_child(i);
    if (left < heap_size_ && slot_node(left) && slot_node(left)->precedes(slot_node(i), max_heap_))
      best = left;
    if (right < heap_size_ && slot_node(right) &&
        slot_node(right)->precedes(slot_node(best), max_heap_))
      best = right;
    if (best == i) return;
    exchange(nodes_[static_cast<size_t>(i)], nodes_[static_cast<size_t>(best)]);
    i = best;
  }
}

void MxHeap::build_heap() {
  heap_size_ = node_count();
  for (int i = heap_size_ / 2 - 1; i >= 0; --i) heapify(i);
}

void MxHeap::sort_nodes() {
  build_heap();
  for (int j = heap_size_ - 1; j >= 1; --j) {
    exchange(nodes_[0], nodes_[static_cast<size_t>(j)]);
    --heap_size_;
    heapify(0);
  }
  heap_size_ = -1;
}

void MxHeap::ensure_heap_order() {
  if (heap_size_ != -1) return;
  MX_REPORT(kTag);
  build_heap();
}

// --- single nodes ----------------------------------------------------------

MxHeapNode* MxHeap::first_node() const {
  if (heap_size_ == -1) MX_REPORT(kTag);
  if (nodes_.empty()) {
    MX_REPORT(kTag);
    return nullptr;
  }
  return slot_node(0);
}

void MxHeap::add_node(MxHeapNode* node) {
  if (!node) {
    // A null slot would be handed to `precedes` once the heap is built.
    MX_REPORT(kTag);
    return;
  }
  heap_size_ = -1;
  attach(node_count(), node);
}

void MxHeap::place_in_order(MxHeapNode* node) {
  ++heap_size_;
  nodes_.resize(static_cast<size_t>(heap_size_), true);
  int i = heap_size_ - 1;
  while (i > 0) {
    const int p = parent(i);
    if (!node->precedes(slot_node(p), max_heap_)) break;
    move(i, nodes_[static_cast<size_t>(p)]);
    i = p;
  }
  attach(i, node);
}

void MxHeap::insert_node(MxHeapNode* node) {
  if (!node) return;
  ensure_heap_order();
  place_in_order(node);
}

MxHeapNode* MxHeap::take_first() {
  MxHeapNode* first = slot_node(0);
  detach(0, first);
  const size_t last = nodes_.size() - 1;
  if (heap_size_ > 1) move(0, nodes_[last]);
  nodes_.remove_last();
  --heap_size_;
  heapify(0);
  return first;
}

MxHeapNode* MxHeap::extract_first_node() {
  ensure_heap_order();
  if (heap_size_ < 1) {
    MX_REPORT(kTag);
    return nullptr;
  }
  return take_first();
}

// --- whole heaps -----------------------------------------------------------

void MxHeap::merge_nodes(MxHeap& other) {
  if (&other == this) return;
  ensure_heap_order();
  other.ensure_heap_order();
  while (other.heap_size_ > 0) {
    MxHeapNode* node = other.take_first();
    if (node) place_in_order(node);
  }
}

void MxHeap::remove_all_nodes() {
  heap_size_ = 0;
  destroy_nodes();
  nodes_.resize(0, false);
}
