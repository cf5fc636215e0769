// Fuzz target for the lineage graph (MxObjDependency).
//
// The input drives a sequence of operations on one graph over a pool of
// client objects: recordings in both forms (every type, valid and invalid
// values, null objects and null elements, repeated objects, qualifiers,
// roles, self links and cycles), separators and settings, queries with and
// without a link filter, dumps in both forms and at every level into a
// journal that keeps nothing but a few checks, node and link filters for the
// dumps, is_valid, copies, the refused removal operations and simplify_it.
//
// The first byte chooses how recordings are made:
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
// The run aborts on any sanitizer report, on any disagreement with the
// model, and when simplify_it of a valid graph with an acyclic history
//   - reports to the assertion handler (it checks the graph between its steps
//     and promises no report for a valid graph),
//   - leaves a graph that is_valid refuses,
//   - changes the root objects, loses a final object, or changes the set of
//     ultimate sources of a final object.
// Assertion reports are otherwise only counted: misuse is reported by design.
#include "mxassert.h"
#include "mxjournal.h"
#include "mxobjdependency.h"
#include "mxobject.h"
#include "mxstandardattribs.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using T = MxObjectDependency;

// ---------------------------------------------------------------------------
// Failure and report bookkeeping

int reports = 0;
const char* last_report_tag = "";
int last_report_line = 0;

void count_report(const char* tag, int line) {
  ++reports;
  last_report_tag = tag;
  last_report_line = line;
}

const char* current_operation = "";

// With MX_FUZZ_LINEAGE_TRACE set in the environment every operation is
// written to standard error: the readable form of a reproducer.
bool tracing() {
  static const bool on = std::getenv("MX_FUZZ_LINEAGE_TRACE") != nullptr;
  return on;
}

void trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void trace(const char* fmt, ...) {
  if (!tracing()) return;
  va_list args;
  va_start(args, fmt);
  std::vfprintf(stderr, fmt, args);
  va_end(args);
  std::fputc('\n', stderr);
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_lineage: %s (operation: %s; last report: %s line %d)\n", what,
               current_operation, last_report_tag, last_report_line);
  std::abort();
}

void expect(bool condition, const char* what) {
  if (!condition) fail(what);
}

// ---------------------------------------------------------------------------
// Client objects

/// A plain client object with a fixed identity.
class Plain : public MxDynObj {
public:
  explicit Plain(int id = 0) : id_(id) {}
  MxDynObj* clone() const override { return new Plain(*this); }
  int identity() const override { return id_; }

private:
  int id_;
};

/// A model object; some carry a name attribute, which dumps print.
class Part : public MxObject {
public:
  MxDynObj* clone() const override { return new Part(*this); }
};

constexpr int pool_size = 48;
constexpr int raw_pool_size = 8;

struct Pool {
  Pool() {
    for (int i = 0; i < pool_size; ++i) {
      if (i % 2 == 0) {
        plains.push_back(std::make_unique<Plain>(1000000 + i));
        objects.push_back(plains.back().get());
      } else {
        parts.push_back(std::make_unique<Part>());
        if (i % 4 == 1) parts.back()->add_attrib(new MxNameAttrib(MxString("part ").append(i)));
        objects.push_back(parts.back().get());
      }
      index[objects.back()] = i;
    }
  }
  std::vector<std::unique_ptr<Plain>> plains;
  std::vector<std::unique_ptr<Part>> parts;
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

Pool& pool() {
  static Pool* p = new Pool; // lives as long as the process
  return *p;
}

// ---------------------------------------------------------------------------
// Roles

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

MxArtificialObjectDependency& artificial_role() {
  static MxArtificialObjectDependency* r = new MxArtificialObjectDependency;
  return *r;
}
KeepRole& keep_role() {
  static KeepRole* r = new KeepRole;
  return *r;
}
OddRole& odd_role() {
  static OddRole* r = new OddRole;
  return *r;
}

const MxObjectDependencyRole* role_of(int kind) {
  switch (kind) {
  case ARTIFICIAL_ROLE:
    return &artificial_role();
  case KEEP_ROLE:
    return &keep_role();
  case ODD_ROLE:
    return &odd_role();
  default:
    return nullptr;
  }
}

/// Whether the graph stores a role for a recording made with `kind`.
bool stores_role(int kind) {
  return kind == ARTIFICIAL_ROLE || kind == KEEP_ROLE;
}

// ---------------------------------------------------------------------------
// Journal

/// Keeps the text only when asked to; otherwise counts and drops it.
class SinkJournal : public MxJournal {
public:
  void write(const MxString& text) override {
    written += text.length();
    if (capture) this->text.append(text.as_const_c_string());
  }
  void flush() override {}

