// The vocabulary of object lineage: the abstract dependency interface, the
// dependency types and the shapes they admit, the roles that may be attached
// to a dependency, and the filters that clients implement to steer queries
// and dumps.
//
// Client code records how its objects arise from one another (created,
// deleted, modified, split, absorbed, converted, contained) and later asks
// from which objects an object came and in which it ended up. The one
// implementation of the interface is MxObjDependency (mxobjdependency.h).
//
// Objects are referred to by plain `const MxDynObj*` pointers: a graph never
// owns, deletes or copies them. The null pointer stands for "no object" (an
// object created from nothing, or deleted).
/// \file
#ifndef MXFOUNDATION_MXOBJECTDEPENDENCY_H
#define MXFOUNDATION_MXOBJECTDEPENDENCY_H

#include "mxautoptr.h"
#include "mxdynobj.h"
#include "mxexport.h"
#include "mxiterator.h"
#include "mxjournal.h"

class MxObjectDependencyFilter;
class MxObjectDependencyNodeFilter;

/// A role attached to a dependency by the client. A graph never stores the
/// role it is given: it stores one `clone()` per link and destroys those
/// clones with its links. Abstract: derived classes implement `clone`.
///
/// A role takes a fresh identity when default-constructed; copying a role
/// (construction or assignment) copies the identity of the other role.
class MX_EXPORT MxObjectDependencyRole : public MxDynObj {
  MX_DYNOBJ_TYPE(MxObjectDependencyRole, MxDynObj)

public:
  MxObjectDependencyRole();
  /// Copy constructor.
  MxObjectDependencyRole(const MxObjectDependencyRole& other);
  /// Copy assignment.
  MxObjectDependencyRole& operator=(const MxObjectDependencyRole& other);
  ~MxObjectDependencyRole() override;

  int identity() const override;

private:
  int identity_;
};

/// A ready-made role for clients. Every instance, copies and clones included,
/// carries its own fresh identity; assignment changes nothing.
class MX_EXPORT MxArtificialObjectDependency : public MxObjectDependencyRole {
  MX_DYNOBJ_TYPE(MxArtificialObjectDependency, MxObjectDependencyRole)

public:
  MxArtificialObjectDependency();
  /// Copy constructor.
  MxArtificialObjectDependency(const MxArtificialObjectDependency& other);
  /// Copy assignment.
  MxArtificialObjectDependency& operator=(const MxArtificialObjectDependency& other);
  ~MxArtificialObjectDependency() override;

  /// A new default-constructed role (with a fresh identity).
  MxDynObj* clone() const override;
};

/// The abstract lineage graph. Every operation is pure; see MxObjDependency
/// for the behaviour.
class MX_EXPORT MxObjectDependency {
public:
  /// Kind of a dependency; the numbers are fixed. The shape a recording
  /// admits (s sources, t targets) is given with each type.
  enum Type : int {
    UNSPECIFIED = 0,  ///< never admitted
    TRANSFER = 1,     ///< s >= 1, t = 0; admitted, nothing is stored
    CREATION = 2,     ///< t = 1, any s (s = 0: created from nothing)
    DELETION = 3,     ///< s >= 1, t = 0
    MODIFICATION = 4, ///< s = 1, t = 1
    SPLIT = 5,        ///< s = 1, t >= 2
    ABSORPTION = 6,   ///< s >= 1, t = 1
    CONVERSION = 7,   ///< s = 1, t = 1
    CONTAINMENT = 8   ///< s = 1, t >= 2
  };

  /// What a debug node filter is asked about.
  enum DebugNodeFilterType : int {
    NODE = 0,               ///< the node's own object
    SOURCES = 1,            ///< the node's ultimate sources; any may pass
    TARGETS = 2,            ///< the node's ultimate targets; any may pass
    SOURCES_AND_TARGETS = 3 ///< both of the above must pass
  };

  MxObjectDependency() = default;
  /// Copy constructor.
  MxObjectDependency(const MxObjectDependency&) = default;
  /// Copy assignment.
  MxObjectDependency& operator=(const MxObjectDependency&) = default;
  virtual ~MxObjectDependency();

