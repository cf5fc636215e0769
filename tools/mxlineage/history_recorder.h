// Turns the statements of a history into client objects and a recorded
// lineage graph, one statement at a time.
#ifndef MXLINEAGE_HISTORY_RECORDER_H
#define MXLINEAGE_HISTORY_RECORDER_H

#include "history_parser.h"

#include "mxiterator.h"
#include "mxobjdependency.h"
#include "mxobject.h"

#include <deque>
#include <string>
#include <unordered_map>
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

/// The lineage graph with the shape check that recording makes, opened up
/// so that a statement can be checked before it is recorded and bad lines
/// can be told apart from a graph that refuses them.
class HistoryGraph : public MxObjDependency {
public:
  using MxObjDependency::check_dependency;
};

/// The line on which each recorded pair of objects was recorded, found by
/// hashing the pair. An absent object (created from nothing, deleted) is
/// the null object.
class PairLines {
public:
  static constexpr uint32_t kNone = UINT32_MAX;
  /// The line of the pair, or 0.
  size_t find(uint32_t source, uint32_t target) const;
  void insert(uint32_t source, uint32_t target, size_t line);

private:
  static uint64_t key(uint32_t source, uint32_t target);
  size_t slot_for(uint64_t key) const;
  void grow();

  std::vector<uint64_t> keys_; ///< 0: free
  std::vector<uint32_t> lines_;
  size_t size_ = 0;
};

/// Owns the objects of one history and records its statements into a graph.
///
/// The objects are made in order of first appearance, before any name
/// attribute, so that they take consecutive identities (1, 2, ... in a
/// process that made no other identified object before). Name attributes
/// are given only when a dump needs them (`attach_names`).
///
/// Besides the graph's own checks, recording refuses what no modelling
/// history does: an object used after its deletion, and a dependency that
/// would make an object its own ancestor. Only a target that existed before
/// its line can close such a cycle, and only when it has targets itself, so
/// the search for one is rare in a real history.
class HistoryRecorder {
public:
  HistoryRecorder(const ObjectNames& names, HistoryGraph& graph);
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  /// Makes the objects the parser has entered since the last call.
  void make_objects();
  /// Records the statement of line `line`; false with `problem` set when it
  /// is refused (nothing is recorded then).
  bool record(const Statement& statement, size_t line, std::string& problem);
  /// Gives every object its MxNameAttrib: its name text, or its name.
  void attach_names();

  size_t size() const { return objects_.size(); }
  const MxDynObj* object(size_t index) const { return &objects_[index]; }
  /// The index of `object` in the history, or -1 for an object not made
  /// here.
  long index_of(const MxDynObj* object) const;
  /// The index of the object whose identity is `identity`, or -1.
  long index_of_identity(long identity) const;
  std::string_view name(size_t index) const { return names_[index]; }
  /// The name text of a name line, or null.
  const std::string* text(size_t index) const;
  /// The object name, followed by its quoted name text when it was named.
  std::string describe(size_t index) const;

private:
  std::string check(const Statement& s);
  std::string check_deleted(const Statement& s) const;
  std::string check_pairs(const Statement& s) const;
  std::string check_cycles(const Statement& s);
  bool leads_to_source(uint32_t from, const Statement& s, uint32_t& first_step, uint32_t& source);
  bool record_in_graph(const Statement& s);
  void remember(const Statement& s, size_t line);

  const ObjectNames& names_;
  HistoryGraph& graph_;
  std::deque<Entity> objects_;
  std::unordered_map<uint32_t, std::string> texts_;
  /// The objects that existed before the statement being recorded.
  size_t known_before_ = 0;
  std::vector<uint32_t> deleted_on_line_; ///< 0: not deleted
  PairLines pairs_;
  /// The direct targets of every object, as singly linked lists.
  struct Step {
    uint32_t target;
    uint32_t next;
  };
  std::vector<uint32_t> first_step_;
  std::vector<Step> steps_;
  /// Marks of the cycle search, by object: sources of the statement and
  /// objects visited, each stamped with the number of the search.
  std::vector<uint32_t> source_mark_, visit_mark_;
  uint32_t search_ = 0;
  std::vector<std::pair<uint32_t, uint32_t>> stack_;
  MxDynObjArrayIterator source_it_, target_it_;
};

/// What a dependency type admits, as a sentence ("a SPLIT has exactly one
/// source and two or more targets").
std::string shape_rule(MxObjectDependency::Type type);

} // namespace mxlineage

#endif
