// The history parser on its own: what each statement becomes, how objects
// are numbered, and which lines are refused with which message.
#include "history_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using mxlineage::History;
using mxlineage::HistoryCommand;
using mxlineage::parse_history;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

/// The object names of one side of a dependency command.
std::vector<std::string> side(const History& h, const HistoryCommand& c, bool targets) {
  std::vector<std::string> names;
  const size_t from = c.first + (targets ? c.n_sources : 0);
  const size_t n = targets ? c.n_targets : c.n_sources;
  for (size_t i = 0; i < n; ++i) names.push_back(h.objects[h.refs[from + i]]);
  return names;
}

/// The single error of a one-line text.
std::string error_of(const std::string& line) {
  const History h = parse_history(line);
  if (h.errors.size() != 1) return "<" + std::to_string(h.errors.size()) + " errors>";
  EXPECT_TRUE(h.commands.empty()) << line;
  return h.errors[0].message;
}

} // namespace

TEST(HistoryParserStatements, DependencyWithSourcesTargetsAndQualifier) {
  const History h = parse_history("SPLIT A1 -> B C q=7\n");
  ASSERT_EQ(h.error_count, 0u);
  ASSERT_EQ(h.commands.size(), 1u);
  const HistoryCommand& c = h.commands[0];
  EXPECT_EQ(c.kind, HistoryCommand::DEPENDENCY);
  EXPECT_EQ(c.type, MxObjectDependency::SPLIT);
  EXPECT_EQ(c.line, 1u);
  EXPECT_THAT(side(h, c, false), ElementsAre("A1"));
  EXPECT_THAT(side(h, c, true), ElementsAre("B", "C"));
  EXPECT_TRUE(c.has_qualifier);
  EXPECT_EQ(c.qualifier, 7);
}

TEST(HistoryParserStatements, EmptySidesMeanNoObject) {
  const History h = parse_history("CREATION -> A\nDELETION F ->\nABSORPTION B C -> D\n");
  ASSERT_EQ(h.commands.size(), 3u);
  EXPECT_EQ(h.commands[0].type, MxObjectDependency::CREATION);
  EXPECT_EQ(h.commands[0].n_sources, 0u);
  EXPECT_THAT(side(h, h.commands[0], true), ElementsAre("A"));
  EXPECT_EQ(h.commands[1].type, MxObjectDependency::DELETION);
  EXPECT_THAT(side(h, h.commands[1], false), ElementsAre("F"));
  EXPECT_EQ(h.commands[1].n_targets, 0u);
  EXPECT_FALSE(h.commands[1].has_qualifier);
  EXPECT_THAT(side(h, h.commands[2], false), ElementsAre("B", "C"));
}

TEST(HistoryParserStatements, EveryTypeNameIsKnownInUpperCaseOnly) {
  const char* names[] = {"UNSPECIFIED", "TRANSFER",   "CREATION",   "DELETION",   "MODIFICATION",
                         "SPLIT",       "ABSORPTION", "CONVERSION", "CONTAINMENT"};
  for (int value = 0; value <= 8; ++value) {
    MxObjectDependency::Type type = MxObjectDependency::UNSPECIFIED;
    EXPECT_TRUE(mxlineage::dependency_type_from_name(names[value], type)) << names[value];
    EXPECT_EQ(static_cast<int>(type), value);
  }
  MxObjectDependency::Type type;
  EXPECT_FALSE(mxlineage::dependency_type_from_name("Split", type));
  EXPECT_FALSE(mxlineage::dependency_type_from_name("", type));
}

TEST(HistoryParserStatements, SeparatorAndNameLines) {
  const History h = parse_history("separator\nname D \"left flange #2\"  # the flange\n");
  ASSERT_EQ(h.error_count, 0u);
  ASSERT_EQ(h.commands.size(), 2u);
  EXPECT_EQ(h.commands[0].kind, HistoryCommand::SEPARATOR);
  EXPECT_EQ(h.commands[1].kind, HistoryCommand::NAME);
  EXPECT_EQ(h.commands[1].line, 2u);
  EXPECT_EQ(h.objects[h.refs[h.commands[1].first]], "D");
  EXPECT_EQ(h.texts[h.commands[1].text], "left flange #2");
  EXPECT_EQ(h.named_on_line[0], 2u);
}

TEST(HistoryParserStatements, CommentsBlankLinesAndLineEndings) {
  const History h = parse_history("\xEF\xBB\xBF# heading\n\n   \t\nCREATION -> A # made\r\n"
                                  "MODIFICATION A -> B\r\nDELETION B ->");
  ASSERT_EQ(h.error_count, 0u);
  ASSERT_EQ(h.commands.size(), 3u);
  EXPECT_EQ(h.commands[0].line, 4u);
  EXPECT_EQ(h.commands[1].line, 5u);
  EXPECT_EQ(h.commands[2].line, 6u); // the last line needs no line end
  EXPECT_THAT(h.objects, ElementsAre("A", "B"));
}