  bool capture = false;
  std::string text;
  size_t written = 0;
};

// ---------------------------------------------------------------------------
// Iterators

/// An iterator over a list of objects; it starts wherever the run leaves it
/// (the graph must reset it before every pass).
class ObjectList : public MxIterator<const MxDynObj*> {
public:
  explicit ObjectList(std::vector<const MxDynObj*> objects, size_t start = 0)
      : items_(std::move(objects)), at_(start) {}
  const MxDynObj** first() override { return items_.empty() ? nullptr : &items_[0]; }
  void next() override { ++at_; }
  bool done() override { return at_ >= items_.size(); }
  void reset() override { at_ = 0; }
  const MxDynObj** current() override {
    if (at_ >= items_.size()) fail("current() of an iterator that is done");
    return &items_[at_];
  }

private:
  std::vector<const MxDynObj*> items_;
  size_t at_;
};

std::vector<const MxDynObj*> drain(MxIterator<const MxDynObj*>* it) {
  std::vector<const MxDynObj*> out;
  if (!it) return out;
  for (it->reset(); !it->done(); it->next()) {
    const MxDynObj** p = it->current();
    expect(p != nullptr, "an answer iterator handed out no element");
    out.push_back(*p);
  }
  return out;
}

// ---------------------------------------------------------------------------
// The model

struct Dependency {
  int source; ///< pool index, -1 for the null object
  int target;
  T::Type type;
  bool has_qualifier;
  int qualifier;
  int separator;
  int role; ///< RoleKind
};

struct Model {
  std::vector<Dependency> deps;
  std::map<std::pair<int, int>, size_t> at;
  std::set<int> nodes; ///< pool indices with a node, -1 for the null-object node

  bool exact = true; ///< the graph holds exactly `deps`

  // The union of every recorded dependency, for the acyclicity of the
  // history: node pool_size is the null object as a source, pool_size + 1
  // the null object as a target.
  std::vector<std::set<int>> history = std::vector<std::set<int>>(pool_size + 2);
  bool acyclic = true;

  const Dependency* find(int s, int t) const {
    auto it = at.find({s, t});
    return it == at.end() ? nullptr : &deps[it->second];
  }
  bool has_node(int i) const { return nodes.count(i) != 0; }
  bool pair_exists(int s, int t) const { return find(s, t) != nullptr; }

  std::vector<const Dependency*> sources_of(int n) const {
    std::vector<const Dependency*> out;
    for (const Dependency& d : deps)
      if (d.target == n) out.push_back(&d);
    return out;
  }
  std::vector<const Dependency*> targets_of(int n) const {
    std::vector<const Dependency*> out;
    for (const Dependency& d : deps)
      if (d.source == n) out.push_back(&d);
    return out;
  }

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
    const int u = s < 0 ? pool_size : s;
    const int v = t < 0 ? pool_size + 1 : t;
    if (u == v || reaches(v, u)) acyclic = false;
    history[static_cast<size_t>(u)].insert(v);
  }

  void add(const Dependency& d) {
    note_history(d.source, d.target);
    if (!exact) return;
    at[{d.source, d.target}] = deps.size();
    deps.push_back(d);
    nodes.insert(d.source);
    nodes.insert(d.target);
  }

  /// The qualifier all incoming dependencies of `n` share, when it has some.
  bool same_incoming_qualifier(int n, int& q) const {
    if (!has_node(n)) return false;
    const auto in = sources_of(n);
    if (in.empty()) return false;
    for (const Dependency* d : in)
      if (!d->has_qualifier || d->qualifier != in[0]->qualifier) return false;
    q = in[0]->qualifier;
    return true;
  }
};

/// "o<index>" for a pool object, "null" for the null object.
std::string name_of(int i) {
  return i < 0 ? "null" : "o" + std::to_string(i);
}

const char* const role_names[] = {"none", "artificial", "keep-identity", "clone-is-no-role"};

