// The journal: formats, every streaming operator write by write, the tokens,
// the debug helpers and the ready-made stream and string journals.
#include "mxarray.h"
#include "mxdynobj.h"
#include "mxiterator.h"
#include "mxjournal.h"
#include "mxstreamjournal.h"
#include "mxstringjournal.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using Writes = std::vector<std::string>;

// Logs writes and flushes in one sequence, to check their order.
class EventJournal : public MxJournal {
public:
  EventJournal() = default;
  EventJournal(const EventJournal& other) : MxJournal(other) {}
  EventJournal& operator=(const EventJournal& other) {
    MxJournal::operator=(other);
    return *this;
  }
  void write(const MxString& text) override {
    events.push_back(std::string("write:") + text.as_const_c_string());
  }
  void flush() override { events.push_back("flush"); }
  std::vector<std::string> events;
};

class Thing : public MxDynObj {
  MX_DYNOBJ_TYPE(Thing, MxDynObj)

public:
  MxDynObj* clone() const override { return new Thing(*this); }
  int identity() const override { return identity_.value(); }

private:
  MxIdentity identity_;
};
MX_DEFINE_CLASS_NAME(Thing);

// A class whose name is far longer than a dump line allows.
const MxString long_name(std::string(300, 'L').c_str());
class LongNamed : public MxDynObj {
  MX_DYNOBJ_TYPE(LongNamed, MxDynObj)

public:
  MxDynObj* clone() const override { return new LongNamed(*this); }
  int identity() const override { return 7; }
};
const MxString& LongNamed::class_name_ = long_name;

// An iterator whose second element cannot be handed out.
class GappyIterator : public MxIterator<int> {
public:
  int* first() override { return &values_[0]; }
  void next() override { ++index_; }
  bool done() override { return index_ >= 3; }
  void reset() override { index_ = 0; }
  int* current() override { return index_ == 1 ? nullptr : &values_[index_]; }

private:
  int values_[3] = {10, 20, 30};
  int index_ = 0;
};

using Format = ReportingTest;
using Streaming = ReportingTest;
using Tokens = ReportingTest;
using ReadyJournals = ReportingTest;

// What printf makes of `v` with the journal's format, cut to 511 characters.
std::string printf_reference(const char* format, double v) {
  std::vector<char> text(1 << 16);
  std::snprintf(text.data(), text.size(), format, v);
  return std::string(text.data()).substr(0, 511);
}

TEST_F(Format, WidthTakesEffectFromPrecisionPlusTwo) {
  MxStringJournal journal;
  EXPECT_EQ(journal.precision(), 6);
  EXPECT_EQ(journal.width(), 0);
  const struct {
    int width, precision;
    const char* format;
    double value;
    const char* text;
  } steps[] = {{0, 6, "%.6lf", 1.5, "1.500000"},     {12, 6, "%12.6lf", 1.5, "    1.500000"},
               {7, 6, "%.6lf", 1.5, "1.500000"},     {8, 6, "%8.6lf", -1.5, "-1.500000"},
               {5, 3, "%5.3lf", 2.0, "2.000"},       {5, 4, "%.4lf", 2.0, "2.0000"},
               {10, 4, "%10.4lf", 2.0, "    2.0000"}};
  for (const auto& s : steps) {
    journal.clear();
    journal.set_width(s.width);
    journal.set_precision(s.precision);
    EXPECT_STREQ(journal.format(), s.format);
    journal << s.value;
    EXPECT_EQ(journal.writes(), Writes{s.text}) << s.format;
  }
  EXPECT_TRUE(reports.empty());
  journal.set_precision(0);
  journal.set_width(-1);
  EXPECT_EQ(reports.tags(), ReportTags(2, "mxjournal")); // reported and ignored
  EXPECT_EQ(journal.precision(), 4);
  EXPECT_EQ(journal.width(), 10);
  EXPECT_STREQ(journal.format(), "%10.4lf");

  EventJournal source;
  source.set_precision(2);
  source.set_width(9);
  EventJournal copy(source), assigned;
  assigned = source;
  EXPECT_EQ(copy.precision(), 2);
  EXPECT_EQ(copy.width(), 9);
  EXPECT_STREQ(copy.format(), "%9.2lf");
  EXPECT_STREQ(assigned.format(), "%9.2lf");
}

