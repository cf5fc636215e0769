// A model-based check of the lineage graph (MxObjDependency), run by the fuzz
// target fuzz/fuzz_lineage.cpp on its input and by a GoogleTest case on
// fixed-seed random input.
//
// The input drives a sequence of operations on one graph over a pool of
// client objects: recordings in both forms (every type, valid and invalid
// values, null objects and null elements, repeated objects, qualifiers,
// roles, self links and cycles), separators and settings, queries with and
// without a link filter, dumps in both forms and at every level, node and
// link filters for the dumps, is_valid, copies, the refused removal
// operations and simplify_it. The first value chooses how recordings are made:
//   - raw: any type and any shape over the first 8 objects of the pool;
//   - history: admissible recordings that follow a modelling session (an
//     object, once split, absorbed, modified or deleted, is not used again),
//     with now and then a raw recording among them.
//
// Next to the graph runs a model: the recorded dependencies. While the graph
// holds exactly the recorded dependencies (until the first simplify_it) the
// model predicts the result and the assertion reports of every recording,
// the answers of the queries of an acyclic graph, the values every filter is
// called with, and is_valid. A union of every dependency ever recorded tells
// whether the history is acyclic (the null object counts as two nodes, one
// for creations and one for deletions, as it is no object).
//
// The run aborts on any disagreement with the model, and when simplify_it of
// a valid graph with an acyclic history reports to the assertion handler,
// leaves a graph that is_valid refuses, changes the root objects, loses a
// final object, changes the ultimate sources of a final object, depends on
// whether a trace is written, or has anything left to do when called again
// (a link left between intermediate objects). Assertion reports are
// otherwise only counted: misuse is reported by design.
#ifndef MXFOUNDATION_TESTS_SUPPORT_LINEAGE_MODEL_H
#define MXFOUNDATION_TESTS_SUPPORT_LINEAGE_MODEL_H

#include "clients.h"
#include "mxassert.h"
#include "mxjournal.h"
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstandardattribs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lineage_model {

using T = MxObjectDependency;

// ---------------------------------------------------------------------------
// Failures and reports

inline int reports = 0;
inline const char* last_report_tag = "";
inline int last_report_line = 0;
inline const char* current_operation = "";

inline void count_report(const char* tag, int line) {
  ++reports;
  last_report_tag = tag;
  last_report_line = line;
}

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "lineage model: %s (operation: %s; last report: %s line %d)\n", what,
               current_operation, last_report_tag, last_report_line);
  std::abort();
}

inline void expect(bool condition, const char* what) {
  if (!condition) fail(what);
}

// ---------------------------------------------------------------------------
// Client objects, roles, journal

/// A model object; some carry a name attribute, which dumps print.
class Part : public MxObject {
public:
  MxDynObj* clone() const override { return new Part(*this); }
};

constexpr int raw_pool_size = 8;
constexpr int max_pool_size = 512;

/// Plain objects at even indices, parts at odd ones; the pool lives as long
/// as the process.
struct Pool {
  Pool() {
    for (int i = 0; i < max_pool_size; ++i) {
      Part* part = i % 2 ? new Part : nullptr;
      if (i % 4 == 1) part->add_attrib(new MxNameAttrib(MxString("part ").append(i)));
      objects.push_back(part ? static_cast<MxDynObj*>(part) : new Plain(1000000 + i));
      index[objects.back()] = i;
    }
  }
  std::vector<const MxDynObj*> objects;
  std::map<const MxDynObj*, int> index;

  /// The object of index `i`; -1 is the null object.
  const MxDynObj* at(int i) const { return i < 0 ? nullptr : objects[static_cast<size_t>(i)]; }
  /// The index of `o`; -1 for null. An object not of the pool fails the run.
  int of(const MxDynObj* o) const {
    if (!o) return -1;
    auto it = index.find(o);
    if (it == index.end()) fail("the graph handed out an object it was never given");
    return it->second;
  }
};

inline Pool& pool() {
  static Pool* p = new Pool;
  return *p;
}

/// A role whose copies keep its identity (the base class's copy rule).
class KeepRole : public MxObjectDependencyRole {
public:
  MxDynObj* clone() const override { return new KeepRole(*this); }
};

/// A role whose clone is no role at all: the graph must store null and must
/// not leak the clone.
class OddRole : public MxObjectDependencyRole {
public:
  MxDynObj* clone() const override { return new Plain(7); }
};

enum RoleKind { NO_ROLE = 0, ARTIFICIAL_ROLE = 1, KEEP_ROLE = 2, ODD_ROLE = 3 };

