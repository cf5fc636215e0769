// Records a history statement by statement. Each dependency is checked the
// way the graph checks it, and against what no modelling history does,
// before it is handed over, so that a refusal becomes an error message that
// names the line and says what is wrong.
#include "history_recorder.h"

#include "mxobjdependency_shapes.h"

#include "mxiterator.h"
#include "mxstandardattribs.h"

#include <algorithm>

namespace mxlineage {

MX_DEFINE_CLASS_NAME(Entity);

namespace {

using Type = MxObjectDependency::Type;

std::string count_of(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

const uint32_t kEnd = UINT32_MAX;

/// An object that occurs more than once among `n` indices, or -1.
long repeated(const uint32_t* indices, uint32_t n) {
  if (n < 2) return -1;
  std::vector<uint32_t> sorted(indices, indices + n);
  std::sort(sorted.begin(), sorted.end());
  auto it = std::adjacent_find(sorted.begin(), sorted.end());
  return it == sorted.end() ? -1 : static_cast<long>(*it);
}

uint32_t line_for_table(size_t line) {
  return line < UINT32_MAX ? static_cast<uint32_t>(line) : UINT32_MAX - 1;
}

} // namespace

std::string shape_rule(MxObjectDependency::Type type) {
  return mx_detail::shape_of(type).rule;
}

// ---------------------------------------------------------------------------
// PairLines

uint64_t PairLines::key(uint32_t source, uint32_t target) {
  // Index + 1, so that the null object is 0 and no key is 0.
  const uint64_t s = source == kNone ? 0 : uint64_t{source} + 1;
  const uint64_t t = target == kNone ? 0 : uint64_t{target} + 1;
  return (s << 32) | t;
}

size_t PairLines::slot_for(uint64_t k) const {
  const size_t mask = keys_.size() - 1;
  size_t slot = static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> 20) & mask;
  while (keys_[slot] != 0 && keys_[slot] != k) slot = (slot + 1) & mask;
  return slot;
}

size_t PairLines::find(uint32_t source, uint32_t target) const {
  if (keys_.empty()) return 0;
  const size_t slot = slot_for(key(source, target));
  return keys_[slot] == 0 ? 0 : lines_[slot];
}

void PairLines::grow() {
  std::vector<uint64_t> keys(keys_.empty() ? 1024 : 2 * keys_.size(), 0);
  std::vector<uint32_t> lines(keys.size(), 0);
  keys.swap(keys_);
  lines.swap(lines_);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == 0) continue;
    const size_t slot = slot_for(keys[i]);
    keys_[slot] = keys[i];
    lines_[slot] = lines[i];
  }
}

void PairLines::insert(uint32_t source, uint32_t target, size_t line) {
  if (10 * (size_ + 1) > 7 * keys_.size()) grow();
  const uint64_t k = key(source, target);
  const size_t slot = slot_for(k);
  if (keys_[slot] == 0) ++size_;
  keys_[slot] = k;
  lines_[slot] = line_for_table(line);
}

// ---------------------------------------------------------------------------
// HistoryRecorder

HistoryRecorder::HistoryRecorder(const ObjectNames& names, HistoryGraph& graph)
    : names_(names), graph_(graph) {}

void HistoryRecorder::make_objects() {
  known_before_ = objects_.size();
  while (objects_.size() < names_.size()) objects_.emplace_back();
  deleted_on_line_.resize(objects_.size(), 0);
  first_step_.resize(objects_.size(), kEnd);
}

void HistoryRecorder::attach_names() {
  for (size_t i = 0; i < objects_.size(); ++i) {
    const std::string* t = text(i);
    const std::string name = t ? *t : std::string(names_[i]);
    objects_[i].add_attrib(new MxNameAttrib(MxString(name.c_str()))); // the object owns it
  }
}