  /// Records that `target` depends on `source` by a dependency of `type`, with an optional
  /// qualifier and role (the graph keeps copies); false when nothing was stored.
  virtual bool record_dependency(const MxDynObj* source, const MxDynObj* target, Type type,
                                 const int* target_qualifier,
                                 const MxObjectDependencyRole* role) = 0;
  /// Records that every target depends on every source; false when nothing was stored.
  virtual bool record_dependency(MxIterator<const MxDynObj*>* sources,
                                 MxIterator<const MxDynObj*>* targets, Type type,
                                 const int* target_qualifier,
                                 const MxObjectDependencyRole* role) = 0;
  /// Whether an ABSORPTION recorded without a qualifier inherits the one qualifier that its sources
  /// share.
  virtual bool absorption_inherits_target_qualifier() const = 0;
  /// Sets `absorption_inherits_target_qualifier`.
  virtual void set_absorption_inherits_target_qualifier(bool inherits) = 0;
  /// Whether simplification turns a SPLIT or CONTAINMENT left without a sibling into MODIFICATION
  /// (true) or CREATION (false).
  virtual bool consider_split_modificational() const = 0;
  /// Sets `consider_split_modificational`.
  virtual void set_consider_split_modificational(bool modificational) = 0;
  /// Puts into `result` an iterator over the ultimate sources of `object` (all root objects for
  /// null), walking only the links `filter` accepts and setting `*filtered` when it refused one;
  /// true when the answer is not empty.
  virtual bool get_source_objects(const MxDynObj* object,
                                  MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                                  MxObjectDependencyFilter* filter, bool* filtered) const = 0;
  /// As `get_source_objects`, forwards: the ultimate targets (all leaf objects for null).
  virtual bool get_target_objects(const MxDynObj* object,
                                  MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                                  MxObjectDependencyFilter* filter, bool* filtered) const = 0;
  /// Reduces the graph to direct dependencies between initial and final objects.
  virtual void simplify_it() = 0;
  /// Removes `object` as a source, keeping the lineage through it when `keep_lineage`; false when
  /// nothing was removed.
  virtual bool remove_source_object(const MxDynObj* object, bool keep_lineage) = 0;
  /// Removes `object` as a target, keeping the lineage through it when `keep_lineage`; false when
  /// nothing was removed.
  virtual bool remove_target_object(const MxDynObj* object, bool keep_lineage) = 0;
  /// Writes the graph to `journal` at `level`, indented by `indent` steps, checking its integrity
  /// first when `check_integrity`.
  virtual void debug(MxJournal& journal, MxDebug level, bool check_integrity, int indent) const = 0;
  /// Chooses the output form of `debug`: a Graphviz digraph (true) or text (false).
  virtual void set_dotty_output_format(bool dotty) = 0;
  /// Adds a node filter for `debug`, applied to the node's ultimate sources, targets or both as
  /// `type` says; not owned.
  virtual void add_debug_node_filter(DebugNodeFilterType type,
                                     const MxObjectDependencyNodeFilter* filter) = 0;
  /// Drops every node filter of `debug`.
  virtual void remove_debug_node_filters() = 0;
  /// Sets the link filter of `debug`; not owned.
  virtual void set_debug_link_filter(MxObjectDependencyFilter* filter) = 0;
  /// Drops the link filter of `debug`.
  virtual void reset_debug_link_filter() = 0;
  /// Checks the graph's invariants, writing each error found to `journal` when it is not null.
  virtual bool is_valid(MxJournal* journal) const = 0;
  /// Starts a new group of dependencies and returns its separator number.
  virtual int new_separator() = 0;

  /// The name of a dependency type as dumps print it ("CREATION", ...), or
  /// "unknown" for a value outside 0..8.
  static const char* type_name(int type);
};

/// Client filter over stored dependencies. It is asked about one dependency
/// at a time, always with the source object first and the target object
/// second (either may be null for the null object); returning false hides
/// the dependency: queries do not walk through it and dumps do not show it.
/// Graphs do not own filters.
class MX_EXPORT MxObjectDependencyFilter {
public:
  MxObjectDependencyFilter() = default;
  /// Copy constructor.
  MxObjectDependencyFilter(const MxObjectDependencyFilter&) = default;
  /// Copy assignment.
  MxObjectDependencyFilter& operator=(const MxObjectDependencyFilter&) = default;
  virtual ~MxObjectDependencyFilter();

  /// `target_qualifier` is null when the dependency has none; `role` is the
  /// graph's own clone of the recorded role, or null.
  virtual bool accept(const MxDynObj* source, const MxDynObj* target, MxObjectDependency::Type type,
                      int separator, const int* target_qualifier,
                      const MxObjectDependencyRole* role) = 0;
};

/// Client filter over the nodes of a dump: false hides the object's node.
/// The object may be null (the null-object node). Graphs do not own filters.
class MX_EXPORT MxObjectDependencyNodeFilter {
public:
  MxObjectDependencyNodeFilter() = default;
  /// Copy constructor.
  MxObjectDependencyNodeFilter(const MxObjectDependencyNodeFilter&) = default;
  /// Copy assignment.
  MxObjectDependencyNodeFilter& operator=(const MxObjectDependencyNodeFilter&) = default;
  virtual ~MxObjectDependencyNodeFilter();

  /// False hides the node of `object` (null for the null-object node) from a dump.
  virtual bool accept(const MxDynObj* object) const = 0;
};

#endif