inline const MxObjectDependencyRole* role_of(int kind) {
  static const MxObjectDependencyRole* const roles[] = {nullptr, new MxArtificialObjectDependency,
                                                        new KeepRole, new OddRole};
  return roles[kind];
}

/// Whether the graph stores a role for a recording made with `kind`.
inline bool stores_role(int kind) {
  return kind == ARTIFICIAL_ROLE || kind == KEEP_ROLE;
}

/// The pool indices an answer iterator yields.
inline std::vector<int> drain(MxIterator<const MxDynObj*>* it) {
  std::vector<int> out;
  if (!it) return out;
  for (it->reset(); !it->done(); it->next()) {
    const MxDynObj** p = it->current();
    expect(p != nullptr, "an answer iterator handed out no element");
    out.push_back(pool().of(*p));
  }
  return out;
}

// ---------------------------------------------------------------------------
// The model

/// A recorded dependency: pool indices (-1 for the null object), type,
/// qualifier (-1 when there is none), separator and RoleKind.
struct Dependency {
  int source, target;
  T::Type type;
  bool has_qualifier;
  int qualifier, separator, role;
};

struct Model {
  explicit Model(int size) : size(size), history(static_cast<size_t>(size) + 2) {}

  int size; ///< objects in play
  std::vector<Dependency> deps;
  std::map<std::pair<int, int>, size_t> at;
  std::map<int, std::vector<size_t>> in, out; ///< deps entering, leaving a node
  std::set<int> nodes; ///< pool indices with a node, -1 for the null-object node
  bool exact = true;   ///< the graph holds exactly `deps`

  // The union of every recorded dependency, for the acyclicity of the
  // history: node `size` is the null object as a source, `size` + 1 the null
  // object as a target.
  std::vector<std::set<int>> history;
  bool acyclic = true;

  const Dependency* find(int s, int t) const {
    auto it = at.find({s, t});
    return it == at.end() ? nullptr : &deps[it->second];
  }
  bool has_node(int i) const { return nodes.count(i) != 0; }

  std::vector<const Dependency*> links(int n, bool incoming) const {
    std::vector<const Dependency*> result;
    const auto& index = incoming ? in : out;
    auto it = index.find(n);
    if (it != index.end())
      for (size_t k : it->second) result.push_back(&deps[k]);
    return result;
  }
  std::vector<const Dependency*> sources_of(int n) const { return links(n, true); }
  std::vector<const Dependency*> targets_of(int n) const { return links(n, false); }

  bool reaches(int from, int to) const {
    std::vector<int> stack{from};
    std::set<int> seen{from};
    while (!stack.empty()) {
      const int n = stack.back();
      stack.pop_back();
      if (n == to) return true;
      for (int m : history[static_cast<size_t>(n)])
        if (seen.insert(m).second) stack.push_back(m);
    }
    return false;
  }

  void note_history(int s, int t) {
    const int u = s < 0 ? size : s;
    const int v = t < 0 ? size + 1 : t;
    if (u == v || reaches(v, u)) acyclic = false;
    history[static_cast<size_t>(u)].insert(v);
  }

  void add(const Dependency& d) {
    note_history(d.source, d.target);
    if (!exact) return;
    at[{d.source, d.target}] = deps.size();
    in[d.target].push_back(deps.size());
    out[d.source].push_back(deps.size());
    deps.push_back(d);
    nodes.insert(d.source);
    nodes.insert(d.target);
  }

  /// The qualifier all incoming dependencies of `n` share, when it has some.
  bool same_incoming_qualifier(int n, int& q) const {
    const auto incoming = sources_of(n);
    if (incoming.empty()) return false;
    for (const Dependency* d : incoming)
      if (!d->has_qualifier || d->qualifier != incoming[0]->qualifier) return false;
    q = incoming[0]->qualifier;
    return true;
  }

  /// The rules of one node (is_valid's, as far as recording can break them).
  bool node_keeps_rules(int n1) const {
    const auto leaving = targets_of(n1);
    for (const Dependency* l : leaving) {
      const int n2 = l->target;
      if ((n1 < 0 && l->type != T::CREATION) || (n2 < 0 && l->type != T::DELETION)) return false;
      if (l->type < T::CREATION || l->type > T::CONTAINMENT) return false;
      if (l->type == T::DELETION && n2 >= 0) return false;
      const size_t n2_sources = sources_of(n2).size();
      if ((l->type == T::MODIFICATION || l->type == T::CONVERSION) && n2_sources >= 2) return false;
      if (l->type != T::SPLIT && l->type != T::CONTAINMENT) continue;
      if (n2_sources > 1) return false;
      auto sibling = [&](const Dependency* o) {
        return o != l && o->type == l->type && o->has_qualifier == l->has_qualifier &&
               o->qualifier == l->qualifier;
      };
      if (std::none_of(leaving.begin(), leaving.end(), sibling)) return false;
    }
    const auto entering = sources_of(n1);
    for (const Dependency* l : entering)
      if (l->type != entering[0]->type || l->has_qualifier != entering[0]->has_qualifier ||
          (l->has_qualifier && l->qualifier != entering[0]->qualifier))
        return false;
    return true;
  }