TEST_F(Format, DoublesMatchPrintfAndStayBounded) {
  const double values[] = {0.0,      -0.0,    0.1,    -2.5e-7,  123456.789, 1e300,
                           -DBL_MAX, DBL_MIN, 5e-324, HUGE_VAL, -HUGE_VAL,  std::nan("")};
  const int widths[] = {0, 3, 12, 40, 600};
  const int precisions[] = {1, 6, 17, 400, 1200};
  for (int width : widths) {
    for (int precision : precisions) {
      MxStringJournal journal;
      journal.set_precision(precision);
      journal.set_width(width);
      for (double v : values) {
        journal.clear();
        journal << v;
        ASSERT_EQ(journal.writes().size(), 1u);
        EXPECT_EQ(journal.writes()[0], printf_reference(journal.format(), v))
            << journal.format() << " " << v;
      }
    }
  }
}

TEST_F(Format, HugeWidthAndPrecisionAreCutAt511) {
  MxStringJournal journal;
  journal.set_width(INT_MAX);
  journal << 1.5;
  EXPECT_EQ(journal.writes()[0], std::string(511, ' '));

  journal.clear();
  journal.set_width(0);
  journal.set_precision(INT_MAX);
  EXPECT_STREQ(journal.format(), "%.2147483647lf");
  journal << 1.0;
  EXPECT_EQ(journal.writes()[0], "1." + std::string(509, '0'));
  EXPECT_TRUE(reports.empty());
}

TEST_F(Streaming, TextCharactersIntegersAndPointersOnePiecePerValue) {
  MxStringJournal journal;
  const MxString text("label");
  const char* null_text = nullptr;
  journal << text << "abc" << null_text << 'x' << 42 << INT_MIN << 4000000000u << UINT_MAX;
  journal << static_cast<ptrdiff_t>(INT64_MAX) << static_cast<ptrdiff_t>(INT64_MIN)
          << static_cast<size_t>(UINT64_MAX) << static_cast<size_t>(0) << INT64_MIN << LLONG_MAX
          << ULLONG_MAX;
  int value = 0;
  const void* pointer = &value;
  const void* null_pointer = nullptr;
  journal << pointer << null_pointer;
  char expected[2][32];
  std::snprintf(expected[0], sizeof(expected[0]), "%p", pointer);
  std::snprintf(expected[1], sizeof(expected[1]), "%p", null_pointer);
  EXPECT_EQ(journal.writes(),
            (Writes{"label", "abc", "", "x", "42", "-2147483648", "4000000000", "4294967295",
                    "9223372036854775807", "-9223372036854775808", "18446744073709551615", "0",
                    "-9223372036854775808", "9223372036854775807", "18446744073709551615",
                    expected[0], expected[1]}));
  EXPECT_EQ(journal.flushes(), 0u);
}

TEST_F(Streaming, DynObjLineNamesTheClassAndIsCutAt111Characters) {
  MxStringJournal journal;
  Thing thing;
  LongNamed object;
  journal << thing << object;
  EXPECT_EQ(journal.writes(),
            (Writes{"MxObject : Thing, identity : " + std::to_string(thing.identity()) + "\n",
                    ("MxObject : " + std::string(300, 'L')).substr(0, 111)}));
}

