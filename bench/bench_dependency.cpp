// The lineage graph: recording (against adjacency lists in
// std::unordered_map), memory per dependency, queries and simplification.
//
// Memory is measured with a counting global operator new: every allocation
// of the process, the library's included, adds its usable size to a counter
// and every release takes it off again. "bytes_per_dep" is the growth of that
// counter while one graph is recorded, divided by the number of recorded
// dependencies (nodes, links, maps and all).
#include "mxassert.h"
#include "mxobjdependency.h"
#include "support/clients.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <unordered_map>
#include <vector>

// ---------------------------------------------------------------------------
// Counting allocator

namespace {
size_t live_bytes = 0;

void* counted_alloc(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  live_bytes += malloc_usable_size(p);
  return p;
}
void counted_free(void* p) {
  if (!p) return;
  live_bytes -= malloc_usable_size(p);
  std::free(p);
}
void* counted_aligned_alloc(size_t n, std::align_val_t a) {
  void* p = nullptr;
  if (posix_memalign(&p, static_cast<size_t>(a), n ? n : 1) != 0) throw std::bad_alloc();
  live_bytes += malloc_usable_size(p);
  return p;
}
} // namespace

void* operator new(size_t n) {
  return counted_alloc(n);
}
void* operator new[](size_t n) {
  return counted_alloc(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  void* p = std::malloc(n ? n : 1);
  if (p) live_bytes += malloc_usable_size(p);
  return p;
}
void* operator new[](size_t n, const std::nothrow_t& t) noexcept {
  return operator new(n, t);
}
void* operator new(size_t n, std::align_val_t a) {
  return counted_aligned_alloc(n, a);
}
void* operator new[](size_t n, std::align_val_t a) {
  return counted_aligned_alloc(n, a);
}
void operator delete(void* p) noexcept {
  counted_free(p);
}
void operator delete[](void* p) noexcept {
  counted_free(p);
}
void operator delete(void* p, size_t) noexcept {
  counted_free(p);
}
void operator delete[](void* p, size_t) noexcept {
  counted_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  counted_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  counted_free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  counted_free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
  counted_free(p);
}

namespace {

using T = MxObjectDependency;

// ---------------------------------------------------------------------------
// Client objects and histories

/// A minimal client object.
using Obj = Plain;

/// The objects of all histories, made once, one after the other.
std::vector<Obj>& objects() {
  static std::vector<Obj> all = [] {
    std::vector<Obj> v;
    v.reserve(3000000);
    for (int i = 0; i < 3000000; ++i) v.emplace_back(i + 1);
    return v;
  }();
  return all;
}

/// One recording: its sources and targets are runs of `History::ends`.
struct Op {
  T::Type type;
  uint32_t first_source, sources, first_target, targets;
};

struct History {
  std::vector<const MxDynObj*> ends;
  std::vector<Op> ops;
  size_t dependencies = 0;
  std::vector<const MxDynObj*> finals;
};

/// An iterator over a run of object pointers.
class Run : public MxIterator<const MxDynObj*> {
public:
  Run(const MxDynObj* const* first, uint32_t count) : first_(first), count_(count) {}
  const MxDynObj** first() override { return const_cast<const MxDynObj**>(first_); }
  void next() override { ++at_; }
  bool done() override { return at_ >= count_; }
  void reset() override { at_ = 0; }
  const MxDynObj** current() override { return const_cast<const MxDynObj**>(first_ + at_); }

private:
  const MxDynObj* const* first_;
  uint32_t count_;
  uint32_t at_ = 0;
};

/// `n` modifications, the i-th from object `step * i` to the next object:
/// a chain for step 1, independent pairs of new objects for step 2.
History modifications(size_t n, size_t step) {
  History h;
  std::vector<Obj>& o = objects();
  h.ends.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t at = static_cast<uint32_t>(h.ends.size());
    h.ends.push_back(&o[step * i]);
    h.ends.push_back(&o[step * i + 1]);
    h.ops.push_back(Op{T::MODIFICATION, at, 1, at + 1, 1});
  }
  h.dependencies = n;
  return h;
}

History chain(size_t n) {
  History h = modifications(n, 1);
  h.finals.push_back(&objects()[n]);
  return h;
}

/// A modelling session over many objects: objects come in (half of them
/// created from nothing, half existing before the session), and are split,
/// absorbed, created from live objects (which live on), modified and
/// deleted; about one object in twenty is alive at a time.
History mix(size_t n, unsigned seed = 7) {
  History h;
  std::vector<Obj>& o = objects();
  std::mt19937 rng(seed);
  size_t next = 0;
  std::vector<const MxDynObj*> live;
  const size_t pool = n / 20 + 8;
  auto take = [&]() {
    const size_t i = rng() % live.size();
    const MxDynObj* x = live[i];
    live[i] = live.back();
    live.pop_back();
    return x;
  };
  auto make = [&]() { return static_cast<const MxDynObj*>(&o[next++]); };
  auto add = [&](T::Type type, std::vector<const MxDynObj*> s, std::vector<const MxDynObj*> t) {
    Op op{type, static_cast<uint32_t>(h.ends.size()), static_cast<uint32_t>(s.size()), 0,
          static_cast<uint32_t>(t.size())};
    h.ends.insert(h.ends.end(), s.begin(), s.end());
    op.first_target = static_cast<uint32_t>(h.ends.size());
    h.ends.insert(h.ends.end(), t.begin(), t.end());
    h.ops.push_back(op);
    h.dependencies += std::max<size_t>(s.size(), 1) * std::max<size_t>(t.size(), 1);
  };
  while (h.dependencies < n) {
    const unsigned r = rng() % 100;
    if (live.size() < pool / 2 || r < 15) { // a new object
      const MxDynObj* t = make();
      if (rng() % 2) add(T::CREATION, {}, {t});
      live.push_back(t);
    } else if (r < 25) { // made from a live object, which lives on
      const MxDynObj* s = live[rng() % live.size()];
      const MxDynObj* t = make();
      add(T::CREATION, {s}, {t});
      live.push_back(t);
    } else if (r < 50) { // split
      const MxDynObj* s = take();
      std::vector<const MxDynObj*> parts;
      for (unsigned k = 2 + rng() % 2; k > 0; --k) parts.push_back(make());
      add(T::SPLIT, {s}, parts);
      live.insert(live.end(), parts.begin(), parts.end());
    } else if (r < 65) { // absorption
      std::vector<const MxDynObj*> s{take(), take()};
      const MxDynObj* t = make();
      add(T::ABSORPTION, s, {t});
      live.push_back(t);
    } else if (r < 85) { // modification
      const MxDynObj* s = take();
      const MxDynObj* t = make();
      add(T::MODIFICATION, {s}, {t});
      live.push_back(t);
    } else if (live.size() > pool) { // deletion
      add(T::DELETION, {take()}, {});
    }
  }
  h.finals = live;
  return h;
}

void record(MxObjDependency& g, const History& h) {
  const MxDynObj* const* ends = h.ends.data();
  for (const Op& op : h.ops) {
    if (op.sources <= 1 && op.targets <= 1) {
      g.record_dependency(op.sources ? ends[op.first_source] : nullptr,
                          op.targets ? ends[op.first_target] : nullptr, op.type, nullptr, nullptr);
    } else {
      Run s(ends + op.first_source, op.sources);
      Run t(ends + op.first_target, op.targets);
      g.record_dependency(op.sources ? &s : nullptr, op.targets ? &t : nullptr, op.type, nullptr,
                          nullptr);
    }
  }
}

/// The baseline: the same edges, both ways, in adjacency lists.
struct Edge {
  const void* other;
  int type;
  int separator;
};
struct Adjacency {
  std::unordered_map<const void*, std::vector<Edge>> targets;
  std::unordered_map<const void*, std::vector<Edge>> sources;
};

void record(Adjacency& a, const History& h) {
  const MxDynObj* const* ends = h.ends.data();
  for (const Op& op : h.ops) {
    const uint32_t ns = op.sources ? op.sources : 1;
    const uint32_t nt = op.targets ? op.targets : 1;
    for (uint32_t i = 0; i < ns; ++i) {
      const void* s = op.sources ? ends[op.first_source + i] : nullptr;
      for (uint32_t j = 0; j < nt; ++j) {
        const void* t = op.targets ? ends[op.first_target + j] : nullptr;
        a.targets[s].push_back(Edge{t, op.type, 0});
        a.sources[t].push_back(Edge{s, op.type, 0});
      }
    }
  }
}

const History& history(bool is_chain, size_t n) {
  static std::unordered_map<size_t, std::unique_ptr<History>> cache;
  const size_t key = n * 2 + (is_chain ? 1 : 0);
  auto& slot = cache[key];
  if (!slot) slot = std::make_unique<History>(is_chain ? chain(n) : mix(n));
  return *slot;
}

// ---------------------------------------------------------------------------
// Recording

const History& pairs_history(size_t n) {
  static std::unordered_map<size_t, std::unique_ptr<History>> cache;
  auto& slot = cache[n];
  if (!slot) slot = std::make_unique<History>(modifications(n, 2));
  return *slot;
}

template <class Store> void recording_of(benchmark::State& state, const History& h) {
  double bytes = 0;
  for (auto _ : state) {
    auto store = std::make_unique<Store>();
    const size_t before = live_bytes;
    record(*store, h);
    bytes = static_cast<double>(live_bytes - before);
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * h.dependencies));
  state.counters["bytes_per_dep"] = bytes / static_cast<double>(h.dependencies);
}