  /// is_valid as the model sees it: the rules hold for every node, reached
  /// from a root or not, and every source is reached from a root.
  bool valid() const {
    std::vector<int> queue, back;
    std::set<int> seen, seen_back;
    for (int n : nodes) {
      if (n < 0 ? !targets_of(n).empty() : sources_of(n).empty()) queue.push_back(n);
      if (n < 0 ? !sources_of(n).empty() : targets_of(n).empty()) back.push_back(n);
      if (!node_keeps_rules(n)) return false;
    }
    seen.insert(queue.begin(), queue.end());
    for (size_t k = 0; k < queue.size(); ++k)
      for (const Dependency* l : targets_of(queue[k]))
        if (seen.insert(l->target).second) queue.push_back(l->target);
    seen_back.insert(back.begin(), back.end());
    for (size_t k = 0; k < back.size(); ++k)
      for (const Dependency* l : sources_of(back[k])) {
        if (seen_back.insert(l->source).second) back.push_back(l->source);
        if (!seen.count(l->source)) return false;
      }
    return true;
  }
};

/// The shape check of the recording operations. An absorption from nothing
/// is refused: the null-object node only creates.
inline bool admitted(int s, int t, int type) {
  if (type < T::TRANSFER || type > T::CONTAINMENT || (type == T::ABSORPTION && s == 0))
    return false;
  if (s <= 0 && t <= 0) return false;
  if (!(s == 1 && t == 1)) {
    if (type == T::MODIFICATION || type == T::CONVERSION) return false;
    if (type == T::CREATION && t != 1) return false;
    if (!(s > 0 && t < 1) && (type == T::TRANSFER || type == T::DELETION)) return false;
  }
  if (s == 1 && t == 1 && (type == T::TRANSFER || type == T::DELETION)) return false;
  if (!(s == 1 && t > 1)) {
    if (type == T::SPLIT || type == T::CONTAINMENT) return false;
    if (t == 1) return true;
  }
  return type != T::ABSORPTION;
}

// ---------------------------------------------------------------------------
// Filters

/// A link filter with a rule chosen by the input. While the model is exact,
/// every call is checked against the recorded dependency it names.
class LinkFilter : public MxObjectDependencyFilter {
public:
  LinkFilter(const Model& model, int rule, int value) : model_(model), rule_(rule), value_(value) {}

  bool accept(const MxDynObj* source, const MxDynObj* target, T::Type type, int separator,
              const int* target_qualifier, const MxObjectDependencyRole* role) override {
    const int s = pool().of(source);
    const int t = pool().of(target);
    // A clone keeps the identity of a plain role; an artificial one takes a new one.
    const bool keeps = dynamic_cast<const KeepRole*>(role);
    expect(!role || role->isA(MxObjectDependencyRole::type_id()), "a filter was handed a non-role");
    if (keeps || dynamic_cast<const MxArtificialObjectDependency*>(role))
      expect((role->identity() == role_of(keeps ? KEEP_ROLE : ARTIFICIAL_ROLE)->identity()) ==
                 keeps,
             "a role clone broke its identity rule");
    if (model_.exact) {
      const Dependency* d = model_.find(s, t);
      expect(d != nullptr, "a filter was asked about a dependency never recorded");
      expect(d->type == type && d->separator == separator,
             "a filter was handed the wrong type or separator");
      expect(d->has_qualifier == (target_qualifier != nullptr) &&
                 (!target_qualifier || *target_qualifier == d->qualifier),
             "a filter was handed the wrong qualifier");
      expect(stores_role(d->role) == (role != nullptr), "a filter was handed the wrong role");
    }
    return decide(s, t, type, separator, target_qualifier != nullptr, role != nullptr);
  }

  bool decide(int s, int t, int type, int separator, bool has_q, bool has_role) const {
    const bool verdicts[] = {true,
                             type != value_ % 9,
                             (separator & 1) == (value_ & 1),
                             !has_q,
                             !has_role,
                             s < 0 || s % 3 != value_ % 3,
                             s >= 0 && t >= 0,
                             false};
    return verdicts[rule_];
  }

private:
  const Model& model_;
  int rule_;
  int value_;
};

