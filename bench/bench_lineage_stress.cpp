// Stress test of the lineage graph: 10^6 random admissible recordings over
// 10^5 objects, then simplify_it, then is_valid and the lineage check.
//
// The history is a random modelling session that keeps the graph valid and
// acyclic. 5000 objects are there from the start (the initial objects); the
// others are made one after the other: from nothing, from live objects
// (which live on), by modification, conversion, split, containment and
// absorption; live objects are also deleted. Between these steps come
// further sources for the objects made by CREATION or ABSORPTION: another
// dependency of the same type and qualifier from one of the object's
// ancestors (2 to 64 generations up), which leaves its lineage as it is and
// makes the graph dense. When no further source can be found and no object
// is left to make, the recording is a TRANSFER (admitted, nothing stored).
// Every dependency runs from an older object to a newer one, so the history
// is acyclic, and every recording must be admitted. A creation from several
// objects or an absorption is only made while the new object traces back to
// at most 64 initial objects, which bounds the simplified graph.
//
// Checks (a failed one ends the program with exit status 1):
//   - every recording is admitted, none is reported, and the graph is valid
//     before simplify_it;
//   - before simplify_it, the graph's roots and final objects are the
//     history's, and so are the ultimate sources of every final object;
//   - simplify_it makes no assertion report (with a handler installed it
//     checks the graph between its steps; a valid graph must pass) and
//     leaves a valid graph;
//   - afterwards the root objects and the final objects are the same, and
//     every final object has the same set of ultimate sources as before.
//
// Each phase's time is reported as a counter, in seconds; the history's
// make-up goes to standard error. Environment: MX_STRESS_SEED (another
// history), MX_STRESS_OBJECTS, MX_STRESS_INITIAL, MX_STRESS_RECORDINGS,
// MX_STRESS_UP (the sizes), MX_STRESS_CHECK_STEPS=0 (simplify without a
// handler, so without the checks between the steps).
#include "mxassert.h"
#include "mxjournal.h"
#include "mxobjdependency.h"
#include "support/clients.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using T = MxObjectDependency;

// The sizes, which the environment may change.
long size_from(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text ? std::strtol(text, nullptr, 10) : fallback;
}
const int kObjects = static_cast<int>(size_from("MX_STRESS_OBJECTS", 100000));
const int kInitial = static_cast<int>(size_from("MX_STRESS_INITIAL", kObjects / 20));
const long kRecordings = size_from("MX_STRESS_RECORDINGS", 1000000);
constexpr size_t kMaxUltimate = 64;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "bench_lineage_stress: FAILED: %s\n", what.c_str());
  std::exit(1);
}

long reports = 0;
void count_report(const char*, int) {
  ++reports;
}

using Obj = Plain;
using List = ObjectList;

/// What the history says about one object.
struct Info {
  T::Type incoming = T::UNSPECIFIED; ///< the type of every dependency into it
  bool has_qualifier = false;
  int qualifier = -1;
  bool from_nothing = false; ///< made by a CREATION without source
  bool has_node = false;
  bool live = false;
  uint32_t targets = 0;      ///< dependencies out of it (deletions included)
  std::vector<int> parents;  ///< the sources of the recording that made it
  std::vector<int> sources;  ///< every real source, shortcuts included
  std::vector<int> ultimate; ///< its ultimate sources, sorted
};

