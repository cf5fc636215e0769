// Reads the graph back from its dot dump and writes it in the tool's own
// forms.
#include "graph_output.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace mxlineage {

namespace {

const char* const kNull = "NULL";

/// The text between `open` and the next `close` after `from`, moving
/// `from` past it; false when either is missing.
bool take_between(const std::string& line, size_t& from, const char* open, char close,
                  std::string& out) {
  const size_t begin = line.find(open, from);
  if (begin == std::string::npos) return false;
  const size_t start = begin + std::char_traits<char>::length(open);
  const size_t end = line.find(close, start);
  if (end == std::string::npos) return false;
  out = line.substr(start, end - start);
  from = end + 1;
  return true;
}

/// Reads "TYPE Q\nseparator S" (the two characters backslash and n).
bool read_label(const std::string& label, DumpedEdge& edge) {
  const size_t blank = label.find(' ');
  const size_t escape = label.find("\\nseparator ");
  if (blank == std::string::npos || escape == std::string::npos || escape < blank) return false;
  if (!dependency_type_from_name(label.substr(0, blank), edge.type)) return false;
  const std::string qualifier = label.substr(blank + 1, escape - blank - 1);
  edge.has_qualifier = qualifier != "-";
  edge.qualifier = edge.has_qualifier ? std::atoi(qualifier.c_str()) : 0;
  edge.separator = std::atoi(label.c_str() + escape + 12);
  return true;
}

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string name_or_dash(const HistoryRecorder& recorder, long index) {
  return index < 0 ? "-" : std::string(recorder.name(static_cast<size_t>(index)));
}

std::string json_name(const HistoryRecorder& recorder, long index) {
  return index < 0 ? "null" : json_string(recorder.name(static_cast<size_t>(index)));
}

/// Which objects have sources and which have targets in the dump.
struct Ends {
  std::vector<bool> has_source, has_target;
  explicit Ends(size_t n) : has_source(n, false), has_target(n, false) {}
  void add(const DumpedEdge& e) {
    if (e.source >= 0) has_target[static_cast<size_t>(e.source)] = true;
    if (e.target >= 0) has_source[static_cast<size_t>(e.target)] = true;
  }
  bool initial(long i) const { return !has_source[static_cast<size_t>(i)]; }
  bool final(long i) const { return !has_target[static_cast<size_t>(i)]; }
};

/// The objects of a graph's dump, in dump order, and which of them are
/// initial or final; every dependency also goes to `on_edge`.
struct DumpedObjects {
  std::vector<long> nodes;
  Ends ends;
};

const char* type_meaning(MxObjectDependency::Type type) {
  switch (type) {
  case MxObjectDependency::CREATION:
    return "made from its sources, or from nothing (NULL)";
  case MxObjectDependency::DELETION:
    return "deleted (its target is NULL)";
  case MxObjectDependency::MODIFICATION:
    return "changed into its target";
  case MxObjectDependency::SPLIT:
    return "split into its targets";
  case MxObjectDependency::ABSORPTION:
    return "absorbed into its target";
  case MxObjectDependency::CONVERSION:
    return "converted into its target";
  case MxObjectDependency::CONTAINMENT:
    return "contained in its targets";
  default:
    return "";
  }
}

std::string plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

// ---------------------------------------------------------------------------
// DotDumpReader

void DotDumpReader::write(const MxString& text) {
  for (const char* p = text.as_const_c_string(); *p; ++p) {
    if (*p != '\n') {
      line_ += *p;
      continue;
    }
    if (on_line) on_line(line_);
    read_line(line_);
    line_.clear();
  }
}

long DotDumpReader::node_index(const std::string& label) const {
  if (label == kNull) return -1;
  return recorder_.index_of_identity(std::atol(label.c_str()));
}

void DotDumpReader::read_line(const std::string& line) {
  // "ID [label=\"...\"];" and "ID  -> {ID2} [label=\"...\",color=\"...\"];"
  const size_t blank = line.find(' ');
  if (blank == std::string::npos || line.compare(0, 3, "xxx") == 0) return;
  const std::string label = line.substr(0, blank);
  if (line.compare(blank, 5, "  -> ") == 0) {
    size_t at = blank;
    std::string target, text;
    if (!take_between(line, at, "{", '}', target) ||
        !take_between(line, at, "label=\"", '"', text) || !read_label(text, edge_) ||
        !take_between(line, at, "color=\"", '"', edge_.colour))
      return;
    edge_.source = node_index(label);
    edge_.target = node_index(target);
    if (on_edge) on_edge(edge_);
  } else if (line.compare(blank, 9, " [label=\"") == 0) {
    if (on_node) on_node(node_index(label));
  }
}

void read_graph(MxObjDependency& graph, DotDumpReader& reader) {
  const bool dotty = graph.dotty_output_format();
  graph.set_dotty_output_format(true);
  graph.debug(reader, MxDebugFull, false, 0);
  graph.set_dotty_output_format(dotty);
}

// ---------------------------------------------------------------------------
// Edges, JSON, legend, summary

void write_edges(MxObjDependency& graph, const HistoryRecorder& recorder, std::ostream& out) {
  DotDumpReader reader(recorder);
  reader.on_edge = [&](const DumpedEdge& e) {
    out << name_or_dash(recorder, e.source) << " -> " << name_or_dash(recorder, e.target) << ' '
        << MxObjectDependency::type_name(e.type);
    if (e.has_qualifier) out << " q=" << e.qualifier;
    if (e.separator != 0) out << " separator=" << e.separator;
    out << '\n';
  };
  read_graph(graph, reader);
}

namespace {

DumpedObjects read_objects(MxObjDependency& graph, const HistoryRecorder& recorder,
                           const std::function<void(const DumpedEdge&)>& on_edge) {
  DumpedObjects got{{}, Ends(recorder.size())};
  DotDumpReader reader(recorder);
  reader.on_node = [&](long node) {
    if (node >= 0) got.nodes.push_back(node);
  };
  reader.on_edge = [&](const DumpedEdge& e) {
    got.ends.add(e);
    on_edge(e);
  };
  read_graph(graph, reader);
  return got;
}

} // namespace

void write_json(MxObjDependency& graph, const HistoryRecorder& recorder, std::ostream& out) {
  std::vector<DumpedEdge> edges;
  const DumpedObjects got = read_objects(graph, recorder, [&](const DumpedEdge& e) {
    edges.push_back(e);
    edges.back().colour.clear();
  });
  const std::vector<long>& nodes = got.nodes;
  const Ends& ends = got.ends;

  out << "{\n  \"objects\": [";
  const char* comma = "\n";
  for (long i : nodes) {
    const std::string* text = recorder.text(static_cast<size_t>(i));
    out << comma << "    {\"name\": " << json_name(recorder, i)
        << ", \"text\": " << (text ? json_string(*text) : "null")
        << ", \"identity\": " << recorder.object(static_cast<size_t>(i))->identity()
        << ", \"initial\": " << (ends.initial(i) ? "true" : "false")
        << ", \"final\": " << (ends.final(i) ? "true" : "false") << "}";
    comma = ",\n";
  }
  out << (nodes.empty() ? "" : "\n  ") << "],\n  \"dependencies\": [";
  comma = "\n";
  for (const DumpedEdge& e : edges) {
    out << comma << "    {\"source\": " << json_name(recorder, e.source)
        << ", \"target\": " << json_name(recorder, e.target) << ", \"type\": \""
        << MxObjectDependency::type_name(e.type) << "\", \"qualifier\": ";
    if (e.has_qualifier)
      out << e.qualifier;
    else
      out << "null";
    out << ", \"separator\": " << e.separator << "}";
    comma = ",\n";
  }
  out << (edges.empty() ? "" : "\n  ") << "]\n}\n";
}

namespace {

/// The legend of a dot picture, as dot lines: its entries one below the
/// other, held in a column by invisible edges.
void write_legend(const std::map<int, std::string>& colours,
                  const std::set<MxObjectDependency::Type>& types, std::ostream& out) {
  out << "subgraph cluster_legend {\n"
      << "label=\"legend\";\n"
      << "legend_initial [label=\"initial object\",shape=box];\n"
      << "legend_final [label=\"final object\",peripheries=2];\n";
  std::string column = "legend_initial -> legend_final";
  for (const auto& [separator, colour] : colours) {
    const std::string node = "legend_separator_" + std::to_string(separator);
    out << node << " [label=\"separator " << separator << "\",shape=plaintext,fontcolor=\""
        << colour << "\"];\n";
    column += " -> " + node;
  }
  if (!types.empty()) {
    out << "legend_types [shape=note,label=\"";
    for (MxObjectDependency::Type t : types)
      out << MxObjectDependency::type_name(t) << ": " << type_meaning(t) << "\\l";
    out << "\"];\n";
    column += " -> legend_types";
  }
  out << column << " [style=invis];\n}\n";
}

} // namespace

void write_dot_with_legend(MxObjDependency& graph, const HistoryRecorder& recorder,
                           std::ostream& out) {
  std::vector<long> nodes;
  std::map<int, std::string> colours;
  std::set<MxObjectDependency::Type> types;
  Ends ends(recorder.size());
  DotDumpReader reader(recorder);
  reader.on_node = [&](long node) {
    if (node >= 0) nodes.push_back(node);
  };
  reader.on_edge = [&](const DumpedEdge& e) {
    ends.add(e);
    colours.emplace(e.separator, e.colour);
    types.insert(e.type);
  };
  reader.on_line = [&](const std::string& line) {
    if (line != "}") {
      out << line << '\n';
      return;
    }
    for (long i : nodes) {
      const long id = recorder.object(static_cast<size_t>(i))->identity();
      if (ends.initial(i)) out << id << " [shape=box];\n";
      if (ends.final(i)) out << id << " [peripheries=2];\n";
    }
    write_legend(colours, types, out);
    out << "}\n";
  };
  read_graph(graph, reader);
}

std::string graph_summary(MxObjDependency& graph, const HistoryRecorder& recorder) {
  size_t objects = 0, initial = 0, final = 0, dependencies = 0;
  std::map<MxObjectDependency::Type, size_t> by_type;
  const DumpedObjects got = read_objects(graph, recorder, [&](const DumpedEdge& e) {
    ++by_type[e.type];
    ++dependencies;
  });
  for (long i : got.nodes) {
    ++objects;
    initial += got.ends.initial(i);
    final += got.ends.final(i);
  }
  std::string types;
  for (const auto& [type, n] : by_type)
    types += std::string(types.empty() ? "" : ", ") + std::to_string(n) + " " +
             MxObjectDependency::type_name(type);
  const size_t separators = static_cast<size_t>(graph.current_separator());
  return plural(objects, "object", "objects") + " (" + std::to_string(initial) + " initial, " +
         std::to_string(final) + " final), " + plural(dependencies, "dependency", "dependencies") +
         (types.empty() ? "" : " (" + types + ")") + ", " +
         plural(separators, "separator", "separators");
}

// ---------------------------------------------------------------------------
// The integrity check

void StatementLog::add(const Statement& s, size_t line) {
  if (s.kind != HistoryCommand::DEPENDENCY) return;
  HistoryCommand c;
  c.line = line;
  c.first = refs_.size();
  c.n_sources = s.n_sources;
  c.n_targets = s.n_targets;
  c.type = s.type;
  c.has_qualifier = s.has_qualifier;
  c.qualifier = s.qualifier;
  refs_.insert(refs_.end(), s.objects.begin(), s.objects.end());
  commands_.push_back(c);
}

std::vector<std::string> StatementLog::lines_of(uint32_t object,
                                                const HistoryRecorder& recorder) const {
  if (by_object_.empty()) {
    for (size_t k = 0; k < commands_.size(); ++k) {
      const HistoryCommand& c = commands_[k];
      for (size_t r = c.first; r < c.first + c.n_sources + c.n_targets; ++r)
        by_object_.emplace_back(refs_[r], static_cast<uint32_t>(k));
    }
    std::sort(by_object_.begin(), by_object_.end());
  }
  std::vector<std::string> lines;
  auto it = std::lower_bound(by_object_.begin(), by_object_.end(), std::make_pair(object, 0u));
  for (; it != by_object_.end() && it->first == object; ++it) {
    const HistoryCommand& c = commands_[it->second];
    const uint32_t* refs = refs_.data() + c.first;
    const uint32_t n = c.n_sources + c.n_targets;
    std::string text =
        "line " + std::to_string(c.line) + ": " + MxObjectDependency::type_name(c.type);
    for (uint32_t i = 0; i < n; ++i) {
      if (i == c.n_sources) text += " ->";
      text += " " + std::string(recorder.name(refs[i]));
    }
    if (c.n_targets == 0) text += " ->";
    if (c.has_qualifier) text += " q=" + std::to_string(c.qualifier);
    lines.push_back(text);
  }
  return lines;
}

namespace {

/// Reads the text form of the integrity check: "error N: ..." lines and
/// "n1 node object id : ID" lines; the node dumps between are skipped.
class CheckReader : public MxJournal {
public:
  CheckReader(const HistoryRecorder& recorder, const StatementLog* log, std::ostream& out)
      : recorder_(recorder), log_(log), out_(out), shown_(recorder.size(), false) {}
  size_t errors() const { return errors_; }