/// A node filter for dumps.
class NodeFilter : public MxObjectDependencyNodeFilter {
public:
  NodeFilter(int rule, int value) : rule_(rule), value_(value) {}
  bool accept(const MxDynObj* object) const override {
    const int i = pool().of(object);
    const bool verdicts[] = {true, i < 0 || i % 3 != value_ % 3, i >= 0, false};
    return verdicts[rule_];
  }

private:
  int rule_;
  int value_;
};

// ---------------------------------------------------------------------------
// Input for the GoogleTest run: the calls of libFuzzer's FuzzedDataProvider
// that the run makes, answered from a seeded generator; `length` values.

class RandomInput {
public:
  RandomInput(unsigned seed, size_t length) : rng_(seed), left_(length) {}
  size_t remaining_bytes() const { return left_; }
  bool ConsumeBool() { return ConsumeIntegralInRange(0, 1) == 1; }
  template <class I> I ConsumeIntegral() {
    return static_cast<I>(ConsumeIntegralInRange<long long>(0, 255));
  }
  template <class I> I ConsumeIntegralInRange(I low, I high) {
    if (left_ > 0) --left_;
    const auto span = static_cast<unsigned long long>(high - low) + 1;
    return static_cast<I>(low + static_cast<I>(rng_() % span));
  }

private:
  std::mt19937_64 rng_;
  size_t left_;
};

// ---------------------------------------------------------------------------
// The run