std::vector<int> merged(const std::vector<int>& a, const std::vector<int>& b) {
  std::vector<int> out;
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Session {
public:
  explicit Session(uint64_t seed) : rng_(seed), info_(kObjects) {
    objects_.reserve(kObjects);
    for (int i = 0; i < kObjects; ++i) objects_.emplace_back(i + 1);
    for (int i = 0; i < kInitial; ++i) {
      info_[static_cast<size_t>(i)].ultimate = {i};
      info_[static_cast<size_t>(i)].live = true;
      live_.push_back(i);
    }
  }

  /// Records the whole history into `g`.
  void record(MxObjDependency& g) {
    g_ = &g;
    while (recordings_ < kRecordings) {
      const long left = kRecordings - recordings_;
      const int fresh = kObjects - next_;
      const double p = std::min(1.0, 1.3 * fresh / static_cast<double>(left));
      if (fresh > 0 && !live_.empty() && uniform() < p && structure()) continue;
      if (shortcut()) continue;
      if (fresh > 0 && !live_.empty() && structure()) continue;
      transfer();
    }
  }

  void print_mix() const {
    std::fprintf(stderr,
                 "history: %ld recordings (%ld made objects, %ld further sources, %ld deletions, "
                 "%ld transfers), %ld dependencies\n",
                 recordings_, made_, shortcuts_, deletions_, transfers_, dependencies_);
  }

  const Info& info(int i) const { return info_[static_cast<size_t>(i)]; }
  const MxDynObj* object(int i) const { return &objects_[static_cast<size_t>(i)]; }
  int index(const MxDynObj* o) const { return o->identity() - 1; }
  long recordings() const { return recordings_; }
  long dependencies() const { return dependencies_; }

private:
  double uniform() { return std::uniform_real_distribution<double>(0, 1)(rng_); }
  size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  int take_live() {
    const size_t i = pick(live_.size());
    const int o = live_[i];
    live_[i] = live_.back();
    live_.pop_back();
    info_[static_cast<size_t>(o)].live = false;
    return o;
  }
  void put_back(int o) {
    info_[static_cast<size_t>(o)].live = true;
    live_.push_back(o);
  }

  static uint64_t key(int s, int t) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(s + 1)) << 32) |
           static_cast<uint32_t>(t + 1);
  }

  /// Records sources -> targets (-1 sides: none) and updates the history.
  void add(const std::vector<int>& sources, const std::vector<int>& targets, T::Type type,
           bool has_q, int q) {
    std::vector<const MxDynObj*> s, t;
    for (int i : sources) s.push_back(object(i));
    for (int i : targets) t.push_back(object(i));
    bool ok;
    if (s.size() <= 1 && t.size() <= 1) {
      ok = g_->record_dependency(s.empty() ? nullptr : s[0], t.empty() ? nullptr : t[0], type,
                                 has_q ? &q : nullptr, nullptr);
    } else {
      List ls(s), lt(t);
      ok = g_->record_dependency(s.empty() ? nullptr : &ls, t.empty() ? nullptr : &lt, type,
                                 has_q ? &q : nullptr, nullptr);
    }
    if (!ok) fail("recording " + std::to_string(recordings_) + " was not admitted");
    ++recordings_;
    dependencies_ +=
        static_cast<long>(std::max<size_t>(s.size(), 1) * std::max<size_t>(t.size(), 1));
    for (int i : sources) {
      Info& x = info_[static_cast<size_t>(i)];
      x.has_node = true;
      x.targets += static_cast<uint32_t>(std::max<size_t>(targets.size(), 1));
    }
    for (int i : targets) {
      Info& x = info_[static_cast<size_t>(i)];
      x.has_node = true;
      x.incoming = type;
      x.has_qualifier = has_q;
      x.qualifier = has_q ? q : -1;
      if (sources.empty()) x.from_nothing = true;
      for (int k : sources) {
        x.sources.push_back(k);
        pairs_.insert(key(k, i));
      }
      if (sources.empty()) pairs_.insert(key(-1, i));
    }
    if (targets.empty())
      for (int k : sources) pairs_.insert(key(k, -1));
  }

  /// A new object made from `sources` by `type`.
  int make(const std::vector<int>& sources, T::Type type) {
    const int x = next_++;
    ++made_;
    Info& info = info_[static_cast<size_t>(x)];
    info.parents = sources;
    for (int s : sources)
      info.ultimate = merged(info.ultimate, info_[static_cast<size_t>(s)].ultimate);
    if (type == T::CREATION || type == T::ABSORPTION) {
      if (!sources.empty()) multi_.push_back(x);
    }
    return x;
  }

  void qualifier(bool& has_q, int& q) {
    has_q = uniform() < 0.2;
    q = has_q ? static_cast<int>(pick(3)) + 1 : -1;
  }

  size_t union_size(const std::vector<int>& sources) const {
    std::vector<int> all;
    for (int s : sources) all = merged(all, info_[static_cast<size_t>(s)].ultimate);
    return all.size();
  }

  /// One step of the session that makes new objects; false when it made none.
  bool structure() {
    const int fresh = kObjects - next_;
    bool has_q;
    int q;
    qualifier(has_q, q);
    if (uniform() < 0.08 && live_.size() > static_cast<size_t>(kInitial) / 2) {
      delete_one();
      return true;
    }
    const double r = uniform();
    if (r < 0.05) { // made from nothing
      const int x = make({}, T::CREATION);
      add({}, {x}, T::CREATION, has_q, q);
      put_back(x);
      return true;
    }
    if (r < 0.17) { // made from live objects, which live on
      std::vector<int> s{live_[pick(live_.size())]};
      if (uniform() < 0.5) {
        const int other = live_[pick(live_.size())];
        if (other != s[0]) s.push_back(other);
      }
      std::sort(s.begin(), s.end());
      if (union_size(s) > kMaxUltimate) return false;
      const int x = make(s, T::CREATION);
      add(s, {x}, T::CREATION, has_q, q);
      put_back(x);
      return true;
    }
    if (r < 0.50) { // modification or conversion
      const T::Type type = uniform() < 0.7 ? T::MODIFICATION : T::CONVERSION;
      const int s = take_live();
      const int x = make({s}, type);
      add({s}, {x}, type, has_q, q);
      put_back(x);
      return true;
    }
    if (r < 0.75) { // split or containment
      const int n = std::min(fresh, 2 + static_cast<int>(pick(2)));
      if (n < 2) return false;
      const T::Type type = uniform() < 0.7 ? T::SPLIT : T::CONTAINMENT;
      const int s = take_live();
      std::vector<int> parts;
      for (int k = 0; k < n; ++k) parts.push_back(make({s}, type));
      add({s}, parts, type, has_q, q);
      for (int p : parts) put_back(p);
      return true;
    }
    // absorption of two or three live objects
    if (live_.size() < 3) return false;
    std::vector<int> s;
    for (int k = 2 + static_cast<int>(pick(2)); k > 0; --k) s.push_back(take_live());
    if (union_size(s) > kMaxUltimate) {
      for (int o : s) put_back(o);
      return false;
    }
    std::sort(s.begin(), s.end());
    const int x = make(s, T::ABSORPTION);
    add(s, {x}, T::ABSORPTION, has_q, q);
    put_back(x);
    return true;
  }

  /// A further source for an object made by CREATION or ABSORPTION, taken
  /// from its ancestors: its lineage stays the same.
  bool shortcut() {
    if (multi_.empty()) return false;
    for (int attempt = 0; attempt < 16; ++attempt) {
      const int x = multi_[pick(multi_.size())];
      int a = x;
      int depth = 0;
      for (int steps = 2 + static_cast<int>(pick(max_up_ - 1)); steps > 0; --steps) {
        const auto& up = info_[static_cast<size_t>(a)].parents;
        if (up.empty()) break;
        a = up[pick(up.size())];
        ++depth;
      }
      if (depth < 2 || pairs_.count(key(a, x))) continue;
      const Info& xi = info_[static_cast<size_t>(x)];
      add({a}, {x}, xi.incoming, xi.has_qualifier, xi.qualifier);
      ++shortcuts_;
      return true;
    }
    return false;
  }

  void delete_one() {
    const int x = take_live();
    add({x}, {}, T::DELETION, false, 0);
    ++deletions_;
  }

  /// Admitted, nothing stored; only when nothing else can be recorded.
  void transfer() {
    const int x = live_.empty() ? 0 : live_[pick(live_.size())];
    if (!g_->record_dependency(object(x), nullptr, T::TRANSFER, nullptr, nullptr))
      fail("a TRANSFER was not admitted");
    ++recordings_;
    ++transfers_;
  }

  std::mt19937_64 rng_;
  std::vector<Obj> objects_;
  std::vector<Info> info_;
  std::vector<int> live_;
  std::vector<int> multi_; ///< objects made by CREATION or ABSORPTION from real sources
  std::unordered_set<uint64_t> pairs_;
  MxObjDependency* g_ = nullptr;
  int next_ = kInitial;
  long recordings_ = 0;
  long dependencies_ = 0;
  long transfers_ = 0;
  long made_ = 0;
  long shortcuts_ = 0;
  long deletions_ = 0;
  const int max_up_ = static_cast<int>(size_from("MX_STRESS_UP", 64));
};

