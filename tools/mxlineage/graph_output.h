// The forms of the graph that mxlineage writes beyond the library's own
// text and dot dumps: one line per dependency, a JSON document, a dot
// picture with a legend, a summary line and the report of --check.
//
// All of them read the graph through its own dot dump at the full level (a
// documented format), so they show exactly what the dumps show, filters
// included, and never reach into the graph's store.
#ifndef MXLINEAGE_GRAPH_OUTPUT_H
#define MXLINEAGE_GRAPH_OUTPUT_H

#include "history_recorder.h"

#include "mxjournal.h"
#include "mxobjdependency.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace mxlineage {

/// One dependency as the dot dump shows it. Objects are history indices,
/// -1 for the null object.
struct DumpedEdge {
  long source = -1;
  long target = -1;
  MxObjectDependency::Type type = MxObjectDependency::UNSPECIFIED;
  bool has_qualifier = false;
  int qualifier = 0;
  int separator = 0;
  std::string colour;
};

/// A journal that reads a dot dump line by line and hands on its nodes and
/// edges; every line also goes to `on_line` when set.
class DotDumpReader : public MxJournal {
public:
  explicit DotDumpReader(const HistoryRecorder& recorder) : recorder_(recorder) {}
  std::function<void(long node)> on_node;
  std::function<void(const DumpedEdge& edge)> on_edge;
  std::function<void(const std::string& line)> on_line;

  void write(const MxString& text) override;
  void flush() override {}

private:
  void read_line(const std::string& line);
  long node_index(const std::string& label) const;

  const HistoryRecorder& recorder_;
  std::string line_;
  DumpedEdge edge_;
};

/// Dumps `graph` in dot form at the full level into `reader`.
void read_graph(MxObjDependency& graph, DotDumpReader& reader);

/// `SOURCE -> TARGET TYPE [q=N] [separator=S]`, one line per dependency.
void write_edges(MxObjDependency& graph, const HistoryRecorder& recorder, std::ostream& out);
/// The objects and dependencies as one JSON document.
void write_json(MxObjDependency& graph, const HistoryRecorder& recorder, std::ostream& out);
/// The library's dot picture, its initial objects drawn as boxes and its
/// final objects with a double outline, and a legend of the separator
/// colours and dependency types it uses.
void write_dot_with_legend(MxObjDependency& graph, const HistoryRecorder& recorder,
                           std::ostream& out);
/// "N objects (I initial, F final), D dependencies (k TYPE, ...), S separators".
std::string graph_summary(MxObjDependency& graph, const HistoryRecorder& recorder);

/// The dependency statements of a history, kept so that --check can quote
/// the lines of the objects an integrity error names.
class StatementLog {
public:
  void add(const Statement& s, size_t line);
  /// The lines (as "line N: STATEMENT") that name `object`, in file order.
  std::vector<std::string> lines_of(uint32_t object, const HistoryRecorder& recorder) const;

private:
  std::vector<HistoryCommand> commands_;
  std::vector<uint32_t> refs_;
  /// (object, command) pairs in order, made on the first question.
  mutable std::vector<std::pair<uint32_t, uint32_t>> by_object_;
};

/// Runs the graph's integrity check and writes its report to `out`: each
/// error, the objects it names and (when `log` is given) their history
/// lines, each object's once; then "N errors", or "valid" when
/// `say_valid`. The number of errors is returned.
size_t check_graph(const MxObjDependency& graph, const HistoryRecorder& recorder,
                   const StatementLog* log, bool say_valid, std::ostream& out);

} // namespace mxlineage

#endif
