// Numeric debug printers: layouts of flat, point and matrix dumps, restored
// journal formats, and the checks of the Mx_debug_ family.
#include "mxarraydebug.h"

#include "mxstringjournal.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// The journal's format, which every dump must put back.
struct Printers : ReportingTest {
  Printers() { journal.set_width(10), journal.set_precision(4); }
  void expect_format_restored() { EXPECT_STREQ(journal.format(), "%10.4lf"); }
  MxStringJournal journal;
};

template <class... Values> MxArray<double> values(Values... list) {
  MxArray<double> a;
  for (double v : {list...}) a.append(v);
  return a;
}

MxArray<double> counting(int n) {
  MxArray<double> a;
  for (int i = 1; i <= n; ++i) a.append(i);
  return a;
}

struct Layout {
  const char* what;
  std::function<void(MxJournal&)> dump;
  std::string text;
  ReportTags tags = {}; // the failed checks
};

TEST_F(Printers, LayoutsAndFailedChecks) {
  const char* const array = "protectedinterfaces/mxarray_i";
  const MxArray<double> six = counting(6);
  const Layout cases[] = {
      {"flat in blocks", [](MxJournal& j) { mx_arraydebug(j, counting(5), 2, 0, 1, 1); },
       "\n Array of 5 doubles \n 1.0 2.0\n 3.0 4.0\n 5.0\n"},
      // the header is written before the dump's format is set
      {"flat with width", [](MxJournal& j) { mx_arraydebug(j, values(1.25, -2.5), 4, 7, 3, 0); },
       "\nArray of 2 doubles \n  1.250 -2.500\n"},
      {"flat empty", [](MxJournal& j) { mx_arraydebug(j, MxArray<double>(), 3, 0, 2, 2); },
       "\n  Array of 0 doubles \n"},
      {"one point", [](MxJournal& j) { mx_arraydebug(j, 3, counting(3), 1, 0, 2, 2); },
       "\n  Point/vector of dimension 3\n  1.00\n  2.00\n  3.00\n\n"},
      {"points one per block", [&](MxJournal& j) { mx_arraydebug(j, 3, six, 1, 0, 1, 0); },
       "\nArray of 2 points/vectors of dimension 3\n1.0\n2.0\n3.0\n\n4.0\n5.0\n6.0\n\n"},
      {"points side by side", [&](MxJournal& j) { mx_arraydebug(j, 2, six, 2, 0, 1, 1); },
       "\n Array of 3 points/vectors of dimension 2\n 1.0 3.0\n 2.0 4.0\n\n 5.0\n 6.0\n\n"},
      // dimension 1 adds no empty lines; an incomplete trailing point is left out
      {"scalar points", [](MxJournal& j) { mx_arraydebug(j, 1, counting(3), 2, 0, 1, 0); },
       "\nArray of 3 points/vectors of dimension 1\n1.02.0\n3.0\n"},
      {"incomplete point", [](MxJournal& j) { mx_arraydebug(j, 2, counting(5), 5, 0, 1, 1); },
       "\n Array of 2 points/vectors of dimension 2\n 1.0 3.0\n 2.0 4.0\n\n"},
      {"matrix by rows", [&](MxJournal& j) { mx_arraydebug(j, true, 1, 2, six, 3, 0, 1, 1); },
       "\n Matrix with 2 rows and 3 columns.\n Entries are doubles.\n\n"
       " Row with index 0\n 1.0 3.0 5.0\n Row with index 1\n 2.0 4.0 6.0\n"},
      {"matrix by columns", [&](MxJournal& j) { mx_arraydebug(j, false, 1, 2, six, 1, 0, 1, 0); },
       "\nMatrix with 2 rows and 3 columns.\nEntries are doubles.\n\n"
       "Column with index 0\n1.0\n2.0\nColumn with index 1\n3.0\n4.0\n"
       "Column with index 2\n5.0\n6.0\n"},
      // 2 rows x 2 columns of 2D points, stored by columns
      {"matrix of points",
       [](MxJournal& j) { mx_arraydebug(j, true, 2, 2, counting(8), 2, 0, 1, 1); },
       "\n Matrix with 2 rows and 2 columns.\n Entries are points/vectors of dimension 2.\n\n"
       " Row with index 0\n 1.0 5.0\n 2.0 6.0\n\n Row with index 1\n 3.0 7.0\n 4.0 8.0\n\n"},
      {"matrix without rows",
       [](MxJournal& j) { mx_arraydebug(j, true, 1, 0, counting(4), 2, 0, 1, 0); },
       "\nMatrix with 0 rows and 0 columns.\nEntries are doubles.\n\n"},
      {"one row", [&](MxJournal& j) { mx_arraydebug(j, true, 1, 1, 2, six, 2, 0, 1, 1); },
       " 2.0 4.0\n 6.0\n"},
      {"one column", [&](MxJournal& j) { mx_arraydebug(j, false, 2, 1, 2, six, 5, 0, 1, 1); },
       " 5.0 6.0\n"},
      {"doubles in one run",
       [](MxJournal& j) { Mx_debug_double_array(j, values(1.5, 2.5, 3.5), 3, 1, 3, 1); },
       " 1.5  2.5  3.5 "},
      {"double matrix by rows",
       [&](MxJournal& j) { Mx_debug_double_matrix(j, 2, 3, six, 4, 1, 1, false); },
       "  1.0  2.0  3.0 \n  4.0  5.0  6.0 \n"},
      {"double matrix by columns",
       [&](MxJournal& j) { Mx_debug_double_matrix(j, 2, 3, six, 4, 1, 0, true); },
       " 1.0  3.0  5.0 \n 2.0  4.0  6.0 \n"},
      {"doubles one per line",
       [](MxJournal& j) { Mx_debug_double_array(j, values(1.5, -2.25), 8, 3, 1, 2); },
       "     1.500 \n    -2.250 \n"},

      {"row outside the array",
       [&](MxJournal& j) { mx_arraydebug(j, true, -1, 1, 2, six, 3, 0, 1, 0); }, "0.00.00.0\n",
       ReportTags(3, array)},
      {"column outside the array",
       [&](MxJournal& j) { mx_arraydebug(j, false, 3, 1, 2, six, 3, 0, 1, 0); }, "0.00.0\n",
       ReportTags(2, array)},
      {"three failed checks, dump goes on",
       [](MxJournal& j) { Mx_debug_double_array(j, values(1.0), 2, 2, 0, -1); }, "1.00 \n",
       ReportTags(3, "mx_utils")},
      // the size check only: no array read out of range
      {"matrix larger than the array",
       [](MxJournal& j) { Mx_debug_double_matrix(j, 2, 3, counting(4), 4, 1, 0, false); },
       " 1.0  2.0  3.0 \n 4.0 \n", ReportTags{"mx_utils"}},
      {"matrix by columns larger than the array",
       [](MxJournal& j) { Mx_debug_double_matrix(j, 2, 3, counting(4), 4, 1, 0, true); },
       " 1.0  3.0 \n 2.0  4.0 \n", ReportTags{"mx_utils"}},
      {"matrix without rows",
       [](MxJournal& j) { Mx_debug_double_matrix(j, 0, 3, counting(3), 4, 1, 0, false); }, "",
       ReportTags{"mx_utils"}},
      {"matrix without columns", // each row still ends its line
       [](MxJournal& j) { Mx_debug_double_matrix(j, 2, 0, counting(3), 1, 1, -1, false); }, "\n\n",
       ReportTags(3, "mx_utils")},
      {"vector array", [&](MxJournal& j) { Mx_debug_vector_array(j, 3, 2, six, 8, 3, 1, 0); }, "",
       ReportTags{"mx_utils"}},
      {"vector matrix",
       [&](MxJournal& j) { Mx_debug_vector_matrix(j, 3, 2, 1, six, 8, 3, 1, true); }, "",
       ReportTags{"mx_utils"}}};
  for (const Layout& c : cases) {
    SCOPED_TRACE(c.what);
    journal.clear();
    c.dump(journal);
    EXPECT_EQ(journal.text(), c.text);
    EXPECT_EQ(reports.take_tags(), c.tags);
    expect_format_restored();
  }
  journal.clear(); // the indentation and each blank are single pieces
  Mx_debug_double_array(journal, values(1.5), 8, 3, 1, 2);
  EXPECT_EQ(journal.writes(), (std::vector<std::string>{" ", " ", "   1.500", " ", "\n"}));
}

TEST_F(Printers, PerLineBelowOneOrDimBelowOneWriteNothing) {
  const MxArray<double> a = counting(6);
  mx_arraydebug(journal, a, 0, 0, 1, 0);
  mx_arraydebug(journal, a, -2, 0, 1, 0);
  for (int dim : {0, -1}) {
    mx_arraydebug(journal, dim, a, 1, 0, 1, 0);
    mx_arraydebug(journal, true, 0, dim, 2, a, 1, 0, 1, 0);
    mx_arraydebug(journal, true, dim, 2, a, 1, 0, 1, 0);
  }
  mx_arraydebug(journal, 2, a, 0, 0, 1, 0);
  mx_arraydebug(journal, false, 0, 2, 2, a, 0, 0, 1, 0);
  mx_arraydebug(journal, false, 2, 2, a, -1, 0, 1, 0);
  EXPECT_EQ(reports.tags(), ReportTags(11, "mxarraydebug"));
  EXPECT_TRUE(journal.writes().empty());
  expect_format_restored();
}

} // namespace
