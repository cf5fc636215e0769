// MxEdgeSorter and MxEdgeChain: building the distance matrix, the four joining
// strategies, the orientation pass and the dump.
#include "mxedgesorter.h"

#include <climits>
#include <vector>

namespace {

const char* const tag = "mxedgesorter";

/// An edge whose own end points are at most this far apart is closed.
const double closed_edge_gap = 0.001;
/// End-point ids (2k and 2k + 1) are ints.
const size_t max_edges = INT_MAX / 2;
/// Distances at or above this are never chosen by a distance comparison.
const double unreachable = 1e20;

enum ChainEnd { AT_START = 0, AT_END = 1 };

// Appends `value`. Edge indices and chain counts are ints, so no array grows
// past INT_MAX entries; a full array is reported and left as it is.
template <class T> bool push(MxArray<T>& array, const T& value) {
  if (array.size() >= static_cast<size_t>(INT_MAX)) {
    MX_REPORT(tag);
    return false;
  }
  array.append(value);
  return true;
}

int start_point(size_t edge) {
  return static_cast<int>(2 * edge);
}
int end_point(size_t edge) {
  return static_cast<int>(2 * edge + 1);
}

/// One possible join: end `e` of the chain of rank `i` onto end `f` of the
/// chain of rank `j`, at distance `d`.
struct Join {
  int i = -1;
  int j = -1;
  int e = AT_START;
  int f = AT_START;
  double d = 0.0;
};

/// The joining part of one sort.
///
/// Chains are addressed by rank: the slot they had when the sort began.
/// Joins only ever remove chains and keep every merged chain in the slot of
/// one of the two, so ascending ranks are ascending chain indices at every
/// moment, and scan orders over indices are scan orders over ranks. A rank
/// whose chain was merged away holds null until the chains are compacted.
///
/// Instead of scanning all pairs of chains, every end point keeps the list of
/// end points it may join (distance >= 0), and `owner_` maps each end point
/// that is an open chain end to the rank of its chain. Each search visits only
/// those lists and then applies the tie rule of the equivalent full scan: the
/// smallest distance, and among equals the candidate that comes last in scan
/// order.
class ChainJoiner {
public:
  ChainJoiner(MxArray<MxEdgeChain*>& chains, const MxMatrix<double>& distances);
  void run(int strategy);

private:
  struct Partner {
    int point;
    double distance;
  };

  MxEdgeChain& at(int rank) { return *slots_[static_cast<size_t>(rank)]; }
  int point_of(int rank, int e) { return e == AT_START ? at(rank).start() : at(rank).end(); }
  int end_of(int rank, int point) { return at(rank).start() == point ? AT_START : AT_END; }
  int owner(int point) const { return owner_[static_cast<size_t>(point)]; }
  void set_owner(int point, int rank) {
    if (point >= 0) owner_[static_cast<size_t>(point)] = rank;
  }
  const Partner* partners_begin(int point) const {
    return partners_.data() + first_partner_[static_cast<size_t>(point)];
  }
  const Partner* partners_end(int point) const {
    return partners_.data() + first_partner_[static_cast<size_t>(point) + 1];
  }
  int n_rank() const { return static_cast<int>(slots_.size()); }

  void close_start(int rank);
  void close_end(int rank);
  size_t connection_count(int rank, int e);
  void prepass(bool unambiguous);

  template <class Takes, class Visit> void joins_at(int rank, int e, Takes takes, Visit visit);
  template <class Takes, class Visit> void joins_of(int rank, Takes takes, Visit visit);
  bool closest_pair(Join& best);
  bool first_pair(Join& best);
  bool nearest_neighbour(int rank, Join& best);
  bool first_partner(int rank, int e, Join& found);
  void join(const Join& join);

  void closest_pair_strategy();
  void grow_chain_strategy();
  void unambiguous_strategy();
  void index_order_strategy();
  void compact();

