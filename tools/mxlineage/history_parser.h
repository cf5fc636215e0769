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
// The parser reads such a text one line at a time and turns each statement
// into object indices, numbering the objects in order of first appearance.
// It does no I/O and never touches a lineage graph, so it can be driven by
// tests and fuzzers alone; whether a dependency has a shape the graph admits
// is decided when it is recorded (history_recorder.h).
#ifndef MXLINEAGE_HISTORY_PARSER_H
#define MXLINEAGE_HISTORY_PARSER_H

#include "mxobjectdependency.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mxlineage {

/// The object names of a history, each once, in order of first appearance:
/// one block of characters and an open-addressing index into it, a few
/// bytes per object beyond the name itself.
class ObjectNames {
public:
  size_t size() const { return ends_.size(); }
  std::string_view operator[](size_t index) const;
  /// The index of `name`, or -1.
  long find(std::string_view name) const;
  /// The index of `name`, which becomes the next object when it is new.
  uint32_t intern(std::string_view name);

private:
  size_t slot_for(std::string_view name) const;
  void grow();

  std::string chars_;
  std::vector<size_t> ends_;    ///< name i ends at ends_[i] in chars_
  std::vector<uint32_t> slots_; ///< 0: free; otherwise an index + 1
};

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

/// The statement of one line, as the parser hands it on: valid until the
/// next line is parsed.
struct Statement {
  HistoryCommand::Kind kind = HistoryCommand::DEPENDENCY;
  MxObjectDependency::Type type = MxObjectDependency::UNSPECIFIED;
  bool has_qualifier = false;
  int qualifier = 0;
  /// DEPENDENCY: the sources, then the targets. NAME: the named object.
  std::vector<uint32_t> objects;
  uint32_t n_sources = 0;
  uint32_t n_targets = 0;
  /// NAME: the name text, viewing the line.
  std::string_view text;

  const uint32_t* sources() const { return objects.data(); }
  const uint32_t* targets() const { return objects.data() + n_sources; }
};

/// Reads a history line by line. A line with an error yields no statement
/// and enters no object.
class HistoryParser {
public:
  enum Result { NOTHING, STATEMENT, ERROR };

  explicit HistoryParser(ObjectNames& names) : names_(names) {}

  /// Parses line `line_no` (without its "\n"; a "\r" at its end is
  /// ignored, and so is a UTF-8 byte-order mark at the start of line 1).
  /// STATEMENT fills `statement`; ERROR sets `error`; blank and comment
  /// lines give NOTHING.
  Result parse_line(std::string_view line, size_t line_no, Statement& statement,
                    std::string& error);
  /// The line of `object`'s name statement, or 0.
  size_t named_on_line(uint32_t object) const;

private:
  struct Token {
    enum Kind { WORD, ARROW, TEXT };
    Kind kind;
    std::string_view text; // TEXT: without its quotes
  };

  bool tokenize(std::string_view line, std::string& error);
  Result parse_tokens(size_t line_no, Statement& statement, std::string& error);
  Result parse_separator(Statement& statement, std::string& error);
  Result parse_name(size_t line_no, Statement& statement, std::string& error);
  Result parse_dependency(MxObjectDependency::Type type, Statement& statement, std::string& error);
  bool read_qualifier(size_t i, size_t arrow, Statement& statement, std::string& error) const;
  bool room_for_objects(size_t n_new, std::string& error) const;

  ObjectNames& names_;
  std::vector<Token> tokens_;
  std::unordered_map<uint32_t, size_t> named_on_line_;
};

/// A line the parser could not read, and why.
struct HistoryError {
  size_t line = 0;
  std::string message;
};

/// A whole history parsed at once, for tests and tools that hold the text.
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
  /// The index of the object names.
  ObjectNames names;

  /// The index of the object named `name`, or -1.
  long find_object(std::string_view name) const { return names.find(name); }
};

/// Parses `text` line by line with a HistoryParser. Lines end at "\n".
History parse_history(std::string_view text, size_t max_errors = 20);

/// The dependency type called `word` ("SPLIT", ...); false when there is
/// none. Type names are upper case, as the graph's dumps print them.
bool dependency_type_from_name(std::string_view word, MxObjectDependency::Type& type);

/// True when `word` is a valid object name: one or more letters, digits,
/// and characters of "_.-:/", not containing "->".
bool is_object_name(std::string_view word);

/// `word` in single quotes for a message: at most about 60 characters of it,
/// with bytes outside printable ASCII (and the backslash) escaped as \xNN.
std::string quoted(std::string_view word);

/// The command-line summary of the format, as `mxlineage --help` prints it.
const char* history_format_help();

} // namespace mxlineage

#endif