long HistoryRecorder::index_of_identity(long identity) const {
  if (objects_.empty()) return -1;
  // Identities are consecutive in the order the objects were made.
  const long guess = identity - objects_.front().identity();
  if (guess < 0 || static_cast<size_t>(guess) >= objects_.size()) return -1;
  return objects_[static_cast<size_t>(guess)].identity() == identity ? guess : -1;
}

long HistoryRecorder::index_of(const MxDynObj* object) const {
  if (!object) return -1;
  const long index = index_of_identity(object->identity());
  return index >= 0 && &objects_[static_cast<size_t>(index)] == object ? index : -1;
}

const std::string* HistoryRecorder::text(size_t index) const {
  const auto it = texts_.find(static_cast<uint32_t>(index));
  return it == texts_.end() ? nullptr : &it->second;
}

std::string HistoryRecorder::describe(size_t index) const {
  const std::string* t = text(index);
  const std::string name(names_[index]);
  return t ? name + " \"" + *t + "\"" : name;
}

bool HistoryRecorder::record(const Statement& s, size_t line, std::string& problem) {
  make_objects();
  if (s.kind == HistoryCommand::SEPARATOR) {
    graph_.new_separator();
    return true;
  }
  if (s.kind == HistoryCommand::NAME) {
    texts_[s.objects[0]] = std::string(s.text);
    return true;
  }
  problem = check(s);
  if (problem.empty() && !record_in_graph(s)) problem = "the lineage graph refused the dependency";
  if (!problem.empty()) return false;
  remember(s, line);
  return true;
}

std::string HistoryRecorder::check(const Statement& s) {
  if (!HistoryGraph::check_dependency(static_cast<int>(s.n_sources), static_cast<int>(s.n_targets),
                                      s.type))
    return shape_rule(s.type) + "; this one has " + count_of(s.n_sources, "source", "sources") +
           " and " + count_of(s.n_targets, "target", "targets");
  long twice = repeated(s.sources(), s.n_sources);
  if (twice >= 0) return quoted(name(twice)) + " is named twice among the sources";
  twice = repeated(s.targets(), s.n_targets);
  if (twice >= 0) return quoted(name(twice)) + " is named twice among the targets";
  std::string problem = check_deleted(s);
  if (problem.empty() && s.type != MxObjectDependency::TRANSFER) problem = check_pairs(s);
  if (problem.empty() && s.type != MxObjectDependency::TRANSFER) problem = check_cycles(s);
  return problem;
}

std::string HistoryRecorder::check_deleted(const Statement& s) const {
  for (uint32_t i = 0; i < s.n_sources + s.n_targets; ++i) {
    const uint32_t o = s.objects[i];
    if (deleted_on_line_[o] == 0) continue;
    const std::string line = std::to_string(deleted_on_line_[o]);
    if (s.type == MxObjectDependency::DELETION)
      return quoted(name(o)) + " is deleted already on line " + line;
    return quoted(name(o)) + " is used after its deletion on line " + line;
  }
  return std::string();
}

std::string HistoryRecorder::check_pairs(const Statement& s) const {
  // Every pair of the cross product; an empty side is the null object.
  const uint32_t n_s = s.n_sources ? s.n_sources : 1;
  const uint32_t n_t = s.n_targets ? s.n_targets : 1;
  for (uint32_t i = 0; i < n_s; ++i) {
    const uint32_t src = s.n_sources ? s.sources()[i] : PairLines::kNone;
    for (uint32_t k = 0; k < n_t; ++k) {
      const uint32_t tgt = s.n_targets ? s.targets()[k] : PairLines::kNone;
      const size_t line = pairs_.find(src, tgt);
      if (line == 0) continue;
      const std::string on = " on line " + std::to_string(line);
      if (src == PairLines::kNone)
        return quoted(name(tgt)) + " is created from nothing already" + on;
      return "a dependency from " + quoted(name(src)) + " to " + quoted(name(tgt)) +
             " is recorded already" + on;
    }
  }
  return std::string();
}

