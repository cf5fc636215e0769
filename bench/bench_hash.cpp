// A hash table of ints derived from MxHashTable against
// std::unordered_multimap<int, int>: inserting, finding and erasing 100000
// random keys, at the default 100 cells and at one cell per key.
#include "mxhash.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kKeys = 100000;

const std::vector<int>& random_keys() {
  static const std::vector<int> keys = [] {
    std::mt19937 rng(777);
    std::vector<int> k(kKeys);
    for (int& key : k) key = static_cast<int>(rng());
    return k;
  }();
  return keys;
}

const std::vector<int>& shuffled_keys() {
  static const std::vector<int> keys = [] {
    std::vector<int> k = random_keys();
    std::shuffle(k.begin(), k.end(), std::mt19937(888));
    return k;
  }();
  return keys;
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

int cells_for(const benchmark::State& state) {
  return static_cast<int>(state.range(0));
}

void fill(IntTable& table) {
  for (int key : random_keys()) table.insert(key, key);
}

void fill(std::unordered_multimap<int, int>& map) {
  for (int key : random_keys()) map.emplace(key, key);
}

void BM_MxHash_Insert(benchmark::State& state) {
  for (auto _ : state) {
    auto* table = new IntTable(cells_for(state));
    fill(*table);
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdHash_Insert(benchmark::State& state) {
  for (auto _ : state) {
    auto* map = new std::unordered_multimap<int, int>(static_cast<size_t>(state.range(0)));
    fill(*map);
    benchmark::DoNotOptimize(map);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxHash_Find(benchmark::State& state) {
  IntTable table(cells_for(state));
  fill(table);
  for (auto _ : state) {
    long sum = 0;
    for (int key : shuffled_keys()) sum += table.find(key)->value;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdHash_Find(benchmark::State& state) {
  std::unordered_multimap<int, int> map(static_cast<size_t>(state.range(0)));
  fill(map);
  for (auto _ : state) {
    long sum = 0;
    for (int key : shuffled_keys()) sum += map.find(key)->second;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MxHash_Erase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* table = new IntTable(cells_for(state));
    fill(*table);
    state.ResumeTiming();
    for (int key : shuffled_keys()) table->erase(key);
    benchmark::DoNotOptimize(table);
    state.PauseTiming();
    delete table;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_StdHash_Erase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* map = new std::unordered_multimap<int, int>(static_cast<size_t>(state.range(0)));
    fill(*map);
    state.ResumeTiming();
    for (int key : shuffled_keys()) map->erase(map->find(key));
    benchmark::DoNotOptimize(map);
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
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