TEST(HistoryParserStatements, ArrowNeedsNoBlanks) {
  const History h = parse_history("SPLIT A->B C\nMODIFICATION a-b->c-d\n");
  ASSERT_EQ(h.error_count, 0u);
  EXPECT_THAT(side(h, h.commands[0], false), ElementsAre("A"));
  EXPECT_THAT(side(h, h.commands[0], true), ElementsAre("B", "C"));
  EXPECT_THAT(side(h, h.commands[1], false), ElementsAre("a-b"));
  EXPECT_THAT(side(h, h.commands[1], true), ElementsAre("c-d"));
}

TEST(HistoryParserStatements, QualifierLimits) {
  const History h = parse_history("CREATION -> A q=-2147483648\nCREATION -> B q=2147483647\n"
                                  "CREATION -> C q=0\n");
  ASSERT_EQ(h.error_count, 0u);
  EXPECT_EQ(h.commands[0].qualifier, -2147483647 - 1);
  EXPECT_EQ(h.commands[1].qualifier, 2147483647);
  EXPECT_TRUE(h.commands[2].has_qualifier);
  EXPECT_EQ(h.commands[2].qualifier, 0);
  EXPECT_THAT(error_of("CREATION -> A q=2147483648"), HasSubstr("invalid target qualifier"));
  EXPECT_THAT(error_of("CREATION -> A q=-2147483649"), HasSubstr("invalid target qualifier"));
  EXPECT_THAT(error_of("CREATION -> A q="), HasSubstr("invalid target qualifier 'q='"));
  EXPECT_THAT(error_of("CREATION -> A q=+4"), HasSubstr("invalid target qualifier"));
  EXPECT_THAT(error_of("CREATION -> A q=00000000001"), HasSubstr("invalid target qualifier"));
}

TEST(HistoryParserObjects, NumberedOnceInOrderOfFirstAppearance) {
  const History h = parse_history("name Z \"zed\"\nSPLIT A -> B Z\nABSORPTION B Z -> A2\n");
  ASSERT_EQ(h.error_count, 0u);
  EXPECT_THAT(h.objects, ElementsAre("Z", "A", "B", "A2"));
  EXPECT_THAT(h.refs, ElementsAre(0u, 1u, 2u, 0u, 2u, 0u, 3u));
  EXPECT_EQ(h.find_object("B"), 2);
  EXPECT_EQ(h.find_object("b"), -1);
  EXPECT_THAT(h.named_on_line, ElementsAre(1u, 0u, 0u, 0u));
}

TEST(HistoryParserObjects, ObjectNames) {
  EXPECT_TRUE(mxlineage::is_object_name("top/front"));
  EXPECT_TRUE(mxlineage::is_object_name("face:2.b_c-d"));
  EXPECT_TRUE(mxlineage::is_object_name("7"));
  EXPECT_TRUE(mxlineage::is_object_name("separator")); // keywords only count first on a line
  EXPECT_FALSE(mxlineage::is_object_name(""));
  EXPECT_FALSE(mxlineage::is_object_name("a->b"));
  EXPECT_FALSE(mxlineage::is_object_name("q=1"));
  EXPECT_FALSE(mxlineage::is_object_name("B,C"));
  EXPECT_FALSE(mxlineage::is_object_name("\xc3\x98"));
  const History h = parse_history("MODIFICATION name -> separator\n");
  EXPECT_THAT(h.objects, ElementsAre("name", "separator"));
}

TEST(HistoryParserErrors, UnknownStatements) {
  EXPECT_THAT(error_of("SPLAT A -> B"), HasSubstr("unknown dependency type 'SPLAT' (known types:"));
  EXPECT_EQ(error_of("split A -> B C"), "unknown dependency type 'split' (did you mean 'SPLIT'?)");
  EXPECT_THAT(error_of("Separator"), HasSubstr("keywords are lower case"));
  EXPECT_EQ(error_of("-> A"), "missing dependency type before '->'");
  EXPECT_EQ(error_of("\"A\" -> B"), "a line cannot begin with a quoted text");
}

