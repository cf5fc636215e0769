// MxHashTable, its node and the standard hash functors.
#include "mxhash.h"

#include <cstdint>

namespace {

const char* const kTag = "mxhash";

// Truncates toward zero to a 64-bit integer the way the processor's
// truncating conversion does: a value outside the 64-bit range, or a NaN,
// gives the integer indefinite value (the most negative 64-bit integer).
std::int64_t truncate_to_int64(double value) {
  constexpr double two_to_63 = 9223372036854775808.0;
  if (value >= -two_to_63 && value < two_to_63) return static_cast<std::int64_t>(value);
  return INT64_MIN;
}

std::uint32_t low_32_bits(std::int64_t value) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

} // namespace

MxHashTableNode::~MxHashTableNode() = default;

// --- construction and copying ----------------------------------------------

MxHashTable::MxHashTable(int size) {
  if (size > 0) cells_.resize(static_cast<size_t>(size), false);
}

MxHashTable::MxHashTable(const MxHashTable& other) {
  *this = other;
}

MxHashTable::~MxHashTable() {
  remove_all_elements();
}

MxHashTable& MxHashTable::operator=(const MxHashTable& other) {
  if (this == &other) return *this;
  remove_all_elements();
  cells_.resize(other.cells_.size(), false);
  for (int i = 0; i < other.cell_count(); ++i) {
    MxHashTableNode* last = nullptr;
    for (const MxHashTableNode* n = other.cell_head(i); n; n = n->next_node()) {
      MxHashTableNode* copy = n->clone();
      copy->set_next(nullptr);
      copy->set_prev(last);
      if (last)
        last->set_next(copy);
      else
        cells_[static_cast<size_t>(i)] = copy;
      last = copy;
    }
  }
  return *this;
}

// --- placing nodes ---------------------------------------------------------

int MxHashTable::find_index(const MxHashTableNode* node) const {
  if (cells_.size() == 0) {
    MX_REPORT(kTag);
    return -1;
  }
  return static_cast<int>(hash_value(node) % static_cast<std::uint32_t>(cells_.size()));
}

bool MxHashTable::insert_node(MxHashTableNode* node) {
  if (!node) {
    MX_REPORT(kTag);
    return false;
  }
  const int cell = find_index(node);
  if (cell < 0) return false;
  MxHashTableNode*& first = cells_[static_cast<size_t>(cell)];
  if (!first) {
    first = node;
    return true;
  }
  node->set_next(first);
  node->set_prev(first->prev());
  first->set_prev(node);
  first = node;
  return false;
}

int MxHashTable::cell_of_head(MxHashTableNode* head) const {
  const int hashed = find_index(head);
  if (hashed < 0) return -1;
  if (cell_head(hashed) == head) return hashed;
  // The node's hash no longer leads to its cell (its key changed while it
  // was in the table): look for the chain in every cell.
  MX_REPORT(kTag);
  for (int i = 0; i < cell_count(); ++i)
    if (cell_head(i) == head) return i;
  return -1;
}

void MxHashTable::splice_node(MxHashTableNode* node) {
  if (!node) return;
  MxHashTableNode* next = node->next_node();
  MxHashTableNode* prev = node->prev_node();
  if (!prev) {
    const int cell = cell_of_head(node);
    if (cell >= 0) cells_[static_cast<size_t>(cell)] = next;
    if (next) next->set_prev(nullptr);
  } else {
    prev->set_next(next);
    if (next) next->set_prev(prev);
  }
  node->set_next(nullptr);
  node->set_prev(nullptr);
}

// --- searching -------------------------------------------------------------

MxHashTableNode* MxHashTable::find_node(const MxHashTableNode* key) const {
  const int cell = find_index(key);
  if (cell < 0) return nullptr;
  for (MxHashTableNode* n = cell_head(cell); n; n = n->next_node())
    if (n->matches(key)) return n;
  return nullptr;
}

int MxHashTable::find_node(const MxHashTableNode* key, MxList<MxHashTableNode*>* found) const {
  const int cell = find_index(key);
  if (cell < 0) return 0;
  int count = 0;
  for (MxHashTableNode* n = cell_head(cell); n; n = n->next_node()) {
    if (!n->matches(key)) continue;
    ++count;
    if (found) found->insert_tail(n);
  }
  return count;
}

MxHashTableNode* MxHashTable::first_node(int& cell) const {
  for (cell = 0; cell < cell_count(); ++cell)
    if (MxHashTableNode* head = cell_head(cell)) return head;
  return nullptr;
}

MxHashTableNode* MxHashTable::next_node(MxHashTableNode* node, int& cell) const {
  if (!node) {
    MX_REPORT(kTag);
    return nullptr;
  }
  if (MxHashTableNode* next = node->next_node()) return next;
  for (cell = cell < 0 ? 0 : cell + 1; cell < cell_count(); ++cell)
    if (MxHashTableNode* head = cell_head(cell)) return head;
  return nullptr;
}