  MxArray<MxEdgeChain*>& chains_;
  std::vector<MxEdgeChain*> slots_;
  std::vector<int> owner_;
  std::vector<size_t> first_partner_;
  std::vector<Partner> partners_;
};

ChainJoiner::ChainJoiner(MxArray<MxEdgeChain*>& chains, const MxMatrix<double>& distances)
    : chains_(chains) {
  const size_t n_points = distances.rows();
  slots_.assign(chains.begin(), chains.end());
  owner_.assign(n_points, -1);
  for (size_t rank = 0; rank < slots_.size(); ++rank) {
    set_owner(slots_[rank]->start(), static_cast<int>(rank));
    set_owner(slots_[rank]->end(), static_cast<int>(rank));
  }
  // The matrix is symmetric, so column x (contiguous in storage) lists the
  // partners of x.
  first_partner_.reserve(n_points + 1);
  for (size_t x = 0; x < n_points; ++x) {
    first_partner_.push_back(partners_.size());
    for (size_t y = 0; y < n_points; ++y) {
      const double d = distances(y, x);
      if (d >= 0.0) partners_.push_back(Partner{static_cast<int>(y), d});
    }
  }
  first_partner_.push_back(partners_.size());
}

void ChainJoiner::close_start(int rank) {
  set_owner(at(rank).start(), -1);
  at(rank).close_start();
}

void ChainJoiner::close_end(int rank) {
  set_owner(at(rank).end(), -1);
  at(rank).close_end();
}

// Calls `visit(c)`, in the order of the partner list, for every join `c` of
// end `e` of chain `rank` (when that end is open) onto an open end of a chain
// j at distance d for which `takes(j, d)` holds.
template <class Takes, class Visit>
void ChainJoiner::joins_at(int rank, int e, Takes takes, Visit visit) {
  const int point = point_of(rank, e);
  if (point < 0) return;
  for (const Partner* p = partners_begin(point); p != partners_end(point); ++p) {
    const int j = owner(p->point);
    if (j < 0 || !takes(j, p->distance)) continue;
    visit(Join{rank, j, e, end_of(j, p->point), p->distance});
  }
}

// The same for both ends of chain `rank`, its start first.
template <class Takes, class Visit> void ChainJoiner::joins_of(int rank, Takes takes, Visit visit) {
  for (int e : {AT_START, AT_END}) joins_at(rank, e, takes, visit);
}

// Number of open ends of other chains that end `e` of chain `rank` may join.
size_t ChainJoiner::connection_count(int rank, int e) {
  size_t count = 0;
  joins_at(
      rank, e, [rank](int j, double) { return j != rank; }, [&count](const Join&) { ++count; });
  return count;
}

// Closes every end that can join nothing and, for the unambiguous strategy,
// every end with more than one possible partner. The counts are taken one
// after the other, so each sees the ends closed before it.
void ChainJoiner::prepass(bool unambiguous) {
  for (int rank = 0; rank < n_rank(); ++rank) {
    for (int e : {AT_START, AT_END}) {
      const size_t count = connection_count(rank, e);
      if (count == 0 || (unambiguous && count >= 2)) {
        if (e == AT_START)
          close_start(rank);
        else
          close_end(rank);
      }
    }
  }
}

// True when `c` beats `best` under the rule "smallest distance, and among
// equal distances the one met last" for a scan ordered by `key`.
template <class Key> bool better(const Join& c, const Join& best, bool found, Key key) {
  if (!found || c.d < best.d) return true;
  return c.d == best.d && key(best) < key(c);
}

struct PairKey {
  long long operator()(const Join& x) const {
    return ((static_cast<long long>(x.i) * (1LL << 31) + x.j) * 2 + x.e) * 2 + x.f;
  }
};
struct EndKey {
  int operator()(const Join& x) const { return x.e * 2 + x.f; }
};
struct NeighbourKey {
  long long operator()(const Join& x) const {
    return (static_cast<long long>(x.j) * 2 + x.e) * 2 + x.f;
  }
};

// Accepts the chains of rank below `rank` within reach: the partners a scan
// over pairs (i, j < i) looks at.
struct ReachableEarlier {
  int rank;
  bool operator()(int j, double distance) const { return j < rank && distance < unreachable; }
};

// The closest joinable pair of ends of two different chains over the scan
// (i ascending, j < i ascending, e, f).
bool ChainJoiner::closest_pair(Join& best) {
  bool found = false;
  for (int i = 0; i < n_rank(); ++i) {
    if (!slots_[static_cast<size_t>(i)]) continue;
    joins_of(i, ReachableEarlier{i}, [&](const Join& c) {
      if (better(c, best, found, PairKey())) best = c, found = true;
    });
  }
  return found;
}

// The first chain pair (i ascending, j < i ascending) with joinable ends, and
// its closest pair of ends.
bool ChainJoiner::first_pair(Join& best) {
  for (int i = 0; i < n_rank(); ++i) {
    if (!slots_[static_cast<size_t>(i)]) continue;
    bool found = false;
    joins_of(i, ReachableEarlier{i}, [&](const Join& c) {
      if (!found || c.j < best.j || (c.j == best.j && better(c, best, true, EndKey())))
        best = c, found = true;
    });
    if (found) return true;
  }
  return false;
}

// The closest chain end that an end of chain `rank` may join, over the scan
// (j ascending, e, f).
bool ChainJoiner::nearest_neighbour(int rank, Join& best) {
  bool found = false;
  const auto reachable_other = [rank](int j, double d) { return j != rank && d < unreachable; };
  joins_of(rank, reachable_other, [&](const Join& c) {
    if (better(c, best, found, NeighbourKey())) best = c, found = true;
  });
  return found;
}

// The first chain after `rank`, and within it the first end (start, then
// end), that end `e` of chain `rank` may join; no distances are compared.
bool ChainJoiner::first_partner(int rank, int e, Join& found) {
  bool any = false;
  joins_at(
      rank, e, [rank](int j, double) { return j > rank; },
      [&](const Join& c) {
        if (!any || c.j < found.j || (c.j == found.j && c.f < found.f)) found = c, any = true;
      });
  return any;
}

// Joins chain j onto chain i: i is turned to join with its end, j to join
// with its start, j's links follow i's, and j's slot empties.
void ChainJoiner::join(const Join& join) {
  MxEdgeChain& first = at(join.i);
  MxEdgeChain* second = slots_[static_cast<size_t>(join.j)];
  set_owner(point_of(join.i, join.e), -1);
  set_owner(point_of(join.j, join.f), -1);
  if (join.e == AT_START) first.reverse();
  if (join.f == AT_END) second->reverse();
  first.append(*second);
  set_owner(first.end(), join.i);
  delete second;
  slots_[static_cast<size_t>(join.j)] = nullptr;
}

void ChainJoiner::closest_pair_strategy() {
  Join c;
  while (closest_pair(c)) join(c);
}

void ChainJoiner::index_order_strategy() {
  Join c;
  while (first_pair(c)) join(c);
}

void ChainJoiner::grow_chain_strategy() {
  Join seed;
  while (closest_pair(seed)) {
    join(seed);
    Join next;
    while (nearest_neighbour(seed.i, next)) join(next);
    close_start(seed.i);
    close_end(seed.i);
  }
}

// Walks the chains in order; each chain swallows the chains after it that
// its end, then its start, may join, and has both ends closed when it is
// left.
void ChainJoiner::unambiguous_strategy() {
  for (int i = 0; i < n_rank(); ++i) {
    if (!slots_[static_cast<size_t>(i)]) continue;
    for (;;) {
      Join c;
      if (first_partner(i, AT_END, c)) {
        join(c);
        continue;
      }
      close_end(i);
      if (first_partner(i, AT_START, c)) {
        // chain i goes behind chain j; the merged chain takes slot i
        MxEdgeChain* head = slots_[static_cast<size_t>(c.j)];
        MxEdgeChain* tail = slots_[static_cast<size_t>(i)];
        set_owner(tail->start(), -1);
        set_owner(c.f == AT_START ? head->start() : head->end(), -1);
        if (c.f == AT_START) head->reverse();
        head->append(*tail);
        set_owner(head->start(), i);
        slots_[static_cast<size_t>(i)] = head;
        slots_[static_cast<size_t>(c.j)] = nullptr;
        delete tail;
        continue;
      }
      close_start(i);
      break;
    }
  }
}

// Moves the surviving chains back into the sorter's array, in rank order.
void ChainJoiner::compact() {
  chains_.resize(0, false);
  for (MxEdgeChain* chain : slots_)
    if (chain && !push(chains_, chain)) delete chain;
}

void ChainJoiner::run(int strategy) {
  const bool unambiguous = strategy == MxEdgeSorter::SORT_UNAMBIGUOUS;
  prepass(unambiguous);
  switch (strategy) {
  case MxEdgeSorter::SORT_GROW_CHAIN:
    grow_chain_strategy();
    break;
  case MxEdgeSorter::SORT_UNAMBIGUOUS:
    unambiguous_strategy();
    break;
  case MxEdgeSorter::SORT_INDEX_ORDER:
    index_order_strategy();
    break;
  default:
    closest_pair_strategy();
    break;
  }
  compact();
}

} // namespace