TEST(HistoryParserErrors, DependencyShapeOfTheLine) {
  EXPECT_EQ(error_of("MODIFICATION A B"), "missing '->' between the sources and the targets");
  EXPECT_EQ(error_of("MODIFICATION A -> B -> C"), "more than one '->' on the line");
  EXPECT_EQ(error_of("SPLIT A q=3 -> B C"),
            "the target qualifier 'q=3' must come last, after the targets");
  EXPECT_EQ(error_of("SPLIT A -> B q=3 C"),
            "the target qualifier 'q=3' must come last, after the targets");
  EXPECT_EQ(error_of("SPLIT A -> B C q=3 q=4"),
            "the target qualifier 'q=3' must come last, after the targets");
  EXPECT_EQ(error_of("MODIFICATION A -> B,C"),
            "invalid object name 'B,C' (names are made of letters, digits and _ . - : /)");
  EXPECT_THAT(error_of("MODIFICATION A -> Q=1"), HasSubstr("a target qualifier is written q=N"));
  EXPECT_EQ(error_of("MODIFICATION A -> \"B\""), "unexpected quoted text \"B\"");
}

TEST(HistoryParserErrors, NameLines) {
  const char* usage = "a name line reads: name OBJECT \"text\"";
  EXPECT_EQ(error_of("name"), usage);
  EXPECT_EQ(error_of("name A"), usage);
  EXPECT_EQ(error_of("name \"text\""), usage);
  EXPECT_EQ(error_of("name A B"), usage);
  EXPECT_THAT(error_of("name A,B \"x\""), HasSubstr("invalid object name 'A,B'"));
  EXPECT_EQ(error_of("name A \"x\" B"), "unexpected 'B' after the name text");
  EXPECT_EQ(error_of("name A \"\""), "the name text is empty");
  EXPECT_EQ(error_of("name A \"open"), "missing closing '\"' of the quoted text");
  EXPECT_EQ(error_of("name A \"back\\slash\""), "a name text may not contain a backslash");
  EXPECT_EQ(error_of("name A \"tab\there\""),
            "a name text may not contain control characters or tabs");
  EXPECT_EQ(error_of("name A \"bad \xc3(\""), "a name text must be valid UTF-8");
  EXPECT_EQ(error_of("name A \"overlong \xc0\xaf\""), "a name text must be valid UTF-8");
  EXPECT_EQ(error_of("name A \"surrogate \xed\xa0\x80\""), "a name text must be valid UTF-8");
  EXPECT_EQ(parse_history("name A \"\xc3\x98 20 \xe2\x80\x94 \xf0\x9f\x94\xa9\"").error_count, 0u);

  const History twice = parse_history("name A \"one\"\nCREATION -> A\nname A \"two\"\n");
  ASSERT_EQ(twice.errors.size(), 1u);
  EXPECT_EQ(twice.errors[0].line, 3u);
  EXPECT_EQ(twice.errors[0].message, "'A' is named already on line 1");
  EXPECT_THAT(twice.texts, ElementsAre("one"));
}

TEST(HistoryParserErrors, OtherLines) {
  EXPECT_EQ(error_of("separator now"), "'separator' takes nothing after it");
  EXPECT_EQ(error_of("CREATION -> A\x01"), "invalid character (byte 0x01)");
  EXPECT_EQ(error_of(std::string("CREATION -> A\0B", 15)), "invalid character (byte 0x00)");
  EXPECT_EQ(error_of("CREATION -> A\rB"), "invalid character (byte 0x0D)");
  EXPECT_THAT(error_of("\n\xEF\xBB\xBF"
                       "CREATION -> A"), // a mark only begins line 1
              HasSubstr("unknown dependency type '\\xEF\\xBB\\xBFCREATION'"));
  EXPECT_THAT(error_of("MODIFICATION A -> ,\xc3\xa9" + std::string(99, 'x')),
              HasSubstr("name ',\\xC3\\xA9" + std::string(51, 'x') + "...' (names"));
}

TEST(HistoryParserErrors, BadLinesLeaveNoTraceAndParsingGoesOn) {
  const History h = parse_history("CREATION -> A\nSPLAT X -> Y\nMODIFICATION A -> B,C\n"
                                  "name Q \"\"\nMODIFICATION A -> B\n");
  EXPECT_EQ(h.error_count, 3u);
  ASSERT_EQ(h.errors.size(), 3u);
  EXPECT_EQ(h.errors[0].line, 2u);
  EXPECT_EQ(h.errors[1].line, 3u);
  EXPECT_EQ(h.errors[2].line, 4u);
  EXPECT_THAT(h.objects, ElementsAre("A", "B")); // neither X, Y nor Q
  ASSERT_EQ(h.commands.size(), 2u);
  EXPECT_EQ(h.commands[1].line, 5u);
}

TEST(HistoryParserErrors, KeepsTheFirstErrorsAndCountsAll) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "SPLAT A -> B\n";
  const History h = parse_history(text, 4);
  EXPECT_EQ(h.error_count, 30u);
  ASSERT_EQ(h.errors.size(), 4u);
  EXPECT_EQ(h.errors[3].line, 4u);
  EXPECT_EQ(parse_history(text, 0).errors.size(), 0u);
}
