// Turns a parsed history into client objects and a recorded lineage graph.
#ifndef MXLINEAGE_HISTORY_RECORDER_H
#define MXLINEAGE_HISTORY_RECORDER_H

#include "history_parser.h"

#include "mxobjdependency.h"
#include "mxobject.h"

#include <deque>
#include <string>
#include <vector>

namespace mxlineage {

/// The client object that stands for one object name of a history. It has
/// no data of its own: the history gives it its place in the graph, and an
/// MxNameAttrib carries its name into the dumps.
class Entity : public MxObject {
  MX_DYNOBJ_TYPE(Entity, MxObject)
public:
  Entity() = default;
  Entity(const Entity&) = default;
  MxDynObj* clone() const override { return new Entity(*this); }
};

/// The lineage graph with the shape and pair checks that recording makes,
/// opened up so that a history can be checked before it is recorded and bad
/// lines can be told apart from a graph that refuses them.
class HistoryGraph : public MxObjDependency {
public:
  using MxObjDependency::check_dependency;
  using MxObjDependency::check_dependency_pair;
};

/// Owns the objects of one history and records the history into a graph.
///
/// The objects are made in order of first appearance, all before any name
/// attribute, so that they take consecutive identities (1, 2, ... in a
/// process that made no other identified object before). Each object then
/// gets one MxNameAttrib: the text of its `name` line, or its object name.
class HistoryRecorder {
public:
  explicit HistoryRecorder(const History& history);
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  /// Records every command into `graph`, in file order. A dependency whose
  /// shape the graph refuses, that repeats an object on one side or that
  /// exists already is not recorded; it adds an error (the first
  /// `max_errors` are kept in `errors`, all are counted in `error_count`).
  /// True when no command was refused. Afterwards the recorder needs only
  /// the history's object names and name texts.
  bool record(HistoryGraph& graph, std::vector<HistoryError>& errors, size_t& error_count,
              size_t max_errors);

  const MxDynObj* object(size_t index) const { return &objects_[index]; }
  /// The index of `object` in the history, or -1 for an object not made
  /// here.
  long index_of(const MxDynObj* object) const;
  /// The object name, followed by its quoted name text when it was named.
  std::string describe(size_t index) const;

private:
  std::string check_dependency(const HistoryGraph& graph, const HistoryCommand& c) const;
  bool record_dependency(HistoryGraph& graph, const HistoryCommand& c) const;
  size_t earlier_line(const HistoryCommand& c, long source, long target) const;
  const std::string& name(long index) const { return history_.objects[static_cast<size_t>(index)]; }

  const History& history_;
  std::deque<Entity> objects_;
  /// For each object, the text of its name line, or null.
  std::vector<const std::string*> texts_;
};

/// What a dependency type admits, as a sentence ("a SPLIT has exactly one
/// source and two or more targets").
std::string shape_rule(MxObjectDependency::Type type);

} // namespace mxlineage

#endif