// ---------------------------------------------------------------- MxEdgeChain

MxEdgeChain::MxEdgeChain(int edge, const MxMatrix<double>* matrix)
    : start_(2 * edge), end_(2 * edge + 1), matrix_(matrix) {
  push(edges_, edge);
  push(orientations_, 1);
}

MxEdgeChain::~MxEdgeChain() = default;

void MxEdgeChain::reverse() {
  const size_t n = edges_.size();
  int* edges = edges_.data();
  int* orientations = orientations_.data();
  for (size_t k = 0; k < n / 2; ++k) {
    const size_t other = n - 1 - k;
    const int edge = edges[k];
    edges[k] = edges[other];
    edges[other] = edge;
    const int orientation = orientations[k];
    orientations[k] = orientations[other];
    orientations[other] = orientation;
  }
  for (size_t k = 0; k < n; ++k) orientations[k] = -orientations[k];
  const int start = start_;
  start_ = end_;
  end_ = start;
}

void MxEdgeChain::append(const MxEdgeChain& other) {
  if (&other == this) {
    // a chain never joins itself
    MX_REPORT(tag);
    return;
  }
  for (size_t k = 0; k < other.size(); ++k) {
    if (!push(edges_, other.edges_[k])) break;
    push(orientations_, other.orientations_[k]);
  }
  end_ = other.end_;
}

