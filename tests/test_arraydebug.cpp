// Numeric debug printers: layouts of flat, point and matrix dumps, restored
// journal formats, and the checks of the Mx_debug_ family.
#include "mxarraydebug.h"

#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

std::vector<std::string> reports;
void record(const char* file, int) {
  reports.emplace_back(file);
}

struct Printers : ::testing::Test {
  void SetUp() override {
    reports.clear();
    set_fnd_assertion_handler(record, true);
    // A format the dumps must put back.
    journal.set_width(10);
    journal.set_precision(4);
    format_before = journal.format();
  }
  void TearDown() override { set_fnd_assertion_handler(record, false); }

  void expect_format_restored() {
    EXPECT_EQ(journal.width(), 10);
    EXPECT_EQ(journal.precision(), 4);
    EXPECT_EQ(std::string(journal.format()), format_before);
  }
  void expect_reports(size_t n, const char* tag) {
    EXPECT_EQ(reports.size(), n);
    for (const std::string& r : reports) EXPECT_EQ(r, tag);
    reports.clear();
  }

  MxStringJournal journal;
  std::string format_before;
};

MxArray<double> values(std::initializer_list<double> list) {
  MxArray<double> a;
  for (double v : list) a.append(v);
  return a;
}

MxArray<double> counting(int n) {
  MxArray<double> a;
  for (int i = 1; i <= n; ++i) a.append(i);
  return a;
}

// ---------------------------------------------------------------------------
// mx_arraydebug

TEST_F(Printers, FlatDumpInBlocks) {
  mx_arraydebug(journal, counting(5), 2, 0, 1, 1);
  EXPECT_EQ(journal.text(), "\n"
                            " Array of 5 doubles \n"
                            " 1.0 2.0\n"
                            " 3.0 4.0\n"
                            " 5.0\n");
  expect_format_restored();
  expect_reports(0, "");
}

TEST_F(Printers, FlatDumpUsesTheGivenWidthAndPrecision) {
  mx_arraydebug(journal, values({1.25, -2.5}), 4, 7, 3, 0);
  // The header is written before the dump's format is set.
  EXPECT_EQ(journal.text(), "\nArray of 2 doubles \n  1.250 -2.500\n");
  expect_format_restored();
}

TEST_F(Printers, FlatDumpOfAnEmptyArray) {
  mx_arraydebug(journal, MxArray<double>(), 3, 0, 2, 2);
  EXPECT_EQ(journal.text(), "\n  Array of 0 doubles \n");
  expect_format_restored();
}

TEST_F(Printers, OnePointIsAColumnOfNumbers) {
  mx_arraydebug(journal, 3, counting(3), 1, 0, 2, 2);
  EXPECT_EQ(journal.text(), "\n"
                            "  Point/vector of dimension 3\n"
                            "  1.00\n"
                            "  2.00\n"
                            "  3.00\n"
                            "\n");
  expect_format_restored();
}

TEST_F(Printers, PointsOnePerBlock) {
  mx_arraydebug(journal, 3, counting(6), 1, 0, 1, 0);
  EXPECT_EQ(journal.text(), "\n"
                            "Array of 2 points/vectors of dimension 3\n"
                            "1.0\n2.0\n3.0\n\n"
                            "4.0\n5.0\n6.0\n\n");
  expect_format_restored();
}

TEST_F(Printers, PointsSideBySide) {
  mx_arraydebug(journal, 2, counting(6), 2, 0, 1, 1);
  EXPECT_EQ(journal.text(), "\n"
                            " Array of 3 points/vectors of dimension 2\n"
                            " 1.0 3.0\n"
                            " 2.0 4.0\n"
                            "\n"
                            " 5.0\n"
                            " 6.0\n"
                            "\n");
}

TEST_F(Printers, ScalarPointsHaveNoEmptyLines) {
  // An incomplete trailing point is left out; dimension 1 adds no empty lines.
  mx_arraydebug(journal, 1, counting(3), 2, 0, 1, 0);
  EXPECT_EQ(journal.text(), "\nArray of 3 points/vectors of dimension 1\n1.02.0\n3.0\n");
  journal.clear();
  mx_arraydebug(journal, 2, counting(5), 5, 0, 1, 1);
  EXPECT_EQ(journal.text(), "\n Array of 2 points/vectors of dimension 2\n"
                            " 1.0 3.0\n 2.0 4.0\n\n");
}

