// Separately chained hash table and the standard hash functors.
//
// MxHashTable is the abstract base of hash tables with a fixed number of
// cells, each the head of a doubly linked chain of MxHashTableNode objects.
// The table knows no keys: a derived table supplies the hash of a node
// (`hash_value`), and the nodes supply equality (`matches`) and copying
// (`clone`). Its working operations are protected, for derived tables; only
// construction, copying and destruction are public. The table never resizes
// or rehashes.
//
// The hash functors are ready-made hash functions for derived tables keyed by
// MxString, int, 64-bit integers and double.
/// \file
#ifndef MXFOUNDATION_MXHASH_H
#define MXFOUNDATION_MXHASH_H

#include "mxarray.h"
#include "mxexport.h"
#include "mxheap.h"
#include "mxlinklist.h"
#include "mxlist.h"
#include "mxstring.h"

#include <cstddef>
#include <cstdint>

/// A node of a hash chain. Derive from it to hold a key (and a value); the
/// table owns the nodes in its chains and destroys them through the virtual
/// destructor. Copying a node never copies its place in a chain.
class MX_EXPORT MxHashTableNode : public MxLink {
public:
  MxHashTableNode() = default;
  /// Copy constructor.
  MxHashTableNode(const MxHashTableNode& other) : MxLink(other) {}
  /// Copy assignment.
  MxHashTableNode& operator=(const MxHashTableNode&) { return *this; }
  ~MxHashTableNode() override;

  /// True when this node holds the key that `key` holds.
  virtual bool matches(const MxHashTableNode* key) const = 0;
  /// A new, unlinked node equal to this one.
  virtual MxHashTableNode* clone() const = 0;

  /// The neighbours in the chain, or null at its ends.
  MxHashTableNode* next_node() const { return static_cast<MxHashTableNode*>(next()); }
  /// The previous node in the chain, or null at its start.
  MxHashTableNode* prev_node() const { return static_cast<MxHashTableNode*>(prev()); }
};

/// Abstract separately chained hash table; see the file comment.
///
/// A node with hash h lives in the chain of cell h mod cell_count(). New
/// nodes go in front of their chain, so iteration meets the nodes of one cell
/// in reverse insertion order. A table made with fewer than one cell cannot
/// hash: every operation that would hash reports and does nothing (inserting
/// returns false and leaves the node with the caller, searches find nothing).
class MX_EXPORT MxHashTable {
public:
  /// Cell count of a default-constructed table.
  static constexpr int DEFAULT_SIZE = 100;

  /// A table of `size` empty cells.
  explicit MxHashTable(int size);
  MxHashTable() : MxHashTable(DEFAULT_SIZE) {}
  /// A table with the source's cell count and a clone of each of its nodes,
  /// every chain in the same order.
  MxHashTable(const MxHashTable& other);
  /// Destroys every node.
  virtual ~MxHashTable();

  /// The number of cells, fixed from construction or assignment on.
  int cell_count() const { return static_cast<int>(cells_.size()); }

protected:
  /// Destroys the own nodes, takes the source's cell count and copies every
  /// source chain by `clone`, keeping the order. Self-assignment does nothing.
  MxHashTable& operator=(const MxHashTable& other);

  /// The hash of `node`'s key, supplied by the derived table.
  virtual std::uint32_t hash_value(const MxHashTableNode* node) const = 0;

  /// The cell of `node`: `hash_value` mod the cell count; -1 (reported) for a
  /// table without cells.
  int find_index(const MxHashTableNode* node) const;
  /// Puts `node` in front of its chain; the table owns it from then on.
  /// Returns true when the cell was empty. Duplicates are not checked.
  bool insert_node(MxHashTableNode* node);
  /// Takes `node` out of its chain without destroying it; the caller owns it
  /// again and its links are cleared. A null node is ignored.
  void splice_node(MxHashTableNode* node);
  /// The first node of `key`'s chain that matches `key`, or null.
  MxHashTableNode* find_node(const MxHashTableNode* key) const;
  /// Counts the nodes of `key`'s chain that match `key`, appending each to
  /// `found` (when given) in chain order.
  int find_node(const MxHashTableNode* key, MxList<MxHashTableNode*>* found) const;
  /// Iteration: `first_node` sets `cell` to the first non-empty cell and
  /// returns its first node (null when the table is empty); `next_node`
  /// follows the chain, then the next non-empty cell, updating `cell`, and
  /// returns null at the end. A null `node` is reported and gives null.
  MxHashTableNode* first_node(int& cell) const;
  /// The node after `node` in the walk started by `first_node`, updating `cell`; null at the end.
  MxHashTableNode* next_node(MxHashTableNode* node, int& cell) const;
  /// Destroys the whole chain `node` belongs to, in both directions from it;
  /// the cell that held the chain becomes empty. A null node is reported.
  void remove_chain(MxHashTableNode* node);
  /// Destroys every node and empties every cell; the cell count stays.
  void remove_all_elements();
  /// Length of the shortest chain (0 when a cell is empty or there is none).
  int best_case() const;
  /// Length of the longest chain (0 for a table without cells).
  int worst_cast() const;
  /// Adds (cell index, chain length) for every cell to `queue` with `add`,
  /// then builds the queue's heap.
  void get_cell_distribution(MxPriQueue<int, int>& queue) const;