/// One run over `Input` (FuzzedDataProvider or RandomInput) with the first
/// `pool_size` objects of the pool in play.
template <class Input> class LineageRun {
public:
  LineageRun(Input& in, int pool_size) : in_(in), pool_size_(pool_size), model_(pool_size) {
    set_fnd_assertion_handler(count_report, true);
  }
  ~LineageRun() {
    graph_.reset(); // before the filters it refers to
    set_fnd_assertion_handler(count_report, false);
  }

  void run() {
    history_mode_ = in_.ConsumeBool();
    for (int i = 0; i < pool_size_; ++i) fresh_.push_back(i);
    while (in_.remaining_bytes() > 0) step();
    current_operation = "final simplify_it";
    simplify();
  }

  /// Whether a history session makes a raw recording now and then, and
  /// whether the graph is simplified at the end only (is_valid instead).
  bool raw_in_history = true, simplify_at_end_only = false;
  /// How many simplifications had their promises checked.
  int checked_simplifications = 0;

private:
  // -------------------------------------------------------------------------
  // Recording

  /// The single form names a source and a target (-1: none); the iterator
  /// form has sides that are null, empty or lists (-1 elements are null).
  struct Recording {
    bool single = true, null_sources = false, null_targets = false, has_qualifier = false;
    int source = -1, target = -1, qualifier = 0, role = NO_ROLE;
    std::vector<int> sources, targets;
    T::Type type = T::UNSPECIFIED;
  };

  int some_object(bool allow_null) {
    if (allow_null && in_.ConsumeIntegralInRange(0, 5) == 0) return -1;
    return in_.ConsumeIntegralInRange(0, raw_pool_size - 1);
  }

  void decorate(Recording& r) {
    r.has_qualifier = in_.ConsumeIntegralInRange(0, 3) == 0;
    r.qualifier = in_.ConsumeIntegralInRange(-2, 3);
    r.role = in_.ConsumeIntegralInRange(0, 7);
    if (r.role > ODD_ROLE) r.role = NO_ROLE;
  }

  void raw_recording() {
    current_operation = "raw recording";
    static const int types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 9, 1000};
    Recording r;
    r.type = static_cast<T::Type>(types[in_.template ConsumeIntegralInRange<size_t>(0, 11)]);
    r.single = in_.ConsumeBool();
    if (r.single) {
      r.source = some_object(true);
      r.target = some_object(true);
    } else {
      auto side = [&](bool& null_side, std::vector<int>& list) {
        const int n = in_.ConsumeIntegralInRange(-1, 3);
        null_side = n < 0;
        for (int k = 0; k < n; ++k)
          list.push_back(in_.ConsumeIntegralInRange(0, 15) == 0 ? -1 : some_object(false));
      };
      side(r.null_sources, r.sources);
      side(r.null_targets, r.targets);
    }
    decorate(r);
    record(r);
  }

  size_t some_live() { return in_.template ConsumeIntegralInRange<size_t>(0, live_.size() - 1); }

  int take_live() {
    const size_t i = some_live();
    const int o = live_[i];
    live_.erase(live_.begin() + static_cast<long>(i));
    return o;
  }

  int make_fresh() {
    const int o = fresh_.front();
    fresh_.erase(fresh_.begin());
    return o;
  }

  /// One step of a modelling session; nothing once the pool has run out.
  void history_recording() {
    current_operation = "history recording";
    Recording r;
    r.single = false;
    const int kind = in_.ConsumeIntegralInRange(0, 9);
    const size_t fresh = fresh_.size();
    if (kind == 9 || (live_.empty() && kind != 0)) {
      if (kind == 9 && raw_in_history)
        raw_recording();
      else if (fresh > 0)
        kind_creation(r);
      return;
    }
    if (kind == 0) { // created from nothing
      if (fresh > 0) kind_creation(r);
      return;
    }
    // Made from live objects, which live on; modified; converted; split;
    // contained; absorbed; deleted; transferred (admitted, nothing stored).
    static const T::Type types[] = {T::CREATION,   T::CREATION, T::MODIFICATION,
                                    T::CONVERSION, T::SPLIT,    T::CONTAINMENT,
                                    T::ABSORPTION, T::DELETION, T::TRANSFER};
    r.type = types[kind];
    const int n_targets = kind == 4 || kind == 5 ? in_.ConsumeIntegralInRange(2, 3) : kind < 7;
    if (fresh < static_cast<size_t>(n_targets)) return;
    const int at_most_3 = std::min<int>(3, static_cast<int>(live_.size()));
    const int n_sources = kind == 1 || kind == 6 ? in_.ConsumeIntegralInRange(1, at_most_3) : 1;
    std::set<int> chosen; // a creation's sources, each once
    for (int k = 0; k < n_sources; ++k) {
      if (kind == 1)
        chosen.insert(live_[some_live()]);
      else
        r.sources.push_back(kind == 8 ? live_[some_live()] : take_live());
    }
    r.sources.insert(r.sources.end(), chosen.begin(), chosen.end());
    for (int k = 0; k < n_targets; ++k) r.targets.push_back(make_fresh());
    r.null_sources = r.sources.empty() && in_.ConsumeBool();
    r.null_targets = r.targets.empty() && in_.ConsumeBool();
    // One source and at most one target: the single form as often.
    if (r.sources.size() <= 1 && r.targets.size() <= 1 && in_.ConsumeBool()) {
      r.single = true;
      r.source = r.sources.empty() ? -1 : r.sources[0];
      r.target = r.targets.empty() ? -1 : r.targets[0];
    }
    decorate(r);
    // Deletions share the null-object node, whose sources must agree.
    if (r.type == T::DELETION) r.has_qualifier = false;
    if (record(r) || r.type == T::TRANSFER)
      live_.insert(live_.end(), r.targets.begin(), r.targets.end());
  }

  void kind_creation(Recording& r) {
    r.type = T::CREATION;
    r.targets.push_back(make_fresh());
    r.null_sources = in_.ConsumeBool();
    r.single = in_.ConsumeBool();
    r.target = r.targets[0];
    decorate(r);
    if (record(r)) live_.push_back(r.target);
  }

  /// Records `r` and checks the result against the model's prediction.
  bool record(const Recording& r) {
    Model& m = model_;
    const int q = r.qualifier;
    const int* qualifier = r.has_qualifier ? &q : nullptr;
    const MxObjectDependencyRole* role = role_of(r.role);
    // Every (source, target) pair the recording stands for; -1: the null object.
    std::vector<int> sources{r.source}, targets{r.target};
    int ns = r.source >= 0 ? 1 : 0, nt = r.target >= 0 ? 1 : 0;
    bool result = false;
    const int before = reports;
    if (r.single) {
      result = graph_->record_dependency(pool().at(r.source), pool().at(r.target), r.type,
                                         qualifier, role);
    } else {
      auto objects = [](const std::vector<int>& list) {
        std::vector<const MxDynObj*> out;
        for (int i : list) out.push_back(pool().at(i));
        return out;
      };
      ns = static_cast<int>(r.sources.size());
      nt = static_cast<int>(r.targets.size());
      sources = r.sources.empty() ? std::vector<int>{-1} : r.sources;
      targets = r.targets.empty() ? std::vector<int>{-1} : r.targets;
      // Both start wherever the run leaves them: the graph must reset them.
      ObjectList s(objects(r.sources), r.sources.size() / 2);
      ObjectList t(objects(r.targets), r.targets.size());
      result = graph_->record_dependency(r.null_sources ? nullptr : &s,
                                         r.null_targets ? nullptr : &t, r.type, qualifier, role);
    }
    const int reported = reports - before;

    if (!admitted(ns, nt, r.type)) {
      expect(!result && reported == 0, "a recording of a refused shape returned true or reported");
      return false;
    }
    if (r.type == T::TRANSFER) {
      expect(result && reported == 0, "a TRANSFER of an admitted shape was refused or reported");
      return true;
    }
    if (m.exact) {
      const bool null_element = std::count(sources.begin(), sources.end(), -1) > (ns == 0) ||
                                std::count(targets.begin(), targets.end(), -1) > (nt == 0);
      bool ok = !null_element;
      for (int s : sources)
        for (int t : targets) ok = ok && !m.find(s, t);
      ok = ok && std::set<int>(sources.begin(), sources.end()).size() == sources.size() &&
           std::set<int>(targets.begin(), targets.end()).size() == targets.size();
      expect(result == ok, "recording result differs from the model");
    }
    expect(reported == (result ? 0 : 1), "a recording reported other than once for a refusal");
    if (!result) return false;

    // Qualifier inheritance of absorptions.
    bool has_q = r.has_qualifier;
    int value = q;
    if (inherits_ && !r.has_qualifier && r.type == T::ABSORPTION && m.exact) {
      int common = 0;
      bool all = true;
      for (size_t k = 0; all && k < sources.size(); ++k) {
        int qk = 0;
        all = m.same_incoming_qualifier(sources[k], qk) && (k == 0 || qk == common);
        common = qk;
      }
      has_q = all;
      value = all ? common : q;
    }
    for (int s : sources)
      for (int t : targets)
        m.add(Dependency{s, t, r.type, has_q, has_q ? value : -1, separator_, r.role});
    return true;
  }

  // -------------------------------------------------------------------------
  // Queries

  LinkFilter* some_link_filter() {
    if (in_.ConsumeBool()) return nullptr;
    const int rule = in_.ConsumeIntegralInRange(0, 7);
    const int value = in_.template ConsumeIntegral<uint8_t>();
    link_filters_.push_back(std::make_unique<LinkFilter>(model_, rule, value));
    return link_filters_.back().get();
  }

  /// The walk of a query: each node is entered once.
  void walk_model(int n, bool backwards, const LinkFilter* filter, std::vector<int>& found,
                  bool& filtered, bool& reached_null, std::set<int>& entered) const {
    if (n < 0) {
      reached_null = true;
      return;
    }
    if (!entered.insert(n).second) return;
    const auto links = model_.links(n, backwards);
    if (links.empty()) found.push_back(n);
    for (const Dependency* d : links) {
      if (filter && !filter->decide(d->source, d->target, d->type, d->separator, d->has_qualifier,
                                    stores_role(d->role))) {
        filtered = true;
        continue;
      }
      walk_model(backwards ? d->source : d->target, backwards, filter, found, filtered,
                 reached_null, entered);
    }
  }

  void query() {
    const bool backwards = in_.ConsumeBool();
    current_operation = backwards ? "get_source_objects" : "get_target_objects";
    const int object =
        in_.ConsumeIntegralInRange(0, 7) == 0
            ? -1
            : in_.ConsumeIntegralInRange(0, history_mode_ ? pool_size_ - 1 : raw_pool_size - 1);
    LinkFilter* filter = some_link_filter();
    bool filtered = true;
    bool* filtered_out = in_.ConsumeBool() ? &filtered : nullptr;
    const bool result = ask(pool().at(object), backwards, filter, filtered_out, answer_);
    std::vector<int> got = drain(answer_.get());
    expect(std::find(got.begin(), got.end(), -1) == got.end(), "a query answered the null object");
    if (filtered_out && object < 0) expect(!filtered, "a query of all roots or leaves filtered");

    if (!model_.exact || !model_.acyclic) return;
    std::vector<int> want;
    bool want_filtered = false, reached_null = false;
    if (object < 0) {
      for (int n : model_.nodes)
        if (n >= 0 && model_.links(n, backwards).empty()) want.push_back(n);
    } else if (model_.has_node(object)) {
      std::set<int> entered;
      walk_model(object, backwards, filter, want, want_filtered, reached_null, entered);
    }
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    expect(got == want, "query answer differs from the model");
    expect(result == (!want.empty() || (backwards && reached_null)),
           "query result differs from the model");
    if (filtered_out) expect(filtered == want_filtered, "query 'filtered' differs from the model");
  }

  // -------------------------------------------------------------------------
  // Validity, dumps and their filters

  void check_validity() {
    current_operation = "is_valid";
    const bool valid = graph_->is_valid(nullptr);
    SinkJournal j;
    expect(graph_->is_valid(&j) == valid, "is_valid with and without a journal differ");
    expect(valid == (j.written == 0), "is_valid wrote errors for a valid graph, or none");
    if (model_.exact) expect(valid == model_.valid(), "is_valid differs from the model");
  }

  void dump() {
    current_operation = "debug";
    SinkJournal j;
    j.capture = true;
    const bool dotty = in_.ConsumeBool();
    const MxDebug level = static_cast<MxDebug>(in_.ConsumeIntegralInRange(0, 3));
    const bool check = in_.ConsumeBool();
    const int indent = in_.ConsumeIntegralInRange(-2, 9);
    graph_->set_dotty_output_format(dotty);
    expect(graph_->dotty_output_format() == dotty, "dotty_output_format not kept");
    graph_->debug(j, level, check, indent);
    const std::string& text = j.text;
    if (level == MxDebugNone) return;
    const bool valid = graph_->is_valid(nullptr);
    auto has = [&](const char* line) { return text.find(line) != std::string::npos; };
    if (dotty) {
      expect(text.rfind("strict digraph ObjectDependency {\n", 0) == 0 && text.size() >= 2 &&
                 text.compare(text.size() - 2, 2, "}\n") == 0,
             "dot dump does not open and close the digraph");
      expect(has("xxx [label=\"MxObjDependecy is invalid\",color=\"red\"];") == !valid,
             "dot dump's invalid marker disagrees with is_valid");
    } else if (check) {
      expect(has("MxObjDependency is valid\n") == valid &&
                 has("MxObjDependency is not valid\n") == !valid,
             "text dump's integrity verdict disagrees with is_valid");
    }
  }

  static std::string full_dump(MxObjDependency& g, bool dotty) {
    SinkJournal j;
    j.capture = true;
    const bool was = g.dotty_output_format();
    g.set_dotty_output_format(dotty);
    g.debug(j, MxDebugFull, true, 0);
    g.set_dotty_output_format(was);
    return j.text;
  }

  void node_filters() {
    current_operation = "debug node filters";
    switch (in_.ConsumeIntegralInRange(0, 4)) {
    case 0:
      graph_->remove_debug_node_filters();
      node_filter_count_ = 0;
      return;
    case 1:
      graph_->reset_debug_link_filter();
      return;
    case 2: {
      LinkFilter* f = some_link_filter();
      graph_->set_debug_link_filter(f);
      return;
    }
    }
    if (node_filter_count_ >= 4) return;
    ++node_filter_count_;
    const auto type = static_cast<T::DebugNodeFilterType>(in_.ConsumeIntegralInRange(0, 3));
    if (in_.ConsumeIntegralInRange(0, 7) == 0) {
      graph_->add_debug_node_filter(type, nullptr); // reported when used, then ignored
      return;
    }
    const int rule = in_.ConsumeIntegralInRange(0, 3);
    const int value = in_.template ConsumeIntegral<uint8_t>();
    node_filters_.push_back(std::make_unique<NodeFilter>(rule, value));
    graph_->add_debug_node_filter(type, node_filters_.back().get());
  }

  // -------------------------------------------------------------------------
  // Copies, refused removals, simplification

  void copy() {
    current_operation = "copy";
    auto copy = std::make_unique<MxObjDependency>(*graph_);
    MxObjDependency assigned;
    assigned.new_separator();
    assigned = *graph_;
    expect(copy->current_separator() == graph_->current_separator() &&
               assigned.current_separator() == graph_->current_separator(),
           "a copy lost the separator");
    // A copy that lost a back link would also fail the check in the dump.
    if (graph_->is_valid(nullptr)) {
      const std::string original = full_dump(*graph_, true);
      expect(full_dump(*copy, true) == original && full_dump(assigned, true) == original,
             "a copy dumps differently");
    }
    if (in_.ConsumeBool()) graph_ = std::move(copy);
  }

  void refused_removal() {
    current_operation = "remove_source_object / remove_target_object";
    const int object = some_object(true);
    const std::string before = full_dump(*graph_, true);
    const int r0 = reports;
    const bool result = in_.ConsumeBool()
                            ? graph_->remove_source_object(pool().at(object), in_.ConsumeBool())
                            : graph_->remove_target_object(pool().at(object), in_.ConsumeBool());
    expect(!result && reports == r0 + 1, "a removal was done, or not reported once");
    expect(full_dump(*graph_, true) == before, "a refused removal changed the graph");
  }

  /// The objects a query of `object` answers, as a set.
  std::set<int> answer(const MxDynObj* object, bool backwards, MxObjectDependencyFilter* filter) {
    MxAutoPtr<MxIterator<const MxDynObj*>> a;
    ask(object, backwards, filter, nullptr, a);
    const std::vector<int> objects = drain(a.get());
    return {objects.begin(), objects.end()};
  }

  bool ask(const MxDynObj* object, bool backwards, MxObjectDependencyFilter* filter, bool* filtered,
           MxAutoPtr<MxIterator<const MxDynObj*>>& answer) {
    return backwards ? graph_->get_source_objects(object, answer, filter, filtered)
                     : graph_->get_target_objects(object, answer, filter, filtered);
  }

  std::map<int, std::set<int>> final_lineage() {
    std::map<int, std::set<int>> out;
    for (int f : answer(nullptr, false, nullptr)) out[f] = answer(pool().at(f), true, nullptr);
    return out;
  }

  void simplify() {
    current_operation = "simplify_it";
    const bool with_trace = in_.ConsumeIntegralInRange(0, 3) == 0;
    const bool valid_before = graph_->is_valid(nullptr);
    const bool promised = model_.acyclic && valid_before;
    std::set<int> roots_before;
    std::map<int, std::set<int>> lineage_before;
    std::unique_ptr<MxObjDependency> other; // simplified with the other trace setting
    if (promised) {
      roots_before = answer(nullptr, true, nullptr);
      lineage_before = final_lineage();
      other = std::make_unique<MxObjDependency>(*graph_);
      other->set_trace_journal(with_trace ? nullptr : &trace_);
    }
    if (with_trace) graph_->set_trace_journal(&trace_);
    const int r0 = reports;
    graph_->simplify_it();
    model_.exact = false;
    graph_->set_trace_journal(nullptr);
    const bool valid_after = graph_->is_valid(nullptr);
    if (!promised) return;
    ++checked_simplifications;
    expect(reports == r0, "simplify_it of a valid graph with an acyclic history reported");
    expect(valid_after, "simplify_it of a valid graph with an acyclic history left it invalid");
    expect(answer(nullptr, true, nullptr) == roots_before, "simplify_it changed the root objects");
    const auto lineage_after = final_lineage();
    for (const auto& [f, sources] : lineage_before) {
      auto it = lineage_after.find(f);
      expect(it != lineage_after.end(), "simplify_it lost a final object");
      expect(it->second == sources, "simplify_it changed the ultimate sources of a final object");
    }
    const std::string done = full_dump(*graph_, true);
    other->simplify_it();
    other->set_trace_journal(nullptr);
    expect(full_dump(*other, true) == done, "simplify_it with and without a trace differ");
    graph_->simplify_it();
    expect(full_dump(*graph_, true) == done, "simplify_it found more to do the second time");
  }

  void step() {
    using Operation = void (LineageRun::*)();
    static const std::array<Operation, 16> operations = {
        &LineageRun::recording,      &LineageRun::recording, &LineageRun::recording,
        &LineageRun::recording,      &LineageRun::recording, &LineageRun::recording,
        &LineageRun::separator,      &LineageRun::settings,  &LineageRun::query,
        &LineageRun::query,          &LineageRun::dump,      &LineageRun::node_filters,
        &LineageRun::check_validity, &LineageRun::simplify,  &LineageRun::copy,
        &LineageRun::refused_removal};
    const int op = in_.ConsumeIntegralInRange(0, 15);
    (this->*operations[op == 13 && simplify_at_end_only ? 12 : op])();
  }

  void recording() { history_mode_ ? history_recording() : raw_recording(); }

  void separator() {
    current_operation = "new_separator";
    expect(graph_->new_separator() == ++separator_, "new_separator did not count up");
  }

  void settings() {
    current_operation = "settings";
    inherits_ = in_.ConsumeBool();
    graph_->set_absorption_inherits_target_qualifier(inherits_);
    graph_->set_consider_split_modificational(in_.ConsumeBool());
    expect(graph_->absorption_inherits_target_qualifier() == inherits_, "setting not kept");
  }

  Input& in_;
  const int pool_size_;
  // Filters first: the graphs refer to them and go before them.
  std::vector<std::unique_ptr<LinkFilter>> link_filters_;
  std::vector<std::unique_ptr<NodeFilter>> node_filters_;
  int node_filter_count_ = 0;
  SinkJournal trace_;
  Model model_;
  std::unique_ptr<MxObjDependency> graph_ = std::make_unique<MxObjDependency>();
  MxAutoPtr<MxIterator<const MxDynObj*>> answer_;
  bool history_mode_ = false;
  bool inherits_ = false;
  int separator_ = 0;
  std::vector<int> live_, fresh_;
};

} // namespace lineage_model

#endif
