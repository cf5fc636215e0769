// A hash table of ints derived from MxHashTable against
// std::unordered_multimap<int, int>: inserting, finding and erasing 100000
// random keys, at the default 100 cells and at one cell per key.
#include "mxhash.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <unordered_map>

namespace {

constexpr int kKeys = 100000;

const bench_support::KeySet& keys() {
  static const bench_support::KeySet set(kKeys, 777, 888);
  return set;
}

class IntNode : public MxHashTableNode {
public:
  IntNode(int key, int value) : key(key), value(value) {}
  bool matches(const MxHashTableNode* other) const override {
    return static_cast<const IntNode*>(other)->key == key;
  }
  MxHashTableNode* clone() const override { return new IntNode(*this); }
  int key;
  int value;
};

class IntTable : public MxHashTable {
public:
  explicit IntTable(int cells) : MxHashTable(cells) {}
  void insert(int key, int value) { insert_node(new IntNode(key, value)); }
  IntNode* find(int key) const {
    IntNode probe(key, 0);
    return static_cast<IntNode*>(find_node(&probe));
  }
  bool erase(int key) {
    IntNode* node = find(key);
    if (!node) return false;
    splice_node(node);
    delete node;
    return true;
  }

protected:
  std::uint32_t hash_value(const MxHashTableNode* node) const override {
    return hash_.hash_function(static_cast<const IntNode*>(node)->key);
  }

private:
  MxStdIntHashFunctor hash_;
};

using StdTable = std::unordered_multimap<int, int>;

int cells_for(const benchmark::State& state) {
  return static_cast<int>(state.range(0));
}

size_t buckets_for(const benchmark::State& state) {
  return static_cast<size_t>(state.range(0));
}

void fill(IntTable& table) {
  for (int key : keys().inserted) table.insert(key, key);
}

void fill(StdTable& map) {
  for (int key : keys().inserted) map.emplace(key, key);
}

// Passes the right `fill` overload to the timing loops.
const auto fill_all = [](auto& container) { fill(container); };

void BM_MxHash_Insert(benchmark::State& state) {
  bench_support::time_filling<IntTable>(state, kKeys, fill_all, cells_for(state));
}

void BM_StdHash_Insert(benchmark::State& state) {
  bench_support::time_filling<StdTable>(state, kKeys, fill_all, buckets_for(state));
}

void BM_MxHash_Find(benchmark::State& state) {
  IntTable table(cells_for(state));
  fill(table);
  bench_support::time_probes(state, keys().shuffled,
                             [&table](int key) { return table.find(key)->value; });
}

void BM_StdHash_Find(benchmark::State& state) {
  StdTable map(buckets_for(state));
  fill(map);
  bench_support::time_probes(state, keys().shuffled,
                             [&map](int key) { return map.find(key)->second; });
}

void BM_MxHash_Erase(benchmark::State& state) {
  const auto erase_all = [](IntTable& table) {
    for (int key : keys().shuffled) table.erase(key);
  };
  bench_support::time_draining<IntTable>(state, kKeys, fill_all, erase_all, cells_for(state));
}

void BM_StdHash_Erase(benchmark::State& state) {
  const auto erase_all = [](StdTable& map) {
    for (int key : keys().shuffled) map.erase(map.find(key));
  };
  bench_support::time_draining<StdTable>(state, kKeys, fill_all, erase_all, buckets_for(state));
}

// std::unordered_multimap takes the cell count as a minimum bucket count and
// grows past it; the MxHashTable keeps it.
void cell_counts(benchmark::internal::Benchmark* b) {
  b->Arg(MxHashTable::DEFAULT_SIZE)->Arg(kKeys)->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_MxHash_Insert)->Apply(cell_counts);
BENCHMARK(BM_StdHash_Insert)->Apply(cell_counts);
BENCHMARK(BM_MxHash_Find)->Apply(cell_counts);
BENCHMARK(BM_StdHash_Find)->Apply(cell_counts);
BENCHMARK(BM_MxHash_Erase)->Apply(cell_counts);
BENCHMARK(BM_StdHash_Erase)->Apply(cell_counts);
