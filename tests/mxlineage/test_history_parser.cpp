// The history parser on its own: what each statement becomes, how objects
// are numbered, and which lines are refused with which message. Every text
// is also checked for the properties that the fuzz target checks on any
// input (consistency, the error list's bound, a round trip).
#include "../support/history_parser_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using history_parser_checks::check_parse;
using history_parser_checks::write_back;
using mxlineage::History;
using ::testing::ElementsAre;

namespace {

/// The message of the single error of a one-line text.
std::string error_of(const std::string& line) {
  const History h = check_parse(line);
  if (h.errors.size() != 1) return "<" + std::to_string(h.errors.size()) + " errors>";
  EXPECT_TRUE(h.commands.empty()) << line;
  return h.errors[0].message;
}

} // namespace

TEST(HistoryParser, Statements) {
  // Each text and its statements in the canonical form.
  struct Case {
    const char* text;
    const char* statements;
  };
  const Case cases[] = {
      {"SPLIT A1 -> B C q=7\n", "SPLIT A1 -> B C q=7\n"},
      {"CREATION -> A\nDELETION F ->\nABSORPTION B C -> D\n",
       "CREATION -> A\nDELETION F ->\nABSORPTION B C -> D\n"},
      {"separator\nname D \"left flange #2\"  # the flange\n",
       "separator\nname D \"left flange #2\"\n"},
      {"SPLIT A->B C\nMODIFICATION a-b->c-d\n", "SPLIT A -> B C\nMODIFICATION a-b -> c-d\n"},
      {"CREATION -> A q=-2147483648\nCREATION -> B q=2147483647\nCREATION -> C q=0\n",
       "CREATION -> A q=-2147483648\nCREATION -> B q=2147483647\nCREATION -> C q=0\n"},
      {"MODIFICATION name -> separator\n", "MODIFICATION name -> separator\n"},
      {"name A \"\xc3\x98 20 \xe2\x80\x94 \xf0\x9f\x94\xa9\"",
       "name A \"\xc3\x98 20 \xe2\x80\x94 \xf0\x9f\x94\xa9\"\n"},
  };
  for (const Case& k : cases) {
    const History h = check_parse(k.text);
    EXPECT_EQ(h.error_count, 0u) << k.text;
    EXPECT_EQ(write_back(h), k.statements);
  }
  // A byte order mark, comments, blank lines and both line ends; the last
  // line needs no line end.
  const History h = check_parse("\xEF\xBB\xBF# heading\n\n   \t\nCREATION -> A # made\r\n"
                                "MODIFICATION A -> B\r\nDELETION B ->");
  EXPECT_EQ(write_back(h), "CREATION -> A\nMODIFICATION A -> B\nDELETION B ->\n");
  EXPECT_EQ(h.commands.at(2).line, 6u);
}

TEST(HistoryParser, ObjectsAreNumberedOnceInOrderOfFirstAppearance) {
  const History h = check_parse("name Z \"zed\"\nSPLIT A -> B Z\nABSORPTION B Z -> A2\n");
  EXPECT_THAT(h.objects, ElementsAre("Z", "A", "B", "A2"));
  EXPECT_THAT(h.refs, ElementsAre(0u, 1u, 2u, 0u, 2u, 0u, 3u));
  EXPECT_THAT(h.named_on_line, ElementsAre(1u, 0u, 0u, 0u));
  EXPECT_EQ(h.find_object("B"), 2);
  EXPECT_EQ(h.find_object("b"), -1);
  for (const char* name : {"top/front", "face:2.b_c-d", "7", "separator"})
    EXPECT_TRUE(mxlineage::is_object_name(name)) << name;
  for (const char* name : {"", "a->b", "q=1", "B,C", "\xc3\x98"})
    EXPECT_FALSE(mxlineage::is_object_name(name)) << name;
}