std::vector<int> answer(const Session& h, const MxObjDependency& g, const MxDynObj* object,
                        bool sources) {
  MxAutoPtr<MxIterator<const MxDynObj*>> it;
  if (sources)
    g.get_source_objects(object, it, nullptr, nullptr);
  else
    g.get_target_objects(object, it, nullptr, nullptr);
  std::vector<int> out;
  for (it->reset(); !it->done(); it->next()) out.push_back(h.index(*it->current()));
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

/// Counts, from the trace lines of a simplification, the work its rules
/// prescribe: steps, removals tried, paths n1 -> n2 -> n3 composed, bridges
/// made (paths not skipped), and triples remembered.
class WorkCounter : public MxJournal {
public:
  void write(const MxString& text) override {
    for (const char* c = text.as_const_c_string(); *c; ++c) {
      if (*c != '\n') {
        line_ += *c;
        continue;
      }
      count(line_);
      line_.clear();
    }
  }
  void flush() override {}
  double steps = 0, removals = 0, paths = 0, skipped = 0, triples = 0;

private:
  void count(const std::string& l) {
    if (l.rfind("\"simplify_step\"", 0) == 0) ++steps;
    if (l.rfind("   n2 = ", 0) == 0) ++removals;
    if (l.rfind("         n3 = ", 0) == 0) ++paths;
    if (l.find("=> skip n3") != std::string::npos ||
        l.find("NULL-object n1 has link with wrong") != std::string::npos)
      ++skipped;
    if (l.find("remember triple") != std::string::npos) ++triples;
  }
  std::string line_;
};

void LineageStress(benchmark::State& state) {
  const char* seed_text = std::getenv("MX_STRESS_SEED");
  const uint64_t seed = seed_text ? std::strtoull(seed_text, nullptr, 10) : 1;
  const char* steps_text = std::getenv("MX_STRESS_CHECK_STEPS");
  const bool check_steps = !steps_text || std::string(steps_text) != "0";
  const char* work_text = std::getenv("MX_STRESS_COUNT_WORK");
  const bool count_work = !work_text || std::string(work_text) != "0";
  for (auto _ : state) {
    auto session = std::make_unique<Session>(seed);
    auto g = std::make_unique<MxObjDependency>();
    set_fnd_assertion_handler(count_report, true);
    reports = 0;

    auto start = std::chrono::steady_clock::now();
    session->record(*g);
    const double t_record = seconds_since(start);
    if (reports != 0) fail("recording made assertion reports");
    session->print_mix();
    const Session& h = *session;

    start = std::chrono::steady_clock::now();
    if (!g->is_valid(nullptr)) fail("the recorded graph is not valid");
    const double t_valid_before = seconds_since(start);

    // The history's roots and final objects, and the graph's view before.
    std::vector<int> roots, finals;
    for (int i = 0; i < kObjects; ++i) {
      const Info& x = h.info(i);
      if (!x.has_node) continue;
      if (i < kInitial) roots.push_back(i);
      if (x.targets == 0) finals.push_back(i);
    }
    start = std::chrono::steady_clock::now();
    if (answer(h, *g, nullptr, true) != roots) fail("root objects differ from the history");
    if (answer(h, *g, nullptr, false) != finals) fail("final objects differ from the history");
    long queried = 0;
    for (int f : finals) {
      if (answer(h, *g, h.object(f), true) != h.info(f).ultimate)
        fail("before simplify_it, the ultimate sources of object " + std::to_string(f) +
             " differ from the history");
      ++queried;
    }
    const double t_query_before = seconds_since(start);

    // The prescribed work, counted on a copy from its trace (not timed).
    WorkCounter work;
    if (count_work) {
      MxObjDependency traced(*g);
      traced.set_trace_journal(&work);
      set_fnd_assertion_handler(count_report, false);
      traced.simplify_it();
      set_fnd_assertion_handler(count_report, true);
    }

    if (!check_steps) set_fnd_assertion_handler(count_report, false);
    start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    g->simplify_it();
    const double t_simplify_cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    const double t_simplify = seconds_since(start);
    set_fnd_assertion_handler(count_report, true);
    if (reports != 0)
      fail("simplify_it of a valid acyclic graph made " + std::to_string(reports) +
           " assertion report(s)");

    start = std::chrono::steady_clock::now();
    if (!g->is_valid(nullptr)) fail("simplify_it left an invalid graph");
    const double t_valid_after = seconds_since(start);

    start = std::chrono::steady_clock::now();
    if (answer(h, *g, nullptr, true) != roots) fail("simplify_it changed the root objects");
    if (answer(h, *g, nullptr, false) != finals) fail("simplify_it changed the final objects");
    size_t largest = 0;
    for (int f : finals) {
      const std::vector<int> got = answer(h, *g, h.object(f), true);
      if (got != h.info(f).ultimate)
        fail("simplify_it changed the ultimate sources of final object " + std::to_string(f) +
             " (" + std::to_string(h.info(f).ultimate.size()) + " before, " +
             std::to_string(got.size()) + " after)");
      largest = std::max(largest, got.size());
    }
    const double t_check = seconds_since(start);
    set_fnd_assertion_handler(count_report, false);

    state.counters["recordings"] = static_cast<double>(h.recordings());
    state.counters["dependencies"] = static_cast<double>(h.dependencies());
    state.counters["roots"] = static_cast<double>(roots.size());
    state.counters["finals"] = static_cast<double>(finals.size());
    state.counters["finals_queried_before"] = static_cast<double>(queried);
    state.counters["largest_lineage"] = static_cast<double>(largest);
    state.counters["record_s"] = t_record;
    state.counters["is_valid_s"] = t_valid_before;
    state.counters["query_before_s"] = t_query_before;
    state.counters["simplify_s"] = t_simplify;
    state.counters["simplify_cpu_s"] = t_simplify_cpu;
    state.counters["is_valid_after_s"] = t_valid_after;
    state.counters["check_after_s"] = t_check;
    state.counters["steps_checked"] = check_steps ? 1 : 0;
    if (count_work) {
      state.counters["steps"] = work.steps;
      state.counters["removals_tried"] = work.removals;
      state.counters["paths_composed"] = work.paths;
      state.counters["bridges_made"] = work.paths - work.skipped;
      state.counters["triples_remembered"] = work.triples;
    }
  }
}
BENCHMARK(LineageStress)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