/// The shape check of the recording operations.
bool admitted(int s, int t, int type) {
  if (type < T::TRANSFER || type > T::CONTAINMENT) return false;
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
    if (role) {
      expect(role->isA(MxObjectDependencyRole::type_id()), "a filter was handed a non-role");
      if (dynamic_cast<const KeepRole*>(role))
        expect(role->identity() == keep_role().identity(), "a role clone lost its identity");
      if (dynamic_cast<const MxArtificialObjectDependency*>(role))
        expect(role->identity() != artificial_role().identity(),
               "an artificial role clone kept its identity");
    }
    if (model_.exact) {
      const Dependency* d = model_.find(s, t);
      expect(d != nullptr, "a filter was asked about a dependency never recorded");
      expect(d->type == type, "a filter was handed the wrong type");
      expect(d->separator == separator, "a filter was handed the wrong separator");
      expect(d->has_qualifier == (target_qualifier != nullptr),
             "a filter was handed the wrong qualifier presence");
      expect(!target_qualifier || *target_qualifier == d->qualifier,
             "a filter was handed the wrong qualifier");
      expect(stores_role(d->role) == (role != nullptr), "a filter was handed the wrong role");
    }
    return decide(s, t, type, separator, target_qualifier != nullptr, role != nullptr);
  }

  std::string describe() const {
    return "link filter rule " + std::to_string(rule_) + " value " + std::to_string(value_);
  }

  bool decide(int s, int t, int type, int separator, bool has_q, bool has_role) const {
    switch (rule_) {
    case 0:
      return true;
    case 1:
      return type != value_ % 9;
    case 2:
      return (separator & 1) == (value_ & 1);
    case 3:
      return !has_q;
    case 4:
      return !has_role;
    case 5:
      return s < 0 || s % 3 != value_ % 3;
    case 6:
      return s >= 0 && t >= 0;
    default:
      return false;
    }
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
    switch (rule_) {
    case 0:
      return true;
    case 1:
      return i < 0 || i % 3 != value_ % 3;
    case 2:
      return i >= 0;
    default:
      return false;
    }
  }

private:
  int rule_;
  int value_;
};

// ---------------------------------------------------------------------------
// The run

class LineageRun {
public:
  explicit LineageRun(FuzzedDataProvider& in) : in_(in) {}

  ~LineageRun() {
    graph_.reset(); // before the filters it refers to
  }

  void run() {
    history_mode_ = in_.ConsumeBool();
    trace("%s recordings", history_mode_ ? "history" : "raw");
    for (int i = 0; i < pool_size; ++i) fresh_.push_back(i);
    while (in_.remaining_bytes() > 0) step();
    current_operation = "final simplify_it";
    simplify();
  }

private:
  // -------------------------------------------------------------------------
  // Recording

  int some_object(bool allow_null) {
    if (allow_null && in_.ConsumeIntegralInRange(0, 5) == 0) return -1;
    return in_.ConsumeIntegralInRange(0, raw_pool_size - 1);
  }

