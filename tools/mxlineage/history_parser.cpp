// Reads the lineage history format (see history_parser.h) line by line: a
// line is cut into tokens, the tokens are checked against the statement they
// begin, and only then are the object names entered, so a bad line leaves no
// trace.
#include "history_parser.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <functional>

namespace mxlineage {

namespace {

using Type = MxObjectDependency::Type;

struct TypeName {
  const char* name;
  Type type;
};

// In the order of their numbers, as the graph's dumps know them.
const TypeName kTypeNames[] = {
    {"UNSPECIFIED", MxObjectDependency::UNSPECIFIED},
    {"TRANSFER", MxObjectDependency::TRANSFER},
    {"CREATION", MxObjectDependency::CREATION},
    {"DELETION", MxObjectDependency::DELETION},
    {"MODIFICATION", MxObjectDependency::MODIFICATION},
    {"SPLIT", MxObjectDependency::SPLIT},
    {"ABSORPTION", MxObjectDependency::ABSORPTION},
    {"CONVERSION", MxObjectDependency::CONVERSION},
    {"CONTAINMENT", MxObjectDependency::CONTAINMENT},
};

const char* const kSeparatorKeyword = "separator";
const char* const kNameKeyword = "name";
const char* const kNameChars = "letters, digits and _ . - : /";
const std::string_view kByteOrderMark = "\xEF\xBB\xBF";
const size_t kMaxShown = 60;

bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

bool is_name_char(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '-' || c == ':' || c == '/';
}

bool is_arrow_at(std::string_view line, size_t i) {
  return i + 1 < line.size() && line[i] == '-' && line[i + 1] == '>';
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

/// True when `s` is well-formed UTF-8 (no overlong forms, no surrogates,
/// nothing above U+10FFFF): Graphviz reads labels as UTF-8.
bool is_utf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t extra = 0;
    unsigned long code = 0;
    unsigned long min = 0;
    if ((c & 0xe0) == 0xc0) {
      extra = 1;
      code = c & 0x1f;
      min = 0x80;
    } else if ((c & 0xf0) == 0xe0) {
      extra = 2;
      code = c & 0x0f;
      min = 0x800;
    } else if ((c & 0xf8) == 0xf0) {
      extra = 3;
      code = c & 0x07;
      min = 0x10000;
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xc0) != 0x80) return false;
      code = (code << 6) | (d & 0x3f);
    }
    if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return false;
    i += extra + 1;
  }
  return true;
}

/// `text` as a message shows it: bytes outside printable ASCII and the
/// backslash escaped, at most about kMaxShown characters, then "...".
std::string shown(std::string_view text) {
  std::string out;
  for (char ch : text) {
    if (out.size() >= kMaxShown) return out + "...";
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7f || c == '\\') {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += ch;
    }
  }
  return out;
}

/// Reads "q=N" into `value`; false unless N is a whole 32-bit number.
bool parse_qualifier(std::string_view word, int& value) {
  std::string_view digits = word.substr(2);
  bool negative = false;
  if (!digits.empty() && digits[0] == '-') {
    negative = true;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 10) return false;
  long long v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

bool is_qualifier_word(std::string_view word) {
  return word.substr(0, 2) == "q=";
}

/// Name texts end up inside double quotes in Graphviz labels, which the
/// graph writes as they stand: quotes, backslashes and control characters
/// would break the label or be read as escapes.
bool check_text(std::string_view text, std::string& error) {
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\\') {
      error = "a name text may not contain a backslash";
      return false;
    }
    if (is_control(c)) {
      error = "a name text may not contain control characters or tabs";
      return false;
    }
  }
  if (!is_utf8(text)) {
    error = "a name text must be valid UTF-8";
    return false;
  }
  return true;
}

std::string unknown_statement(std::string_view word) {
  std::string m = "unknown dependency type " + quoted(word);
  for (const TypeName& t : kTypeNames)
    if (equal_ignoring_case(word, t.name)) return m + " (did you mean '" + t.name + "'?)";
  if (equal_ignoring_case(word, kSeparatorKeyword) || equal_ignoring_case(word, kNameKeyword))
    return m + " (keywords are lower case: 'separator', 'name')";
  return m + " (known types: CREATION DELETION MODIFICATION SPLIT ABSORPTION CONVERSION "
             "CONTAINMENT TRANSFER)";
}

