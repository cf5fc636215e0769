// mxlineage: records a lineage history into an MxObjDependency graph and
// writes the graph (one line per dependency, JSON, the library's text dump
// or a Graphviz digraph), checks it, simplifies it, or tells where an object
// came from and where it ended up.
//
// Every failure is found before any output is written: the history is read
// as a stream, parsed and recorded line by line, and, when asked, checked
// and simplified first. The output file is settled before the reading
// begins and written the safest way its kind allows (output_file.h).
#include "graph_output.h"
#include "history_parser.h"
#include "history_recorder.h"
#include "output_file.h"

#include "mxassert.h"
#include "mxprogress.h"
#include "mxstreamjournal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <ostream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef MXLINEAGE_VERSION
#define MXLINEAGE_VERSION "unknown"
#endif

namespace {

using mxlineage::HistoryError;
using mxlineage::HistoryRecorder;

const char* const kProgram = "mxlineage";
const size_t kMaxErrorsShown = 20;

enum ExitStatus { EXIT_OK = 0, EXIT_INVALID = 1, EXIT_BAD_INPUT = 2 };

const char* const kUsage =
    "Usage: mxlineage [OPTION]... [HISTORY]\n"
    "Records the lineage history HISTORY (standard input when absent or '-') into a\n"
    "lineage graph and writes the graph, or answers a question about it.\n"
    "\n"
    "Options:\n"
    "  --format FORMAT     edges (default): one line per dependency,\n"
    "                        SOURCE -> TARGET TYPE [q=N] [separator=S], '-' for nothing;\n"
    "                      json: the objects and dependencies as one JSON document;\n"
    "                      text: the library's indented dump, objects by identity;\n"
    "                      dot: a Graphviz digraph for dot(1), edges coloured by separator\n"
    "  --level LEVEL       text and dot dumps: summary, normal or full (default), or 1-3\n"
    "  --legend            dot: mark initial and final objects and add a legend of the\n"
    "                      separator colours and dependency types (implies --format dot)\n"
    "  --lineage NAME      show only the objects that share an initial and a final\n"
    "                      object with NAME: where it came from and where it ended up\n"
    "  --check             check the graph's integrity after recording (and after\n"
    "                      --simplify): each error, with the history lines of the\n"
    "                      objects it names, and 'valid' or 'N errors' go to standard\n"
    "                      error; the exit status is 1 when the graph is not valid\n"
    "  --simplify          reduce the graph to direct dependencies between initial and\n"
    "                      final objects before writing it or answering (refused for a\n"
    "                      graph that is not valid)\n"
    "  --stats             a summary line on standard error: objects, initial and final\n"
    "                      ones, dependencies by type, separators\n"
    "  --sources NAME      instead of the dump, print the objects NAME came from\n"
    "  --targets NAME      instead of the dump, print the objects NAME ended up in\n"
    "  --trace             with --simplify: write its trace to standard error\n"
    "  -o, --output FILE   write to FILE instead of standard output (see below)\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "The text and dot dumps show each object as its identity (the objects take the\n"
    "identities 1, 2, ... in order of first appearance in the history), 'Entity: ' and\n"
    "its name text or object name; NULL stands for 'nothing'. --sources and --targets\n"
    "print each object once, as its object name followed by its quoted name text when\n"
    "it has one; an object created from nothing has no sources, a deleted one no\n"
    "targets.\n"
    "\n"
    "Output files: a regular file (through a symbolic link, the file it points to) is\n"
    "replaced only when everything succeeded, atomically, keeping its mode; one with\n"
    "other hard links, or beside which no temporary file can be made, is written in\n"
    "place (the tool says so). Devices, FIFOs and terminals are written directly. The\n"
    "history itself is never written.\n"
    "\n"
    "Exit status: 0 on success, 1 when --check finds the graph not valid, 2 on bad\n"
    "input or usage (nothing is written then).\n"
    "\n";

enum class Format { EDGES, JSON, TEXT, DOT };

struct Options {
  Format format = Format::EDGES;
  bool format_given = false;
  MxDebug level = MxDebugFull;
  bool level_given = false;
  bool check = false;
  bool simplify = false;
  bool trace = false;
  bool stats = false;
  bool legend = false;
  enum Query { NO_QUERY, SOURCES, TARGETS } query = NO_QUERY;
  std::string query_name;
  std::string lineage;
  std::string output;
  std::string input;
  bool help = false;
  bool version = false;
};

// ---------------------------------------------------------------------------
// Messages. Reports of the library's own checks are counted, and a run with
// a report writes nothing: its result would not be trustworthy.

size_t g_reports = 0;

void report_to_stderr(const char* file, int line) {
  ++g_reports;
  std::fprintf(stderr, "%s: internal check failed in %s, line %d\n", kProgram, file, line);
}

void message(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

int usage_error(const std::string& text) {
  message(text);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
  return EXIT_BAD_INPUT;
}

/// The first errors of a history, and how many there were.
struct ErrorList {
  std::vector<HistoryError> shown;
  size_t count = 0;
  void add(size_t line, std::string text) {
    if (count++ < kMaxErrorsShown) shown.push_back(HistoryError{line, std::move(text)});
  }
};

void print_errors(const std::string& file, const ErrorList& errors) {
  for (const HistoryError& e : errors.shown)
    message(file + ":" + std::to_string(e.line) + ": " + e.message);
  if (errors.count > errors.shown.size())
    message(file + ": " + std::to_string(errors.count - errors.shown.size()) +
            " more errors not shown");
}

// ---------------------------------------------------------------------------
// Progress on a terminal: shown once a run has taken more than a second.

class TerminalProgress : public MxProgressHandler {
public:
  TerminalProgress() : enabled_(::isatty(2) == 1), start_(Clock::now()) {}
  ~TerminalProgress() override { clear(); }

  void begin(const char* phase, unsigned int steps) {
    phase_ = phase;
    initialize(steps);
  }
  void end() {
    finish();
    clear();
  }
  void show_progress(unsigned int percentage) override {
    if (!enabled_ || Clock::now() - start_ < std::chrono::seconds(1)) return;
    std::fprintf(stderr, "\r%s: %s %u%%", kProgram, phase_, percentage);
    std::fflush(stderr);
    shown_ = true;
  }
  bool poll_cancel() override { return false; }

private:
  using Clock = std::chrono::steady_clock;
  void clear() {
    if (shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
  }

  bool enabled_;
  Clock::time_point start_;
  const char* phase_ = "";
  bool shown_ = false;
};

// ---------------------------------------------------------------------------
// Command line.

bool parse_level(const std::string& value, MxDebug& level) {
  static const struct {
    const char* name;
    MxDebug level;
  } levels[] = {{"none", MxDebugNone}, {"0", MxDebugNone},        {"summary", MxDebugSummary},
                {"1", MxDebugSummary}, {"normal", MxDebugNormal}, {"2", MxDebugNormal},
                {"full", MxDebugFull}, {"3", MxDebugFull}};
  for (const auto& l : levels) {
    if (value == l.name) {
      level = l.level;
      return true;
    }
  }
  return false;
}

bool parse_format(const std::string& value, Format& format) {
  static const struct {
    const char* name;
    Format format;
  } formats[] = {{"edges", Format::EDGES},
                 {"json", Format::JSON},
                 {"text", Format::TEXT},
                 {"dot", Format::DOT}};
  for (const auto& f : formats) {
    if (value == f.name) {
      format = f.format;
      return true;
    }
  }
  return false;
}

bool wants_value(const std::string& name) {
  static const std::set<std::string> names = {"--format",  "--level", "--sources", "--targets",
                                              "--lineage", "-o",      "--output"};
  return names.count(name) != 0;
}

/// Sets the option `name` (with `value` when it takes one); an empty result
/// means success, otherwise it is the complaint.
std::string set_option(const std::string& name, const std::string& value, Options& o) {
  if (name == "--format") {
    if (!parse_format(value, o.format))
      return "unknown format '" + value + "' (expected edges, json, text or dot)";
    o.format_given = true;
  } else if (name == "--level") {
    if (!parse_level(value, o.level))
      return "unknown dump level '" + value + "' (expected summary, normal or full)";
    o.level_given = true;
  } else if (name == "--sources" || name == "--targets") {
    if (o.query != Options::NO_QUERY) return "give only one of --sources and --targets";
    o.query = name == "--sources" ? Options::SOURCES : Options::TARGETS;
    o.query_name = value;
  } else if (name == "--lineage") {
    o.lineage = value;
  } else if (name == "-o" || name == "--output") {
    if (value.empty()) return "option '" + name + "' needs a file name";
    o.output = value;
  } else {
    static const std::pair<const char*, bool Options::*> flags[] = {
        {"--check", &Options::check},   {"--simplify", &Options::simplify},
        {"--trace", &Options::trace},   {"--stats", &Options::stats},
        {"--legend", &Options::legend}, {"-h", &Options::help},
        {"--help", &Options::help},     {"--version", &Options::version}};
    for (const auto& [flag, member] : flags) {
      if (name != flag) continue;
      o.*member = true;
      return std::string();
    }
    return "unknown option '" + name + "'";
  }
  return std::string();
}

/// Options that do not go together; an empty result when all is well.
std::string check_combination(Options& o) {
  const bool dump_options = o.format_given || o.level_given || o.legend || !o.lineage.empty();
  if (o.query != Options::NO_QUERY && dump_options)
    return "--format, --level, --legend and --lineage shape the graph dump; --sources and "
           "--targets print names";
  if (o.trace && !o.simplify) return "--trace shows the simplification: it needs --simplify";
  if (o.legend) {
    if (o.format_given && o.format != Format::DOT) return "--legend draws on the dot picture";
    if (o.level_given && o.level != MxDebugFull) return "--legend draws the full dot picture";
    o.format = Format::DOT;
  }
  const bool library_dump = o.format == Format::TEXT || o.format == Format::DOT;
  if (o.level_given && !library_dump)
    return "--level shapes the text and dot dumps (add --format text or --format dot)";
  if (o.level == MxDebugNone) return "--level none writes nothing";
  if (o.format == Format::DOT && o.level == MxDebugSummary)
    return "a dot picture at --level summary has no nodes (use normal or full)";
  return std::string();
}

/// Fills `o` from the arguments; an empty result means success, otherwise
/// it is the complaint.
std::string parse_options(int argc, char** argv, Options& o) {
  bool input_given = false;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg == "-" || arg.empty() || arg[0] != '-') {
      if (input_given) return "more than one history given ('" + o.input + "' and '" + arg + "')";
      o.input = arg;
      input_given = true;
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    // "--name=value" and "--name value" (and "-o value", "-ovalue").
    std::string name = arg;
    std::string value;
    bool has_value = false;
    const size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      has_value = true;
    } else if (arg.size() > 2 && arg[0] == '-' && arg[1] == 'o') {
      name = "-o";
      value = arg.substr(2);
      has_value = true;
    }
    if (wants_value(name) && !has_value) {
      if (i + 1 >= argc) return "option '" + name + "' needs a value";
      value = argv[++i];
      has_value = true;
    }
    if (!wants_value(name) && has_value) return "option '" + name + "' takes no value";
    const std::string problem = set_option(name, value, o);
    if (!problem.empty()) return problem;
  }
  return check_combination(o);
}

// ---------------------------------------------------------------------------
// Input: the history as a stream of lines.

class LineReader {
public:
  explicit LineReader(std::FILE* f) : f_(f) {}

  /// The next line, without its "\n"; false at the end or on a read error.
  bool next(std::string_view& line) {
    for (;;) {
      const size_t end = buffer_.find('\n', scanned_);
      if (end != std::string::npos) {
        line = std::string_view(buffer_).substr(start_, end - start_);
        start_ = scanned_ = end + 1;
        return true;
      }
      scanned_ = buffer_.size();
      if (!fill()) break;
    }
    if (start_ == buffer_.size()) return false;
    line = std::string_view(buffer_).substr(start_);
    start_ = scanned_ = buffer_.size();
    return true;
  }
  bool failed() const { return std::ferror(f_) != 0; }
  /// Bytes read so far.
  unsigned long long bytes() const { return bytes_; }

private:
  bool fill() {
    buffer_.erase(0, start_); // keep only the line begun
    scanned_ -= start_;
    start_ = 0;
    char chunk[1 << 16];
    const size_t n = std::fread(chunk, 1, sizeof chunk, f_);
    buffer_.append(chunk, n);
    bytes_ += n;
    return n > 0;
  }

  std::FILE* f_;
  std::string buffer_;
  size_t start_ = 0;   ///< where the next line begins
  size_t scanned_ = 0; ///< no "\n" before this, after start_
  unsigned long long bytes_ = 0;
};

/// Opens the history; null after a message.
std::FILE* open_history(const Options& o, const std::string& shown_name) {
  if (o.input.empty() || o.input == "-") return stdin;
  std::FILE* f = std::fopen(o.input.c_str(), "rb");
  if (!f) message("cannot read '" + shown_name + "': " + std::strerror(errno));
  return f;
}

/// The size of a regular file in 64 KiB steps, or 0.
unsigned int size_in_steps(std::FILE* f) {
  struct stat st;
  if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<unsigned int>(static_cast<unsigned long long>(st.st_size) >> 16);
}

/// Everything recorded from one history.
struct Recording {
  explicit Recording(bool keep_statements)
      : recorder(names, graph), keep_statements(keep_statements) {}
  mxlineage::ObjectNames names;
  mxlineage::HistoryGraph graph;
  HistoryRecorder recorder;
  mxlineage::StatementLog log;
  bool keep_statements;
  ErrorList errors;
};

/// Reads, parses and records the history; false after a message on a read
/// error. Once a line cannot be read the rest is only parsed, for its own
/// errors: recording past a gap would report faults that are not there.
bool read_history(std::FILE* in, const std::string& shown_name, Recording& r,
                  TerminalProgress& progress) {
  mxlineage::HistoryParser parser(r.names);
  mxlineage::Statement statement;
  LineReader reader(in);
  std::string problem;
  std::string_view line;
  size_t line_no = 0;
  bool parsed_all = true;
  progress.begin("reading", size_in_steps(in));
  unsigned long long reported = 0;
  while (reader.next(line)) {
    const auto result = parser.parse_line(line, ++line_no, statement, problem);
    if (result == mxlineage::HistoryParser::ERROR) {
      r.errors.add(line_no, problem);
      parsed_all = false;
    } else if (result == mxlineage::HistoryParser::STATEMENT && parsed_all) {
      if (!r.recorder.record(statement, line_no, problem)) r.errors.add(line_no, problem);
      if (r.keep_statements) r.log.add(statement, line_no);
    }
    for (; reported + (1 << 16) <= reader.bytes(); reported += 1 << 16) progress.update_progress(1);
  }
  progress.end();
  r.recorder.make_objects();
  if (!reader.failed()) return true;
  message("cannot read '" + shown_name + "': " + std::strerror(errno));
  return false;
}

// ---------------------------------------------------------------------------
// Questions and filters.

/// Writes the answer to a query: each object once, in the order the graph
/// answered.
void write_answer(std::ostream& out, const HistoryRecorder& recorder,
                  MxIterator<const MxDynObj*>* answer) {
  std::vector<bool> written(recorder.size(), false);
  for (answer->reset(); !answer->done(); answer->next()) {
    const long index = recorder.index_of(*answer->current());
    if (index < 0 || written[static_cast<size_t>(index)]) continue;
    written[static_cast<size_t>(index)] = true;
    out << recorder.describe(static_cast<size_t>(index)) << '\n';
  }
}

/// A node filter that accepts the objects of a set (and the null object,
/// whose links the other ends decide about).
class SetFilter : public MxObjectDependencyNodeFilter {
public:
  explicit SetFilter(std::set<const MxDynObj*> objects) : objects_(std::move(objects)) {}
  bool accept(const MxDynObj* object) const override {
    return !object || objects_.count(object) != 0;
  }
  bool empty() const { return objects_.empty(); }

private:
  std::set<const MxDynObj*> objects_;
};

std::set<const MxDynObj*> answer_set(const MxObjDependency& graph, const MxDynObj* object,
                                     bool sources) {
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  if (sources)
    graph.get_source_objects(object, answer, nullptr, nullptr);
  else
    graph.get_target_objects(object, answer, nullptr, nullptr);
  std::set<const MxDynObj*> set;
  if (answer)
    for (answer->reset(); !answer->done(); answer->next()) set.insert(*answer->current());
  return set;
}

/// The node filters of --lineage: a node is shown when one of its ultimate
/// sources is one of the object's, and one of its ultimate targets one of
/// the object's. A side the object has none of (made from nothing, deleted)
/// does not restrict; with neither, the object is shown alone.
struct LineageFilters {
  SetFilter sources, targets, alone;
  LineageFilters(MxObjDependency& graph, const MxDynObj* object)
      : sources(answer_set(graph, object, true)), targets(answer_set(graph, object, false)),
        alone(std::set<const MxDynObj*>{object}) {
    if (!sources.empty()) graph.add_debug_node_filter(MxObjectDependency::SOURCES, &sources);
    if (!targets.empty()) graph.add_debug_node_filter(MxObjectDependency::TARGETS, &targets);
    if (sources.empty() && targets.empty())
      graph.add_debug_node_filter(MxObjectDependency::NODE, &alone);
  }
};

/// True when `object` has a node in the graph.
bool in_graph(const MxObjDependency& graph, const MxDynObj* object) {
  MxAutoPtr<MxIterator<const MxDynObj*>> answer;
  return graph.get_source_objects(object, answer, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// The run.

/// Writes what was asked for to `out`.
void write_output(const Options& o, Recording& r, const MxDynObj* query_object, std::ostream& out) {
  if (o.query != Options::NO_QUERY) {
    MxAutoPtr<MxIterator<const MxDynObj*>> answer;
    if (o.query == Options::SOURCES)
      r.graph.get_source_objects(query_object, answer, nullptr, nullptr);
    else
      r.graph.get_target_objects(query_object, answer, nullptr, nullptr);
    if (answer) write_answer(out, r.recorder, answer.get());
    return;
  }
  switch (o.format) {
  case Format::EDGES:
    mxlineage::write_edges(r.graph, r.recorder, out);
    return;
  case Format::JSON:
    mxlineage::write_json(r.graph, r.recorder, out);
    return;
  default:
    break;
  }
  r.recorder.attach_names();
  if (o.legend) {
    mxlineage::write_dot_with_legend(r.graph, r.recorder, out);
    return;
  }
  MxStreamJournal journal(out);
  r.graph.set_dotty_output_format(o.format == Format::DOT);
  r.graph.debug(journal, o.level, false, 0);
}

/// Checks the graph when asked: the report goes to standard error, saying
/// "valid" only when `last`. False when it is not valid.
bool check_if_asked(const Options& o, Recording& r, std::ostream& diagnostics, bool last) {
  if (!o.check) return true;
  const size_t errors = mxlineage::check_graph(
      r.graph, r.recorder, r.keep_statements ? &r.log : nullptr, last, diagnostics);
  diagnostics.flush();
  return errors == 0;
}

/// Simplifies when asked; a status other than EXIT_OK stops the run.
int simplify_if_asked(const Options& o, const std::string& shown_name, Recording& r,
                      MxJournal& diagnostics, TerminalProgress& progress) {
  if (!o.simplify) return EXIT_OK;
  if (!r.graph.is_valid(nullptr)) {
    message(shown_name + ": cannot simplify: the lineage graph is not valid (--check lists "
                         "its errors)");
    return EXIT_BAD_INPUT;
  }
  progress.begin("simplifying", 1);
  if (o.trace) r.graph.set_trace_journal(&diagnostics);
  r.graph.simplify_it();
  r.graph.set_trace_journal(nullptr);
  progress.end();
  return EXIT_OK;
}

/// Finds the object a question or --lineage names; -1 after a message.
long find_named(const std::string& shown_name, const Recording& r, const std::string& name) {
  const long index = r.names.find(name);
  if (index < 0) message(shown_name + ": no object is named " + mxlineage::quoted(name));
  return index;
}

int run(const Options& o) {
  const std::string shown_name = o.input.empty() || o.input == "-" ? "<stdin>" : o.input;
  std::FILE* in = open_history(o, shown_name);
  if (!in) return EXIT_BAD_INPUT;
  // The output is settled before the work begins: a file that cannot be
  // written, or that is the history itself, is found at once.
  mxlineage::OutputFile file;
  std::string error;
  const bool to_file = !o.output.empty() && o.output != "-";
  std::string note;
  const bool prepared = !to_file || file.prepare(o.output, fileno(in), error, note);
  if (!note.empty()) message(note);
  TerminalProgress progress;
  Recording r(o.check);
  const bool read = prepared && read_history(in, shown_name, r, progress);
  if (in != stdin) std::fclose(in);
  if (!prepared) message(error);
  if (!read) return EXIT_BAD_INPUT;
  if (r.errors.count > 0) {
    print_errors(shown_name, r.errors);
    return EXIT_BAD_INPUT;
  }
  const std::string& named = o.query != Options::NO_QUERY ? o.query_name : o.lineage;
  const long named_index = named.empty() ? -1 : find_named(shown_name, r, named);
  if (!named.empty() && named_index < 0) return EXIT_BAD_INPUT;

  mxlineage::FdStreamBuf diagnostics_buf(2, true);
  std::ostream diagnostics_stream(&diagnostics_buf);
  MxStreamJournal diagnostics(diagnostics_stream);
  if (!check_if_asked(o, r, diagnostics_stream, !o.simplify)) return EXIT_INVALID;
  const int simplified = simplify_if_asked(o, shown_name, r, diagnostics, progress);
  if (simplified != EXIT_OK) return simplified;
  diagnostics_buf.drain();
  if (o.simplify && !check_if_asked(o, r, diagnostics_stream, true)) return EXIT_INVALID;
  if (g_reports > 0) {
    message(shown_name + ": the library reported a failed check; nothing is written");
    return EXIT_BAD_INPUT;
  }

  const MxDynObj* named_object =
      named_index < 0 ? nullptr : r.recorder.object(static_cast<size_t>(named_index));
  if (o.query != Options::NO_QUERY && !in_graph(r.graph, named_object))
    message(shown_name + ": " + mxlineage::quoted(named) + " is in no dependency of the " +
            (o.simplify ? "simplified graph" : "graph") + ": it has no sources or targets");
  std::unique_ptr<LineageFilters> lineage;
  if (!o.lineage.empty()) lineage.reset(new LineageFilters(r.graph, named_object));

  if (to_file && !file.open(error)) {
    message(error);
    return EXIT_BAD_INPUT;
  }
  mxlineage::FdStreamBuf out_buf(to_file ? file.fd() : 1, false);
  {
    std::ostream out(&out_buf);
    progress.begin("writing", 1);
    write_output(o, r, named_object, out);
    progress.end();
  }
  if (o.stats) message(shown_name + ": " + mxlineage::graph_summary(r.graph, r.recorder));
  const std::string out_name = to_file ? "'" + o.output + "'" : "standard output";
  if (!out_buf.drain()) {
    message("cannot write " + out_name + ": " + std::strerror(out_buf.error()));
    return EXIT_BAD_INPUT;
  }
  if (g_reports > 0) {
    message(shown_name + ": the library reported a failed check while writing; " +
            (to_file ? "nothing is written" : "the output is not trustworthy"));
    return EXIT_BAD_INPUT;
  }
  if (to_file && !file.commit(error)) {
    message(error);
    return EXIT_BAD_INPUT;
  }
  return EXIT_OK;
}

} // namespace

int main(int argc, char** argv) {
  set_fnd_assertion_handler(report_to_stderr, true);
  Options options;
  const std::string problem = parse_options(argc, argv, options);
  if (!problem.empty()) return usage_error(problem);
  if (options.help) {
    std::fputs(kUsage, stdout);
    std::fputs(mxlineage::history_format_help(), stdout);
    return EXIT_OK;
  }
  if (options.version) {
    std::printf("%s %s\n", kProgram, MXLINEAGE_VERSION);
    return EXIT_OK;
  }
  try {
    return run(options);
  } catch (const std::bad_alloc&) {
    // Whatever was being written has been removed on the way out.
    std::fputs("mxlineage: out of memory\n", stderr);
    return EXIT_BAD_INPUT;
  }
}