template <class Store> void recording(benchmark::State& state, bool is_chain) {
  recording_of<Store>(state, history(is_chain, static_cast<size_t>(state.range(0))));
}

void RecordChain(benchmark::State& state) {
  recording<MxObjDependency>(state, true);
}
void RecordChainBaseline(benchmark::State& state) {
  recording<Adjacency>(state, true);
}
void RecordMix(benchmark::State& state) {
  recording<MxObjDependency>(state, false);
}
void RecordMixBaseline(benchmark::State& state) {
  recording<Adjacency>(state, false);
}
BENCHMARK(RecordChain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordChainBaseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RecordMix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordMixBaseline)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
void RecordPairs(benchmark::State& state) {
  recording_of<MxObjDependency>(state, pairs_history(static_cast<size_t>(state.range(0))));
}
void RecordPairsBaseline(benchmark::State& state) {
  recording_of<Adjacency>(state, pairs_history(static_cast<size_t>(state.range(0))));
}
BENCHMARK(RecordPairs)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(RecordPairsBaseline)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Queries

const MxObjDependency& graph_of(bool is_chain, size_t n) {
  static std::unordered_map<size_t, std::unique_ptr<MxObjDependency>> cache;
  const size_t key = n * 2 + (is_chain ? 1 : 0);
  auto& slot = cache[key];
  if (!slot) {
    slot = std::make_unique<MxObjDependency>();
    record(*slot, history(is_chain, n));
  }
  return *slot;
}