TEST(HistoryParser, RefusedLines) {
  // Each line and its message; one ending in " ..." is the message's start.
  struct Case {
    std::string line;
    std::string message;
  };
  const std::string usage = "a name line reads: name OBJECT \"text\"";
  const std::string names = " (names are made of letters, digits and _ . - : /)";
  const std::string known = " (known types: CREATION DELETION MODIFICATION SPLIT ABSORPTION "
                            "CONVERSION CONTAINMENT TRANSFER)";
  const std::string last = "the target qualifier 'q=3' must come last, after the targets";
  const Case cases[] = {
      {"SPLAT A -> B", "unknown dependency type 'SPLAT'" + known},
      {"split A -> B C", "unknown dependency type 'split' (did you mean 'SPLIT'?)"},
      {"Separator", "unknown dependency type 'Separator' (keywords are lower case: 'separator', "
                    "'name')"},
      {"-> A", "missing dependency type before '->'"},
      {"\"A\" -> B", "a line cannot begin with a quoted text"},
      {"MODIFICATION A B", "missing '->' between the sources and the targets"},
      {"MODIFICATION A -> B -> C", "more than one '->' on the line"},
      {"SPLIT A q=3 -> B C", last},
      {"SPLIT A -> B q=3 C", last},
      {"SPLIT A -> B C q=3 q=4", last},
      {"MODIFICATION A -> B,C", "invalid object name 'B,C'" + names},
      {"MODIFICATION A -> Q=1",
       "invalid object name 'Q=1'" + names + "; a target qualifier is written q=N"},
      {"MODIFICATION A -> \"B\"", "unexpected quoted text \"B\""},
      {"CREATION -> A q=2147483648", "invalid target qualifier 'q=2147483648' (expected q= and a "
                                     "whole number from -2147483648 to 2147483647)"},
      {"CREATION -> A q=-2147483649", "invalid target qualifier 'q=-2147483649' ..."},
      {"CREATION -> A q=", "invalid target qualifier 'q=' ..."},
      {"CREATION -> A q=+4", "invalid target qualifier 'q=+4' ..."},
      {"CREATION -> A q=00000000001", "invalid target qualifier 'q=00000000001' ..."},
      {"name", usage},
      {"name A", usage},
      {"name \"text\"", usage},
      {"name A B", usage},
      {"name A,B \"x\"", "invalid object name 'A,B'" + names},
      {"name A \"x\" B", "unexpected 'B' after the name text"},
      {"name A \"\"", "the name text is empty"},
      {"name A \"open", "missing closing '\"' of the quoted text"},
      {"name A \"back\\slash\"", "a name text may not contain a backslash"},
      {"name A \"tab\there\"", "a name text may not contain control characters or tabs"},
      {"name A \"bad \xc3(\"", "a name text must be valid UTF-8"},
      {"name A \"overlong \xc0\xaf\"", "a name text must be valid UTF-8"},
      {"name A \"surrogate \xed\xa0\x80\"", "a name text must be valid UTF-8"},
      {"separator now", "'separator' takes nothing after it"},
      {"CREATION -> A\x01", "invalid character (byte 0x01)"},
      {"CREATION -> A\x7f", "invalid character (byte 0x7F)"},
      {std::string("CREATION -> A\0B", 15), "invalid character (byte 0x00)"},
      {"CREATION -> A\rB", "invalid character (byte 0x0D)"},
      // A byte order mark only begins line 1; a bad token is quoted short.
      {"\n\xEF\xBB\xBF"
       "CREATION -> A",
       "unknown dependency type '\\xEF\\xBB\\xBFCREATION'" + known},
      {"MODIFICATION A -> ,\xc3\xa9" + std::string(99, 'x'),
       "invalid object name ',\\xC3\\xA9" + std::string(51, 'x') + "...'" + names},
  };
  for (const Case& k : cases) {
    const std::string message = error_of(k.line);
    const bool prefix = k.message.size() > 4 && k.message.substr(k.message.size() - 4) == " ...";
    const std::string expected = prefix ? k.message.substr(0, k.message.size() - 3) : k.message;
    EXPECT_EQ(prefix ? message.substr(0, expected.size()) : message, expected) << k.line;
  }
}

TEST(HistoryParser, BadLinesLeaveNoTraceAndParsingGoesOn) {
  const History h = check_parse("CREATION -> A\nSPLAT X -> Y\nMODIFICATION A -> B,C\n"
                                "name Q \"\"\nname A \"one\"\nMODIFICATION A -> B\n"
                                "name A \"two\"\n");
  ASSERT_EQ(h.errors.size(), 4u);
  EXPECT_EQ(h.errors[0].line, 2u);
  EXPECT_EQ(h.errors[1].line, 3u);
  EXPECT_EQ(h.errors[2].line, 4u);
  EXPECT_EQ(h.errors[3].line, 7u);
  EXPECT_EQ(h.errors[3].message, "'A' is named already on line 5");
  EXPECT_THAT(h.objects, ElementsAre("A", "B")); // neither X, Y nor Q
  EXPECT_THAT(h.texts, ElementsAre("one"));
  EXPECT_EQ(write_back(h), "CREATION -> A\nname A \"one\"\nMODIFICATION A -> B\n");
  EXPECT_EQ(h.commands.at(2).line, 6u);
}
