// Fuzz target for the history parser of the mxlineage tool.
//
// The input is a history text. The parse result must be consistent in
// itself (object indices in range, every object named by a valid name and
// entered once in order of first appearance, one statement or one error per
// line, the error list bounded by max_errors), must not depend on max_errors
// beyond the length of the error list, and must survive a round trip: the
// statements written back in the format's canonical form parse without error
// into the same objects, references, texts and commands.
#include "history_parser.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

using mxlineage::History;
using mxlineage::HistoryCommand;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_history_parser: %s\n", what);
  std::abort();
}

void expect(bool condition, const char* what) {
  if (!condition) fail(what);
}

size_t count_lines(std::string_view text) {
  size_t lines = 0;
  for (size_t start = 0; start < text.size(); ++lines) {
    const size_t end = text.find('\n', start);
    start = end == std::string_view::npos ? text.size() : end + 1;
  }
  return lines;
}

bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

void check_consistent(const History& h, std::string_view text, size_t max_errors) {
  const size_t lines = count_lines(text);

  expect(h.errors.size() == std::min(h.error_count, max_errors),
         "the error list is not the first max_errors errors");
  for (size_t i = 0; i < h.errors.size(); ++i) {
    expect(h.errors[i].line >= 1 && h.errors[i].line <= lines, "an error names no line");
    expect(i == 0 || h.errors[i].line > h.errors[i - 1].line, "errors out of line order");
    expect(!h.errors[i].message.empty(), "an error without a message");
  }

  expect(h.named_on_line.size() == h.objects.size(), "named_on_line does not match objects");
  std::set<std::string> names;
  for (size_t i = 0; i < h.objects.size(); ++i) {
    expect(mxlineage::is_object_name(h.objects[i]), "an object with an invalid name");
    expect(names.insert(h.objects[i]).second, "an object entered twice");
    expect(h.find_object(h.objects[i]) == static_cast<long>(i), "find_object misses an object");
  }

  // The commands take consecutive runs of refs, and objects appear in refs
  // in the order of their indices.
  size_t next_ref = 0;
  uint32_t next_new = 0;
  size_t previous_line = 0;
  std::set<size_t> error_lines;
  for (const auto& e : h.errors) error_lines.insert(e.line);
  std::set<uint32_t> named;
  for (const HistoryCommand& c : h.commands) {
    expect(c.line > previous_line && c.line <= lines, "commands out of line order");
    previous_line = c.line;
    expect(!error_lines.count(c.line), "a line with an error gave a command");
    size_t count = 0;
    switch (c.kind) {
    case HistoryCommand::DEPENDENCY:
      expect(c.type >= MxObjectDependency::UNSPECIFIED && c.type <= MxObjectDependency::CONTAINMENT,
             "a dependency of an unknown type");
      count = size_t{c.n_sources} + c.n_targets;
      break;
    case HistoryCommand::NAME: {
      count = 1;
      expect(c.text < h.texts.size(), "a name command without its text");
      const std::string& t = h.texts[c.text];
      expect(!t.empty(), "an empty name text");
      for (char ch : t)
        expect(ch != '"' && ch != '\\' && !is_control(static_cast<unsigned char>(ch)),
               "a name text with a forbidden character");
      break;
    }
    case HistoryCommand::SEPARATOR:
      break;
    default:
      fail("a command of an unknown kind");
    }
    if (count == 0) continue;
    expect(c.first == next_ref, "commands do not take consecutive refs");
    expect(c.first + count <= h.refs.size(), "a command runs past the refs");
    for (size_t k = c.first; k < c.first + count; ++k) {
      const uint32_t r = h.refs[k];
      expect(r < h.objects.size(), "a ref past the objects");
      expect(r <= next_new, "objects are not indexed in order of first appearance");
      if (r == next_new) ++next_new;
    }
    if (c.kind == HistoryCommand::NAME) {
      const uint32_t object = h.refs[c.first];
      expect(named.insert(object).second, "an object named twice");
      expect(h.named_on_line[object] == c.line, "named_on_line does not name the name line");
    }
    next_ref = c.first + count;
  }
  expect(next_ref == h.refs.size(), "refs no command uses");
  expect(next_new == h.objects.size(), "objects no command uses");
  for (size_t i = 0; i < h.objects.size(); ++i)
    expect((h.named_on_line[i] != 0) == (named.count(static_cast<uint32_t>(i)) != 0),
           "named_on_line names a line without a name command");
}

/// The statements of `h` in the format's canonical form, one per line.
std::string write_back(const History& h) {
  std::string out;
  for (const HistoryCommand& c : h.commands) {
    switch (c.kind) {
    case HistoryCommand::SEPARATOR:
      out += "separator";
      break;
    case HistoryCommand::NAME:
      out += "name " + h.objects[h.refs[c.first]] + " \"" + h.texts[c.text] + "\"";
      break;
    default: {
      out += MxObjectDependency::type_name(c.type);
      for (uint32_t k = 0; k < c.n_sources; ++k) out += " " + h.objects[h.refs[c.first + k]];
      out += " ->";
      for (uint32_t k = 0; k < c.n_targets; ++k)
        out += " " + h.objects[h.refs[c.first + c.n_sources + k]];
      if (c.has_qualifier) out += " q=" + std::to_string(c.qualifier);
    }
    }
    out += "\n";
  }
  return out;
}

bool same_command(const HistoryCommand& a, const HistoryCommand& b) {
  return a.kind == b.kind && a.first == b.first && a.text == b.text &&
         (a.kind != HistoryCommand::DEPENDENCY ||
          (a.type == b.type && a.has_qualifier == b.has_qualifier &&
           (!a.has_qualifier || a.qualifier == b.qualifier) && a.n_sources == b.n_sources &&
           a.n_targets == b.n_targets));
}

bool same_commands(const History& a, const History& b) {
  if (a.commands.size() != b.commands.size()) return false;
  for (size_t i = 0; i < a.commands.size(); ++i)
    if (!same_command(a.commands[i], b.commands[i])) return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const History h = mxlineage::parse_history(text);
  check_consistent(h, text, 20);

  // max_errors bounds the error list and nothing else.
  const size_t few = size % 3;
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
  expect(h2.objects == h.objects, "round trip changed the objects");
  expect(h2.refs == h.refs, "round trip changed the refs");
  expect(h2.texts == h.texts, "round trip changed the name texts");
  expect(same_commands(h2, h), "round trip changed the commands");
  for (size_t i = 0; i < h2.commands.size(); ++i)
    expect(h2.commands[i].line == i + 1, "canonical lines numbered wrongly");

  // Type names and object names.
  MxObjectDependency::Type type;
  for (int t = MxObjectDependency::UNSPECIFIED; t <= MxObjectDependency::CONTAINMENT; ++t)
    expect(mxlineage::dependency_type_from_name(MxObjectDependency::type_name(t), type) &&
               type == t,
           "a type name does not read back");
  const std::string_view word(text.data(), std::min<size_t>(text.size(), 40));
  if (mxlineage::dependency_type_from_name(word, type))
    expect(word == MxObjectDependency::type_name(type), "a type read from a wrong name");
  return 0;
}