  T::Type some_type() {
    static const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, -1, 9, 1000};
    const size_t k = in_.ConsumeIntegralInRange<size_t>(0, sizeof values / sizeof values[0] - 1);
    return static_cast<T::Type>(values[k]);
  }

  struct Recording {
    bool single = true;
    int source = -1, target = -1; // single form
    // Iterator form: a side is null, empty or a list (-1 elements are null).
    bool null_sources = false, null_targets = false;
    std::vector<int> sources, targets;
    T::Type type = T::UNSPECIFIED;
    bool has_qualifier = false;
    int qualifier = 0;
    int role = NO_ROLE;
  };

  void decorate(Recording& r) {
    r.has_qualifier = in_.ConsumeIntegralInRange(0, 3) == 0;
    r.qualifier = in_.ConsumeIntegralInRange(-2, 3);
    r.role = in_.ConsumeIntegralInRange(0, 7);
    if (r.role > ODD_ROLE) r.role = NO_ROLE;
  }

  void raw_recording() {
    current_operation = "raw recording";
    Recording r;
    r.type = some_type();
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

  int take_live() {
    const size_t i = in_.ConsumeIntegralInRange<size_t>(0, live_.size() - 1);
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
      if (kind == 9)
        raw_recording();
      else if (fresh > 0)
        kind_creation(r);
      return;
    }
    switch (kind) {
    case 0: // created from nothing
      if (fresh < 1) return;
      kind_creation(r);
      return;
    case 1: { // made from live objects, which live on
      if (fresh < 1) return;
      r.type = T::CREATION;
      const int n =
          in_.ConsumeIntegralInRange<int>(1, std::min<int>(3, static_cast<int>(live_.size())));
      std::set<int> chosen;
      for (int k = 0; k < n; ++k)
        chosen.insert(live_[in_.ConsumeIntegralInRange<size_t>(0, live_.size() - 1)]);
      r.sources.assign(chosen.begin(), chosen.end());
      r.targets.push_back(make_fresh());
      break;
    }
    case 2:   // modification
    case 3: { // conversion
      if (fresh < 1) return;
      r.type = kind == 2 ? T::MODIFICATION : T::CONVERSION;
      r.sources.push_back(take_live());
      r.targets.push_back(make_fresh());
      break;
    }
    case 4:   // split
    case 5: { // containment
      const int n = in_.ConsumeIntegralInRange(2, 3);
      if (fresh < static_cast<size_t>(n)) return;
      r.type = kind == 4 ? T::SPLIT : T::CONTAINMENT;
      r.sources.push_back(take_live());
      for (int k = 0; k < n; ++k) r.targets.push_back(make_fresh());
      break;
    }
    case 6: { // absorption
      if (fresh < 1) return;
      r.type = T::ABSORPTION;
      const int n =
          in_.ConsumeIntegralInRange<int>(1, std::min<int>(3, static_cast<int>(live_.size())));
      for (int k = 0; k < n; ++k) r.sources.push_back(take_live());
      r.targets.push_back(make_fresh());
      break;
    }
    case 7: // deletion
      r.type = T::DELETION;
      r.sources.push_back(take_live());
      break;
    default: // transfer: admitted, nothing stored
      r.type = T::TRANSFER;
      r.sources.push_back(live_[in_.ConsumeIntegralInRange<size_t>(0, live_.size() - 1)]);
      break;
    }
    r.null_sources = r.sources.empty() && in_.ConsumeBool();
    r.null_targets = r.targets.empty() && in_.ConsumeBool();
    // One source and at most one target: the single form as often.
    if (r.sources.size() <= 1 && r.targets.size() <= 1 && in_.ConsumeBool()) {
      r.single = true;
      r.source = r.sources.empty() ? -1 : r.sources[0];
      r.target = r.targets.empty() ? -1 : r.targets[0];
    }
    decorate(r);
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
    const MxObjectDependencyRole* role = role_of(r.role);
    std::vector<int> sources, targets; // -1: the null object
    int ns = 0, nt = 0;
    bool null_element = false;
    bool result = false;
    const int before = reports;
    if (r.single) {
      sources.push_back(r.source);
      targets.push_back(r.target);
      ns = r.source >= 0 ? 1 : 0;
      nt = r.target >= 0 ? 1 : 0;
      result = graph_->record_dependency(pool().at(r.source), pool().at(r.target), r.type,
                                         r.has_qualifier ? &q : nullptr, role);
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
      for (int i : r.sources) null_element |= i < 0;
      for (int i : r.targets) null_element |= i < 0;
      ObjectList s(objects(r.sources), r.sources.size() / 2);
      ObjectList t(objects(r.targets), r.targets.size());
      result =
          graph_->record_dependency(r.null_sources ? nullptr : &s, r.null_targets ? nullptr : &t,
                                    r.type, r.has_qualifier ? &q : nullptr, role);
    }
    const int reported = reports - before;
    if (tracing()) {
      auto list = [](bool null_side, const std::vector<int>& l) {
        if (null_side) return std::string("null iterator");
        std::string out = "{";
        for (size_t k = 0; k < l.size(); ++k) out += (k ? ", " : "") + name_of(l[k]);
        return out + "}";
      };
      const std::string args =
          r.single ? name_of(r.source) + ", " + name_of(r.target)
                   : list(r.null_sources, r.sources) + ", " + list(r.null_targets, r.targets);
      trace("record_dependency(%s, %s (%d), qualifier %s, role %s) -> %s, %d report(s)",
            args.c_str(), T::type_name(r.type), static_cast<int>(r.type),
            r.has_qualifier ? std::to_string(q).c_str() : "none", role_names[r.role],
            result ? "true" : "false", reported);
    }

    const bool shape = admitted(ns, nt, r.type);
    if (!shape) {
      expect(!result, "a recording of a refused shape returned true");
      expect(reported == 0, "a refused shape was reported");
      return false;
    }
    if (r.type == T::TRANSFER) {
      expect(result, "a TRANSFER of an admitted shape returned false");
      expect(reported == 0, "a TRANSFER was reported");
      return true;
    }
    // An absorption without a source is the implementer's choice.
    if (r.type == T::ABSORPTION && ns == 0) {
      if (result) {
        m.exact = false;
        for (int t : targets) m.note_history(-1, t);
      }
      return result;
    }
    if (m.exact) {
      bool ok = !null_element;
      for (int s : sources)
        for (int t : targets) ok = ok && !m.pair_exists(s, t);
      if (!r.single) {
        ok = ok && std::set<int>(r.sources.begin(), r.sources.end()).size() == r.sources.size();
        ok = ok && std::set<int>(r.targets.begin(), r.targets.end()).size() == r.targets.size();
      }
      expect(result == ok, "recording result differs from the model");
      expect(reported == (ok ? 0 : 1), "a recording reported other than once for a refusal");
    } else {
      expect(reported == (result ? 0 : 1), "a recording reported other than once for a refusal");
    }
    if (!result) return false;

    // Qualifier inheritance of absorptions.
    bool has_q = r.has_qualifier;
    int value = q;
    if (inherits_ && !r.has_qualifier && r.type == T::ABSORPTION && m.exact) {
      int common = 0;
      bool all = !sources.empty() && !(r.single ? r.source < 0 : r.null_sources);
      for (size_t k = 0; all && k < sources.size(); ++k) {
        int qk = 0;
        all = m.same_incoming_qualifier(sources[k], qk) && (k == 0 || qk == common);
        common = qk;
      }
      if (all) {
        has_q = true;
        value = common;
      }
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
    link_filters_.push_back(std::make_unique<LinkFilter>(model_, in_.ConsumeIntegralInRange(0, 7),
                                                         in_.ConsumeIntegral<uint8_t>()));
    return link_filters_.back().get();
  }

  /// The walk of a query: each node is entered once.
  void walk_model(int n, bool backwards, const LinkFilter* filter, std::vector<int>& out,
                  bool& filtered, bool& reached_null, std::set<int>& entered) const {
    if (n < 0) {
      reached_null = true;
      return;
    }
    if (!entered.insert(n).second) return;
    const auto links = backwards ? model_.sources_of(n) : model_.targets_of(n);
    if (links.empty()) {
      out.push_back(n);
      return;
    }
    for (const Dependency* d : links) {
      if (filter && !filter->decide(d->source, d->target, d->type, d->separator, d->has_qualifier,
                                    stores_role(d->role))) {
        filtered = true;
        continue;
      }
      walk_model(backwards ? d->source : d->target, backwards, filter, out, filtered, reached_null,
                 entered);
    }
  }

  void query() {
    const bool backwards = in_.ConsumeBool();
    current_operation = backwards ? "get_source_objects" : "get_target_objects";
    const int object =
        in_.ConsumeIntegralInRange(0, 7) == 0
            ? -1
            : in_.ConsumeIntegralInRange(0, history_mode_ ? pool_size - 1 : raw_pool_size - 1);
    LinkFilter* filter = some_link_filter();
    bool filtered = true;
    bool* filtered_out = in_.ConsumeBool() ? &filtered : nullptr;
    const bool result =
        backwards ? graph_->get_source_objects(pool().at(object), answer_, filter, filtered_out)
                  : graph_->get_target_objects(pool().at(object), answer_, filter, filtered_out);
    std::vector<int> got;
    for (const MxDynObj* o : drain(answer_.get())) got.push_back(pool().of(o));
    if (tracing()) {
      std::string answer;
      for (int g : got) answer += " " + name_of(g);
      trace("%s(%s, %s) -> %s, answer:%s", current_operation, name_of(object).c_str(),
            filter ? filter->describe().c_str() : "no filter", result ? "true" : "false",
            answer.c_str());
    }
    expect(std::find(got.begin(), got.end(), -1) == got.end(), "a query answered the null object");
    if (filtered_out && object < 0) expect(!filtered, "a query of all roots or leaves filtered");

    if (!model_.exact || !model_.acyclic) return;
    std::vector<int> want;
    bool want_filtered = false;
    bool reached_null = false;
    if (object < 0) {
      for (int n : model_.nodes) {
        if (n < 0) continue;
        if ((backwards ? model_.sources_of(n) : model_.targets_of(n)).empty()) want.push_back(n);
      }
    } else if (model_.has_node(object)) {
      std::set<int> entered;
      walk_model(object, backwards, filter, want, want_filtered, reached_null, entered);
    }
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    expect(got == want, "query answer differs from the model");
    const bool want_result = !want.empty() || (backwards && reached_null);
    expect(result == want_result, "query result differs from the model");
    if (filtered_out) expect(filtered == want_filtered, "query 'filtered' differs from the model");
  }

  // -------------------------------------------------------------------------
  // Validity, dumps

  /// is_valid as the model sees it (only while the model is exact).
  bool model_valid() const {
    const Model& m = model_;
    auto sources = [&](int n) { return m.sources_of(n); };
    auto targets = [&](int n) { return m.targets_of(n); };
    std::vector<int> queue;
    std::set<int> seen;
    for (int n : m.nodes) {
      const bool root = n < 0 ? !targets(n).empty() : sources(n).empty();
      if (root) {
        queue.push_back(n);
        seen.insert(n);
      }
    }
    bool valid = true;
    // The rules of one node, checked for every node: those reached from the
    // roots, then those no root reaches.
    auto rules = [&](int n1) {
      const auto out = targets(n1);
      for (const Dependency* l : out) {
        const int n2 = l->target;
        if (n1 < 0 && l->type != T::CREATION) valid = false;
        if (n2 < 0 && l->type != T::DELETION) valid = false;
        if (l->type < T::CREATION || l->type > T::CONTAINMENT) valid = false;
        if (l->type == T::DELETION && n2 >= 0) valid = false;
        const size_t n2_sources = sources(n2).size();
        if ((l->type == T::MODIFICATION || l->type == T::CONVERSION) && n2_sources >= 2)
          valid = false;
        if (l->type == T::SPLIT || l->type == T::CONTAINMENT) {
          if (n2_sources > 1) valid = false;
          bool sibling = false;
          for (const Dependency* o : out)
            if (o != l && o->type == l->type && o->has_qualifier == l->has_qualifier &&
                o->qualifier == l->qualifier)
              sibling = true;
          if (!sibling) valid = false;
        }
      }
      const auto in = sources(n1);
      for (const Dependency* l : in)
        if (l->type != in[0]->type || l->has_qualifier != in[0]->has_qualifier ||
            (in[0]->has_qualifier && l->qualifier != in[0]->qualifier))
          valid = false;
    };
    for (size_t k = 0; k < queue.size(); ++k) {
      rules(queue[k]);
      for (const Dependency* l : targets(queue[k]))
        if (seen.insert(l->target).second) queue.push_back(l->target);
    }
    for (int n : m.nodes)
      if (!seen.count(n)) rules(n);
    // Backwards from the leaves: every source must be reachable from a root.
    std::vector<int> back;
    std::set<int> seen_back;
    for (int n : m.nodes) {
      const bool leaf = n < 0 ? !sources(n).empty() : targets(n).empty();
      if (leaf && seen_back.insert(n).second) back.push_back(n);
    }
    for (size_t k = 0; k < back.size(); ++k)
      for (const Dependency* l : sources(back[k])) {
        if (seen_back.insert(l->source).second) back.push_back(l->source);
        if (!seen.count(l->source)) valid = false;
      }
    return valid;
  }

  bool check_validity() {
    current_operation = "is_valid";
    const bool valid = graph_->is_valid(nullptr);
    trace("is_valid() -> %s", valid ? "true" : "false");
    SinkJournal j;
    expect(graph_->is_valid(&j) == valid, "is_valid with and without a journal differ");
    expect(valid == (j.written == 0), "is_valid wrote errors for a valid graph, or none");
    if (model_.exact) expect(valid == model_valid(), "is_valid differs from the model");
    return valid;
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
    trace("debug(%s form, level %d, check %d, indent %d): %zu characters", dotty ? "dot" : "text",
          static_cast<int>(level), check ? 1 : 0, indent, j.text.size());
    if (level == MxDebugNone) return;
    const bool valid = graph_->is_valid(nullptr);
    if (dotty) {
      expect(j.text.rfind("strict digraph ObjectDependency {\n", 0) == 0,
             "dot dump does not open the digraph");
      expect(j.text.size() >= 2 && j.text.compare(j.text.size() - 2, 2, "}\n") == 0,
             "dot dump does not close the digraph");
      const bool marked = j.text.find("xxx [label=\"MxObjDependecy is invalid\",color=\"red\"];") !=
                          std::string::npos;
      expect(marked == !valid, "dot dump's invalid marker disagrees with is_valid");
    } else if (check) {
      const bool says_valid = j.text.find("MxObjDependency is valid\n") != std::string::npos;
      const bool says_invalid = j.text.find("MxObjDependency is not valid\n") != std::string::npos;
      expect(says_valid == valid && says_invalid == !valid,
             "text dump's integrity verdict disagrees with is_valid");
    }
  }

  std::string full_dump(const MxObjDependency& g, bool dotty) {
    SinkJournal j;
    j.capture = true;
    MxObjDependency& mutable_g = const_cast<MxObjDependency&>(g);
    const bool was = g.dotty_output_format();
    mutable_g.set_dotty_output_format(dotty);
    g.debug(j, MxDebugFull, true, 0);
    mutable_g.set_dotty_output_format(was);
    return j.text;
  }

  void node_filters() {
    current_operation = "debug node filters";
    switch (in_.ConsumeIntegralInRange(0, 4)) {
    case 0:
      trace("remove_debug_node_filters()");
      graph_->remove_debug_node_filters();
      node_filter_count_ = 0;
      break;
    case 1:
      trace("reset_debug_link_filter()");
      graph_->reset_debug_link_filter();
      break;
    case 2: {
      LinkFilter* f = some_link_filter();
      trace("set_debug_link_filter(%s)", f ? f->describe().c_str() : "null");
      graph_->set_debug_link_filter(f);
      break;
    }
    default: {
      if (node_filter_count_ >= 4) return;
      ++node_filter_count_;
      const auto type = static_cast<T::DebugNodeFilterType>(in_.ConsumeIntegralInRange(0, 3));
      if (in_.ConsumeIntegralInRange(0, 7) == 0) {
        trace("add_debug_node_filter(type %d, null)", static_cast<int>(type));
        graph_->add_debug_node_filter(type, nullptr); // reported when used, then ignored
        return;
      }
      const int rule = in_.ConsumeIntegralInRange(0, 3);
      const int value = in_.ConsumeIntegral<uint8_t>();
      trace("add_debug_node_filter(type %d, node filter rule %d value %d)", static_cast<int>(type),
            rule, value);
      node_filters_.push_back(std::make_unique<NodeFilter>(rule, value));
      graph_->add_debug_node_filter(type, node_filters_.back().get());
    }
    }
  }

  // -------------------------------------------------------------------------
  // Copies, refused removals, simplification

  void copy() {
    current_operation = "copy";
    auto copy = std::make_unique<MxObjDependency>(*graph_);
    MxObjDependency assigned;
    assigned.new_separator();
    assigned = *graph_;
    expect(copy->current_separator() == graph_->current_separator(), "copy lost the separator");
    expect(assigned.current_separator() == graph_->current_separator(),
           "assignment lost the separator");
    if (graph_->is_valid(nullptr)) {
      for (bool dotty : {true, false}) {
        const std::string original = full_dump(*graph_, dotty);
        expect(full_dump(*copy, dotty) == original, "a copy dumps differently");
        expect(full_dump(assigned, dotty) == original, "an assigned copy dumps differently");
      }
    }
    const bool go_on = in_.ConsumeBool();
    trace("copy construction and assignment%s", go_on ? "; continuing with the copy" : "");
    if (go_on) graph_ = std::move(copy);
  }

  void refused_removal() {
    current_operation = "remove_source_object / remove_target_object";
    const int object = some_object(true);
    const std::string before = full_dump(*graph_, true);
    const int r0 = reports;
    const bool result = in_.ConsumeBool()
                            ? graph_->remove_source_object(pool().at(object), in_.ConsumeBool())
                            : graph_->remove_target_object(pool().at(object), in_.ConsumeBool());
    trace("remove_source_object or remove_target_object(%s) -> %s", name_of(object).c_str(),
          result ? "true" : "false");
    expect(!result, "a removal was done");
    expect(reports == r0 + 1, "a refused removal was not reported once");
    expect(full_dump(*graph_, true) == before, "a refused removal changed the graph");
  }

  static std::set<int> as_set(const std::vector<const MxDynObj*>& objects) {
    std::set<int> out;
    for (const MxDynObj* o : objects) out.insert(pool().of(o));
    return out;
  }

  std::set<int> roots() {
    MxAutoPtr<MxIterator<const MxDynObj*>> a;
    graph_->get_source_objects(nullptr, a, nullptr, nullptr);
    return as_set(drain(a.get()));
  }

  std::map<int, std::set<int>> final_lineage() {
    MxAutoPtr<MxIterator<const MxDynObj*>> a;
    graph_->get_target_objects(nullptr, a, nullptr, nullptr);
    std::map<int, std::set<int>> out;
    for (int f : as_set(drain(a.get()))) {
      MxAutoPtr<MxIterator<const MxDynObj*>> s;
      graph_->get_source_objects(pool().at(f), s, nullptr, nullptr);
      out[f] = as_set(drain(s.get()));
    }
    return out;
  }

  void simplify() {
    current_operation = "simplify_it";
    const bool with_trace = in_.ConsumeIntegralInRange(0, 3) == 0;
    if (with_trace) graph_->set_trace_journal(&trace_);
    const bool promised = model_.acyclic && graph_->is_valid(nullptr);
    trace("simplify_it() (valid before: %d, acyclic history: %d, trace journal: %d)",
          graph_->is_valid(nullptr) ? 1 : 0, model_.acyclic ? 1 : 0, with_trace ? 1 : 0);
    std::set<int> roots_before;
    std::map<int, std::set<int>> lineage_before;
    if (promised) {
      roots_before = roots();
      lineage_before = final_lineage();
    }
    const int r0 = reports;
    graph_->simplify_it();
    model_.exact = false;
    graph_->set_trace_journal(nullptr);
    const bool valid_after = graph_->is_valid(nullptr);
    trace("   -> valid after: %d, %d report(s)", valid_after ? 1 : 0, reports - r0);
    if (!promised) return;
    if (reports != r0)
      fail("simplify_it of a valid graph with an acyclic history reported a failed check");
    if (!valid_after) fail("simplify_it of a valid graph with an acyclic history left it invalid");
    expect(roots() == roots_before, "simplify_it changed the root objects");
    const auto lineage_after = final_lineage();
    for (const auto& [f, sources] : lineage_before) {
      auto it = lineage_after.find(f);
      expect(it != lineage_after.end(), "simplify_it lost a final object");
      expect(it->second == sources, "simplify_it changed the ultimate sources of a final object");
    }
  }

  void step() {
    switch (in_.ConsumeIntegralInRange(0, 15)) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      history_mode_ ? history_recording() : raw_recording();
      break;
    case 6:
      current_operation = "new_separator";
      trace("new_separator() -> %d", separator_ + 1);
      expect(graph_->new_separator() == separator_ + 1, "new_separator did not count up");
      ++separator_;
      break;
    case 7:
      current_operation = "settings";
      inherits_ = in_.ConsumeBool();
      graph_->set_absorption_inherits_target_qualifier(inherits_);
      graph_->set_consider_split_modificational(in_.ConsumeBool());
      trace("set_absorption_inherits_target_qualifier(%d), set_consider_split_modificational(%d)",
            inherits_ ? 1 : 0, graph_->consider_split_modificational() ? 1 : 0);
      expect(graph_->absorption_inherits_target_qualifier() == inherits_, "setting not kept");
      break;
    case 8:
    case 9:
      query();
      break;
    case 10:
      dump();
      break;
    case 11:
      node_filters();
      break;
    case 12:
      check_validity();
      break;
    case 13:
      simplify();
      break;
    case 14:
      copy();
      break;
    default:
      refused_removal();
      break;
    }
  }

  FuzzedDataProvider& in_;
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  set_fnd_assertion_handler(count_report, true);
  pool();
  FuzzedDataProvider in(data, size);
  LineageRun(in).run();
  return 0;
}
