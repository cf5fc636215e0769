// MxHeap and MxPriQueue: a binary heap of polymorphic nodes and the priority
// queue of (item, key) pairs built on it (interface).
//
// The heap keeps pointers to MxHeapNode objects in a zero-based slot array and
// knows nothing of what a node holds: every ordering question is asked of the
// nodes (`precedes`), and every change of a slot goes through four protected
// virtual hooks (`move`, `attach`, `detach`, `exchange`) so that a derived heap
// can follow where its nodes are.
//
// A heap is in one of two states. In heap order (`heap_size() >= 0`) the
// first `heap_size()` slots hold the nodes and no node precedes its parent.
// After `add_node` or `sort_nodes` it is unordered (`heap_size() == -1`) until
// `build_heap` runs. Operations that need heap order and meet an unordered
// heap report the misuse, put the heap in order themselves and carry on, so
// no node is ever lost.
//
// Ownership: the heap owns every node that sits in one of its slots and
// destroys it when the heap is emptied, assigned over or destroyed. A node
// taken out by `extract_first_node` passes to the caller.
/// \file
#ifndef MXFOUNDATION_MXHEAP_I_H
#define MXFOUNDATION_MXHEAP_I_H

#include "mxarray.h"
#include "mxexport.h"

class MxHeap;

/// Base of the nodes an MxHeap orders. Derived nodes hold the data and decide
/// the order; the heap destroys them through the protected virtual destructor.
class MX_EXPORT MxHeapNode {
public:
  MxHeapNode() = default;
  /// Copy constructor.
  MxHeapNode(const MxHeapNode&) {}

  /// True when this node must stand above `other`. `max_heap` is the flag the
  /// heap was built with, handed on unchanged. Must be a strict order: equal
  /// nodes never precede each other.
  virtual bool precedes(const MxHeapNode* other, bool max_heap) const = 0;
  /// A new node equal to this one; used when a heap is copied.
  virtual MxHeapNode* clone() const = 0;

protected:
  friend class MxHeap;
  virtual ~MxHeapNode();
  /// Copy assignment.
  MxHeapNode& operator=(const MxHeapNode&) { return *this; }
};

/// Binary heap of MxHeapNode pointers; see the file comment.
class MX_EXPORT MxHeap {
public:
  /// An empty heap in heap order. With `max_heap` true the heap is meant to
  /// yield the greatest node first; the flag only reaches `precedes`.
  explicit MxHeap(bool max_heap = true);
  /// A heap holding clones of the source's nodes, slot for slot.
  MxHeap(const MxHeap& other);
  /// Destroys the own nodes, then clones the source's nodes slot for slot and
  /// takes its state. Self-assignment does nothing.
  MxHeap& operator=(const MxHeap& other);
  /// Destroys every node still in a slot.
  virtual ~MxHeap();

  /// The node in slot 0, left in place; null when the heap is empty. An
  /// unordered or empty heap is reported.
  MxHeapNode* first_node() const;
  /// Appends `node` without ordering and leaves the heap unordered; call
  /// `build_heap` after the last one. A null node is reported and ignored.
  void add_node(MxHeapNode* node);
  /// Inserts `node` in heap order; a null node is ignored. An unordered heap
  /// is reported and put in order first.
  void insert_node(MxHeapNode* node);
  /// Removes the first node and hands it to the caller; null when the heap is
  /// empty (reported). An unordered heap is reported and put in order first.
  MxHeapNode* extract_first_node();
  /// Puts every slot in heap order.
  void build_heap();
  /// Heap sort of the slots in place: ascending order when the heap was built
  /// with `max_heap` true, descending otherwise. Leaves the heap unordered.
  void sort_nodes();
  /// Moves every node of `other` into this heap, leaving `other` empty. The
  /// nodes are moved, not copied. Unordered heaps are reported and put in
  /// order first; merging a heap into itself does nothing.
  void merge_nodes(MxHeap& other);
  /// Destroys every node and empties the slot array; the heap is then in
  /// heap order with no node.
  void remove_all_nodes();

  /// Number of nodes in heap order, or -1 for an unordered heap.
  int heap_size() const { return heap_size_; }
  /// Number of occupied slots: the nodes the heap holds, in either state.
  int node_count() const { return static_cast<int>(nodes_.size()); }
  /// The node in slot `index`; an index outside the slots is reported and
  /// gives null.
  MxHeapNode* node_at(int index) const;
  /// The flag the heap was built with.
  bool is_max_heap() const { return max_heap_; }

protected:
  /// Slot `index` := `node`; the node moves there from another slot.
  virtual void move(int index, void* node);
  /// The node enters the heap at slot `index`; an index equal to the slot
  /// count first adds a slot.
  virtual void attach(int index, void* node);
  /// Slot `index` := null; the node leaves the heap.
  virtual void detach(int index, void* node);
  /// Swaps the two slot contents.
  virtual void exchange(void*& a, void*& b);

  /// Lets the node in slot `index` sink until neither child precedes it.
  void heapify(int index);
  ///@{
  /// Slot arithmetic: the parent and the two children of slot `index`.
  static int parent(int index) { return (index + 1) / 2 - 1; }
  static int left_child(int index) { return 2 * index + 1; }
  static int right_child(int index) { return 2 * index + 2; }
  ///@}
  /// Destroys `node` when it is not null.
  static void delete_heap_node(MxHeapNode* node);

  /// The slot array, for derived heaps that follow their nodes.
  MxArray<void*>& slots() { return nodes_; }
  /// The slot array, read only.
  const MxArray<void*>& slots() const { return nodes_; }

private:
  MxHeapNode* slot_node(int index) const { return static_cast<MxHeapNode*>(nodes_[index]); }
  /// Reports an unordered heap and puts it in order.
  void ensure_heap_order();
  /// Detaches and destroys every node, keeping the slot array's length.
  void destroy_nodes();
  MxHeapNode* take_first();
  void place_in_order(MxHeapNode* node);

  int heap_size_ = 0;
  bool max_heap_ = true;
  MxArray<void*> nodes_;
};

/// Node of MxPriQueue: one item under one key. Keys are compared with `<`.
template <class T, class K> class MxPriQueueNode : public MxHeapNode {
public:
  /// A node holding `item` under `key`.
  MxPriQueueNode(const T& item, const K& key) : item_(item), key_(key) {}

  /// Strictly greater key for a max-heap, strictly smaller key otherwise.
  bool precedes(const MxHeapNode* other, bool max_heap) const override;
  MxHeapNode* clone() const override;

  ///@{
  /// The item and its key.
  const T& item() const { return item_; }
  const K& key() const { return key_; }
  ///@}

private:
  T item_;
  K key_;
};

/// Priority queue of (item, key) pairs: built with `max_heap` false it yields
/// the smallest key first, with true the greatest. Items with equal keys come
/// out in an order set by the heap's shape, not by insertion order. The queue
/// owns its nodes; items are copied in and out by value.
template <class T, class K> class MxPriQueue : public MxHeap {
public:
  /// An empty queue that yields the greatest key first (`max_heap`) or the smallest.
  explicit MxPriQueue(bool max_heap = true) : MxHeap(max_heap) {}

  /// Inserts `item` under `key` in heap order.
  void insert(T item, K key);
  /// Appends `item` under `key` without ordering; call `build_heap` when
  /// every item has been added.
  void add(T item, K key);
  /// Removes the first item and returns it; an empty queue is reported and
  /// yields `T()`.
  T extract_first();
  /// Number of items the queue holds, also after `merge_nodes` and
  /// `remove_all_nodes`: a loop taking items until it is 0 ends.
  int size() { return node_count(); }
};

#endif
