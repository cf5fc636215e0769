// Chained hash table: a model check of its chains, misplaced heads, tables
// without cells, and the standard hash functors.
#include "mxhash.h"

#include "support/container_models.h"
#include "support/report_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>

namespace {

using models::IntNode;
using models::IntTable;

TEST(HashTable, MatchesChainModelUnderRandomOperations) {
  EXPECT_EQ(IntTable().cell_count(), 100);
  EXPECT_EQ(models::run_random<models::HashModel>(60, 600), "");
}

TEST_F(ReportingTest, HeadWhoseKeyChangedIsStillSplicedFromItsCell) {
  IntTable table(10);
  auto* a = new IntNode(2, 1);
  auto* c = new IntNode(12, 2);
  table.insert_node(a);
  table.insert_node(c); // cell 2: c a
  c->key = 4;           // hashes to cell 4 now
  table.splice_node(c);
  EXPECT_EQ(reports.tags(), ReportTags{"mxhash"});
  EXPECT_EQ(table.cell_head(2), a);
  EXPECT_EQ(a->prev(), nullptr);
  delete c;
}

TEST(HashTable, TableWithoutCellsReportsInsteadOfDividingByZero) {
  for (int size : {0, -4}) {
    ReportRecorder reports;
    IntTable table(size);
    EXPECT_EQ(table.cell_count(), 0);
    IntNode node(5, 0);
    EXPECT_FALSE(table.insert_node(&node)); // not taken: the caller keeps it
    EXPECT_EQ(node.next(), nullptr);
    EXPECT_EQ(table.find(5), nullptr);
    EXPECT_EQ(table.find_node(&node, nullptr), 0);
    EXPECT_EQ(table.find_index(&node), -1);
    int cell = 0;
    EXPECT_EQ(table.first_node(cell), nullptr);
    EXPECT_EQ(table.best_case() + table.worst_cast(), 0);
    MxPriQueue<int, int> queue(true);
    table.get_cell_distribution(queue);
    EXPECT_EQ(queue.size(), 0);
    EXPECT_EQ(reports.tags(), ReportTags(4, "mxhash"));
  }
}

TEST(HashFunctors, ValuesClonesAndCopies) {
  const MxStdStringHashFunctor three;
  const MxStdDoubleHashFunctor one;
  MxStdIntHashFunctor tripling(3.0), copied;
  copied = tripling;
  std::unique_ptr<MxHashMapFunctor<int>> int_clone(tripling.clone());
  std::unique_ptr<MxHashMapFunctor<MxString>> string_clone(MxStdStringHashFunctor(1).clone());
  std::unique_ptr<MxHashMapFunctor<double>> double_clone(MxStdDoubleHashFunctor(2.0).clone());
  std::unique_ptr<MxHashMapFunctor<ptrdiff_t>> ptrdiff_clone(MxStdPtrdiffHashFunctor(2.0).clone());
  const struct {
    std::uint32_t got, want;
  } cases[] = {// strings: the sum of the leading characters as signed 8-bit values
               {three.hash_function("abcdef"), 294u},
               {three.hash_function("ab"), 195u},
               {MxStdStringHashFunctor(-2).hash_function("abc"), 0u},
               {MxStdStringHashFunctor(100).hash_function("abcd"), 394u},
               {three.hash_function("a\xE9"), 74u}, // 0xE9 is -23
               {three.hash_function("\xE9"), 4294967273u},
               // ints and ptrdiffs: multiplied, truncated, the low 32 bits; out of range gives 0
               {MxStdIntHashFunctor(0.5).hash_function(-7), static_cast<std::uint32_t>(-3)},
               {MxStdIntHashFunctor().hash_function(-1), 4294967295u},
               {MxStdIntHashFunctor(1e30).hash_function(5), 0u},
               {MxStdIntHashFunctor(std::nan("")).hash_function(5), 0u},
               {MxStdPtrdiffHashFunctor().hash_function(ptrdiff_t{0x123456789}), 0x23456789u},
               {MxStdPtrdiffHashFunctor(2.0).hash_function(ptrdiff_t{-5}), 4294967286u},
               // doubles: truncated, the low 32 bits, then multiplied
               {one.hash_function(2.9), 2u},
               {one.hash_function(-1.5), 4294967295u},
               {MxStdDoubleHashFunctor(0.5).hash_function(-1.0), 2147483647u},
               {MxStdDoubleHashFunctor(3.0).hash_function(4294967296.0 + 10.5), 30u},
               {one.hash_function(std::numeric_limits<double>::infinity()), 0u},
               {one.hash_function(1e300), 0u},
               // copies and clones keep the parameter
               {copied.hash_function(2), 6u},
               {int_clone->hash_function(2), 6u},
               {string_clone->hash_function("ab"), 97u},
               {double_clone->hash_function(1.5), 2u},
               {ptrdiff_clone->hash_function(4), 8u}};
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << i;
  EXPECT_EQ(three.n_chars(), 3);
}

} // namespace