TEST_F(Printers, MatrixOfDoublesByRows) {
  mx_arraydebug(journal, true, 1, 2, counting(6), 3, 0, 1, 1);
  EXPECT_EQ(journal.text(), "\n"
                            " Matrix with 2 rows and 3 columns.\n"
                            " Entries are doubles.\n"
                            "\n"
                            " Row with index 0\n"
                            " 1.0 3.0 5.0\n"
                            " Row with index 1\n"
                            " 2.0 4.0 6.0\n");
  expect_format_restored();
}

TEST_F(Printers, MatrixOfDoublesByColumns) {
  mx_arraydebug(journal, false, 1, 2, counting(6), 1, 0, 1, 0);
  EXPECT_EQ(journal.text(), "\n"
                            "Matrix with 2 rows and 3 columns.\n"
                            "Entries are doubles.\n"
                            "\n"
                            "Column with index 0\n1.0\n2.0\n"
                            "Column with index 1\n3.0\n4.0\n"
                            "Column with index 2\n5.0\n6.0\n");
  expect_format_restored();
}

TEST_F(Printers, MatrixOfPoints) {
  // 2 rows x 2 columns of 2D points, stored by columns.
  mx_arraydebug(journal, true, 2, 2, counting(8), 2, 0, 1, 1);
  EXPECT_EQ(journal.text(), "\n"
                            " Matrix with 2 rows and 2 columns.\n"
                            " Entries are points/vectors of dimension 2.\n"
                            "\n"
                            " Row with index 0\n"
                            " 1.0 5.0\n"
                            " 2.0 6.0\n"
                            "\n"
                            " Row with index 1\n"
                            " 3.0 7.0\n"
                            " 4.0 8.0\n"
                            "\n");
  expect_format_restored();
}

TEST_F(Printers, MatrixWithoutRowsHasNoColumns) {
  mx_arraydebug(journal, true, 1, 0, counting(4), 2, 0, 1, 0);
  EXPECT_EQ(journal.text(), "\nMatrix with 0 rows and 0 columns.\nEntries are doubles.\n\n");
  journal.clear();
  mx_arraydebug(journal, false, 1, -3, counting(4), 2, 0, 1, 0);
  EXPECT_EQ(journal.text(), "\nMatrix with -3 rows and 0 columns.\nEntries are doubles.\n\n");
  expect_reports(0, "");
}

TEST_F(Printers, OneRowOrColumn) {
  mx_arraydebug(journal, true, 1, 1, 2, counting(6), 2, 0, 1, 1);
  EXPECT_EQ(journal.text(), " 2.0 4.0\n 6.0\n");
  journal.clear();
  mx_arraydebug(journal, false, 2, 1, 2, counting(6), 5, 0, 1, 1);
  EXPECT_EQ(journal.text(), " 5.0 6.0\n");
  expect_format_restored();
  expect_reports(0, "");
}

TEST_F(Printers, LineOutsideTheArrayIsReportedByTheArray) {
  mx_arraydebug(journal, true, -1, 1, 2, counting(6), 3, 0, 1, 0);
  EXPECT_EQ(journal.text(), "0.00.00.0\n");
  expect_reports(3, "protectedinterfaces/mxarray_i");
  mx_arraydebug(journal, false, 3, 1, 2, counting(6), 3, 0, 1, 0);
  expect_reports(2, "protectedinterfaces/mxarray_i");
  expect_format_restored();
}

TEST_F(Printers, PerLineBelowOneOrDimBelowOneWriteNothing) {
  const MxArray<double> a = counting(6);
  mx_arraydebug(journal, a, 0, 0, 1, 0);
  mx_arraydebug(journal, a, -2, 0, 1, 0);
  expect_reports(2, "mxarraydebug");
  for (int dim : {0, -1}) {
    mx_arraydebug(journal, dim, a, 1, 0, 1, 0);
    mx_arraydebug(journal, true, 0, dim, 2, a, 1, 0, 1, 0);
    mx_arraydebug(journal, true, dim, 2, a, 1, 0, 1, 0);
    expect_reports(3, "mxarraydebug");
  }
  mx_arraydebug(journal, 2, a, 0, 0, 1, 0);
  mx_arraydebug(journal, false, 0, 2, 2, a, 0, 0, 1, 0);
  mx_arraydebug(journal, false, 2, 2, a, -1, 0, 1, 0);
  expect_reports(3, "mxarraydebug");
  EXPECT_EQ(journal.text(), "");
  EXPECT_TRUE(journal.writes().empty());
  expect_format_restored();
}

// ---------------------------------------------------------------------------
// Mx_debug_double_array and Mx_debug_double_matrix

