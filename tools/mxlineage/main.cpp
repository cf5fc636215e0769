// mxlineage: records a lineage history into an MxObjDependency graph and
// writes the graph as text or as a Graphviz digraph, checks it, simplifies
// it, or tells where an object came from and where it ended up.
//
// Every failure is found before any output is written: the history is read,
// parsed, recorded and, when asked, checked and simplified first. Output to
// a file goes to a temporary file that is renamed only when complete.
#include "history_parser.h"
#include "history_recorder.h"
#include "output_file.h"

#include "mxassert.h"
#include "mxstreamjournal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#ifndef MXLINEAGE_VERSION
#define MXLINEAGE_VERSION "unknown"
#endif

namespace {

using mxlineage::History;
using mxlineage::HistoryError;

const char* const kProgram = "mxlineage";
const size_t kMaxErrorsShown = 20;

enum ExitStatus { EXIT_OK = 0, EXIT_INVALID = 1, EXIT_BAD_INPUT = 2 };

const char* const kUsage =
    "Usage: mxlineage [OPTION]... [HISTORY]\n"
    "Records the lineage history HISTORY (standard input when absent or '-') into a\n"
    "lineage graph and writes the graph, or answers a question about it.\n"
    "\n"
    "Options:\n"
    "  --format text|dot   form of the graph dump: indented text (default) or a Graphviz\n"
    "                      digraph for dot(1), its edges coloured by separator\n"
    "  --level LEVEL       dump level: summary, normal or full (default), or 1, 2, 3\n"
    "  --check             check the graph's integrity after recording (and after\n"
    "                      --simplify): the errors go to standard error, and the exit\n"
    "                      status is 1 when the graph is not valid\n"
    "  --simplify          reduce the graph to direct dependencies between initial and\n"
    "                      final objects before writing it or answering (refused for a\n"
    "                      graph that is not valid)\n"
    "  --sources NAME      instead of the dump, print the objects NAME came from\n"
    "  --targets NAME      instead of the dump, print the objects NAME ended up in\n"
    "  --trace             with --simplify: write its trace to standard error\n"
    "  -o, --output FILE   write to FILE instead of standard output; FILE is replaced\n"
    "                      only when everything succeeded\n"
    "  -h, --help          print this help and exit\n"
    "      --version       print the version and exit\n"
    "\n"
    "Dumps show each object as its identity (the objects take the identities 1, 2, ...\n"
    "in order of first appearance in the history), 'Entity: ' and its name text or\n"
    "object name; the null-object node NULL stands for 'nothing'. --sources and\n"
    "--targets print each object once, as its object name followed by its quoted name\n"
    "text when it has one; an object created from nothing has no sources, a deleted\n"
    "one no targets.\n"
    "\n"
    "Exit status: 0 on success, 1 when --check finds the graph not valid, 2 on bad\n"
    "input or usage (nothing is written then).\n"
    "\n";

struct Options {
  bool dot = false;
  bool format_given = false;
  MxDebug level = MxDebugFull;
  bool level_given = false;
  bool check = false;
  bool simplify = false;
  bool trace = false;
  enum Query { NO_QUERY, SOURCES, TARGETS } query = NO_QUERY;
  std::string query_name;
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
    const bool wants_value = name == "--format" || name == "--level" || name == "--sources" ||
                             name == "--targets" || name == "-o" || name == "--output";
    if (wants_value && !has_value) {
      if (i + 1 >= argc) return "option '" + name + "' needs a value";
      value = argv[++i];
      has_value = true;
    }
    if (!wants_value && has_value) return "option '" + name + "' takes no value";

    if (name == "--format") {
      if (value != "text" && value != "dot")
        return "unknown format '" + value + "' (expected text or dot)";
      o.dot = value == "dot";
      o.format_given = true;
    } else if (name == "--level") {
      if (!parse_level(value, o.level))
        return "unknown dump level '" + value + "' (expected summary, normal or full)";
      o.level_given = true;
    } else if (name == "--sources" || name == "--targets") {
      if (o.query != Options::NO_QUERY) return "give only one of --sources and --targets";
      o.query = name == "--sources" ? Options::SOURCES : Options::TARGETS;
      o.query_name = value;
    } else if (name == "-o" || name == "--output") {
      if (value.empty()) return "option '" + name + "' needs a file name";
      o.output = value;
    } else if (name == "--check") {
      o.check = true;
    } else if (name == "--simplify") {
      o.simplify = true;
    } else if (name == "--trace") {
      o.trace = true;
    } else if (name == "-h" || name == "--help") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else {
      return "unknown option '" + arg + "'";
    }
  }
  if (o.query != Options::NO_QUERY && (o.format_given || o.level_given))
    return "--format and --level shape the graph dump; --sources and --targets print names";
  if (o.trace && !o.simplify) return "--trace shows the simplification: it needs --simplify";
  return std::string();
}

// ---------------------------------------------------------------------------
// Input.

bool read_all(std::FILE* f, std::string& text) {
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  return !std::ferror(f);
}