/// Sources of the final object of a 10^6 long modification chain.
void QueryChainSources(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  const MxObjDependency& g = graph_of(true, n);
  const MxDynObj* last = history(true, n).finals[0];
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  for (auto _ : state)
    benchmark::DoNotOptimize(g.get_source_objects(last, answer, nullptr, nullptr));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n)); // links walked
}
BENCHMARK(QueryChainSources)->Arg(1000000)->Unit(benchmark::kMillisecond);

/// Sources of 10^4 final objects of the mixed history of 10^6 dependencies;
/// items are answers handed out.
void QueryMixSources(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  const MxObjDependency& g = graph_of(false, n);
  const History& h = history(false, n);
  size_t answers = 0;
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  for (auto _ : state) {
    answers = 0;
    for (size_t i = 0; i < h.finals.size() && i < 10000; ++i) {
      const MxDynObj* f = h.finals[i];
      g.get_source_objects(f, answer, nullptr, nullptr);
      answers += static_cast<MxDynObjArrayIterator*>(answer.get())->objects().size();
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * answers));
  state.counters["answers_per_final"] =
      static_cast<double>(answers) / static_cast<double>(std::min<size_t>(h.finals.size(), 10000));
}
BENCHMARK(QueryMixSources)->Arg(1000000)->Unit(benchmark::kMillisecond);

/// A wide history: 2^17 objects absorbed pairwise, level by level, into one;
/// the final object's sources are all of them.
void QueryWideSources(benchmark::State& state) {
  static MxObjDependency g;
  static const MxDynObj* final_object = nullptr;
  const size_t leaves = size_t{1} << 17;
  if (!final_object) {
    std::vector<Obj>& o = objects();
    std::vector<const MxDynObj*> level;
    size_t next = 0;
    for (size_t i = 0; i < leaves; ++i) level.push_back(&o[next++]);
    while (level.size() > 1) {
      std::vector<const MxDynObj*> up;
      for (size_t i = 0; i + 1 < level.size(); i += 2) {
        const MxDynObj* t = &o[next++];
        Run s(&level[i], 2);
        Run tt(&t, 1);
        g.record_dependency(&s, &tt, T::ABSORPTION, nullptr, nullptr);
        up.push_back(t);
      }
      level.swap(up);
    }
    final_object = level[0];
  }
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  for (auto _ : state)
    benchmark::DoNotOptimize(g.get_source_objects(final_object, answer, nullptr, nullptr));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * leaves));
}
BENCHMARK(QueryWideSources)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Simplification, without an assertion handler (no checks between the
// steps) and with one (the graph is checked before and after every step)

int handler_calls = 0;
void counting_handler(const char*, int) {
  ++handler_calls;
}

void simplification(benchmark::State& state, bool is_chain, bool checked = false) {
  const size_t n = static_cast<size_t>(state.range(0));
  const History& h = history(is_chain, n);
  size_t links_after = 0;
  if (checked) set_fnd_assertion_handler(counting_handler, true);
  for (auto _ : state) {
    state.PauseTiming();
    auto g = std::make_unique<MxObjDependency>();
    record(*g, h);
    state.ResumeTiming();
    g->simplify_it();
    state.PauseTiming();
    MxAutoPtr<MxIterator<const MxDynObj*>> roots;
    g->get_source_objects(nullptr, roots, nullptr, nullptr);
    links_after = static_cast<MxDynObjArrayIterator*>(roots.get())->objects().size();
    g.reset();
    state.ResumeTiming();
  }
  if (checked) set_fnd_assertion_handler(counting_handler, false);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * h.dependencies));
  state.counters["roots_after"] = static_cast<double>(links_after);
  state.counters["reports"] = static_cast<double>(handler_calls);
}

