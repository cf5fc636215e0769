// Test support: the string and the containers driven by a string of bytes,
// each next to a reference model built from the standard library.
//
// A model reads operations and their arguments from the bytes, applies each
// to a library container and to its reference, and after every step compares
// the two in full (contents, order, sizes, capacities, the structure of trees
// and chains) and checks the exact assertion reports the step had to make.
// run_model<M>() answers "" or the first disagreement. The unit tests feed
// fixed-seed random bytes (run_random); fuzz/fuzz_containers.cpp and
// fuzz/fuzz_string.cpp feed the fuzzer's inputs.
#ifndef MXFOUNDATION_TESTS_SUPPORT_CONTAINER_MODELS_H
#define MXFOUNDATION_TESTS_SUPPORT_CONTAINER_MODELS_H

#include "mxassert.h"
#include "mxhash.h"
#include "mxheap.h"
#include "mxlist.h"
#include "mxmap.h"
#include "mxstring.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace models {

struct Disagreement {
  std::string what;
};

#define MODEL_CHECK(condition)                                                                     \
  do {                                                                                             \
    if (!(condition))                                                                              \
      throw models::Disagreement{"line " + std::to_string(__LINE__) + ": " #condition};            \
  } while (0)

/// Numbers read from the input; zeros once it is used up.
class Bytes {
public:
  Bytes(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
  bool more() const { return at_ < end_; }
  /// 0 .. n - 1, from as many bytes as n needs.
  size_t below(size_t n) {
    size_t v = 0;
    for (size_t range = 1; range < n; range <<= 8) v = v << 8 | next();
    return n ? v % n : 0;
  }
  int pick(int n) { return static_cast<int>(below(static_cast<size_t>(n))); }
  bool flip() { return pick(2) == 1; }
  /// Any value of a plain type, byte for byte.
  template <class T> T raw() {
    unsigned char bytes[sizeof(T)];
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(next());
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  /// A text without NULs, mostly of a, b and c.
  std::string text(size_t max) {
    std::string t(below(max + 1), 'a');
    for (char& c : t) c = pick(4) ? "abc"[pick(3)] : static_cast<char>(1 + pick(255));
    return t;
  }

private:
  unsigned next() { return at_ < end_ ? *at_++ : 0u; }
  const uint8_t* at_;
  const uint8_t* end_;
};

using Tags = std::vector<std::string>;

inline Tags& reported() {
  static Tags tags;
  return tags;
}
inline void record_report(const char* tag, int) {
  reported().emplace_back(tag ? tag : "");
}

/// The input, and the reports the current step must make, in order.
struct Model {
  explicit Model(Bytes& input) : in(input) {}
  void expect(const char* tag, int times = 1) { expected.insert(expected.end(), times, tag); }
  Bytes& in;
  Tags expected;
};

template <class M> std::string run_model(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  set_fnd_assertion_handler(record_report, true);
  std::string error;
  int step = 0;
  try {
    M model(in);
    for (; in.more(); ++step) {
      reported().clear();
      model.expected.clear();
      model.step();
      MODEL_CHECK(reported() == model.expected);
      model.check();
    }
  } catch (const Disagreement& d) {
    error = "step " + std::to_string(step) + ", " + d.what;
  }
  set_fnd_assertion_handler(record_report, false);
  return error;
}

/// run_model over `runs` inputs of `size` fixed-seed random bytes.
template <class M> std::string run_random(int runs, size_t size) {
  std::mt19937 random(2024);
  for (int run = 0; run < runs; ++run) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    const std::string error = run_model<M>(bytes.data(), bytes.size());
    if (!error.empty()) return "run " + std::to_string(run) + ", " + error;
  }
  return "";
}

template <class C> std::list<typename C::value_type> values(const C& c) {
  return {c.begin(), c.end()};
}

template <class L> auto at(L& list, int i) {
  return std::next(list.begin(), i);
}

/// Assigns `x` to itself, which must change nothing.
template <class T> void self_assign(T& x) {
  const T& same = x;
  x = same;
}

/// A base that counts the instances of T alive now, in T::live.
template <class T> struct Counted {
  Counted() { ++live; }
  Counted(const Counted&) { ++live; }
  ~Counted() { --live; }
  static inline int live = 0;
};

// --- red-black tree and map --------------------------------------------------

/// A node holding the interval from `key` to `key + tag % 4`, ordered by key,
/// its tag telling equal keys apart; right_most is the node whose interval
/// ends last, so the tree is an interval tree. As a search key it stands for
/// the interval from `key` to `key + width` and matches every node it meets.
class TagNode : public MxRBTreeNode, public Counted<TagNode> {
public:
  TagNode() : MxRBTreeNode(nullptr) {} // a sentinel
  TagNode(MxRBTreeNode* nil, int key, int tag) : MxRBTreeNode(nil), key(key), tag(tag) {}
  static const TagNode* of(const MxRBTreeNode* n) { return static_cast<const TagNode*>(n); }
  int end() const { return key + (tag > 0 ? tag % 4 : 0); }
  bool not_less_than(const MxRBTreeNode* o) const override { return key + width >= of(o)->key; }
  bool matches(const MxRBTreeNode* o) const override {
    return key <= of(o)->end() && of(o)->key <= key + width;
  }
  bool right_most_not_less_than(const MxRBTreeNode* child) const override {
    return of(right_most())->end() >= of(child->right_most())->end();
  }
  bool reaches(const MxRBTreeNode* o) const override { return key <= of(o->right_most())->end(); }
  void copy_contents(const MxRBTreeNode* o) override {
    key = of(o)->key;
    tag = of(o)->tag;
  }
  int key = 0;
  int tag = 0;
  int width = 0;
};

/// Checks the subtree of `n` (parent links, key order, right_most: the
/// greatest end, the node itself and then the left side on ties; with
/// `balanced` the red-black rules), counts its nodes into `size` and returns
/// its black height.
template <class KeyOf, class EndOf>
int check_subtree(const MxRBTreeNode* n, const MxRBTreeNode* nil, KeyOf key, EndOf end,
                  bool balanced, size_t& size) {
  if (n == nil) return 0;
  ++size;
  const MxRBTreeNode* l = n->left();
  const MxRBTreeNode* r = n->right();
  MODEL_CHECK(l == nil || (l->parent() == n && !(key(n) < key(l))));
  MODEL_CHECK(r == nil || (r->parent() == n && !(key(r) < key(n))));
  const MxRBTreeNode* most = n;
  if (l != nil && end(most) < end(l->right_most())) most = l->right_most();
  if (r != nil && end(most) < end(r->right_most())) most = r->right_most();
  MODEL_CHECK(n->right_most() == most);
  const int left_height = check_subtree(l, nil, key, end, balanced, size);
  const int right_height = check_subtree(r, nil, key, end, balanced, size);
  const bool red = n->color() == MxRBTreeNode::RED,
             red_child = l->color() == MxRBTreeNode::RED || r->color() == MxRBTreeNode::RED;
  MODEL_CHECK(red || n->color() == MxRBTreeNode::BLACK);
  MODEL_CHECK(!balanced || (left_height == right_height && !(red && red_child)));
  return left_height + (red ? 0 : 1);
}

template <class KeyOf, class EndOf>
void check_tree(const MxRBTreeNode* root, const MxRBTreeNode* nil, KeyOf key, EndOf end,
                bool balanced, size_t expected_size) {
  MODEL_CHECK(nil->color() == MxRBTreeNode::BLACK && nil->parent() == nil);
  MODEL_CHECK(root == nil || root->parent() == nil);
  MODEL_CHECK(!balanced || root->color() == MxRBTreeNode::BLACK);
  size_t size = 0;
  check_subtree(root, nil, key, end, balanced, size);
  MODEL_CHECK(size == expected_size);
}

/// MxRBTree against std::multimap (key, tag). One input in four builds an
/// unbalanced tree by plain insertion, never deleting; then only order and
/// right_most are checked.
class TreeModel : public Model, MxRBTree {
public:
  explicit TreeModel(Bytes& input)
      : Model(input), MxRBTree(new TagNode()), plain_(in.pick(4) == 0) {}
  void step() {
    const int key = in.pick(40), op = in.pick(10);
    if (op <= 1) add(key);
    if (op == 2) add_run(key, in.flip() ? 1 : -1);
    if (op == 3 || op == 4) remove(key);
    if (op == 5) search(key, nullptr);
    if (op == 6) search(key, subtree(in.flip()));
    if (op == 7) rotate_and_back(key);
    if (op == 8) raise_the_greatest(in.pick(3));
    if (op == 9) misuse_or_clear();
  }
  void check() {
    const MxRBTreeNode* nil = tree_nil();
    check_tree(tree_root(), nil, key_of, end_of, !plain_, entries_.size());
    auto e = entries_.begin();
    for (MxRBTreeNode* n = tree_minimum(tree_root()); n != nil; n = tree_successor(n), ++e)
      MODEL_CHECK(e != entries_.end() && key_of(n) == e->first && TagNode::of(n)->tag == e->second);
    MODEL_CHECK(e == entries_.end());
    MODEL_CHECK(TagNode::live == live_before_ + static_cast<int>(entries_.size()));
  }

private:
  TagNode* find(int key) const {
    TagNode probe(tree_nil(), key, -1);
    return static_cast<TagNode*>(rb_find(&probe));
  }
  static int key_of(const MxRBTreeNode* n) { return TagNode::of(n)->key; }
  static int end_of(const MxRBTreeNode* n) { return TagNode::of(n)->end(); }
  void add(int key) {
    auto* node = new TagNode(tree_nil(), key, ++tags_);
    plain_ ? insert(node) : rb_insert(node);
    entries_.emplace(key, tags_);
  }
  void add_run(int key, int direction) {
    for (int i = in.pick(32); i > 0; --i) add(key + direction * i);
  }
  // Deletes the node a single search finds; one meeting the key exists then.
  void remove(int key) {
    TagNode* hit = find(key);
    bool meets = false;
    walk(tree_root(),
         [&](const TagNode* n) { meets = meets || (n->key <= key && key <= n->end()); });
    MODEL_CHECK(hit ? hit->key <= key && key <= hit->end() : !meets);
    if (!hit || plain_) return;
    auto range = entries_.equal_range(hit->key);
    auto e = std::find_if(range.first, range.second, [&](auto& x) { return x.second == hit->tag; });
    MODEL_CHECK(e != range.second);
    entries_.erase(e);
    const bool two_children = hit->left() != tree_nil() && hit->right() != tree_nil();
    const int successor_tag = two_children ? TagNode::of(tree_successor(hit))->tag : 0;
    rb_delete(hit);
    MODEL_CHECK(!two_children || hit->tag == successor_tag); // the node stays, with the next entry
  }
  MxRBTreeNode* subtree(bool left) {
    MxRBTreeNode* root = tree_root();
    return root == tree_nil() ? nullptr : left ? root->left() : root->right();
  }
  template <class F> void walk(const MxRBTreeNode* n, F f) {
    if (n == tree_nil()) return;
    f(TagNode::of(n));
    walk(n->left(), f);
    walk(n->right(), f);
  }
  // The list search, from the root or from a subtree, finds every match there
  // once; a single search finds one if there is any.
  void search(int key, MxRBTreeNode* start) {
    TagNode probe(tree_nil(), key, -1);
    probe.width = in.pick(3);
    std::multiset<int> want, got;
    walk(start ? start : tree_root(), [&](const TagNode* n) {
      if (probe.matches(n)) want.insert(n->tag);
    });
    const MxRBTreeNode* hit = rb_find(&probe);
    MODEL_CHECK(start || (hit ? probe.matches(hit) : want.empty()));
    MxList<void*> found;
    const bool listed = in.flip();
    const int count = rb_find(&probe, listed ? &found : nullptr, start);
    MODEL_CHECK(count == static_cast<int>(want.size()));
    for (void* n : found) got.insert(TagNode::of(static_cast<MxRBTreeNode*>(n))->tag);
    MODEL_CHECK(!listed || got == want);
  }
  // A rotation keeps order and right_most; the opposite one restores the tree.
  void rotate_and_back(int key) {
    MxRBTreeNode* n = find(key);
    if (!n) return;
    const bool left = in.flip();
    MxRBTreeNode* rising = left ? n->right() : n->left();
    left ? left_rotate(n) : right_rotate(n); // without a rising child: nothing
    check_tree(tree_root(), tree_nil(), key_of, end_of, false, entries_.size());
    if (rising != tree_nil()) left ? right_rotate(rising) : left_rotate(rising);
  }
  // A key changed in place is taken in by update_max.
  void raise_the_greatest(int by) {
    if (entries_.empty()) return;
    auto* top = static_cast<TagNode*>(tree_maximum(tree_root()));
    MODEL_CHECK(top->tag == std::prev(entries_.end())->second);
    entries_.erase(std::prev(entries_.end()));
    entries_.emplace(top->key += by, top->tag);
    update_max(top);
  }
  void misuse_or_clear() {
    if (in.pick(4) == 0) return remove_all_elements(), entries_.clear();
    insert(nullptr); // ignored, as are null and sentinel rotations and updates
    left_rotate(nullptr), right_rotate(tree_nil());
    update_max(nullptr), update_max(tree_nil());
    rb_insert(nullptr), rb_delete(nullptr), rb_delete(tree_nil()), rb_delete_fixup(nullptr);
    MODEL_CHECK(!tree_successor(nullptr) && !tree_maximum(nullptr) && !tree_minimum(nullptr));
    expect("mxrbt", 6);
  }

  const int live_before_ = TagNode::live; // the sentinel included
  const bool plain_;
  std::multimap<int, int> entries_;
  int tags_ = 0;
};

/// MxMap<int, short> against std::multimap: operator[], erase, lookup, find,
/// copies and the iterator; equal keys go in side by side through the tree.
class MapModel : public Model {
public:
  using Model::Model;
  using Entries = std::vector<std::pair<int, short>>;
  class Map : public MxMap<int, short> {
  public:
    void add(int key, short value) { rb_insert(new MxMapNode<int, short>(tree_nil(), key, value)); }
    void check(size_t size) const {
      check_tree(tree_root(), tree_nil(), key_of, key_of, true, size);
    }
    static int key_of(const MxRBTreeNode* n) {
      return static_cast<const MxMapNode<int, short>*>(n)->key();
    }
  };
  static Entries entries(const Map& map) {
    Entries out;
    MxMapIterator<int, short> it(map);
    for (it.reset(); !it.done(); it.next()) out.emplace_back(*it.key(), *it.current());
    return out;
  }
  void step() {
    const int key = in.pick(48) - 16, op = in.pick(8);
    const auto value = static_cast<short>(in.pick(65536) - 32768);
    const size_t there = model_.count(key);
    if (op <= 1 && there <= 1) subscript(key, value);
    if (op == 2) map_.add(key, value), model_.emplace(key, value);
    if (op == 3 && there <= 1) erase(key, there);
    if (op == 4) find(key, there);
    if (op == 5) copies();
    if (op == 6) past_the_end();
    if (op == 7 && in.pick(8) == 0) map_.clear(), model_.clear(), counted_ = 0;
  }
  void check() {
    MODEL_CHECK(map_.size() == counted_);
    map_.check(model_.size());
    MODEL_CHECK(entries(map_) == Entries(model_.begin(), model_.end()));
  }

private:
  void subscript(int key, short value) {
    if (!model_.count(key)) model_.emplace(key, 0), ++counted_; // a missing key enters with 0
    MODEL_CHECK(map_[key] == model_.find(key)->second);
    if (in.flip()) map_[key] = model_.find(key)->second = value;
  }
  void erase(int key, size_t there) {
    MODEL_CHECK(map_.erase(key) == (there == 1));
    counted_ -= static_cast<int>(model_.erase(key));
  }
  void find(int key, size_t there) {
    MxList<short> values;
    const bool listed = in.flip();
    MODEL_CHECK(map_.find(key, listed ? &values : nullptr) == static_cast<int>(there));
    std::multiset<short> got(values.begin(), values.end()), want;
    for (auto r = model_.equal_range(key); r.first != r.second; ++r.first)
      want.insert(r.first->second);
    MODEL_CHECK(!listed || got == want);
    const short* found = map_.lookup(key);
    MODEL_CHECK((found != nullptr) == (there > 0));
    MODEL_CHECK(there != 1 || *found == model_.find(key)->second);
  }
  void copies() {
    Map copy(map_), assigned;
    assigned[1000] = 1;
    assigned = map_;
    MODEL_CHECK(entries(copy) == entries(assigned) && assigned.size() == int(model_.size()));
    copy[2000] = 2; // deep: the source stays as it is
    self_assign(map_);
    map_ = assigned;
    counted_ = static_cast<int>(model_.size());
  }
  // The iterator stays at the end; reading there is reported.
  void past_the_end() {
    MxMapIterator<int, short> it(map_);
    MODEL_CHECK(model_.empty() ? it.done() : *it.first() == model_.begin()->second);
    while (!it.done()) it.next();
    it.next();
    MODEL_CHECK(it.done() && *it.current() == 0 && it.key());
    expect("protectedinterfaces/mxmap_t", 2);
  }

  Map map_;
  std::multimap<int, short> model_;
  int counted_ = 0;
};

// --- hash table ----------------------------------------------------------------

class IntNode : public MxHashTableNode, public Counted<IntNode> {
public:
  IntNode(int key, int tag) : key(key), tag(tag) {}
  bool matches(const MxHashTableNode* o) const override {
    return static_cast<const IntNode*>(o)->key == key;
  }
  MxHashTableNode* clone() const override { return new IntNode(*this); }
  int key;
  int tag;
};

/// A table of ints hashed by MxStdIntHashFunctor, its operations opened up.
class IntTable : public MxHashTable {
public:
  explicit IntTable(int size = DEFAULT_SIZE) : MxHashTable(size) {}
  IntTable(const IntTable& other) = default;
  IntTable& operator=(const IntTable& other) = default;
  using MxHashTable::best_case, MxHashTable::cell_head, MxHashTable::find_index,
      MxHashTable::find_node, MxHashTable::first_node, MxHashTable::get_cell_distribution,
      MxHashTable::insert_node, MxHashTable::next_node, MxHashTable::remove_all_elements,
      MxHashTable::remove_chain, MxHashTable::splice_node, MxHashTable::worst_cast;
  IntNode* find(int key) const {
    IntNode probe(key, 0);
    return static_cast<IntNode*>(find_node(&probe));
  }
  /// (key, tag) in iteration order, checking each node's cell and back link.
  std::vector<std::pair<int, int>> contents() const {
    std::vector<std::pair<int, int>> out;
    int cell = -1, previous_cell = -1;
    const MxHashTableNode* previous = nullptr;
    for (MxHashTableNode* n = first_node(cell); n;
         previous = n, previous_cell = cell, n = next_node(n, cell)) {
      MODEL_CHECK(find_index(n) == cell);
      MODEL_CHECK(n->prev() == (cell == previous_cell ? previous : nullptr));
      out.emplace_back(static_cast<IntNode*>(n)->key, static_cast<IntNode*>(n)->tag);
    }
    return out;
  }

protected:
  std::uint32_t hash_value(const MxHashTableNode* node) const override {
    return MxStdIntHashFunctor().hash_function(static_cast<const IntNode*>(node)->key);
  }
};

/// The reference binary heap over (key, item) pairs, slot for slot.
struct RefHeap {
  using Entry = std::pair<int, int>;
  explicit RefHeap(bool max) : max_heap(max) {}
  bool precedes(const Entry& a, const Entry& b) const {
    return max_heap ? a.first > b.first : a.first < b.first;
  }
  void heapify(int i) {
    for (int best = i;; i = best) {
      const int l = 2 * i + 1, r = 2 * i + 2;
      if (l < size && precedes(slots[l], slots[i])) best = l;
      if (r < size && precedes(slots[r], slots[best])) best = r;
      if (best == i) return;
      std::swap(slots[i], slots[best]);
    }
  }
  void build() {
    size = static_cast<int>(slots.size());
    for (int i = size / 2 - 1; i >= 0; --i) heapify(i);
  }
  void add(Entry e) {
    size = -1;
    slots.push_back(e);
  }
  void insert(Entry e) {
    slots.push_back(e);
    int i = size++;
    for (; i > 0 && precedes(e, slots[(i + 1) / 2 - 1]); i = (i + 1) / 2 - 1)
      slots[i] = slots[(i + 1) / 2 - 1];
    slots[i] = e;
  }
  Entry take_first() {
    const Entry first = slots[0];
    slots[0] = slots.back();
    slots.pop_back();
    --size;
    heapify(0);
    return first;
  }
  void sort() {
    build();
    for (int j = size - 1; j >= 1; --j) {
      std::swap(slots[0], slots[j]);
      --size;
      heapify(0);
    }
    size = -1;
  }
  std::vector<Entry> slots;
  int size = 0;
  bool max_heap;
};

/// MxHashTable against a model of its chains: one std::list per cell, the
/// newest node first.
class HashModel : public Model {
public:
  explicit HashModel(Bytes& input)
      : Model(input), table_(1 + in.pick(12)), chains_(static_cast<size_t>(table_.cell_count())) {}
  void step() {
    const int key = in.pick(80) - 40, op = in.pick(10); // -1 hashes to 4294967295
    Chain& chain = chains_[static_cast<std::uint32_t>(key) % chains_.size()];
    const auto first =
        std::find_if(chain.begin(), chain.end(), [&](auto& e) { return e.first == key; });
    if (op <= 3) {
      MODEL_CHECK(table_.insert_node(new IntNode(key, ++tags_)) == chain.empty());
      chain.emplace_front(key, tags_);
    }
    if (op == 4) splice_first(key, chain, first);
    if (op == 5) list_matches(key, chain);
    if (op == 6) table_.remove_chain(table_.find(key));
    if (op == 6) first == chain.end() ? expect("mxhash") : chain.clear();
    if (op == 7) statistics();
    if (op == 8) copies();
    if (op == 9) misuse_or_clear();
  }
  void check() {
    MODEL_CHECK(table_.contents() == all());
    MODEL_CHECK(IntNode::live == live_before_ + static_cast<int>(all().size()));
  }

private:
  using Chain = std::list<std::pair<int, int>>;
  std::vector<std::pair<int, int>> all() const {
    std::vector<std::pair<int, int>> out;
    for (const Chain& c : chains_) out.insert(out.end(), c.begin(), c.end());
    return out;
  }
  void splice_first(int key, Chain& chain, Chain::iterator first) {
    IntNode* hit = table_.find(key);
    MODEL_CHECK(hit ? first != chain.end() && hit->tag == first->second : first == chain.end());
    if (!hit) return;
    table_.splice_node(hit);
    MODEL_CHECK(!hit->next() && !hit->prev());
    delete hit;
    chain.erase(first);
  }
  // Every match in chain order, appended behind what the list holds.
  void list_matches(int key, const Chain& chain) {
    MxList<MxHashTableNode*> found;
    found.insert_tail(nullptr);
    const IntNode probe(key, 0);
    const int count = table_.find_node(&probe, &found);
    MODEL_CHECK(table_.find_node(&probe, nullptr) == count);
    std::vector<int> got, want{0};
    for (MxHashTableNode* n : found) got.push_back(n ? static_cast<IntNode*>(n)->tag : 0);
    for (auto& e : chain)
      if (e.first == key) want.push_back(e.second);
    MODEL_CHECK(got == want && count == static_cast<int>(want.size()) - 1);
  }
  // Chain lengths, and the distribution queue in the reference heap's order.
  void statistics() {
    size_t shortest = SIZE_MAX, longest = 0;
    RefHeap ref(in.flip());
    for (size_t i = 0; i < chains_.size(); ++i) {
      shortest = std::min(shortest, chains_[i].size());
      longest = std::max(longest, chains_[i].size());
      ref.add({static_cast<int>(chains_[i].size()), static_cast<int>(i)});
    }
    ref.build();
    MODEL_CHECK(table_.best_case() == int(shortest) && table_.worst_cast() == int(longest));
    MxPriQueue<int, int> queue(ref.max_heap);
    table_.get_cell_distribution(queue);
    while (ref.size > 0) MODEL_CHECK(queue.extract_first() == ref.take_first().second);
  }
  // Copies clone every chain in order; they go without touching the source.
  void copies() {
    IntTable copy(table_), assigned(3);
    assigned.insert_node(new IntNode(1, 0));
    assigned = table_;
    MODEL_CHECK(copy.contents() == all() && assigned.contents() == all());
    MODEL_CHECK(!table_.cell_head(0) || copy.cell_head(0) != table_.cell_head(0));
    self_assign(table_);
  }
  void misuse_or_clear() {
    int cell = in.pick(3);
    MODEL_CHECK(!table_.next_node(nullptr, cell));
    expect("mxhash");
    if (in.pick(8)) return;
    table_.remove_all_elements();
    for (Chain& c : chains_) c.clear();
  }

  const int live_before_ = IntNode::live;
  IntTable table_;
  std::vector<Chain> chains_;
  int tags_ = 0;
};

// --- heap and priority queue ---------------------------------------------------

/// MxPriQueue<int, int> (item: a tag) against the reference heap, slot for
/// slot, in both states; misuse is reported and built before use.
class HeapModel : public Model {
public:
  using Queue = MxPriQueue<int, int>;
  explicit HeapModel(Bytes& input) : Model(input), queue_(in.flip()), ref_(queue_.is_max_heap()) {}
  void step() {
    const int op = in.pick(9);
    if (op <= 2) put(queue_, ref_, op <= 1);
    if (op == 3) queue_.build_heap(), ref_.build();
    if (op == 4) extract();
    if (op == 5) queue_.sort_nodes(), ref_.sort();
    if (op == 6) merge();
    if (op == 7) first();
    if (op == 8) copies_or_misuse();
  }
  void check() {
    compare(queue_, ref_);
    MODEL_CHECK(queue_.size() == static_cast<int>(ref_.slots.size()));
  }

private:
  static void compare(const Queue& q, const RefHeap& ref) {
    MODEL_CHECK(q.heap_size() == ref.size && q.is_max_heap() == ref.max_heap);
    MODEL_CHECK(q.node_count() == static_cast<int>(ref.slots.size()));
    for (int i = 0; i < q.node_count(); ++i) {
      const auto* n = static_cast<const MxPriQueueNode<int, int>*>(q.node_at(i));
      MODEL_CHECK(n->key() == ref.slots[i].first && n->item() == ref.slots[i].second);
    }
  }
  void ordered(RefHeap& ref) { // an unordered heap is reported, then built
    if (ref.size == -1) expect("mxheap"), ref.build();
  }
  void put(Queue& q, RefHeap& ref, bool in_order) { // inserted in order, or added
    const int key = in.pick(12);
    if (in_order) ordered(ref), ref.insert({key, ++tags_}), q.insert(tags_, key);
    if (!in_order) ref.add({key, ++tags_}), q.add(tags_, key);
  }
  void extract() {
    ordered(ref_);
    if (ref_.size < 1) expect("mxheap"), expect("protectedinterfaces/mxpriqueue_t"); // a null item
    MODEL_CHECK(queue_.extract_first() == (ref_.size < 1 ? 0 : ref_.take_first().second));
  }
  void first() {
    if (ref_.size == -1) expect("mxheap");
    if (ref_.slots.empty()) expect("mxheap");
    const auto* n = static_cast<const MxPriQueueNode<int, int>*>(queue_.first_node());
    MODEL_CHECK(ref_.slots.empty() ? !n : n && n->item() == ref_.slots[0].second);
  }
  // The nodes move over one by one, each inserted in order; the source ends empty.
  void merge() {
    Queue other(in.flip());
    RefHeap ref(other.is_max_heap());
    for (int n = in.pick(6); n > 0; --n) put(other, ref, in.flip());
    ordered(ref_);
    ordered(ref);
    while (ref.size > 0) ref_.insert(ref.take_first());
    queue_.merge_nodes(other);
    MODEL_CHECK(other.heap_size() == 0 && other.node_count() == 0);
  }
  void copies_or_misuse() {
    const int op = in.pick(3);
    if (op == 0) copies();
    if (op == 1) {
      queue_.insert_node(nullptr); // ignored
      queue_.add_node(nullptr);
      queue_.merge_nodes(queue_);
      MODEL_CHECK(!queue_.node_at(-1) && !queue_.node_at(queue_.node_count()));
      expect("mxheap", 3);
    }
    if (op == 2 && in.pick(4) == 0) queue_.remove_all_nodes(), ref_ = RefHeap(ref_.max_heap);
  }
  void copies() {
    Queue copy(queue_), assigned(!queue_.is_max_heap());
    assigned.insert(1, 1);
    assigned = queue_;
    compare(copy, ref_);
    compare(assigned, ref_);
    MODEL_CHECK(ref_.slots.empty() || copy.node_at(0) != queue_.node_at(0));
    self_assign(queue_);
  }

  Queue queue_;
  RefHeap ref_;
  int tags_ = 0;
};

// --- lists, queues and stacks ----------------------------------------------------

/// MxList<int>, MxQueue<int> and MxStack<int> against std::list and std::vector.
class ListModel : public Model {
public:
  using Model::Model;
  void step() {
    const int v = in.pick(8), size = static_cast<int>(list_model_.size()), op = in.pick(14);
    const int i = in.pick(size + 2) - 1; // -1 .. size
    if (op <= 1) list_.insert_head(v), list_model_.push_front(v);
    if (op == 2 || op == 3) list_.insert_tail(v), list_model_.push_back(v);
    if (op == 4) MODEL_CHECK(list_.first() == front(list_model_, false));
    if (op == 5) MODEL_CHECK(list_.remove_first() == front(list_model_, true));
    if (op == 6) remove(v);
    if (op == 7) erase_at(i, size);
    if (op == 8) item_at(i, size);
    if (op == 9) erase_every(v);
    if (op == 10) queue(v);
    if (op == 11) stack(v);
    if (op == 12) copies();
    if (op == 13 && in.pick(8) == 0) list_.clear(), list_model_.clear();
  }
  void check() {
    std::list<int> backwards;
    for (const MxItem<int>* i = list_.tail_item(); i; i = i->prev_item())
      backwards.push_front(i->value());
    MODEL_CHECK(list_.count() == list_model_.size() && values(list_) == list_model_);
    MODEL_CHECK(backwards == list_model_);
    MODEL_CHECK(queue_.count() == queue_model_.size() && values(queue_.items()) == queue_model_);
    MODEL_CHECK(stack_.depth() == stack_model_.size());
    MODEL_CHECK(values(stack_.items()) ==
                std::list<int>(stack_model_.rbegin(), stack_model_.rend()));
  }

private:
  template <class C> int front(C& model, bool take) { // of a list, or the top of a stack
    constexpr bool stack = std::is_same_v<C, std::vector<int>>;
    if (model.empty()) return expect("protectedinterfaces/mxlist_t"), 0;
    const int v = stack ? model.back() : model.front();
    if (take) model.erase(stack ? std::prev(model.end()) : model.begin());
    return v;
  }
  void remove(int v) {
    const auto it = std::find(list_model_.begin(), list_model_.end(), v);
    MODEL_CHECK(list_.remove(v, MxStdCompare<int>()) == (it != list_model_.end()));
    if (it != list_model_.end()) list_model_.erase(it);
  }
  // At a position, or nothing (reported), or an item of no list (reported).
  void erase_at(int i, int size) {
    MxItem<int> loose(0);
    MxItem<int>* item = list_.item_at(i);
    const bool stranger = !item && in.flip();
    const MxItem<int>* next = list_.erase(item ? item : stranger ? &loose : nullptr);
    if (!item) expect(stranger ? "mxlinklist" : "protectedinterfaces/mxlist_t");
    MODEL_CHECK(item || !next);
    if (!item) return;
    const auto after = list_model_.erase(at(list_model_, i));
    MODEL_CHECK(i + 1 < size ? next && next->value() == *after : !next);
  }

  void item_at(int i, int size) { // through the cursor
    const MxItem<int>* item = list_.item_at(i);
    MODEL_CHECK(i >= 0 && i < size ? item && item->value() == *at(list_model_, i) : !item);
  }
  void erase_every(int v) { // through iterators, then a write through each
    for (auto it = list_.begin(); it != list_.end();) it = *it == v ? list_.erase(it) : ++it;
    list_model_.remove(v);
    for (int& x : list_) x += 8;
    for (int& x : list_model_) x += 8;
  }
  void queue(int v) {
    if (in.flip()) return queue_.enqueue(v), queue_model_.push_back(v);
    MODEL_CHECK(queue_.dequeue() == front(queue_model_, true));
  }
  void stack(int v) {
    const int op = in.pick(4);
    if (op == 0) stack_.push(v), stack_model_.push_back(v);
    if (op == 1) MODEL_CHECK(stack_.top() == front(stack_model_, false));
    if (op == 2) MODEL_CHECK(stack_.pop() == front(stack_model_, true));
    if (op == 3) stack_.clear(), stack_model_.clear();
  }
  // Copies are deep; moves hand the items over and leave usable empty lists.
  void copies() {
    MxList<int> copy(list_);
    copy.insert_head(-1);
    MxList<int> moved(std::move(copy));
    MODEL_CHECK(copy.empty() && !copy.head_item() && moved.count() == list_model_.size() + 1);
    copy.insert_tail(-2);
    MODEL_CHECK(values(copy) == std::list<int>{-2});
    list_model_.push_front(-1);
    in.flip() ? void(list_ = moved) : void(list_ = std::move(moved));
    self_assign(list_);
    MxQueue<int> queue(queue_);
    queue_ = std::move(queue);
    MxStack<int> stack(stack_);
    stack_ = std::move(stack);
    MODEL_CHECK(queue.empty() && stack.depth() == 0);
  }

  MxList<int> list_;
  MxQueue<int> queue_;
  MxStack<int> stack_;
  std::list<int> list_model_, queue_model_;
  std::vector<int> stack_model_;
};

struct IntLink : MxLink, Counted<IntLink> {
  explicit IntLink(int v) : value(v) {}
  int value;
};

/// A link list of IntLinks, its operations opened up.
class LinkChain : public MxLinkList {
public:
  using MxLinkList::append_link, MxLinkList::array, MxLinkList::cursor, MxLinkList::head,
      MxLinkList::prepend_link, MxLinkList::set_head, MxLinkList::size, MxLinkList::splice_out,
      MxLinkList::splice_sequence, MxLinkList::tail;
  /// The values along next, checking every back link and the tail.
  std::list<int> values() const {
    std::list<int> out;
    const MxLink* previous = nullptr;
    for (const MxLink* l = head(); l; previous = l, l = l->next()) {
      MODEL_CHECK(l->prev() == previous);
      out.push_back(static_cast<const IntLink*>(l)->value);
    }
    MODEL_CHECK(tail() == previous && size() == out.size());
    return out;
  }
};

/// MxLinkList's positional access (through its cursor), splice_out and
/// splice_sequence against two std::lists.
class LinkModel : public Model {
public:
  using Model::Model;
  void step() {
    const int size = static_cast<int>(main_model_.size()), op = in.pick(7);
    if (op <= 1) add(in.flip());
    if (op == 2) position(in.flip());
    if (op == 3 && size > 0) splice_out(in.pick(size));
    if (op == 4 || op == 5) splice(size);
    if (op == 6) misuse();
  }
  void check() {
    MODEL_CHECK(main_.values() == main_model_ && other_.values() == other_model_);
    MODEL_CHECK(IntLink::live == live_before_ + int(main_model_.size() + other_model_.size()));
  }

private:
  void add(bool at_tail) {
    auto* l = new IntLink(++values_);
    at_tail ? main_.append_link(l) : main_.prepend_link(l);
    at_tail ? main_model_.push_back(values_) : main_model_.push_front(values_);
  }
  void position(bool other) { // in either list
    const std::list<int>& model = other ? other_model_ : main_model_;
    const int n = static_cast<int>(model.size()), i = in.pick(n + 2) - 1;
    const MxLink* l = (other ? other_ : main_).array(i);
    MODEL_CHECK(i >= 0 && i < n ? l && static_cast<const IntLink*>(l)->value == *at(model, i) : !l);
  }
  void splice_out(int i) {
    MxLink* l = main_.array(i);
    MODEL_CHECK(main_.splice_out(l) && !l->next() && !l->prev());
    delete l;
    main_model_.erase(at(main_model_, i));
  }
  // Removes a run from `start` (deleted, or moved to the other list) and puts
  // the links of a fresh list or of the other list in its place.
  void splice(int size) {
    const int start = in.pick(size + 2), count = in.pick(6) - 1;
    LinkChain fresh;
    std::list<int> fresh_model;
    for (int n = in.pick(4); n > 0; --n) {
      fresh.append_link(new IntLink(++values_));
      fresh_model.push_back(values_);
    }
    const int source = in.pick(3);
    LinkChain* from = source == 0 ? nullptr : source == 1 ? &fresh : &other_;
    LinkChain* to = in.flip() ? &other_ : nullptr;
    auto first = at(main_model_, std::min(start, size)), last = first;
    for (int k = 0; k < count && last != main_model_.end(); ++k) ++last;
    to ? other_model_.splice(other_model_.end(), main_model_, first, last)
       : void(main_model_.erase(first, last));
    const int insert_at = std::min(start, static_cast<int>(main_model_.size()));
    if (from)
      main_model_.splice(at(main_model_, insert_at), source == 1 ? fresh_model : other_model_);
    if (from) from->array(in.pick(3)); // a cursor the emptied list must forget
    main_.splice_sequence(start, count, from, to);
    MODEL_CHECK(!from || (!from->head() && !from->tail() && !from->array(0)));
  }
  void misuse() {
    IntLink stranger(0);
    MODEL_CHECK(!main_.splice_out(nullptr) && !main_.splice_out(&stranger));
    main_.splice_sequence(0, 1, &main_, nullptr); // with itself: refused
    main_.splice_sequence(0, 1, nullptr, &main_);
    expect("mxlinklist", 4);
  }

  const int live_before_ = IntLink::live;
  LinkChain main_, other_;
  std::list<int> main_model_, other_model_;
  int values_ = 0;
};

// --- arrays ----------------------------------------------------------------------

/// Storage from operator new, so the array copies its elements when it grows
/// instead of growing the buffer in place.
template <class T> struct CopyingAllocator {
  T* allocate(size_t n) { return n ? static_cast<T*>(::operator new(n * sizeof(T))) : nullptr; }
  void deallocate(T* p) { ::operator delete(p); }
};

/// The capacity that the growth policy gives `count` elements from `old`.
inline size_t grown(size_t old, size_t count) {
  if (count <= old) return old;
  if (count >= 64000) return old + (count - old - 1) / 4096 * 4096 + 4096;
  size_t c = old ? old : 1;
  while (c < count) c *= 2;
  return c;
}

/// MxArray against std::vector plus the capacity of the growth policy; every
/// slot is compared, those past the size with the default value. Arrays of
/// bitwise-copyable elements now and then grow past 64000 elements.
template <class T, class A = MxAllocator<T>> class ArrayModel : public Model {
public:
  using Model::Model;
  void step() {
    const size_t size = model_.size();
    const bool large = std::is_trivially_copyable_v<T> && in.pick(64) == 0;
    const size_t n = large ? 63990 + in.below(in.flip() ? 20 : 20000) : in.below(300);
    const bool keep = in.pick(4) != 0;
    const int op = in.pick(8);
    if (op <= 1) append();
    if (op == 2) resize(n, keep);
    if (op == 3) reallocate(in.pick(4) == 0 && size > 0 ? size - 1 : size + in.below(300), keep);
    if (op == 4) size ? model_.pop_back() : expect("protectedinterfaces/mxarray_i");
    if (op == 4) array_.remove_last();
    if (op == 5) read(in.below(size + 3));
    if (op == 6) copies();
    if (op == 7) impossible_sizes(keep);
  }
  void check() const { compare(array_, capacity_); }

private:
  void impossible_sizes(bool keep) { // the byte counts would wrap: refused
    array_.resize(in.flip() ? SIZE_MAX : SIZE_MAX / 2, keep);
    array_.reallocate(SIZE_MAX / 2, keep);
    expect("protectedinterfaces/mxarray_t", 2);
  }
  static T value_of(int v) {
    if constexpr (std::is_same_v<T, std::string>)
      return "a text long enough to live on the heap, " + std::to_string(v);
    else
      return static_cast<T>(v);
  }
  void compare(const MxArray<T, A>& a, size_t capacity) const {
    MODEL_CHECK(a.size() == model_.size() && a.capacity() == capacity);
    for (size_t i = 0; i < capacity; ++i)
      MODEL_CHECK(a.data()[i] == (i < model_.size() ? model_[i] : T()));
  }
  // A new value, or an element of the array itself (the spare slot too),
  // read while the array grows.
  void append() {
    const size_t size = model_.size();
    T v = value_of(in.pick(1000));
    const bool own = in.flip() && capacity_ > 0;
    const size_t i = own ? in.below(std::min(size + 1, capacity_)) : 0;
    if (own) v = i < size ? model_[i] : T();
    own ? array_.append(array_.data()[i]) : array_.append(v);
    if (size == capacity_) capacity_ = size == 0 ? 1 : size + 1 >= 64000 ? size + 4096 : 2 * size;
    model_.push_back(v);
  }
  void resize(size_t n, bool keep) {
    if (n > capacity_ && !keep) std::fill(model_.begin(), model_.end(), T()); // reallocated
    capacity_ = grown(capacity_, n);
    model_.resize(n);
    array_.resize(n, keep);
  }
  void reallocate(size_t c, bool keep) {
    if (c < model_.size()) expect("protectedinterfaces/mxarray_t"); // refused
    if (c >= model_.size() && !keep) std::fill(model_.begin(), model_.end(), T());
    if (c >= model_.size()) capacity_ = c;
    array_.reallocate(c, keep);
  }
  void read(size_t i) { // past the size too
    const MxArray<T, A>& view = array_;
    if (i >= model_.size()) expect("protectedinterfaces/mxarray_i");
    MODEL_CHECK(view[i] == (i < model_.size() ? model_[i] : T()));
    if (model_.empty()) expect("protectedinterfaces/mxarray_i");
    MODEL_CHECK(view.last() == (model_.empty() ? T() : model_.back()));
  }
  // A copy has the capacity the policy gives its size; assignment resets the
  // slots it drops (compared in check); a move hands the buffer over.
  void copies() {
    MxArray<T, A> copy(array_), part;
    compare(copy, grown(0, model_.size()));
    self_assign(array_);
    const T* buffer = copy.data();
    if (in.flip()) {
      MxArray<T, A> moved(std::move(copy));
      MODEL_CHECK(!copy.data() && copy.capacity() + copy.size() == 0);
      copy.append(T()); // a moved-from array is usable
      array_ = std::move(moved);
      MODEL_CHECK(array_.data() == buffer && !moved.data() && moved.capacity() + moved.size() == 0);
      capacity_ = grown(0, model_.size());
      return;
    }
    model_.resize(in.below(model_.size() + 1));
    for (const T& v : model_) part.append(v);
    array_ = part; // keeps a buffer large enough, or makes one
    MODEL_CHECK(array_.capacity() >= model_.size());
    capacity_ = array_.capacity();
  }

  MxArray<T, A> array_;
  std::vector<T> model_;
  size_t capacity_ = 0;
};

// --- string ----------------------------------------------------------------------

/// printf into a std::string of any length (NULs printed by %c included).
inline std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string printed(const char* format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  std::string out(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
  std::vsnprintf(&out[0], out.size(), format, again);
  out.pop_back();
  va_end(again);
  va_end(args);
  return out;
}

/// The C text at the start of `s`: up to its first NUL, or all of it.
inline std::string c_text(const std::string& s) {
  return s.substr(0, s.find('\0'));
}

/// Every element of the string, NULs included, read without handing out a
/// writable reference.
inline std::string elements(const MxString& s) {
  std::string all;
  for (size_t i = 0; i <= s.length(); ++i) all += s[static_cast<int>(i)];
  return all;
}

/// The decimal text of `value` in `width` characters padded with `fill`: a
/// blank fill puts the sign next to the digits, any other in front of the
/// padding; nothing is ever cut.
inline std::string int_text(int value, int width, char fill) {
  const bool negative = value < 0;
  const std::string digits = std::to_string(negative ? -static_cast<long long>(value) : value);
  const size_t body = digits.size() + (negative ? 1 : 0);
  const size_t pad = std::max<size_t>(width > 0 ? static_cast<size_t>(width) : 0, body) - body;
  if (fill == ' ') return std::string(pad, ' ') + (negative ? "-" : "") + digits;
  return (negative ? "-" : "") + std::string(pad, fill) + digits;
}

/// MxString against a model of its elements (the characters within its
/// count, NULs included; slots past the count read as zeros). Writes through
/// a pointer handed out some edits ago count as long as the buffer has not
/// grown, which the model follows with the array's growth policy.
class StringModel : public Model {
public:
  using Model::Model;
  void step() {
    const int op = in.pick(16);
    if (op == 0) assign();
    if (op == 1) from_number();
    if (op == 2) append_number();
    if (op == 3) append_char();
    if (op == 4) append_string();
    if (op == 5) set_size();
    if (op == 6) resize(1 + in.below(m_.size() + 8));
    if (op == 7 || op == 8) write();
    if (op == 9) find();
    if (op == 10) substr();
    if (op == 11) format();
    if (op == 12) compare();
    if (op == 13) copies();
    if (op == 14) blanks(in.pick(3010) - 10);
    if (op == 15) numbers_go_through_the_virtual_append();
    capacity_ = grown(capacity_, m_.size());
  }
  void check() {
    MODEL_CHECK(s_.length() == m_.size() - 1 && elements(s_) == m_);
    MODEL_CHECK(s_.null() == (m_.size() == 1 && m_[0] == '\0'));
    MODEL_CHECK(s_ == text().c_str()); // compare: the buffer may hold no NUL to read up to
  }

private:
  std::string text() const { return c_text(m_); }
  bool terminated() const { return m_.find('\0') != std::string::npos; }
  // Assignment of a string: its count, and its text with terminator over what is kept.
  void assigned(const std::string& other) {
    const std::string t = c_text(other) + '\0';
    m_.resize(other.size(), '\0');
    m_.replace(0, t.size(), t);
  }
  // Appending a string: the count grows by its length, its text goes behind the first NUL.
  void appended(const std::string& t, size_t length) {
    const size_t here = text().size();
    m_.resize(std::max(m_.size() + length, here + t.size() + 1), '\0');
    m_.replace(here, t.size() + 1, t + '\0');
  }
  void assign() {
    const int op = in.pick(3);
    if (op == 0) s_ = static_cast<const char*>(nullptr); // changes nothing
    const std::string t = op == 1 ? in.text(24) : "";
    if (op == 1) s_ = t.c_str(), m_ = t + '\0';
    if (op != 2) return;
    const size_t k = in.below(text().size() + (terminated() ? 1 : 0)); // from its own count
    s_ = s_.as_const_c_string() + k;
    m_ = text().substr(k) + '\0';
  }
  void from_number() {
    const int value = in.flip() ? in.pick(2001) - 1000 : in.raw<int>();
    const int width = in.pick(in.flip() ? 44 : 3104) - 100;
    const char fill = in.flip() ? ' ' : static_cast<char>(in.pick(256));
    const MxString number(value, width, fill);
    MODEL_CHECK(elements(number) == int_text(value, width, fill) + '\0');
    s_ = number;
    assigned(elements(number));
  }
  void append_number() {
    const int op = in.pick(3), i = in.raw<int>();
    const unsigned u = in.raw<unsigned>();
    const double d = in.flip() ? in.raw<double>() : in.pick(20001) / 64.0 - 150.0;
    const int precision = in.pick(in.flip() ? 24 : 1204) - 3; // beyond 1100 counts as 1100
    const bool general = in.flip();
    std::string t = printed(general ? "%.*g" : "%.*f", std::min(precision, 1100), d);
    if (op == 0) s_.append(i), t = std::to_string(i);
    if (op == 1) s_.append(u), t = std::to_string(u);
    if (op == 2) s_.append(d, precision, general);
    appended(t, t.size());
  }
  // A NUL raises the count and leaves the text; a character of the string
  // itself is read while it grows.
  void append_char() {
    const size_t i = in.below(m_.size());
    const bool own = in.flip();
    const char c = own ? m_[i] : in.flip() ? '\0' : static_cast<char>(in.pick(256));
    const size_t here = text().size();
    own ? s_.append(static_cast<const MxString&>(s_)[static_cast<int>(i)]) : s_.append(c);
    m_.resize(std::max(m_.size() + 1, here + (c ? 2 : 1)), '\0');
    m_[here] = c;
    if (c) m_[here + 1] = '\0';
  }
  void append_string() {
    if (terminated() && in.flip()) return append_itself();
    const std::string t = in.text(16);
    MxString other(t.c_str());
    const int nuls = in.pick(3); // a count beyond the text
    for (int k = 0; k < nuls; ++k) other.append('\0');
    s_.append(other);
    appended(t, t.size() + static_cast<size_t>(nuls));
  }
  void append_itself() {
    const std::string own = text();
    const size_t length = m_.size() - 1;
    s_.append(s_);
    appended(own, length);
  }
  void set_size() {
    const int n = in.pick(in.flip() ? 24 : 300) - 2;
    const bool pad = in.flip();
    s_.set_size(n, pad);
    if (n < 0) return expect("mxstring"); // and nothing changes
    const size_t old = m_.size() - 1, count = static_cast<size_t>(n);
    m_.resize(count + 1, '\0');
    m_[count] = '\0';
    if (pad && old < count) std::fill(m_.begin() + static_cast<long>(old), m_.begin() + n, ' ');
  }
  void resize(size_t count) {
    s_.resize(count, in.flip()); // content kept; the caller sees to the terminator
    m_.resize(count, '\0');
  }
  // Through a fresh reference or pointer, or through a pointer taken some edits ago.
  void write() {
    const size_t i = in.below(m_.size());
    const char c = in.pick(4) ? "ab\0"[in.pick(3)] : static_cast<char>(in.pick(256));
    const int through = in.pick(3);
    if (through == 2 && (!held_ || held_capacity_ != capacity_))
      held_ = s_.as_c_string(), held_capacity_ = capacity_;
    (through == 0 ? s_[static_cast<int>(i)] : through == 1 ? s_.as_c_string()[i] : held_[i]) = c;
    m_[i] = c;
  }
  size_t some_start() {
    return in.pick(4) == 0 ? in.raw<size_t>() : in.below(m_.size() + 3); // huge, "negative"
  }
  static size_t narrowed(size_t start) { // to int, and widened again with its sign
    return static_cast<size_t>(static_cast<long long>(static_cast<int>(start)));
  }
  int expected_find(const std::string& n, size_t start) const {
    if (n.empty()) return 0;
    const size_t from = narrowed(start);
    if (m_.size() <= 1 || from >= m_.size() - 1) return -1;
    const std::string tail = c_text(m_.substr(from));
    for (char c : n)
      if (tail.find(c) == std::string::npos) return -1; // the quick rejection
    const size_t at = tail.find(n);
    return at == std::string::npos ? -1 : static_cast<int>(from + at);
  }
  void find() {
    const size_t start = some_start(), at = in.below(text().size() + 1);
    const int op = in.pick(4);
    const std::string n = in.flip() ? text().substr(at, in.below(8)) : in.text(6);
    MxString other(n.c_str());
    other.append('\0'); // a count beyond the text: still the text
    if (op == 0) MODEL_CHECK(s_.find(static_cast<const char*>(nullptr), start) == -1);
    if (op == 1 && terminated()) MODEL_CHECK(s_.find(s_, start) == expected_find(text(), start));
    if (op == 2) MODEL_CHECK(s_.find(n.c_str(), start) == expected_find(n, start));
    if (op == 3) MODEL_CHECK(s_.find(other, start) == expected_find(n, start));
  }
  void substr() {
    const size_t start = some_start();
    const int n = in.flip() ? in.pick(44) - 3 : in.raw<int>();
    const MxString part = s_.substr(start, n);
    const size_t length = m_.size() - 1, first = narrowed(start);
    size_t count = 0;
    if (first < length && n != 0) count = std::min(n < 0 ? length : size_t(n), length - first);
    MODEL_CHECK(elements(part) == (count ? m_.substr(first, count) : "") + '\0');
    if (in.flip()) s_ = part, assigned(elements(part));
  }
  void format() {
    const int size = in.flip() ? in.pick(44) - 2 : in.pick(3002) - 2, op = in.pick(7);
    const std::string a = in.text(40), own = text();
    const int i = in.raw<int>(), p = in.pick(403) - 2;
    const char c = static_cast<char>(in.pick(256));
    const double d = in.raw<double>();
    std::string full;
    const auto both = [&](const char* f, auto... args) {
      full = printed(f, args...);
      s_.format(size, f, args...);
    };
    if (op == 0) both("%s", a.c_str());
    if (op == 1) both("%d|%.*s", i, p, a.c_str());
    if (op == 2) both("%*d", p, i);
    if (op == 3 && !terminated()) return;
    if (op == 3) full = printed("%s<%s>", own.c_str(), a.c_str()); // from its own text
    if (op == 3) s_.format(size, "%s<%s>", s_.as_const_c_string(), a.c_str());
    if (op == 4) both("%c%c", c, c + 1);
    if (op == 5) both("%x-%u", unsigned(i), unsigned(p));
    if (op == 6) both("%g %e", d, d);
    if (size < 0) return expect("mxstring"); // and nothing changes
    capacity_ = grown(capacity_, static_cast<size_t>(size));
    const size_t room = size > 0 ? static_cast<size_t>(size) - 1 : 0;
    m_ = c_text(full.substr(0, room)) + '\0';
    if (full.size() > room || m_.size() > room) expect("mxstring"); // cut, or filling all of size
  }
  void compare() {
    std::string t = in.flip() ? text().substr(0, in.below(text().size() + 1)) : in.text(12);
    if (in.pick(4) == 0) t = text();
    const int order = text().compare(t); // as unsigned characters, as strcmp
    const auto agrees = [&](const auto& rhs) {
      return (s_ == rhs) == (order == 0) && (s_ != rhs) == (order != 0) &&
             (s_ < rhs) == (order < 0) && (s_ <= rhs) == (order <= 0) &&
             (s_ > rhs) == (order > 0) && (s_ >= rhs) == (order >= 0);
    };
    MxString other(t.c_str());
    if (in.flip()) other.append('\0'); // equal texts of different counts are equal
    MODEL_CHECK(agrees(t.c_str()) && agrees(other));
  }
  // Copies are deep; moves leave usable empty strings; self-assignment changes nothing.
  void copies() {
    MxString copy(s_);
    std::string want = text() + '\0';
    want.resize(std::max(want.size(), m_.size()), '\0');
    MODEL_CHECK(copy == s_ && (!terminated() || elements(copy) == want));
    MxString moved(std::move(copy)), assigned("something else");
    MODEL_CHECK(copy.null() && moved == s_);
    copy.append(MxString("x"));
    assigned = std::move(moved);
    MxString& me = assigned;
    assigned = std::move(me);
    MODEL_CHECK(copy == "x" && moved.null() && assigned == s_);
    self_assign(s_);
  }
  void blanks(int n) {
    MODEL_CHECK(elements(mx_blankstring(n)) == std::string(n > 0 ? n : 0, ' ') + '\0');
  }
  void numbers_go_through_the_virtual_append() {
    struct Seen : MxString {
      using MxString::append;
      MxString& append(const MxString& s) override {
        pieces.emplace_back(s.as_const_c_string());
        return MxString::append(s);
      }
      std::vector<std::string> pieces;
    } derived;
    const int i = in.raw<int>();
    const unsigned u = in.raw<unsigned>();
    derived.append(i).append(u).append(in.pick(8001) / 8.0, 3, in.flip());
    MODEL_CHECK(derived.pieces.size() == 3 && derived.pieces[0] == std::to_string(i) &&
                derived.pieces[1] == std::to_string(u));
  }

  MxString s_;
  std::string m_ = std::string(1, '\0');
  size_t capacity_ = 1;
  char* held_ = nullptr;
  size_t held_capacity_ = 0;
};

} // namespace models

#endif
