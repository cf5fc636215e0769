// The lineage history format: a text file with one recorded fact per line.
//
//   # a comment runs to the end of the line
//   CREATION -> A                 # A is created from nothing
//   SPLIT A -> B C q=7            # A is split into B and C, target qualifier 7
//   separator                     # the next operation begins
//   ABSORPTION B C -> D           # B and C are absorbed into D
//   DELETION D ->                 # D is deleted
//   name D "left flange"          # D's descriptive name
//
// The parser turns such a text into a list of commands that refer to the
// objects by index, in order of first appearance. It does no I/O and never
// touches a lineage graph, so it can be driven by tests and fuzzers alone;
// whether a dependency has a shape the graph admits is decided when the
// history is recorded (history_recorder.h).
#ifndef MXLINEAGE_HISTORY_PARSER_H
#define MXLINEAGE_HISTORY_PARSER_H

#include "mxobjectdependency.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mxlineage {

/// One statement of a history.
struct HistoryCommand {
  enum Kind : uint8_t {
    DEPENDENCY, ///< `TYPE sources -> targets [q=N]`
    SEPARATOR,  ///< `separator`
    NAME        ///< `name OBJECT "text"`
  };

  /// The line of the statement, counted from 1.
  size_t line = 0;
  /// DEPENDENCY: `History::refs[first .. first + n_sources)` are the
  /// sources and the next `n_targets` entries the targets. NAME:
  /// `History::refs[first]` is the named object.
  size_t first = 0;
  uint32_t n_sources = 0;
  uint32_t n_targets = 0;
  /// NAME: index of the text in `History::texts`.
  uint32_t text = 0;
  /// DEPENDENCY: the target qualifier, when `has_qualifier`.
  int qualifier = 0;
  /// DEPENDENCY: the dependency type.
  MxObjectDependency::Type type = MxObjectDependency::UNSPECIFIED;
  Kind kind = DEPENDENCY;
  /// DEPENDENCY: whether a target qualifier was given.
  bool has_qualifier = false;
};

/// A line the parser could not read, and why.
struct HistoryError {
  size_t line = 0;
  std::string message;
};

/// A parsed history.
struct History {
  /// The object names, each once, in order of first appearance.
  std::vector<std::string> objects;
  /// For each object, the line of its `name` statement (0: not named).
  std::vector<size_t> named_on_line;
  /// Object indices referred to by the commands.
  std::vector<uint32_t> refs;
  /// The texts of the `name` statements.
  std::vector<std::string> texts;
  /// The statements of the lines that could be read, in file order.
  std::vector<HistoryCommand> commands;
  /// The first errors found, in line order (at most the `max_errors` given
  /// to `parse_history`), and the number of all lines with an error.
  std::vector<HistoryError> errors;
  size_t error_count = 0;

  /// The index of the object named `name`, or -1.
  long find_object(std::string_view name) const;
};

/// Parses `text`. A line with an error contributes no command and no object;
/// parsing goes on with the next line. Lines end at "\n"; a "\r" before it
/// is ignored.
History parse_history(std::string_view text, size_t max_errors = 20);

/// The dependency type called `word` ("SPLIT", ...); false when there is
/// none. Type names are upper case, as the graph's dumps print them.
bool dependency_type_from_name(std::string_view word, MxObjectDependency::Type& type);

/// True when `word` is a valid object name: one or more letters, digits,
/// and characters of "_.-:/", not containing "->".
bool is_object_name(std::string_view word);

/// The command-line summary of the format, as `mxlineage --help` prints it.
const char* history_format_help();

} // namespace mxlineage

#endif