size_t MxEdgeChain::n_reversed() const {
  size_t count = 0;
  for (int orientation : orientations_)
    if (orientation < 0) ++count;
  return count;
}

void MxEdgeChain::debug(MxJournal& journal, MxDebug, int indent) const {
  const int step = Mx_DebugIndentStep();
  Mx_DebugIndentation(journal, indent);
  journal << "MxEdgeChain begin {\n\n";
  Mx_DebugIndentation(journal, indent + step);
  journal << "Chain consisting of " << static_cast<int>(size()) << " edges. " << mxEndExpr;
  Mx_DebugIndentation(journal, indent + step);
  journal << "edge-index\torientation\t" << mxEndExpr;
  for (size_t k = 0; k < size(); ++k) {
    const int edge = edges_[k];
    Mx_DebugIndentation(journal, indent + step);
    journal << edge;
    Mx_DebugIndentation(journal, edge < 10 ? 15 : edge < 100 ? 14 : 13);
    journal << (orientations_[k] > 0 ? "  +  " : "  -  ") << mxEndExpr;
  }
  journal << "\n";
  Mx_DebugIndentation(journal, indent);
  journal << "MxEdgeChain end   }\n";
}

// --------------------------------------------------------------- MxEdgeSorter

MxEdgeSorter::MxEdgeSorter(size_t n) : n_(n <= max_edges ? n : 0) {
  MX_CHECK(tag, n <= max_edges);
  distances_.resize(2 * n_, 2 * n_);
  if (distances_.rows() != 2 * n_) n_ = 0; // no room for the matrix (reported by it)
}