TEST_F(Streaming, IteratorsWriteAFrameAndEndAtTheirEnd) {
  MxArray<int> ints, none;
  ints.append(1);
  ints.append(2);
  MxArray<double> doubles;
  doubles.append(0.5);
  doubles.append(-2.0);
  MxArrayIterator<int> it(&ints), over_empty(&none);
  MxArrayIterator<double> dit(&doubles), over_nothing(nullptr);
  it.next();
  MxStringJournal journal;
  journal.set_precision(2);
  journal << it << dit << over_empty << over_nothing;
  EXPECT_EQ(journal.writes(),
            (Writes{"MxIntIterator( ", "1", " ", "2", " ", ")", "MxDoubleIterator( ", "0.50", " ",
                    "-2.00", " ", ")", "MxIntIterator( ", ")", "MxDoubleIterator( ", ")"}));
  EXPECT_TRUE(it.done());
  EXPECT_EQ(journal.flushes(), 0u);
  EXPECT_TRUE(reports.empty());

  GappyIterator gappy; // an element it cannot hand out is reported and skipped
  journal.clear();
  journal << gappy;
  EXPECT_EQ(journal.writes(), (Writes{"MxIntIterator( ", "10", " ", "30", " ", ")"}));
  EXPECT_EQ(reports.tags(), ReportTags{"mxjournal"});
}

TEST_F(Tokens, EndTokensWriteNewlinesThenFlushAlsoThroughTheirBase) {
  EventJournal journal;
  MxToken& token = mxEndSection;
  journal << mxEndExpr << mxEndSection << token;
  mxEndExpr.append_to_journal(journal);
  EXPECT_EQ(journal.events, (std::vector<std::string>{"write:\n", "flush", "write:\n\n", "flush",
                                                      "write:\n\n", "flush", "write:\n", "flush"}));
}

TEST(Debug, IndentationAndNestedDumpLines) {
  EXPECT_EQ(MxDebugNone, 0);
  EXPECT_EQ(MxDebugSummary, 1);
  EXPECT_EQ(MxDebugNormal, 2);
  EXPECT_EQ(MxDebugFull, 3);
  MxStringJournal journal;
  Mx_DebugIndentation(journal, 0);
  Mx_DebugIndentation(journal, -2);
  EXPECT_TRUE(journal.writes().empty());
  Mx_DebugIndentation(journal, 4);
  EXPECT_EQ(journal.writes(), (Writes{" ", " ", " ", " "}));
  EXPECT_EQ(Mx_DebugIndentStep(), 3);
  journal.clear();
  const int indent = 2;
  Mx_DebugIndentation(journal, indent);
  journal << "Table" << mxEndExpr;
  Mx_DebugIndentation(journal, indent + Mx_DebugIndentStep());
  journal << "entries : " << 2 << mxEndExpr;
  Mx_DebugIndentation(journal, indent + 2 * Mx_DebugIndentStep());
  journal << "active : " << 0.25 << mxEndExpr;
  EXPECT_EQ(journal.text(), "  Table\n     entries : 2\n        active : 0.250000\n");
  EXPECT_EQ(journal.flushes(), 3u);
}

// Counts the flushes that reach a stream buffer.
class CountingBuffer : public std::stringbuf {
public:
  int syncs = 0;

protected:
  int sync() override {
    ++syncs;
    return std::stringbuf::sync();
  }
};

TEST_F(ReadyJournals, StreamJournalWritesAndFlushesOnTheTokens) {
  CountingBuffer buffer;
  std::ostream stream(&buffer);
  MxStreamJournal journal(stream);
  journal << "a" << 1;
  EXPECT_EQ(buffer.syncs, 0);
  journal << mxEndExpr << "b" << mxEndSection;
  EXPECT_EQ(buffer.str(), "a1\nb\n\n");
  EXPECT_EQ(buffer.syncs, 2);
}

TEST_F(ReadyJournals, StreamJournalOnACFile) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    MxStreamJournal journal(file);
    journal << "x = " << 1.25 << mxEndExpr;
  }
  std::rewind(file);
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof(line), file), nullptr);
  EXPECT_STREQ(line, "x = 1.250000\n");
  std::fclose(file);
}

TEST_F(ReadyJournals, StreamJournalOnANullFileReportsAndDiscards) {
  MxStreamJournal journal(static_cast<std::FILE*>(nullptr));
  EXPECT_EQ(reports.tags(), ReportTags{"mxstreamjournal"});
  journal << "lost" << mxEndExpr;
  EXPECT_EQ(reports.count(), 1u);
}

} // namespace
