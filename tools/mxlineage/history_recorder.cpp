// Records a parsed history: objects first, then their names, then every
// statement in file order. Each dependency is checked the way the graph
// checks it before it is handed over, so that a refusal becomes an error
// message that names the line and says what is wrong.
#include "history_recorder.h"

#include "mxiterator.h"
#include "mxstandardattribs.h"

#include <algorithm>

namespace mxlineage {

MX_DEFINE_CLASS_NAME(Entity);

namespace {

using Type = MxObjectDependency::Type;

std::string quoted(const std::string& s) {
  return "'" + s + "'";
}

std::string count_of(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

/// Fills an iterator with the objects of one side of a command.
void fill(MxDynObjArrayIterator& it, const std::vector<const MxDynObj*>& objects) {
  MxArray<const MxDynObj*>& array = it.objects();
  array.resize(objects.size(), false);
  for (size_t i = 0; i < objects.size(); ++i) array[i] = objects[i];
}

/// An object that occurs more than once among `n` indices, or -1.
long repeated(const uint32_t* indices, uint32_t n) {
  if (n < 2) return -1;
  std::vector<uint32_t> sorted(indices, indices + n);
  std::sort(sorted.begin(), sorted.end());
  auto it = std::adjacent_find(sorted.begin(), sorted.end());
  return it == sorted.end() ? -1 : static_cast<long>(*it);
}

} // namespace

std::string shape_rule(MxObjectDependency::Type type) {
  switch (type) {
  case MxObjectDependency::TRANSFER:
    return "a TRANSFER has one or more sources and no target";
  case MxObjectDependency::CREATION:
    return "a CREATION has exactly one target";
  case MxObjectDependency::DELETION:
    return "a DELETION has one or more sources and no target";
  case MxObjectDependency::MODIFICATION:
    return "a MODIFICATION has exactly one source and one target";
  case MxObjectDependency::SPLIT:
    return "a SPLIT has exactly one source and two or more targets";
  case MxObjectDependency::ABSORPTION:
    return "an ABSORPTION has one or more sources and exactly one target";
  case MxObjectDependency::CONVERSION:
    return "a CONVERSION has exactly one source and one target";
  case MxObjectDependency::CONTAINMENT:
    return "a CONTAINMENT has exactly one source and two or more targets";
  default:
    return "UNSPECIFIED dependencies are never recorded";
  }
}

HistoryRecorder::HistoryRecorder(const History& history) : history_(history) {
  for (size_t i = 0; i < history.objects.size(); ++i) objects_.emplace_back();
  texts_.assign(history.objects.size(), nullptr);
  for (const HistoryCommand& c : history.commands)
    if (c.kind == HistoryCommand::NAME) texts_[history.refs[c.first]] = &history.texts[c.text];
  for (size_t i = 0; i < texts_.size(); ++i) {
    const std::string& text = texts_[i] ? *texts_[i] : history.objects[i];
    objects_[i].add_attrib(new MxNameAttrib(MxString(text.c_str()))); // the object owns it
  }
}

long HistoryRecorder::index_of(const MxDynObj* object) const {
  if (!object || objects_.empty()) return -1;
  // Identities are consecutive in the order the objects were made.
  const long guess = static_cast<long>(object->identity()) - objects_.front().identity();
  if (guess >= 0 && static_cast<size_t>(guess) < objects_.size() &&
      &objects_[static_cast<size_t>(guess)] == object)
    return guess;
  for (size_t i = 0; i < objects_.size(); ++i)
    if (&objects_[i] == object) return static_cast<long>(i);
  return -1;
}

std::string HistoryRecorder::describe(size_t index) const {
  if (!texts_[index]) return history_.objects[index];
  return history_.objects[index] + " \"" + *texts_[index] + "\"";
}

bool HistoryRecorder::record(HistoryGraph& graph, std::vector<HistoryError>& errors,
                             size_t& error_count, size_t max_errors) {
  bool all_recorded = true;
  for (const HistoryCommand& c : history_.commands) {
    if (c.kind == HistoryCommand::SEPARATOR) {
      graph.new_separator();
      continue;
    }
    if (c.kind != HistoryCommand::DEPENDENCY) continue;
    std::string problem = check_dependency(graph, c);
    if (problem.empty() && !record_dependency(graph, c))
      problem = "the lineage graph refused the dependency";
    if (problem.empty()) continue;
    all_recorded = false;
    ++error_count;
    if (errors.size() < max_errors) errors.push_back(HistoryError{c.line, problem});
  }
  return all_recorded;
}

std::string HistoryRecorder::check_dependency(const HistoryGraph& graph,
                                              const HistoryCommand& c) const {
  if (!HistoryGraph::check_dependency(static_cast<int>(c.n_sources), static_cast<int>(c.n_targets),
                                      c.type))
    return shape_rule(c.type) + "; this one has " + count_of(c.n_sources, "source", "sources") +
           " and " + count_of(c.n_targets, "target", "targets");
  if (c.type == MxObjectDependency::TRANSFER) return std::string(); // nothing is stored

  const uint32_t* sources = history_.refs.data() + c.first;
  const uint32_t* targets = sources + c.n_sources;
  long twice = repeated(sources, c.n_sources);
  if (twice >= 0) return quoted(name(twice)) + " is named twice among the sources";
  twice = repeated(targets, c.n_targets);
  if (twice >= 0) return quoted(name(twice)) + " is named twice among the targets";

  // Every pair of the cross product; an empty side is the null object.
  const uint32_t n_s = c.n_sources ? c.n_sources : 1;
  const uint32_t n_t = c.n_targets ? c.n_targets : 1;
  for (uint32_t i = 0; i < n_s; ++i) {
    const long s = c.n_sources ? static_cast<long>(sources[i]) : -1;
    for (uint32_t k = 0; k < n_t; ++k) {
      const long t = c.n_targets ? static_cast<long>(targets[k]) : -1;
      if (graph.check_dependency_pair(s < 0 ? nullptr : object(static_cast<size_t>(s)),
                                      t < 0 ? nullptr : object(static_cast<size_t>(t))))
        continue;
      std::string m;
      if (s < 0)
        m = quoted(name(t)) + " is created from nothing already";
      else if (t < 0)
        m = quoted(name(s)) + " is deleted already";
      else
        m = "a dependency from " + quoted(name(s)) + " to " + quoted(name(t)) +
            " is recorded already";
      const size_t line = earlier_line(c, s, t);
      if (line) m += " on line " + std::to_string(line);
      return m;
    }
  }
  return std::string();
}

size_t HistoryRecorder::earlier_line(const HistoryCommand& c, long source, long target) const {
  auto on_side = [&](const HistoryCommand& e, size_t offset, uint32_t n, long object) {
    if (object < 0) return n == 0;
    for (uint32_t i = 0; i < n; ++i)
      if (history_.refs[e.first + offset + i] == static_cast<uint32_t>(object)) return true;
    return false;
  };
  for (const HistoryCommand& e : history_.commands) {
    if (&e == &c) break;
    if (e.kind != HistoryCommand::DEPENDENCY || e.type == MxObjectDependency::TRANSFER) continue;
    if (on_side(e, 0, e.n_sources, source) && on_side(e, e.n_sources, e.n_targets, target))
      return e.line;
  }
  return 0;
}

bool HistoryRecorder::record_dependency(HistoryGraph& graph, const HistoryCommand& c) const {
  const int* qualifier = c.has_qualifier ? &c.qualifier : nullptr;
  const uint32_t* refs = history_.refs.data() + c.first;
  if (c.n_sources <= 1 && c.n_targets <= 1) {
    const MxDynObj* source = c.n_sources ? object(refs[0]) : nullptr;
    const MxDynObj* target = c.n_targets ? object(refs[c.n_sources]) : nullptr;
    return graph.record_dependency(source, target, c.type, qualifier, nullptr);
  }
  std::vector<const MxDynObj*> sources, targets;
  for (uint32_t i = 0; i < c.n_sources; ++i) sources.push_back(object(refs[i]));
  for (uint32_t i = 0; i < c.n_targets; ++i) targets.push_back(object(refs[c.n_sources + i]));
  MxDynObjArrayIterator source_it, target_it;
  fill(source_it, sources);
  fill(target_it, targets);
  return graph.record_dependency(sources.empty() ? nullptr : &source_it,
                                 targets.empty() ? nullptr : &target_it, c.type, qualifier,
                                 nullptr);
}

} // namespace mxlineage