TEST_F(Printers, DoubleArrayOneValuePerLine) {
  Mx_debug_double_array(journal, values({1.5, -2.25}), 8, 3, 1, 2);
  EXPECT_EQ(journal.text(), "     1.500 \n"
                            "    -2.250 \n");
  // Indentation and the trailing blank are single blank characters.
  const std::vector<std::string> first_line = {" ", " ", "   1.500", " ", "\n"};
  EXPECT_EQ(std::vector<std::string>(journal.writes().begin(), journal.writes().begin() + 5),
            first_line);
  expect_format_restored();
  expect_reports(0, "");
}

TEST_F(Printers, DoubleArrayInOneRun) {
  Mx_debug_double_array(journal, values({1.5, 2.5, 3.5}), 3, 1, 3, 1);
  EXPECT_EQ(journal.text(), " 1.5  2.5  3.5 ");
  EXPECT_EQ(journal.flushes(), 0u);
  expect_format_restored();
  journal.clear();
  Mx_debug_double_array(journal, values({1.5, 2.5}), 3, 1, 2, 0);
  EXPECT_EQ(journal.text(), "1.5 2.5 ");
}

TEST_F(Printers, DoubleArrayChecksGoOnWithTheDump) {
  Mx_debug_double_array(journal, values({1.0}), 2, 2, 0, -1); // three failed checks
  EXPECT_EQ(journal.text(), "1.00 \n");
  expect_reports(3, "mx_utils");
  expect_format_restored();
}

TEST_F(Printers, DoubleMatrixByRowsAndByColumns) {
  const MxArray<double> a = counting(6);
  Mx_debug_double_matrix(journal, 2, 3, a, 4, 1, 1, false);
  EXPECT_EQ(journal.text(), "  1.0  2.0  3.0 \n"
                            "  4.0  5.0  6.0 \n");
  journal.clear();
  Mx_debug_double_matrix(journal, 2, 3, a, 4, 1, 0, true);
  EXPECT_EQ(journal.text(), " 1.0  3.0  5.0 \n"
                            " 2.0  4.0  6.0 \n");
  expect_format_restored();
  expect_reports(0, "");
}

TEST_F(Printers, DoubleMatrixSmallerArrayIsReportedAndNeverOverread) {
  const MxArray<double> a = counting(4);
  Mx_debug_double_matrix(journal, 2, 3, a, 4, 1, 0, false);
  EXPECT_EQ(journal.text(), " 1.0  2.0  3.0 \n"
                            " 4.0 \n");
  expect_reports(1, "mx_utils"); // the size check only, no array read out of range
  journal.clear();
  Mx_debug_double_matrix(journal, 2, 3, a, 4, 1, 0, true);
  EXPECT_EQ(journal.text(), " 1.0  3.0 \n"
                            " 2.0  4.0 \n");
  expect_reports(1, "mx_utils");
  expect_format_restored();
}

TEST_F(Printers, DoubleMatrixWithoutRowsWritesNothing) {
  Mx_debug_double_matrix(journal, 0, 3, counting(3), 4, 1, 0, false);
  EXPECT_EQ(journal.text(), "");
  expect_reports(1, "mx_utils");
  Mx_debug_double_matrix(journal, 2, 0, counting(3), 1, 1, -1, false);
  EXPECT_EQ(journal.text(), "\n\n"); // each row still ends its line
  expect_reports(3, "mx_utils");
  expect_format_restored();
}

TEST_F(Printers, VectorPrintersOnlyReport) {
  Mx_debug_vector_array(journal, 3, 2, counting(6), 8, 3, 1, 0);
  expect_reports(1, "mx_utils");
  Mx_debug_vector_matrix(journal, 3, 2, 1, counting(6), 8, 3, 1, true);
  expect_reports(1, "mx_utils");
  EXPECT_EQ(journal.text(), "");
  expect_format_restored();
}

TEST(PrintersWithoutHandler, ChecksAreSilent) {
  reports.clear();
  MxStringJournal journal;
  Mx_debug_vector_array(journal, 3, 2, counting(6), 8, 3, 1, 0);
  Mx_debug_double_matrix(journal, 2, 3, counting(2), 1, 1, 0, false);
  mx_arraydebug(journal, counting(3), 0, 0, 1, 0);
  EXPECT_EQ(journal.text(), "1.0 2.0 \n\n");
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(journal.precision(), 6);
  EXPECT_EQ(journal.width(), 0);
}

} // namespace