  void write(const MxString& text) override {
    for (const char* p = text.as_const_c_string(); *p; ++p) {
      if (*p != '\n') {
        line_ += *p;
        continue;
      }
      read_line();
      line_.clear();
    }
  }
  void flush() override {}

private:
  void read_line() {
    if (line_.compare(0, 6, "error ") == 0) {
      ++errors_;
      out_ << line_ << '\n';
      return;
    }
    const size_t id = line_.find(" node object id : ");
    if (id == 2 && (line_[0] == 'n') && (line_[1] == '1' || line_[1] == '2'))
      show_object(line_.substr(0, 2), line_.substr(id + 18));
  }

  void show_object(const std::string& role, const std::string& label) {
    const long index = label == kNull ? -1 : recorder_.index_of_identity(std::atol(label.c_str()));
    if (index < 0) {
      out_ << "   " << role << " = " << label << '\n';
      return;
    }
    const size_t i = static_cast<size_t>(index);
    out_ << "   " << role << " = " << label << " '" << recorder_.name(i) << "'";
    if (!log_ || shown_[i]) {
      out_ << (log_ ? " (its lines are shown above)\n" : "\n");
      return;
    }
    shown_[i] = true;
    out_ << ", named on these lines:\n";
    for (const std::string& l : log_->lines_of(static_cast<uint32_t>(i), recorder_))
      out_ << "      " << l << '\n';
  }

  const HistoryRecorder& recorder_;
  const StatementLog* log_;
  std::ostream& out_;
  std::vector<bool> shown_;
  std::string line_;
  size_t errors_ = 0;
};

} // namespace

size_t check_graph(const MxObjDependency& graph, const HistoryRecorder& recorder,
                   const StatementLog* log, bool say_valid, std::ostream& out) {
  CheckReader reader(recorder, log, out);
  graph.is_valid(&reader);
  if (reader.errors() == 0) {
    if (say_valid) out << "valid\n";
  } else
    out << plural(reader.errors(), "error", "errors") << '\n';
  return reader.errors();
}

} // namespace mxlineage