/// Opens the history; null after a message.
std::FILE* open_history(const Options& o, const std::string& shown_name) {
  if (o.input.empty() || o.input == "-") return stdin;
  std::FILE* f = std::fopen(o.input.c_str(), "rb");
  if (!f) message("cannot read '" + shown_name + "': " + std::strerror(errno));
  return f;
}

/// Reads the history into `text`; false after a message.
bool read_history(std::FILE* f, const std::string& shown_name, std::string& text) {
  if (read_all(f, text)) return true;
  message("cannot read '" + shown_name + "': " + std::strerror(errno));
  return false;
}

void print_errors(const std::string& file, const std::vector<HistoryError>& errors, size_t count) {
  for (const HistoryError& e : errors)
    message(file + ":" + std::to_string(e.line) + ": " + e.message);
  if (count > errors.size())
    message(file + ": " + std::to_string(count - errors.size()) + " more errors not shown");
}

// ---------------------------------------------------------------------------
// Output.

/// Writes the answer to a query: each object once, in the order the graph
/// answered.
void write_answer(MxJournal& journal, const mxlineage::HistoryRecorder& recorder,
                  MxIterator<const MxDynObj*>* answer) {
  std::vector<bool> written;
  for (answer->reset(); !answer->done(); answer->next()) {
    const long index = recorder.index_of(*answer->current());
    if (index < 0) continue;
    const size_t i = static_cast<size_t>(index);
    if (written.size() <= i) written.resize(i + 1, false);
    if (written[i]) continue;
    written[i] = true;
    journal << recorder.describe(i).c_str() << mxEndExpr;
  }
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
  std::string text;
  const bool read = prepared && read_history(in, shown_name, text);
  if (in != stdin) std::fclose(in);
  if (!prepared) message(error);
  if (!read) return EXIT_BAD_INPUT;

  History history = mxlineage::parse_history(text, kMaxErrorsShown);
  std::string().swap(text); // the history holds copies of everything it needs
  if (history.error_count > 0) {
    print_errors(shown_name, history.errors, history.error_count);
    return EXIT_BAD_INPUT;
  }
  long query_index = -1;
  if (o.query != Options::NO_QUERY) {
    query_index = history.find_object(o.query_name);
    if (query_index < 0) {
      message(shown_name + ": no object is named '" + o.query_name + "'");
      return EXIT_BAD_INPUT;
    }
  }

  mxlineage::HistoryRecorder recorder(history);
  mxlineage::HistoryGraph graph;
  std::vector<HistoryError> errors;
  size_t error_count = 0;
  if (!recorder.record(graph, errors, error_count, kMaxErrorsShown)) {
    print_errors(shown_name, errors, error_count);
    return EXIT_BAD_INPUT;
  }
  // Recorded: from now on only the object names and name texts are used.
  std::vector<mxlineage::HistoryCommand>().swap(history.commands);
  std::vector<uint32_t>().swap(history.refs);

  mxlineage::FdStreamBuf diagnostics_buf(2, true);
  std::ostream diagnostics_stream(&diagnostics_buf);
  MxStreamJournal diagnostics(diagnostics_stream);
  if (o.check && !graph.is_valid(&diagnostics)) {
    diagnostics_buf.drain();
    message(shown_name + ": the lineage graph is not valid");
    return EXIT_INVALID;
  }
  if (o.simplify) {
    if (!graph.is_valid(nullptr)) {
      message(shown_name + ": cannot simplify: the lineage graph is not valid (--check lists "
                           "its errors)");
      return EXIT_BAD_INPUT;
    }
    if (o.trace) graph.set_trace_journal(&diagnostics);
    graph.simplify_it();
    graph.set_trace_journal(nullptr);
    diagnostics_buf.drain();
    if (o.check && !graph.is_valid(&diagnostics)) {
      diagnostics_buf.drain();
      message(shown_name + ": the simplified lineage graph is not valid");
      return EXIT_INVALID;
    }
  }
  if (g_reports > 0) {
    message(shown_name + ": the library reported a failed check; nothing is written");
    return EXIT_BAD_INPUT;
  }

  if (to_file && !file.open(error)) {
    message(error);
    return EXIT_BAD_INPUT;
  }
  mxlineage::FdStreamBuf out_buf(to_file ? file.fd() : 1, false);
  {
    std::ostream out_stream(&out_buf);
    MxStreamJournal out(out_stream);
    if (o.query == Options::NO_QUERY) {
      graph.set_dotty_output_format(o.dot);
      graph.debug(out, o.level, false, 0);
    } else {
      const MxDynObj* object = recorder.object(static_cast<size_t>(query_index));
      MxAutoPtr<MxIterator<const MxDynObj*>> answer;
      if (o.query == Options::SOURCES)
        graph.get_source_objects(object, answer, nullptr, nullptr);
      else
        graph.get_target_objects(object, answer, nullptr, nullptr);
      if (answer) write_answer(out, recorder, answer.get());
    }
  }
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
