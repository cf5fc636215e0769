// MxObjDependency: the object lineage graph.
/// \file
#ifndef MXFOUNDATION_MXOBJDEPENDENCY_H
#define MXFOUNDATION_MXOBJDEPENDENCY_H

#include "mxarray.h"
#include "mxexport.h"
#include "mxobjectdependency.h"

struct MxObjDepNode;
struct MxObjDepLink;

namespace mx_detail {
class MxObjDepStore;
} // namespace mx_detail

/// The lineage graph over client objects, the one implementation of
/// MxObjectDependency.
///
/// Every object that takes part in a recorded dependency gets a node; every
/// recorded dependency from a source S to a target T is kept as a pair of
/// links, one at each end, stamped with the graph's current separator and
/// carrying the dependency's type, its optional target qualifier and the
/// graph's own clone of the role. A missing source (created from nothing) or
/// target (deleted) is the null-object node, the node of the null pointer.
///
/// Ownership: the graph owns its nodes, links and role clones; it never owns,
/// deletes or inspects client objects beyond their address, `identity()`,
/// `type()` and name attribute. Filters and journals handed to it are not
/// owned and must outlive their use. Copies are deep: a copy has its own
/// nodes, links and roles with the same types, qualifiers and separators.
///
/// Order: nodes and links are listed in the order in which the graph made
/// them (a per-graph sequence, not addresses), so query answers, dumps,
/// traces and simplification results are the same from run to run.
///
/// Failures are reported to the assertion handler with the tag
/// "mxobjdependency"; no operation throws. Walks use explicit stacks and stop
/// at a node already on the current path, so long chains and cycles are safe.
class MX_EXPORT MxObjDependency : public MxObjectDependency {
public:
  /// An empty graph: no qualifier inheritance, lone splits become
  /// modifications, separator 0, text dumps, no filters, no trace.
  MxObjDependency();
  /// Copy constructor.
  MxObjDependency(const MxObjDependency& other);
  /// Copy assignment.
  MxObjDependency& operator=(const MxObjDependency& other);
  /// Destroys every node, link and role clone.
  ~MxObjDependency() override;

  /// Records one dependency from `source` to `target` (either may be null
  /// for the null object). False when the shape is not admitted (silently)
  /// or the same direct dependency exists already (reported); true when it
  /// was stored, or for TRANSFER, which stores nothing. The qualifier and
  /// role stay the caller's; the graph keeps copies.
  bool record_dependency(const MxDynObj* source, const MxDynObj* target, Type type,
                         const int* target_qualifier, const MxObjectDependencyRole* role) override;
  /// Records the dependency of every target on every source. Either iterator
  /// may be null or empty (no object); they are not owned. A null element, a
  /// repeated object on one side or an existing pair is reported and nothing
  /// is stored.
  bool record_dependency(MxIterator<const MxDynObj*>* sources, MxIterator<const MxDynObj*>* targets,
                         Type type, const int* target_qualifier,
                         const MxObjectDependencyRole* role) override;

  /// When true, an ABSORPTION recorded without a qualifier takes the one
  /// qualifier that all incoming dependencies of all its sources share.
  bool absorption_inherits_target_qualifier() const override;
  void set_absorption_inherits_target_qualifier(bool inherits) override;
  /// Whether simplification turns a SPLIT or CONTAINMENT left without a
  /// sibling into MODIFICATION (true) or CREATION (false).
  bool consider_split_modificational() const override;
  void set_consider_split_modificational(bool modificational) override;

  /// Puts into `result` a new iterator over the ultimate sources of `object`
  /// (depth first, in link order, repeated when reached along several
  /// paths), or over all root objects when `object` is null. Links refused
  /// by `filter` are not walked and set `*filtered`. True when the answer is
  /// not empty or the walk reached a creation from nothing.
  bool get_source_objects(const MxDynObj* object, MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                          MxObjectDependencyFilter* filter, bool* filtered) const override;
  /// As `get_source_objects`, forwards: the ultimate targets, or all leaf
  /// objects for null. A deletion contributes nothing.
  bool get_target_objects(const MxDynObj* object, MxAutoPtr<MxIterator<const MxDynObj*>>& result,
                          MxObjectDependencyFilter* filter, bool* filtered) const override;