MxEdgeSorter::~MxEdgeSorter() {
  delete_chains();
}

void MxEdgeSorter::delete_chains() {
  for (MxEdgeChain* chain : chains_) delete chain;
  chains_.resize(0, false);
}

void MxEdgeSorter::initialize() {
  delete_chains();
  chains_.resize(n_, false);
  for (size_t k = 0; k < n_; ++k) chains_[k] = new MxEdgeChain(static_cast<int>(k), &distances_);

  std::vector<bool> closed(n_);
  for (size_t k = 0; k < n_; ++k) {
    const double gap = endpoint_distance(k, k, true, false);
    closed[k] = gap >= 0.0 && gap <= closed_edge_gap;
  }

  distances_.fill(-1.0);
  for (size_t i = 1; i < n_; ++i) {
    if (closed[i]) continue;
    for (size_t j = 0; j < i; ++j) {
      if (closed[j]) continue;
      for (bool a_start : {true, false}) {
        for (bool b_start : {true, false}) {
          const double d = endpoint_distance(i, j, a_start, b_start);
          const size_t a = static_cast<size_t>(a_start ? start_point(i) : end_point(i));
          const size_t b = static_cast<size_t>(b_start ? start_point(j) : end_point(j));
          distances_(a, b) = d;
          distances_(b, a) = d;
        }
      }
    }
  }
}

void MxEdgeSorter::sort(MxSortStrategy s) {
  initialize();
  ChainJoiner(chains_, distances_).run(static_cast<int>(s));
  orient_chains();
}

void MxEdgeSorter::orient_chains() {
  for (MxEdgeChain* chain : chains_)
    if (chain->n_reversed() > chain->size() / 2) chain->reverse();
}

const MxEdgeChain& MxEdgeSorter::chain(size_t c) const {
  static const MxEdgeChain none;
  bool valid = true;
  if (!initialized()) {
    MX_REPORT(tag);
    valid = false;
  }
  if (c >= chains_.size()) {
    MX_REPORT(tag);
    valid = false;
  }
  return valid ? *chains_[c] : none;
}

size_t MxEdgeSorter::n_link(size_t c) const {
  return chain(c).size();
}

size_t MxEdgeSorter::edge_index(size_t c, size_t k) const {
  const MxEdgeChain& links = chain(c);
  if (k >= links.size()) {
    MX_REPORT(tag);
    return 0;
  }
  return static_cast<size_t>(links.edge(k));
}

bool MxEdgeSorter::reversed(size_t c, size_t k) const {
  const MxEdgeChain& links = chain(c);
  if (k >= links.size()) {
    MX_REPORT(tag);
    return false;
  }
  return links.orientation(k) < 0;
}

bool MxEdgeSorter::get_indices(size_t edge, size_t& c, size_t& k) const {
  for (size_t ci = 0; ci < chains_.size(); ++ci) {
    const MxEdgeChain& links = *chains_[ci];
    for (size_t ki = 0; ki < links.size(); ++ki) {
      if (static_cast<size_t>(links.edge(ki)) == edge) {
        c = ci;
        k = ki;
        return true;
      }
    }
  }
  return false;
}

bool MxEdgeSorter::reversed(size_t edge) const {
  size_t c = 0;
  size_t k = 0;
  return get_indices(edge, c, k) && reversed(c, k);
}

void MxEdgeSorter::debug(MxJournal& journal, MxDebug level, int indent) const {
  const int step = Mx_DebugIndentStep();
  Mx_DebugIndentation(journal, indent);
  journal << "MxEdgeSorter begin {\n\n";
  Mx_DebugIndentation(journal, indent + step);
  journal << "n_chain() = " << n_chain() << mxEndExpr;
  for (size_t c = 0; c < chains_.size(); ++c) {
    Mx_DebugIndentation(journal, indent + step);
    journal << "chain(" << c << "): " << mxEndExpr;
    chains_[c]->debug(journal, level, indent + 2 * step);
  }
  Mx_DebugIndentation(journal, indent);
  journal << "\n"
          << "MxEdgeSorter end   }\n";
}