std::string HistoryRecorder::check_cycles(const Statement& s) {
  for (uint32_t k = 0; k < s.n_targets; ++k) {
    const uint32_t t = s.targets()[k];
    if (std::find(s.sources(), s.sources() + s.n_sources, t) != s.sources() + s.n_sources)
      return quoted(name(t)) + " would become its own source";
    // A target new on this line, or one without targets, leads nowhere yet.
    if (t >= known_before_ || first_step_[t] == kEnd) continue;
    uint32_t step = 0, source = 0;
    if (!leads_to_source(t, s, step, source)) continue;
    return quoted(name(t)) + " would become its own ancestor: its path to " + quoted(name(source)) +
           " begins on line " + std::to_string(pairs_.find(t, step));
  }
  return std::string();
}

bool HistoryRecorder::leads_to_source(uint32_t from, const Statement& s, uint32_t& first_step,
                                      uint32_t& source) {
  if (source_mark_.size() < objects_.size()) {
    source_mark_.resize(objects_.size(), 0);
    visit_mark_.resize(objects_.size(), 0);
  }
  ++search_;
  for (uint32_t i = 0; i < s.n_sources; ++i) source_mark_[s.sources()[i]] = search_;
  // Depth first; each entry carries the step out of `from` it began with.
  stack_.clear();
  for (uint32_t e = first_step_[from]; e != kEnd; e = steps_[e].next)
    stack_.emplace_back(steps_[e].target, steps_[e].target);
  while (!stack_.empty()) {
    const auto [node, first] = stack_.back();
    stack_.pop_back();
    if (source_mark_[node] == search_) {
      first_step = first;
      source = node;
      return true;
    }
    if (visit_mark_[node] == search_) continue;
    visit_mark_[node] = search_;
    for (uint32_t e = first_step_[node]; e != kEnd; e = steps_[e].next)
      if (visit_mark_[steps_[e].target] != search_) stack_.emplace_back(steps_[e].target, first);
  }
  return false;
}

bool HistoryRecorder::record_in_graph(const Statement& s) {
  const int* qualifier = s.has_qualifier ? &s.qualifier : nullptr;
  if (s.n_sources <= 1 && s.n_targets <= 1) {
    const MxDynObj* source = s.n_sources ? object(s.sources()[0]) : nullptr;
    const MxDynObj* target = s.n_targets ? object(s.targets()[0]) : nullptr;
    return graph_.record_dependency(source, target, s.type, qualifier, nullptr);
  }
  MxArray<const MxDynObj*>& sources = source_it_.objects();
  MxArray<const MxDynObj*>& targets = target_it_.objects();
  sources.resize(s.n_sources, false);
  targets.resize(s.n_targets, false);
  for (uint32_t i = 0; i < s.n_sources; ++i) sources[i] = object(s.sources()[i]);
  for (uint32_t i = 0; i < s.n_targets; ++i) targets[i] = object(s.targets()[i]);
  return graph_.record_dependency(s.n_sources ? &source_it_ : nullptr,
                                  s.n_targets ? &target_it_ : nullptr, s.type, qualifier, nullptr);
}

void HistoryRecorder::remember(const Statement& s, size_t line) {
  if (s.type == MxObjectDependency::TRANSFER) return; // nothing was stored
  const uint32_t n_s = s.n_sources ? s.n_sources : 1;
  const uint32_t n_t = s.n_targets ? s.n_targets : 1;
  for (uint32_t i = 0; i < n_s; ++i) {
    const uint32_t src = s.n_sources ? s.sources()[i] : PairLines::kNone;
    if (s.n_targets == 0) deleted_on_line_[src] = line_for_table(line);
    for (uint32_t k = 0; k < n_t; ++k) {
      const uint32_t tgt = s.n_targets ? s.targets()[k] : PairLines::kNone;
      pairs_.insert(src, tgt, line);
      if (src == PairLines::kNone || tgt == PairLines::kNone) continue;
      steps_.push_back(Step{tgt, first_step_[src]});
      first_step_[src] = static_cast<uint32_t>(steps_.size() - 1);
    }
  }
}

} // namespace mxlineage