  /// Bridges intermediate objects away until every link runs from an initial
  /// object (or the null-object node) to a final one (or the null-object
  /// node). With an assertion handler installed the graph is checked before
  /// and between the steps.
  void simplify_it() override;

  /// Not offered: reported, the graph is left alone, false.
  bool remove_source_object(const MxDynObj* object, bool keep_lineage) override;
  bool remove_target_object(const MxDynObj* object, bool keep_lineage) override;

  /// Writes the graph to `journal` as text or as a Graphviz digraph (see
  /// `set_dotty_output_format`), thinned out by the debug filters.
  void debug(MxJournal& journal, MxDebug level, bool check_integrity, int indent) const override;
  void set_dotty_output_format(bool dotty) override;
  /// True when `debug` writes a Graphviz digraph, false for text.
  bool dotty_output_format() const { return dotty_output_format_; }
  /// Appends a node filter for `debug`; not owned.
  void add_debug_node_filter(DebugNodeFilterType type,
                             const MxObjectDependencyNodeFilter* filter) override;
  void remove_debug_node_filters() override;
  /// Sets the link filter for `debug`; not owned.
  void set_debug_link_filter(MxObjectDependencyFilter* filter) override;
  void reset_debug_link_filter() override;

  /// Checks the graph's invariants; every error found is written to
  /// `journal` (when not null) in the current output form.
  bool is_valid(MxJournal* journal) const override;
  /// Starts a new group of dependencies: increments the separator stamped on
  /// everything recorded from now on and returns it.
  int new_separator() override;
  /// The separator stamped on dependencies recorded now.
  int current_separator() const { return current_separator_; }

  /// The journal that removal and simplification write their trace lines
  /// to; null (no trace) on a new graph. Not owned.
  void set_trace_journal(MxJournal* journal);
  /// The trace journal, or null.
  MxJournal* trace_journal() const { return trace_journal_; }

protected:
  /// The shape check: whether `type` admits `n_sources` sources and
  /// `n_targets` targets.
  static bool check_dependency(int n_sources, int n_targets, Type type);

  /// The values of one link that composition reads and produces.
  struct LinkValues {
    /// The dependency type.
    Type type;
    /// Whether the link has a target qualifier.
    bool has_target_qualifier;
    /// The target qualifier, when it has one.
    int target_qualifier;
    /// The separator stamped on the link.
    int separator;
  };
  /// Composes the dependencies n1 -> n2 (`first`) and n2 -> n3 (`second`)
  /// into the one of n1 -> n3: the type from the composition table, the
  /// qualifier of the link the table names, the separator of `second`.
  static LinkValues compose_link_types(const LinkValues& first, const LinkValues& second);

  /// True when `object` has a node with a source link from a real object.
  bool has_direct_source(const MxDynObj* object) const;
  /// True when `object` has sources and all its incoming links carry the
  /// same qualifier, which goes to `qualifier`.
  bool have_direct_sources_same_target_qualifier(const MxDynObj* object, int& qualifier) const;
  /// The same over every object of `objects`, all sharing one value.
  bool have_direct_sources_same_target_qualifier(MxIterator<const MxDynObj*>* objects,
                                                 int& qualifier) const;
  /// False exactly when both objects have nodes and `source` already has a
  /// direct link to `target`.
  bool check_dependency_pair(const MxDynObj* source, const MxDynObj* target) const;

private:
  void add_dependency_pair(const MxDynObj* source, const MxDynObj* target, Type type,
                           const int* target_qualifier, const MxObjectDependencyRole* role);
  void check_or_add_dependency(bool check_only, MxIterator<const MxDynObj*>* sources,
                               MxIterator<const MxDynObj*>* targets, Type type,
                               const int* target_qualifier, const MxObjectDependencyRole* role,
                               bool* ok);
  bool simplify_step();
  void copy_settings(const MxObjDependency& other);

  mx_detail::MxObjDepStore* store_;
  bool absorption_inherits_target_qualifier_ = false;
  bool consider_split_modificational_ = true;
  int current_separator_ = 0;
  bool dotty_output_format_ = false;
  MxArray<DebugNodeFilterType> debug_node_filter_types_;
  MxArray<const MxObjectDependencyNodeFilter*> debug_node_filters_;
  MxObjectDependencyFilter* debug_link_filter_ = nullptr;
  MxJournal* trace_journal_ = nullptr;
};

#endif