size_t end_of_word(std::string_view line, size_t i) {
  while (i < line.size()) {
    const unsigned char d = static_cast<unsigned char>(line[i]);
    if (d == ' ' || d == '\t' || d == '#' || d == '"' || is_control(d) || is_arrow_at(line, i))
      break;
    ++i;
  }
  return i;
}

} // namespace

std::string quoted(std::string_view word) {
  return "'" + shown(word) + "'";
}

// ---------------------------------------------------------------------------
// ObjectNames

std::string_view ObjectNames::operator[](size_t index) const {
  const size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(chars_).substr(begin, ends_[index] - begin);
}

size_t ObjectNames::slot_for(std::string_view name) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = std::hash<std::string_view>()(name) & mask;
  while (slots_[slot] != 0 && (*this)[slots_[slot] - 1] != name) slot = (slot + 1) & mask;
  return slot;
}

long ObjectNames::find(std::string_view name) const {
  if (slots_.empty()) return -1;
  const uint32_t entry = slots_[slot_for(name)];
  return entry == 0 ? -1 : static_cast<long>(entry) - 1;
}

void ObjectNames::grow() {
  std::vector<uint32_t>(slots_.empty() ? 64 : 2 * slots_.size(), 0).swap(slots_);
  for (size_t i = 0; i < size(); ++i) slots_[slot_for((*this)[i])] = static_cast<uint32_t>(i + 1);
}

uint32_t ObjectNames::intern(std::string_view name) {
  if (4 * (size() + 1) > 3 * slots_.size()) grow();
  const size_t slot = slot_for(name);
  if (slots_[slot] != 0) return slots_[slot] - 1;
  chars_.append(name);
  ends_.push_back(chars_.size());
  slots_[slot] = static_cast<uint32_t>(size());
  return slots_[slot] - 1;
}

// ---------------------------------------------------------------------------
// HistoryParser

HistoryParser::Result HistoryParser::parse_line(std::string_view line, size_t line_no,
                                                Statement& statement, std::string& error) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line_no == 1 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    line.remove_prefix(kByteOrderMark.size());
  if (!tokenize(line, error)) return ERROR;
  if (tokens_.empty()) return NOTHING;
  statement.objects.clear();
  statement.n_sources = statement.n_targets = 0;
  statement.has_qualifier = false;
  statement.text = std::string_view();
  return parse_tokens(line_no, statement, error);
}

size_t HistoryParser::named_on_line(uint32_t object) const {
  const auto it = named_on_line_.find(object);
  return it == named_on_line_.end() ? 0 : it->second;
}

bool HistoryParser::tokenize(std::string_view line, std::string& error) {
  tokens_.clear();
  size_t i = 0;
  while (i < line.size()) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        error = "missing closing '\"' of the quoted text";
        return false;
      }
      const std::string_view text = line.substr(i + 1, close - i - 1);
      if (!check_text(text, error)) return false;
      tokens_.push_back(Token{Token::TEXT, text});
      i = close + 1;
    } else if (is_arrow_at(line, i)) {
      tokens_.push_back(Token{Token::ARROW, line.substr(i, 2)});
      i += 2;
    } else if (is_control(c)) {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "invalid character (byte 0x%02X)", c);
      error = buffer;
      return false;
    } else {
      const size_t end = end_of_word(line, i);
      tokens_.push_back(Token{Token::WORD, line.substr(i, end - i)});
      i = end;
    }
  }
  return true;
}

namespace {

std::string invalid_name(std::string_view text, bool is_word, bool is_arrow) {
  if (is_arrow) return "unexpected '->'";
  if (!is_word) return "unexpected quoted text \"" + shown(text) + "\"";
  std::string m = "invalid object name " + quoted(text) + " (names are made of " +
                  std::string(kNameChars) + ")";
  if (text.find('=') != std::string_view::npos) m += "; a target qualifier is written q=N";
  return m;
}

} // namespace

