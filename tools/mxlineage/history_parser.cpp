// Reads the lineage history format (see history_parser.h) line by line: a
// line is cut into tokens, the tokens are checked against the statement they
// begin, and only then are the object names entered, so a bad line leaves no
// trace in the result.
#include "history_parser.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <unordered_map>

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

struct Token {
  enum Kind { WORD, ARROW, TEXT };
  Kind kind;
  std::string_view text; // TEXT: without its quotes
};

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

std::string quoted(std::string_view word) {
  return "'" + std::string(word) + "'";
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

/// Parses one history text into a History.
class Parser {
public:
  Parser(History& history, size_t max_errors) : h_(history), max_errors_(max_errors) {}

  void parse(std::string_view text) {
    // Sized for a large history at once: about one statement and one new
    // object per line, two object references per statement; but never more
    // than the text can hold (a statement takes 9 characters or more, an
    // object reference 2 or more), whatever the count of lines.
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    h_.commands.reserve(std::min(lines, text.size() / 9 + 1));
    h_.refs.reserve(std::min(2 * lines, text.size() / 2 + 1));
    index_.reserve(std::min(lines, text.size() / 2 + 1));
    size_t line_no = 0;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++line_no;
      parse_line(line, line_no);
      start = end + 1;
    }
  }

private:
  void error(size_t line, std::string message) {
    ++h_.error_count;
    if (h_.errors.size() < max_errors_) h_.errors.push_back(HistoryError{line, std::move(message)});
  }

  /// Cuts `line` into tokens; false (with `message`) on a character or a
  /// quoted text that no statement can hold.
  bool tokenize(std::string_view line, std::string& message) {
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
          message = "missing closing '\"' of the quoted text";
          return false;
        }
        std::string_view text = line.substr(i + 1, close - i - 1);
        if (!check_text(text, message)) return false;
        tokens_.push_back(Token{Token::TEXT, text});
        i = close + 1;
      } else if (is_arrow_at(line, i)) {
        tokens_.push_back(Token{Token::ARROW, line.substr(i, 2)});
        i += 2;
      } else if (is_control(c)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "invalid character (byte 0x%02X)", c);
        message = buffer;
        return false;
      } else {
        const size_t start = i;
        while (i < line.size()) {
          const unsigned char d = static_cast<unsigned char>(line[i]);
          if (d == ' ' || d == '\t' || d == '#' || d == '"' || is_control(d) ||
              is_arrow_at(line, i))
            break;
          ++i;
        }
        tokens_.push_back(Token{Token::WORD, line.substr(start, i - start)});
      }
    }
    return true;
  }

  /// Name texts end up inside double quotes in Graphviz labels, which the
  /// graph writes as they stand: quotes, backslashes and control characters
  /// would break the label or be read as escapes.
  static bool check_text(std::string_view text, std::string& message) {
    for (char ch : text) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c == '\\') {
        message = "a name text may not contain a backslash";
        return false;
      }
      if (is_control(c)) {
        message = "a name text may not contain control characters or tabs";
        return false;
      }
    }
    if (!is_utf8(text)) {
      message = "a name text must be valid UTF-8";
      return false;
    }
    return true;
  }

  static std::string invalid_name(const Token& t) {
    if (t.kind == Token::TEXT) return "unexpected quoted text \"" + std::string(t.text) + "\"";
    if (t.kind == Token::ARROW) return "unexpected '->'";
    std::string m = "invalid object name " + quoted(t.text) + " (names are made of " +
                    std::string(kNameChars) + ")";
    if (t.text.find('=') != std::string_view::npos) m += "; a target qualifier is written q=N";
    return m;
  }

  void parse_line(std::string_view line, size_t line_no) {
    std::string message;
    if (!tokenize(line, message)) {
      error(line_no, message);
      return;
    }
    if (tokens_.empty()) return;
    const Token& first = tokens_[0];
    if (first.kind == Token::TEXT) {
      error(line_no, "a line cannot begin with a quoted text");
      return;
    }
    if (first.kind == Token::ARROW) {
      error(line_no, "missing dependency type before '->'");
      return;
    }
    Type type;
    if (first.text == kSeparatorKeyword)
      parse_separator(line_no);
    else if (first.text == kNameKeyword)
      parse_name(line_no);
    else if (dependency_type_from_name(first.text, type))
      parse_dependency(type, line_no);
    else
      error(line_no, unknown_statement(first.text));
  }

  static std::string unknown_statement(std::string_view word) {
    std::string m = "unknown dependency type " + quoted(word);
    for (const TypeName& t : kTypeNames)
      if (equal_ignoring_case(word, t.name)) return m + " (did you mean '" + t.name + "'?)";
    if (equal_ignoring_case(word, kSeparatorKeyword) || equal_ignoring_case(word, kNameKeyword))
      return m + " (keywords are lower case: 'separator', 'name')";
    return m + " (known types: CREATION DELETION MODIFICATION SPLIT ABSORPTION CONVERSION "
               "CONTAINMENT TRANSFER)";
  }

  void parse_separator(size_t line_no) {
    if (tokens_.size() > 1) {
      error(line_no, "'separator' takes nothing after it");
      return;
    }
    HistoryCommand c;
    c.kind = HistoryCommand::SEPARATOR;
    c.line = line_no;
    h_.commands.push_back(c);
  }

  void parse_name(size_t line_no) {
    static const char* const usage = "a name line reads: name OBJECT \"text\"";
    if (tokens_.size() < 3) {
      if (tokens_.size() == 2 && tokens_[1].kind == Token::WORD && !is_object_name(tokens_[1].text))
        error(line_no, invalid_name(tokens_[1]));
      else
        error(line_no, usage);
      return;
    }
    const Token& object = tokens_[1];
    const Token& text = tokens_[2];
    if (object.kind != Token::WORD || !is_object_name(object.text)) {
      error(line_no, object.kind == Token::TEXT ? std::string(usage) : invalid_name(object));
      return;
    }
    if (text.kind != Token::TEXT) {
      error(line_no, usage);
      return;
    }
    if (tokens_.size() > 3) {
      error(line_no, "unexpected " + describe(tokens_[3]) + " after the name text");
      return;
    }
    if (text.text.empty()) {
      error(line_no, "the name text is empty");
      return;
    }
    const long known = find(object.text);
    if (known >= 0 && h_.named_on_line[static_cast<size_t>(known)] != 0) {
      error(line_no, quoted(object.text) + " is named already on line " +
                         std::to_string(h_.named_on_line[static_cast<size_t>(known)]));
      return;
    }
    if (known < 0 && !room_for_objects(1, line_no)) return;
    if (h_.texts.size() >= UINT32_MAX) {
      error(line_no, "too many name lines");
      return;
    }
    HistoryCommand c;
    c.kind = HistoryCommand::NAME;
    c.line = line_no;
    c.first = h_.refs.size();
    const uint32_t index = intern(object.text);
    h_.refs.push_back(index);
    h_.named_on_line[index] = line_no;
    c.text = static_cast<uint32_t>(h_.texts.size());
    h_.texts.emplace_back(text.text);
    h_.commands.push_back(c);
  }

  static std::string describe(const Token& t) {
    if (t.kind == Token::TEXT) return "quoted text \"" + std::string(t.text) + "\"";
    return quoted(t.text);
  }

  void parse_dependency(Type type, size_t line_no) {
    size_t arrow = 0;
    bool has_qualifier = false;
    int qualifier = 0;
    for (size_t i = 1; i < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      if (t.kind == Token::ARROW) {
        if (arrow != 0) {
          error(line_no, "more than one '->' on the line");
          return;
        }
        arrow = i;
      } else if (t.kind == Token::WORD && is_qualifier_word(t.text)) {
        if (!parse_qualifier(t.text, qualifier)) {
          error(line_no, "invalid target qualifier " + quoted(t.text) +
                             " (expected q= and a whole number from -2147483648 to 2147483647)");
          return;
        }
        if (arrow == 0 || i + 1 != tokens_.size()) {
          error(line_no, "the target qualifier " + quoted(t.text) +
                             " must come last, after the "
                             "targets");
          return;
        }
        has_qualifier = true;
      } else if (t.kind != Token::WORD || !is_object_name(t.text)) {
        error(line_no, invalid_name(t));
        return;
      }
    }
    if (arrow == 0) {
      error(line_no, "missing '->' between the sources and the targets");
      return;
    }
    const size_t end = tokens_.size() - (has_qualifier ? 1 : 0);
    const size_t n_sources = arrow - 1;
    const size_t n_targets = end - arrow - 1;
    if (!room_for_objects(n_sources + n_targets, line_no)) return; // as if all were new
    if (h_.refs.size() + n_sources + n_targets > SIZE_MAX / 2) {
      error(line_no, "the history is too large");
      return;
    }

    HistoryCommand c;
    c.kind = HistoryCommand::DEPENDENCY;
    c.type = type;
    c.has_qualifier = has_qualifier;
    c.qualifier = qualifier;
    c.line = line_no;
    c.first = h_.refs.size();
    c.n_sources = static_cast<uint32_t>(n_sources);
    c.n_targets = static_cast<uint32_t>(n_targets);
    for (size_t i = 1; i < end; ++i)
      if (i != arrow) h_.refs.push_back(intern(tokens_[i].text));
    h_.commands.push_back(c);
  }

  bool room_for_objects(size_t n_new, size_t line_no) {
    if (h_.objects.size() + n_new <= UINT32_MAX) return true;
    error(line_no, "too many objects");
    return false;
  }

  long find(std::string_view name) const {
    auto it = index_.find(name);
    return it == index_.end() ? -1 : static_cast<long>(it->second);
  }

  /// The index of `name`, entering it as a new object when it is not known.
  /// The key views the caller's text, which outlives the parse.
  uint32_t intern(std::string_view name) {
    const auto inserted = index_.emplace(name, static_cast<uint32_t>(h_.objects.size()));
    if (inserted.second) {
      h_.objects.emplace_back(name);
      h_.named_on_line.push_back(0);
    }
    return inserted.first->second;
  }

  History& h_;
  size_t max_errors_;
  std::vector<Token> tokens_;
  std::unordered_map<std::string_view, uint32_t> index_;
};

} // namespace

long History::find_object(std::string_view name) const {
  for (size_t i = 0; i < objects.size(); ++i)
    if (objects[i] == name) return static_cast<long>(i);
  return -1;
}

History parse_history(std::string_view text, size_t max_errors) {
  History history;
  Parser(history, max_errors).parse(text);
  return history;
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