void SimplifyChain(benchmark::State& state) {
  simplification(state, true);
}
void SimplifyChainChecked(benchmark::State& state) {
  simplification(state, true, true);
}
void SimplifyMix(benchmark::State& state) {
  simplification(state, false);
}
BENCHMARK(SimplifyChain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifyMix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifyChainChecked)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// One hop after simplification: 10^4 chains of 100 modifications, simplified
// to 10^4 links; each query asks for the targets of one chain's first object.

constexpr size_t kChains = 10000, kChainLength = 100;

const Obj* chain_start(size_t c) {
  return &objects()[c * (kChainLength + 1)];
}

void QueryOneHopAfterSimplify(benchmark::State& state) {
  MxObjDependency g;
  for (size_t c = 0; c < kChains; ++c)
    for (size_t k = 0; k < kChainLength; ++k)
      g.record_dependency(chain_start(c) + k, chain_start(c) + k + 1, T::MODIFICATION, nullptr,
                          nullptr);
  g.simplify_it();
  size_t c = 0, found = 0;
  for (auto _ : state) {
    MxAutoPtr<MxIterator<const MxDynObj*>> answer;
    g.get_target_objects(chain_start(c), answer, nullptr, nullptr);
    found += static_cast<MxDynObjArrayIterator*>(answer.get())->objects().size();
    c = c + 1 == kChains ? 0 : c + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["found_per_query"] = static_cast<double>(found) / state.iterations();
}
BENCHMARK(QueryOneHopAfterSimplify);

void QueryOneHopBaseline(benchmark::State& state) {
  Adjacency a;
  for (size_t c = 0; c < kChains; ++c) {
    a.targets[chain_start(c)].push_back(Edge{chain_start(c) + kChainLength, T::MODIFICATION, 0});
    a.sources[chain_start(c) + kChainLength].push_back(Edge{chain_start(c), T::MODIFICATION, 0});
  }
  size_t c = 0, found = 0;
  for (auto _ : state) {
    std::vector<const void*> answer;
    auto it = a.targets.find(chain_start(c));
    if (it != a.targets.end())
      for (const Edge& e : it->second) answer.push_back(e.other);
    found += answer.size();
    benchmark::DoNotOptimize(answer.data());
    c = c + 1 == kChains ? 0 : c + 1;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["found_per_query"] = static_cast<double>(found) / state.iterations();
}
BENCHMARK(QueryOneHopBaseline);

// ---------------------------------------------------------------------------
// Stacked diamonds: split in two, absorb the parts again, 60 times over. A
// walk that followed every path would never end.

struct Diamonds {
  std::vector<Obj> objects = std::vector<Obj>(3 * 60 + 1);
  void record(MxObjDependency& g) {
    for (size_t i = 0; i + 1 < objects.size(); i += 3) {
      const MxDynObj* ends[] = {&objects[i], &objects[i + 1], &objects[i + 2], &objects[i + 3]};
      Run top(ends, 1), parts(ends + 1, 2), bottom(ends + 3, 1);
      g.record_dependency(&top, &parts, T::SPLIT, nullptr, nullptr);
      g.record_dependency(&parts, &bottom, T::ABSORPTION, nullptr, nullptr);
    }
  }
};

void QueryStackedDiamonds(benchmark::State& state) {
  Diamonds d;
  MxObjDependency g;
  d.record(g);
  size_t found = 0;
  for (auto _ : state) {
    MxAutoPtr<MxIterator<const MxDynObj*>> it;
    g.get_source_objects(&d.objects.back(), it, nullptr, nullptr);
    found += static_cast<MxDynObjArrayIterator*>(it.get())->objects().size();
    g.get_target_objects(&d.objects.front(), it, nullptr, nullptr);
    found += static_cast<MxDynObjArrayIterator*>(it.get())->objects().size();
  }
  state.counters["found_per_query"] = static_cast<double>(found) / (2.0 * state.iterations());
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(QueryStackedDiamonds)->Unit(benchmark::kMicrosecond);

void SimplifyStackedDiamonds(benchmark::State& state) {
  Diamonds d;
  for (auto _ : state) {
    MxObjDependency g;
    d.record(g);
    g.simplify_it();
  }
}
BENCHMARK(SimplifyStackedDiamonds)->Unit(benchmark::kMicrosecond);

} // namespace
