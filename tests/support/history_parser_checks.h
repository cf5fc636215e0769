// Properties of the mxlineage history parser that hold for any text, checked
// by the fuzz target fuzz_history_parser on its input and by the parser's
// tests on theirs.
//
// The parse result must be consistent in itself (object indices in range,
// every object named by a valid name and entered once in order of first
// appearance, one statement or one error per line, the error list bounded by
// max_errors), must not depend on max_errors beyond the length of the error
// list, and must survive a round trip: the statements written back in the
// format's canonical form parse without error into the same objects,
// references, texts and commands. A broken property aborts the run.
#ifndef MXFOUNDATION_TESTS_SUPPORT_HISTORY_PARSER_CHECKS_H
#define MXFOUNDATION_TESTS_SUPPORT_HISTORY_PARSER_CHECKS_H

#include "history_parser.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace history_parser_checks {

using mxlineage::History;
using mxlineage::HistoryCommand;

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "history parser: %s\n", what);
  std::abort();
}

inline void expect(bool condition, const char* what) {
  if (!condition) fail(what);
}

/// The lines of `text`: those its line breaks end, and a last one without.
inline size_t count_lines(std::string_view text) {
  const size_t breaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  return breaks + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

inline void check_consistent(const History& h, std::string_view text, size_t max_errors) {
  const size_t lines = count_lines(text);

  expect(h.errors.size() == std::min(h.error_count, max_errors),
         "the error list is not the first max_errors errors");
  size_t previous_line = 0;
  std::set<size_t> error_lines;
  for (const auto& e : h.errors) {
    expect(e.line > previous_line && e.line <= lines, "errors out of line order or past the end");
    expect(!e.message.empty(), "an error without a message");
    previous_line = e.line;
    error_lines.insert(e.line);
  }

  expect(h.named_on_line.size() == h.objects.size(), "named_on_line does not match objects");
  std::set<std::string> names;
  for (size_t i = 0; i < h.objects.size(); ++i)
    expect(mxlineage::is_object_name(h.objects[i]) && names.insert(h.objects[i]).second &&
               h.find_object(h.objects[i]) == static_cast<long>(i),
           "an object with an invalid name, entered twice or not found");

  // The commands take consecutive runs of refs, and objects appear in refs
  // in the order of their indices.
  size_t next_ref = 0;
  uint32_t next_new = 0;
  previous_line = 0;
  std::set<uint32_t> named;
  for (const HistoryCommand& c : h.commands) {
    expect(c.line > previous_line && c.line <= lines && !error_lines.count(c.line),
           "commands out of line order, or on a line with an error");
    previous_line = c.line;
    size_t count = 0;
    if (c.kind == HistoryCommand::DEPENDENCY) {
      expect(c.type >= MxObjectDependency::UNSPECIFIED && c.type <= MxObjectDependency::CONTAINMENT,
             "a dependency of an unknown type");
      count = size_t{c.n_sources} + c.n_targets;
    } else if (c.kind == HistoryCommand::NAME) {
      count = 1;
      expect(c.text < h.texts.size() && !h.texts[c.text].empty(), "a name without its text");
      for (unsigned char ch : h.texts[c.text])
        expect(ch != '"' && ch != '\\' && ch >= 0x20 && ch != 0x7f,
               "a name text with a forbidden character");
    } else {
      expect(c.kind == HistoryCommand::SEPARATOR, "a command of an unknown kind");
    }
    if (count == 0) continue;
    expect(c.first == next_ref && c.first + count <= h.refs.size(),
           "commands do not take consecutive refs");
    for (size_t k = c.first; k < c.first + count; ++k) {
      const uint32_t r = h.refs[k];
      expect(r < h.objects.size(), "a ref past the objects");
      expect(r <= next_new, "objects are not indexed in order of first appearance");
      if (r == next_new) ++next_new;
    }
    if (c.kind == HistoryCommand::NAME) {
      const uint32_t object = h.refs[c.first];
      expect(named.insert(object).second && h.named_on_line[object] == c.line,
             "an object named twice, or named_on_line does not name the name line");
    }
    next_ref = c.first + count;
  }
  expect(next_ref == h.refs.size() && next_new == h.objects.size(), "refs or objects not used");
  for (size_t i = 0; i < h.objects.size(); ++i)
    expect((h.named_on_line[i] != 0) == (named.count(static_cast<uint32_t>(i)) != 0),
           "named_on_line names a line without a name command");
}

/// The statements of `h` in the format's canonical form, one per line.
inline std::string write_back(const History& h) {
  std::string out;
  for (const HistoryCommand& c : h.commands) {
    if (c.kind == HistoryCommand::SEPARATOR) {
      out += "separator";
    } else if (c.kind == HistoryCommand::NAME) {
      out += "name " + h.objects[h.refs[c.first]] + " \"" + h.texts[c.text] + "\"";
    } else {
      out += MxObjectDependency::type_name(c.type);
      for (uint32_t k = 0; k < c.n_sources + c.n_targets; ++k)
        out += (k == c.n_sources ? " -> " : " ") + h.objects[h.refs[c.first + k]];
      if (c.n_targets == 0) out += " ->";
      if (c.has_qualifier) out += " q=" + std::to_string(c.qualifier);
    }
    out += "\n";
  }
  return out;
}

inline bool same_commands(const History& a, const History& b) {
  auto same = [](const HistoryCommand& x, const HistoryCommand& y) {
    return x.kind == y.kind && x.first == y.first && x.text == y.text &&
           (x.kind != HistoryCommand::DEPENDENCY ||
            (x.type == y.type && x.has_qualifier == y.has_qualifier &&
             (!x.has_qualifier || x.qualifier == y.qualifier) && x.n_sources == y.n_sources &&
             x.n_targets == y.n_targets));
  };
  return std::equal(a.commands.begin(), a.commands.end(), b.commands.begin(), b.commands.end(),
                    same);
}

/// Parses `text` and checks every property; returns the parse.
inline History check_parse(const std::string& text) {
  const History h = mxlineage::parse_history(text);
  check_consistent(h, text, 20);

  // max_errors bounds the error list and nothing else.
  const size_t few = text.size() % 3;
  const History short_list = mxlineage::parse_history(text, few);
  check_consistent(short_list, text, few);
  expect(short_list.error_count == h.error_count, "max_errors changed the error count");
  expect(same_commands(short_list, h) && short_list.objects == h.objects &&
             short_list.refs == h.refs && short_list.texts == h.texts,
         "max_errors changed the statements");
  for (size_t i = 0; i < short_list.errors.size(); ++i)
    expect(short_list.errors[i].line == h.errors[i].line &&
               short_list.errors[i].message == h.errors[i].message,
           "max_errors changed an error");

  // Round trip through the canonical form.
  const std::string again = write_back(h);
  const History h2 = mxlineage::parse_history(again);
  check_consistent(h2, again, 20);
  if (h2.error_count != 0) {
    std::fprintf(stderr, "canonical text:\n%s\nfirst error (line %zu): %s\n", again.c_str(),
                 h2.errors[0].line, h2.errors[0].message.c_str());
    fail("the canonical form of a parsed history does not parse");
  }
  expect(h2.objects == h.objects && h2.refs == h.refs && h2.texts == h.texts &&
             same_commands(h2, h),
         "round trip changed the objects, refs, name texts or commands");
  for (size_t i = 0; i < h2.commands.size(); ++i)
    expect(h2.commands[i].line == i + 1, "canonical lines numbered wrongly");

  // Every type name reads back, and a first word that reads as a type is its name.
  MxObjectDependency::Type type;
  for (int t = MxObjectDependency::UNSPECIFIED; t <= MxObjectDependency::CONTAINMENT; ++t)
    expect(mxlineage::dependency_type_from_name(MxObjectDependency::type_name(t), type) &&
               type == t,
           "a type name does not read back");
  const std::string_view word = std::string_view(text).substr(0, text.find_first_of(" \t\r\n"));
  if (mxlineage::dependency_type_from_name(word, type))
    expect(word == MxObjectDependency::type_name(type), "a type read from a wrong name");
  return h;
}

} // namespace history_parser_checks

#endif