HistoryParser::Result HistoryParser::parse_tokens(size_t line_no, Statement& statement,
                                                  std::string& error) {
  const Token& first = tokens_[0];
  if (first.kind == Token::TEXT) {
    error = "a line cannot begin with a quoted text";
    return ERROR;
  }
  if (first.kind == Token::ARROW) {
    error = "missing dependency type before '->'";
    return ERROR;
  }
  MxObjectDependency::Type type;
  if (first.text == kSeparatorKeyword) return parse_separator(statement, error);
  if (first.text == kNameKeyword) return parse_name(line_no, statement, error);
  if (dependency_type_from_name(first.text, type)) return parse_dependency(type, statement, error);
  error = unknown_statement(first.text);
  return ERROR;
}

HistoryParser::Result HistoryParser::parse_separator(Statement& statement, std::string& error) {
  if (tokens_.size() > 1) {
    error = "'separator' takes nothing after it";
    return ERROR;
  }
  statement.kind = HistoryCommand::SEPARATOR;
  return STATEMENT;
}

HistoryParser::Result HistoryParser::parse_name(size_t line_no, Statement& statement,
                                                std::string& error) {
  static const char* const usage = "a name line reads: name OBJECT \"text\"";
  const auto bad_object = [&](const Token& t) {
    return invalid_name(t.text, t.kind == Token::WORD, t.kind == Token::ARROW);
  };
  error = usage;
  if (tokens_.size() < 3) {
    if (tokens_.size() == 2 && tokens_[1].kind == Token::WORD && !is_object_name(tokens_[1].text))
      error = bad_object(tokens_[1]);
    return ERROR;
  }
  const Token& object = tokens_[1];
  const Token& text = tokens_[2];
  if (object.kind != Token::WORD || !is_object_name(object.text)) {
    if (object.kind != Token::TEXT) error = bad_object(object);
    return ERROR;
  }
  if (text.kind != Token::TEXT) return ERROR;
  if (tokens_.size() > 3) {
    const Token& extra = tokens_[3];
    error = "unexpected " +
            (extra.kind == Token::TEXT ? "quoted text \"" + shown(extra.text) + "\""
                                       : quoted(extra.text)) +
            " after the name text";
    return ERROR;
  }
  if (text.text.empty()) {
    error = "the name text is empty";
    return ERROR;
  }
  const long known = names_.find(object.text);
  const size_t earlier = known < 0 ? 0 : named_on_line(static_cast<uint32_t>(known));
  if (earlier != 0) {
    error = quoted(object.text) + " is named already on line " + std::to_string(earlier);
    return ERROR;
  }
  if (known < 0 && !room_for_objects(1, error)) return ERROR;
  const uint32_t index = names_.intern(object.text);
  named_on_line_[index] = line_no;
  statement.kind = HistoryCommand::NAME;
  statement.objects.push_back(index);
  statement.text = text.text;
  return STATEMENT;
}

bool HistoryParser::read_qualifier(size_t i, size_t arrow, Statement& statement,
                                   std::string& error) const {
  const std::string_view word = tokens_[i].text;
  if (!parse_qualifier(word, statement.qualifier)) {
    error = "invalid target qualifier " + quoted(word) +
            " (expected q= and a whole number from -2147483648 to 2147483647)";
    return false;
  }
  if (arrow == 0 || i + 1 != tokens_.size()) {
    error = "the target qualifier " + quoted(word) + " must come last, after the targets";
    return false;
  }
  statement.has_qualifier = true;
  return true;
}

HistoryParser::Result HistoryParser::parse_dependency(MxObjectDependency::Type type,
                                                      Statement& statement, std::string& error) {
  size_t arrow = 0;
  for (size_t i = 1; i < tokens_.size(); ++i) {
    const Token& t = tokens_[i];
    if (t.kind == Token::ARROW) {
      if (arrow != 0) {
        error = "more than one '->' on the line";
        return ERROR;
      }
      arrow = i;
    } else if (t.kind == Token::WORD && is_qualifier_word(t.text)) {
      if (!read_qualifier(i, arrow, statement, error)) return ERROR;
    } else if (t.kind != Token::WORD || !is_object_name(t.text)) {
      error = invalid_name(t.text, t.kind == Token::WORD, false);
      return ERROR;
    }
  }
  if (arrow == 0) {
    error = "missing '->' between the sources and the targets";
    return ERROR;
  }
  const size_t end = tokens_.size() - (statement.has_qualifier ? 1 : 0);
  if (!room_for_objects(end - 2, error)) return ERROR; // as if all were new
  statement.kind = HistoryCommand::DEPENDENCY;
  statement.type = type;
  statement.n_sources = static_cast<uint32_t>(arrow - 1);
  statement.n_targets = static_cast<uint32_t>(end - arrow - 1);
  for (size_t i = 1; i < end; ++i)
    if (i != arrow) statement.objects.push_back(names_.intern(tokens_[i].text));
  return STATEMENT;
}

