// The journal: formats, every streaming operator write by write, the tokens,
// the debug helpers and the ready-made stream and string journals.
#include "mxarray.h"
#include "mxdynobj.h"
#include "mxiterator.h"
#include "mxjournal.h"
#include "mxstreamjournal.h"
#include "mxstringjournal.h"

#include "support/clients.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Writes = std::vector<std::string>;

// Logs writes and flushes in one sequence, to check their order.
struct EventJournal : MxJournal {
  void write(const MxString& text) override { events.push_back(text.as_const_c_string()); }
  void flush() override { events.push_back("flush"); }
  Writes events;
};

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

using Journal = ReportingTest;

// The width takes effect from the precision plus two; the text is printf's,
// cut to 511 characters.
TEST_F(Journal, DoublesFollowTheFormatMatchPrintfAndStayWithin511Characters) {
  const double values[] = {1.5,      0.0,     -0.0,   0.1,      -2.5e-7,   123456.789,  1e300,
                           -DBL_MAX, DBL_MIN, 5e-324, HUGE_VAL, -HUGE_VAL, std::nan("")};
  std::vector<char> text(1 << 16);
  MxStringJournal journal;
  journal << 1.5;
  EXPECT_EQ(journal.writes(), Writes{"1.500000"});
  for (int width : {0, 3, 7, 8, 12, 40, 600}) {
    for (int precision : {1, 6, 17, 400, 1200}) {
      journal.set_precision(precision);
      journal.set_width(width);
      const std::string w = width >= precision + 2 ? std::to_string(width) : "";
      EXPECT_EQ(journal.format(), "%" + w + "." + std::to_string(precision) + "lf");
      for (double v : values) {
        journal.clear();
        journal << v;
        std::snprintf(text.data(), text.size(), journal.format(), v);
        EXPECT_EQ(journal.writes(), Writes{std::string(text.data()).substr(0, 511)})
            << journal.format() << " " << v;
      }
    }
  }
  journal.clear(); // the format's own numbers may be huge too
  journal.set_width(INT_MAX);
  journal << 1.5;
  journal.set_width(0);
  journal.set_precision(INT_MAX);
  EXPECT_STREQ(journal.format(), "%.2147483647lf");
  journal << 1.0;
  EXPECT_EQ(journal.writes(), (Writes{std::string(511, ' '), "1." + std::string(509, '0')}));
  EXPECT_TRUE(reports.empty());
  journal.set_precision(6);
  journal.set_width(12);
  journal.set_precision(0);
  journal.set_width(-1);
  EXPECT_EQ(reports.tags(), ReportTags(2, "mxjournal")); // reported and ignored
  EXPECT_STREQ(journal.format(), "%12.6lf");
  EventJournal source, assigned; // copies take the format
  source.set_precision(2), source.set_width(9);
  assigned = source;
  EXPECT_EQ(std::string(EventJournal(source).format()) + assigned.format(), "%9.2lf%9.2lf");
}

TEST_F(Journal, EveryValueIsOneWrite) {
  MxStringJournal journal;
  const char* null_text = nullptr;
  const void* null_pointer = nullptr;
  journal << MxString("label") << "abc" << null_text << 'x' << 42 << INT_MIN << 4000000000u
          << UINT_MAX << static_cast<ptrdiff_t>(INT64_MAX) << static_cast<ptrdiff_t>(INT64_MIN)
          << static_cast<size_t>(UINT64_MAX) << static_cast<size_t>(0) << INT64_MIN << LLONG_MAX
          << ULLONG_MAX << static_cast<const void*>(&journal) << null_pointer;
  char pointers[2][32];
  std::snprintf(pointers[0], sizeof(pointers[0]), "%p", static_cast<void*>(&journal));
  std::snprintf(pointers[1], sizeof(pointers[1]), "%p", null_pointer);
  const Plain object(5);
  LongNamed long_named;
  journal << object << long_named;
  EXPECT_EQ(journal.writes(),
            (Writes{"label", "abc", "", "x", "42", "-2147483648", "4000000000", "4294967295",
                    "9223372036854775807", "-9223372036854775808", "18446744073709551615", "0",
                    "-9223372036854775808", "9223372036854775807", "18446744073709551615",
                    pointers[0], pointers[1], "MxObject : MxDynObj, identity : 5\n",
                    ("MxObject : " + std::string(300, 'L')).substr(0, 111)}));
  EXPECT_EQ(journal.flushes(), 0u);
}

TEST_F(Journal, IteratorsWriteAFrameAndEndAtTheirEnd) {
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
  EXPECT_TRUE(reports.empty());
  GappyIterator gappy; // an element it cannot hand out is reported and skipped
  journal.clear();
  journal << gappy;
  EXPECT_EQ(journal.writes(), (Writes{"MxIntIterator( ", "10", " ", "30", " ", ")"}));
  EXPECT_EQ(reports.tags(), ReportTags{"mxjournal"});
}

TEST_F(Journal, EndTokensWriteNewlinesThenFlushAndDumpLinesNest) {
  EventJournal journal;
  MxToken& token = mxEndSection;
  journal << mxEndExpr << mxEndSection << token;
  mxEndExpr.append_to_journal(journal);
  Mx_DebugIndentation(journal, 0);
  Mx_DebugIndentation(journal, -2);
  Mx_DebugIndentation(journal, 2);
  journal << "Table" << mxEndExpr;
  Mx_DebugIndentation(journal, 1 + Mx_DebugIndentStep());
  journal << "entries : " << 2 << mxEndExpr;
  EXPECT_EQ(journal.events,
            (Writes{"\n",    "flush", "\n\n", "flush",      "\n\n", "flush", "\n",
                    "flush", " ",     " ",    "Table",      "\n",   "flush", " ",
                    " ",     " ",     " ",    "entries : ", "2",    "\n",    "flush"}));
  static_assert(MxDebugNone == 0 && MxDebugSummary == 1 && MxDebugNormal == 2 && MxDebugFull == 3,
                "the levels are compared numerically");
}

// Counts the flushes that reach a stream buffer.
class CountingBuffer : public std::stringbuf {
public:
  int syncs = 0;

protected:
  int sync() override { return ++syncs, std::stringbuf::sync(); }
};

TEST_F(Journal, StreamJournalsWriteToStreamsAndFilesAndFlushOnTheTokens) {
  CountingBuffer buffer;
  std::ostream stream(&buffer);
  MxStreamJournal on_stream(stream);
  on_stream << "a" << 1;
  EXPECT_EQ(buffer.syncs, 0);
  on_stream << mxEndExpr << "b" << mxEndSection;
  EXPECT_EQ(buffer.str(), "a1\nb\n\n");
  EXPECT_EQ(buffer.syncs, 2);
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    MxStreamJournal on_file(file);
    on_file << "x = " << 1.25 << mxEndExpr;
  }
  std::rewind(file);
  char line[64] = {};
  ASSERT_NE(std::fgets(line, sizeof(line), file), nullptr);
  EXPECT_STREQ(line, "x = 1.250000\n");
  std::fclose(file);
  EXPECT_TRUE(reports.empty());
  MxStreamJournal nowhere(static_cast<std::FILE*>(nullptr)); // reported, then discards
  nowhere << "lost" << mxEndExpr;
  EXPECT_EQ(reports.tags(), ReportTags{"mxstreamjournal"});
}

} // namespace
