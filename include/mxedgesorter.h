// MxEdgeSorter: joins loose, unoriented edges end to end into oriented chains.
/// \file
#ifndef MXFOUNDATION_MXEDGESORTER_H
#define MXFOUNDATION_MXEDGESORTER_H

#include "mxarray.h"
#include "mxexport.h"
#include "mxjournal.h"
#include "mxmatrix.h"

#include <cstddef>

/// An ordered run of edges built by `MxEdgeSorter`.
///
/// Each edge is stored by its index together with an orientation: +1 when
/// the chain walks the edge from its start to its end, -1 when backwards.
/// `start()` and `end()` are the end-point ids of the chain's two ends (edge
/// k has the end points 2k, its start, and 2k + 1, its end). An end is open
/// while its id is non-negative; closing it stores the bitwise complement
/// (-1 - id), after which the id is of no further interest. The chain keeps a
/// pointer to the sorter's distance matrix, which it does not own.
class MX_EXPORT MxEdgeChain {
public:
  /// An empty chain: no edges, both ends closed, no matrix.
  MxEdgeChain() = default;
  /// The chain of the single edge `edge`, walked forwards: start 2 * edge,
  /// end 2 * edge + 1.
  MxEdgeChain(int edge, const MxMatrix<double>* matrix);
  virtual ~MxEdgeChain();

  /// The number of edges in the chain.
  size_t size() const { return edges_.size(); }
  /// Edge index of link `k` (checked by the array).
  int edge(size_t k) const { return edges_[k]; }
  /// Orientation (+1 or -1) of link `k` (checked by the array).
  int orientation(size_t k) const { return orientations_[k]; }
  ///@{
  /// The end-point ids of the chain's start and end, whether each end is still open, and the
  /// sorter's distance matrix (see the class notes).
  int start() const { return start_; }
  int end() const { return end_; }
  bool start_open() const { return start_ >= 0; }
  bool end_open() const { return end_ >= 0; }
  const MxMatrix<double>* matrix() const { return matrix_; }
  ///@}

  /// Closes the start (an already closed start is left as it is).
  void close_start() {
    if (start_ >= 0) start_ = -1 - start_;
  }
  /// Closes the end (an already closed end is left as it is).
  void close_end() {
    if (end_ >= 0) end_ = -1 - end_;
  }
  /// Walks the chain the other way: reverses the edge order, negates and
  /// reverses the orientations and swaps start and end.
  void reverse();
  /// Appends the edges and orientations of `other` (which must not be this
  /// chain) after this chain's; this chain's end becomes `other`'s end.
  void append(const MxEdgeChain& other);
  /// Number of links walked backwards.
  size_t n_reversed() const;

  /// Writes the chain's table of edges and orientations at indentation
  /// `indent`; the level has no effect.
  void debug(MxJournal& journal, MxDebug level, int indent) const;

private:
  MxArray<int> edges_;
  MxArray<int> orientations_;
  int start_ = -1;
  int end_ = -1;
  const MxMatrix<double>* matrix_ = nullptr;
};

/// Joins a fixed number of edges, known only by their indices 0 to n - 1,
/// into oriented chains.
///
/// The sorter knows nothing about geometry: a client derives from it and
/// implements `endpoint_distance`. A negative distance forbids joining two
/// end points; any non-negative distance allows it, however large, so a
/// client with a gap tolerance returns a negative value beyond it. An edge
/// whose own start and end are at most 0.001 apart is taken as closed and is
/// never joined to anything.
///
/// `sort` rebuilds the chains from scratch with one of four strategies; the
/// sorter owns the chains and hands out their content through the index
/// accessors. Chains are oriented so that at most half of their edges are
/// walked backwards. Out-of-range chain or link indices are reported to the
/// assertion handler (tag "mxedgesorter") and give 0, false or an empty
/// chain.
class MX_EXPORT MxEdgeSorter {
public:
  /// How `sort` joins chain ends. Any other value sorts as
  /// `SORT_CLOSEST_PAIR`.
  enum MxSortStrategy : int {
    /// Join the globally closest joinable pair of chain ends, repeatedly.
    SORT_CLOSEST_PAIR = 0,
    /// Seed with the closest pair, grow that chain by its nearest neighbour
    /// until nothing joins, close it and seed again.
    SORT_GROW_CHAIN = 1,
    /// Join only ends that have exactly one joinable partner.
    SORT_UNAMBIGUOUS = 2,
    /// Join the first chain pair, in index order, that has joinable ends.
    SORT_INDEX_ORDER = 3
  };

  /// A sorter for `n` edges; no chains until the first `sort`. A count whose
  /// end-point ids would not fit an int, or whose distance matrix would not
  /// fit in memory, is reported and leaves a sorter of 0 edges.
  explicit MxEdgeSorter(size_t n);

  /// Distance between the start (`at_start_a`) or end of `edge_a` and the
  /// start (`at_start_b`) or end of `edge_b`; negative forbids the join.
  virtual double endpoint_distance(size_t edge_a, size_t edge_b, bool at_start_a,
                                   bool at_start_b) = 0;
  /// Deletes the chains.
  virtual ~MxEdgeSorter();
  /// Writes the sorter and its chains at indentation `indent`; the level is
  /// handed on and has no effect.
  virtual void debug(MxJournal& journal, MxDebug level, int indent) const;

  /// Discards any previous chains, measures every end-point distance anew
  /// and builds the chains with strategy `s`.
  void sort(MxSortStrategy s);

  /// Number of edges the sorter was made for.
  size_t n_edge() const { return n_; }
  /// Number of chains (0 before the first `sort`).
  size_t n_chain() const { return chains_.size(); }
  /// Number of edges in chain `c`.
  size_t n_link(size_t c) const;
  /// The `k`-th edge of chain `c`.
  size_t edge_index(size_t c, size_t k) const;
  /// Whether the `k`-th edge of chain `c` is walked backwards.
  bool reversed(size_t c, size_t k) const;
  /// Finds `edge` (first match, chains and links in order): sets `c` and `k`
  /// and returns true, or returns false leaving them untouched.
  bool get_indices(size_t edge, size_t& c, size_t& k) const;
  /// Whether `edge` is walked backwards in its chain; false when it is in
  /// none.
  bool reversed(size_t edge) const;

private:
  MxEdgeSorter(const MxEdgeSorter&) = delete;
  MxEdgeSorter& operator=(const MxEdgeSorter&) = delete;

  /// Makes one chain per edge and fills the distance matrix.
  void initialize();
  /// True when there is at least one chain.
  bool initialized() const { return chains_.size() > 0; }
  /// Chain `c`; an empty chain (after a report) when there are no chains or
  /// `c` is out of range.
  const MxEdgeChain& chain(size_t c) const;
  void delete_chains();
  /// Reverses every chain that walks more than half of its edges backwards.
  void orient_chains();

  MxArray<MxEdgeChain*> chains_;
  MxMatrix<double> distances_;
  size_t n_ = 0;
};

#endif