bool HistoryParser::room_for_objects(size_t n_new, std::string& error) const {
  if (names_.size() + n_new < UINT32_MAX) return true;
  error = "too many objects";
  return false;
}

// ---------------------------------------------------------------------------
// A whole text at once

namespace {

void add_command(History& h, const Statement& s, size_t line_no) {
  HistoryCommand c;
  c.kind = s.kind;
  c.line = line_no;
  c.first = h.refs.size();
  c.type = s.type;
  c.has_qualifier = s.has_qualifier;
  c.qualifier = s.has_qualifier ? s.qualifier : 0;
  c.n_sources = s.kind == HistoryCommand::DEPENDENCY ? s.n_sources : 0;
  c.n_targets = s.kind == HistoryCommand::DEPENDENCY ? s.n_targets : 0;
  h.refs.insert(h.refs.end(), s.objects.begin(), s.objects.end());
  if (s.kind == HistoryCommand::NAME) {
    c.text = static_cast<uint32_t>(h.texts.size());
    h.texts.emplace_back(s.text);
  }
  h.commands.push_back(c);
}

} // namespace

History parse_history(std::string_view text, size_t max_errors) {
  History h;
  HistoryParser parser(h.names);
  Statement statement;
  std::string error;
  size_t line_no = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const HistoryParser::Result r =
        parser.parse_line(text.substr(start, end - start), ++line_no, statement, error);
    if (r == HistoryParser::STATEMENT) add_command(h, statement, line_no);
    if (r == HistoryParser::ERROR && h.errors.size() < max_errors)
      h.errors.push_back(HistoryError{line_no, error});
    if (r == HistoryParser::ERROR) ++h.error_count;
    start = end + 1;
  }
  for (size_t i = 0; i < h.names.size(); ++i) {
    h.objects.emplace_back(h.names[i]);
    h.named_on_line.push_back(parser.named_on_line(static_cast<uint32_t>(i)));
  }
  return h;
}

bool dependency_type_from_name(std::string_view word, MxObjectDependency::Type& type) {
  for (const TypeName& t : kTypeNames) {
    if (word == t.name) {
      type = t.type;
      return true;
    }
  }
  return false;
}

bool is_object_name(std::string_view word) {
  if (word.empty()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (!is_name_char(static_cast<unsigned char>(word[i]))) return false;
    if (is_arrow_at(word, i)) return false;
  }
  return true;
}

const char* history_format_help() {
  return "History format (one statement per line; '#' starts a comment):\n"
         "  TYPE SOURCES -> TARGETS [q=N]   every target depends on every source\n"
         "  separator                       the next operation begins\n"
         "  name OBJECT \"text\"              OBJECT's name text in dumps\n"
         "TYPE is CREATION, DELETION, MODIFICATION, SPLIT, ABSORPTION, CONVERSION,\n"
         "CONTAINMENT or TRANSFER (accepted, but it records nothing). SOURCES and TARGETS\n"
         "are object names separated by blanks; an empty side means nothing: CREATION -> A\n"
         "creates A from nothing, DELETION A -> deletes A. The shapes admitted:\n"
         "  CREATION                  any sources, one target\n"
         "  ABSORPTION                one or more sources, one target\n"
         "  MODIFICATION, CONVERSION  one source, one target\n"
         "  SPLIT, CONTAINMENT        one source, two or more targets\n"
         "  DELETION, TRANSFER        one or more sources, no target\n"
         "A dependency between the same two objects is recorded once only, and a line\n"
         "names an object at most once on each side. Object names are made of letters,\n"
         "digits and _ . - : / and stand for the same object throughout the history.\n"
         "q=N, a whole 32-bit number, is the dependency's target qualifier. A name text\n"
         "is UTF-8 without double quotes, backslashes, tabs or control characters; an\n"
         "object has at most one name line.\n";
}

} // namespace mxlineage
