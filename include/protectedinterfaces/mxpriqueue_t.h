// MxPriQueue: template bodies of the priority queue and its node.
/// \file
#ifndef MXFOUNDATION_MXPRIQUEUE_T_H
#define MXFOUNDATION_MXPRIQUEUE_T_H

#include "protectedinterfaces/mxheap_i.h"

template <class T, class K>
bool MxPriQueueNode<T, K>::precedes(const MxHeapNode* other, bool max_heap) const {
  const K& other_key = static_cast<const MxPriQueueNode*>(other)->key_;
  return max_heap ? other_key < key_ : key_ < other_key;
}

template <class T, class K> MxHeapNode* MxPriQueueNode<T, K>::clone() const {
  return new MxPriQueueNode(item_, key_);
}

template <class T, class K> void MxPriQueue<T, K>::insert(T item, K key) {
  insert_node(new MxPriQueueNode<T, K>(item, key));
}

template <class T, class K> void MxPriQueue<T, K>::add(T item, K key) {
  add_node(new MxPriQueueNode<T, K>(item, key));
}

template <class T, class K> T MxPriQueue<T, K>::extract_first() {
  auto* node = static_cast<MxPriQueueNode<T, K>*>(extract_first_node());
  if (!node) {
    MX_REPORT("protectedinterfaces/mxpriqueue_t");
    return T();
  }
  T item = node->item();
  delete node;
  return item;
}

#endif