  /// The first node of cell `index` (null when empty).
  MxHashTableNode* cell_head(int index) const { return cells_[static_cast<size_t>(index)]; }

private:
  /// Finds the cell whose chain starts at `head`, or -1.
  int cell_of_head(MxHashTableNode* head) const;
  static int chain_length(const MxHashTableNode* head);

  MxArray<MxHashTableNode*> cells_;
};

/// Hash function object for keys of type `T`, for derived hash tables.
template <class T> class MxHashMapFunctor {
public:
  MxHashMapFunctor() = default;
  /// Copy constructor.
  MxHashMapFunctor(const MxHashMapFunctor&) {}
  /// Copy assignment.
  MxHashMapFunctor& operator=(const MxHashMapFunctor&) { return *this; }
  virtual ~MxHashMapFunctor() = default;

  /// The unsigned 32-bit hash of `key`.
  virtual std::uint32_t hash_function(const T& key) const = 0;
  /// A heap copy, owned by the caller.
  virtual MxHashMapFunctor* clone() const = 0;
};

/// Hashes a string by the sum of its first `n_chars` characters, each taken
/// as a signed 8-bit value, in 32-bit wrap-around arithmetic. Strings shorter
/// than `n_chars` hash all their characters; a negative count hashes none.
class MX_EXPORT MxStdStringHashFunctor : public MxHashMapFunctor<MxString> {
public:
  /// A functor hashing up to `n_chars` characters (see the class notes).
  explicit MxStdStringHashFunctor(int n_chars = 3) : n_chars_(n_chars) {}
  /// Copy constructor.
  MxStdStringHashFunctor(const MxStdStringHashFunctor& other)
      : MxHashMapFunctor(other), n_chars_(other.n_chars_) {}
  /// Copy assignment.
  MxStdStringHashFunctor& operator=(const MxStdStringHashFunctor& other);
  ~MxStdStringHashFunctor() override;

  std::uint32_t hash_function(const MxString& key) const override;
  MxHashMapFunctor<MxString>* clone() const override;
  /// The number of characters hashed.
  int n_chars() const { return n_chars_; }

private:
  int n_chars_;
};

/// Hashes an int as the low 32 bits of (key times `multiplier`) truncated
/// toward zero to a 64-bit integer.
class MX_EXPORT MxStdIntHashFunctor : public MxHashMapFunctor<int> {
public:
  /// A functor with the given `multiplier`.
  explicit MxStdIntHashFunctor(double multiplier = 1.0) : multiplier_(multiplier) {}
  /// Copy constructor.
  MxStdIntHashFunctor(const MxStdIntHashFunctor& other)
      : MxHashMapFunctor(other), multiplier_(other.multiplier_) {}
  /// Copy assignment.
  MxStdIntHashFunctor& operator=(const MxStdIntHashFunctor& other);
  ~MxStdIntHashFunctor() override;

  std::uint32_t hash_function(const int& key) const override;
  MxHashMapFunctor<int>* clone() const override;
  /// The multiplier applied to keys.
  double multiplier() const { return multiplier_; }

private:
  double multiplier_;
};

/// The same as MxStdIntHashFunctor for 64-bit integer keys.
class MX_EXPORT MxStdPtrdiffHashFunctor : public MxHashMapFunctor<ptrdiff_t> {
public:
  /// A functor with the given `multiplier`.
  explicit MxStdPtrdiffHashFunctor(double multiplier = 1.0) : multiplier_(multiplier) {}
  /// Copy constructor.
  MxStdPtrdiffHashFunctor(const MxStdPtrdiffHashFunctor& other)
      : MxHashMapFunctor(other), multiplier_(other.multiplier_) {}
  /// Copy assignment.
  MxStdPtrdiffHashFunctor& operator=(const MxStdPtrdiffHashFunctor& other);
  ~MxStdPtrdiffHashFunctor() override;

  std::uint32_t hash_function(const ptrdiff_t& key) const override;
  MxHashMapFunctor<ptrdiff_t>* clone() const override;
  /// The multiplier applied to keys.
  double multiplier() const { return multiplier_; }

private:
  double multiplier_;
};

/// Hashes a double: the key truncated toward zero to a 64-bit integer, whose
/// low 32 bits (as an unsigned number) are multiplied by `multiplier`; the
/// product is truncated again and its low 32 bits are the hash.
class MX_EXPORT MxStdDoubleHashFunctor : public MxHashMapFunctor<double> {
public:
  /// A functor with the given `multiplier`.
  explicit MxStdDoubleHashFunctor(double multiplier = 1.0) : multiplier_(multiplier) {}
  /// Copy constructor.
  MxStdDoubleHashFunctor(const MxStdDoubleHashFunctor& other)
      : MxHashMapFunctor(other), multiplier_(other.multiplier_) {}
  /// Copy assignment.
  MxStdDoubleHashFunctor& operator=(const MxStdDoubleHashFunctor& other);
  ~MxStdDoubleHashFunctor() override;

  std::uint32_t hash_function(const double& key) const override;
  MxHashMapFunctor<double>* clone() const override;
  /// The multiplier applied to keys.
  double multiplier() const { return multiplier_; }

private:
  double multiplier_;
};

#endif