// --- removing --------------------------------------------------------------

void MxHashTable::remove_chain(MxHashTableNode* node) {
  if (!node) {
    MX_REPORT(kTag);
    return;
  }
  MxHashTableNode* head = node;
  while (head->prev_node()) head = head->prev_node();
  // Empty the cell first, so that it never points at destroyed nodes. A
  // chain that is in no cell of a table without cells is destroyed alone.
  if (cell_count() > 0) {
    const int cell = cell_of_head(head);
    if (cell >= 0) cells_[static_cast<size_t>(cell)] = nullptr;
  }
  while (head) {
    MxHashTableNode* next = head->next_node();
    delete head;
    head = next;
  }
}

void MxHashTable::remove_all_elements() {
  for (size_t i = 0; i < cells_.size(); ++i) {
    MxHashTableNode* n = cells_[i];
    cells_[i] = nullptr;
    while (n) {
      MxHashTableNode* next = n->next_node();
      delete n;
      n = next;
    }
  }
}

// --- statistics ------------------------------------------------------------

int MxHashTable::chain_length(const MxHashTableNode* head) {
  int length = 0;
  for (; head; head = head->next_node()) ++length;
  return length;
}

int MxHashTable::best_case() const {
  if (cell_count() == 0) return 0;
  int best = chain_length(cell_head(0));
  for (int i = 1; i < cell_count() && best > 0; ++i) {
    const int length = chain_length(cell_head(i));
    if (length < best) best = length;
  }
  return best;
}

int MxHashTable::worst_cast() const {
  int worst = 0;
  for (int i = 0; i < cell_count(); ++i) {
    const int length = chain_length(cell_head(i));
    if (length > worst) worst = length;
  }
  return worst;
}

void MxHashTable::get_cell_distribution(MxPriQueue<int, int>& queue) const {
  for (int i = 0; i < cell_count(); ++i) queue.add(i, chain_length(cell_head(i)));
  queue.build_heap();
}

// --- hash functors ---------------------------------------------------------

MxStdStringHashFunctor& MxStdStringHashFunctor::operator=(const MxStdStringHashFunctor& other) {
  n_chars_ = other.n_chars_;
  return *this;
}

MxStdStringHashFunctor::~MxStdStringHashFunctor() = default;

std::uint32_t MxStdStringHashFunctor::hash_function(const MxString& key) const {
  int n = n_chars_ < 0 ? 0 : n_chars_;
  if (static_cast<size_t>(n) > key.length()) n = static_cast<int>(key.length());
  std::uint32_t sum = 0;
  for (int i = 0; i < n; ++i)
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(key[i])));
  return sum;
}

MxHashMapFunctor<MxString>* MxStdStringHashFunctor::clone() const {
  return new MxStdStringHashFunctor(*this);
}

MxStdIntHashFunctor& MxStdIntHashFunctor::operator=(const MxStdIntHashFunctor& other) {
  multiplier_ = other.multiplier_;
  return *this;
}

MxStdIntHashFunctor::~MxStdIntHashFunctor() = default;

std::uint32_t MxStdIntHashFunctor::hash_function(const int& key) const {
  return low_32_bits(truncate_to_int64(static_cast<double>(key) * multiplier_));
}

MxHashMapFunctor<int>* MxStdIntHashFunctor::clone() const {
  return new MxStdIntHashFunctor(*this);
}

MxStdPtrdiffHashFunctor& MxStdPtrdiffHashFunctor::operator=(const MxStdPtrdiffHashFunctor& other) {
  multiplier_ = other.multiplier_;
  return *this;
}

MxStdPtrdiffHashFunctor::~MxStdPtrdiffHashFunctor() = default;

std::uint32_t MxStdPtrdiffHashFunctor::hash_function(const ptrdiff_t& key) const {
  return low_32_bits(truncate_to_int64(static_cast<double>(key) * multiplier_));
}

MxHashMapFunctor<ptrdiff_t>* MxStdPtrdiffHashFunctor::clone() const {
  return new MxStdPtrdiffHashFunctor(*this);
}

MxStdDoubleHashFunctor& MxStdDoubleHashFunctor::operator=(const MxStdDoubleHashFunctor& other) {
  multiplier_ = other.multiplier_;
  return *this;
}

MxStdDoubleHashFunctor::~MxStdDoubleHashFunctor() = default;

std::uint32_t MxStdDoubleHashFunctor::hash_function(const double& key) const {
  const std::uint32_t low = low_32_bits(truncate_to_int64(key));
  return low_32_bits(truncate_to_int64(static_cast<double>(low) * multiplier_));
}

MxHashMapFunctor<double>* MxStdDoubleHashFunctor::clone() const {
  return new MxStdDoubleHashFunctor(*this);
}
