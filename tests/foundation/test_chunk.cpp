// MxChunk: chunk sizing and numbering, block carving, release of full
// chunks, the spare list, and the trace lines.
#include "mxchunk.h"
#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

std::string pointer_text(const void* p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", p);
  return buffer;
}

std::string address_text(const void* p) {
  return std::to_string(static_cast<long long>(reinterpret_cast<std::uintptr_t>(p)));
}

// The trace of a new chunk of `bytes` bytes.
std::string new_chunk_lines(const MxChunk* c, size_t bytes) {
  return "Alloced chunk of" + std::to_string(bytes) + "bytes at 0x" + address_text(c) +
         "\nHeader: nr=" + std::to_string(c->nr()) + " lower=0x" + address_text(c->lower()) +
         ", upper=0x" + address_text(c->upper()) + "\n";
}

size_t chunk_bytes(const MxChunk* chunk) {
  return static_cast<size_t>(chunk->upper() - reinterpret_cast<const char*>(chunk)) + 1;
}

std::vector<const MxChunk*> list_of(const MxChunk* head) {
  std::vector<const MxChunk*> chunks;
  for (; head; head = head->next()) chunks.push_back(head);
  return chunks;
}

// Owns a chain and a spare list and frees both at the end of each test; the
// trace journal is detached afterwards.
struct Chunks : ::testing::Test {
  void TearDown() override {
    MxChunk::attach_journal(nullptr);
    MxChunk::MxChunkReinit(chain, spare, false);
    MxChunk::MxChunkClear(spare);
  }
  void* take(size_t n, size_t chunk_size = 4096) {
    return MxChunk::MxChunkMalloc(chain, spare, chunk_size, n);
  }
  MxChunk* chain = nullptr;
  MxChunk* spare = nullptr;
};

[[noreturn]] void first_chunks_and_exit() {
  MxChunk* chain = nullptr;
  MxChunk* spare = nullptr;
  MxChunk::MxChunkMalloc(chain, spare, 4096, 16);
  const size_t first = chain->nr();
  MxChunk::MxChunkMalloc(chain, spare, 4096, 5000);
  const size_t second = chain->nr();
  const size_t count = MxChunk::chunk_count_;
  MxChunk::MxChunkReinit(chain, spare, false);
  std::exit(first == 0 && second == 1 && count == 2 ? 0 : 1);
}

TEST(ChunkFreshProcess, FirstChunksAreNumberedFromZero) {
  // A child process re-runs only this test, so no chunk exists yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(first_chunks_and_exit(), ::testing::ExitedWithCode(0), "");
}

// Small requests share a chunk of the chunk size, carved from the first
// multiple of 8 behind the header, block after block, as long as the block
// ends before the chunk's last byte; a large one gets a chunk of n + 1000
// bytes (rounded up to 8) of its own in front, and the one it passed is full.
TEST_F(Chunks, SmallRequestsShareAChunkLargeOnesGetTheirOwn) {
  const size_t count = MxChunk::chunk_count_;
  char* small = static_cast<char*>(take(13));
  const MxChunk* first = chain;
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(chunk_bytes(first) == 4096u && first->nr() == count);
  EXPECT_EQ(MxChunk::chunk_count_, count + 1);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first->lower()) % 8, 0u);
  EXPECT_GE(first->lower(), reinterpret_cast<const char*>(first + 1));
  EXPECT_LT(first->lower(), reinterpret_cast<const char*>(first + 1) + 8);
  EXPECT_EQ(small, first->lower());
  char* b = static_cast<char*>(take(13));
  char* c = static_cast<char*>(take(40));
  EXPECT_TRUE(b == small + 13 && c == b + 13);
  EXPECT_TRUE(chain->n_allocated() == 3u && chain->last() == c && chain->cursor() == c + 40);
  take(static_cast<size_t>(first->upper() - first->cursor()) - 1); // ends just before the last byte
  EXPECT_TRUE(chain == first && !first->full());
  take(1); // cursor + n == upper: does not fit
  EXPECT_TRUE(chain != first && first->full());
  void* large = take(5000);
  ASSERT_NE(large, nullptr);
  EXPECT_TRUE(chunk_bytes(chain) == 6000u && chain->nr() == count + 2);
  EXPECT_EQ(list_of(chain).size(), 3u);
  take(5001);
  EXPECT_EQ(chunk_bytes(chain), 6008u);
}

TEST_F(Chunks, EmptiedChunkIsReleasedOnlyWhenFull) {
  const size_t count = MxChunk::chunk_count_;
  void* a = take(100);
  void* b = take(100);
  MxChunk::MxChunkFree(chain, a, false, spare);
  MxChunk::MxChunkFree(chain, b, false, spare);
  ASSERT_NE(chain, nullptr); // not full: kept, cursor unchanged
  EXPECT_EQ(chain->n_freed(), 2u);
  EXPECT_EQ(take(8), static_cast<char*>(b) + 100);

  // fill the first chunk: the next request moves on to a new chunk
  MxChunk* first = chain;
  void* c = take(4000);
  ASSERT_NE(chain, first);
  EXPECT_TRUE(first->full());
  EXPECT_EQ(MxChunk::chunk_count_, count + 2);
  // the first chunk still holds one block (the 8 bytes)
  MxChunk::MxChunkFree(chain, static_cast<char*>(b) + 100, false, spare);
  EXPECT_EQ(list_of(chain).size(), 1u);
  EXPECT_EQ(spare, nullptr);
  MxChunk::MxChunkFree(chain, c, false, spare); // not full: stays
  EXPECT_EQ(list_of(chain).size(), 1u);

  // with `keep`, an emptied full chunk moves to the spare list, reset
  void* d = take(3000);
  MxChunk* second = chain;
  take(3000); // does not fit: the second chunk becomes full
  MxChunk::MxChunkFree(chain, d, true, spare);
  EXPECT_EQ(list_of(chain).size(), 2u);
  ASSERT_EQ(spare, second);
  EXPECT_EQ(spare->next(), nullptr);
}

// Blocks given back in random order, with new ones taken in between: each
// free names the chunk that handed the block out (found here by walking the
// chain), and exactly the emptied full chunks leave the chain.
TEST_F(Chunks, FreeFindsTheChunkOfEveryBlockInAnyOrder) {
  std::mt19937 random(11);
  std::vector<std::pair<void*, size_t>> blocks; // block, number of its chunk
  auto take_one = [&] {
    void* block = take(16 + random() % 600);
    for (const MxChunk* c : list_of(chain))
      if (c->lower() <= block && block <= c->upper()) blocks.emplace_back(block, c->nr());
  };
  for (int i = 0; i < 3000; ++i) take_one();
  std::shuffle(blocks.begin(), blocks.end(), random);
  MxStringJournal journal;
  MxChunk::attach_journal(&journal);
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i % 8 == 0) take_one();
    journal.clear();
    MxChunk::MxChunkFree(chain, blocks[i].first, true, spare);
    ASSERT_EQ(journal.text(), "Freeing malloced block (chunk " + std::to_string(blocks[i].second) +
                                  ")at 0x" + pointer_text(blocks[i].first) + "\n");
  }
  for (const MxChunk* c : list_of(chain))
    EXPECT_FALSE(c->full() && c->n_freed() == c->n_allocated());
  for (const MxChunk* c : list_of(spare)) // reset
    EXPECT_TRUE(!c->full() && c->n_allocated() + c->n_freed() == 0 && c->cursor() == c->lower());
}

TEST_F(Chunks, ForeignBlocksGoToFreeAndEmptyChainDoesNothing) {
  MxStringJournal journal;
  MxChunk::attach_journal(&journal);
  void* foreign = std::malloc(24);
  MxChunk::MxChunkFree(chain, foreign, false, spare); // empty chain
  MxChunk::MxChunkFree(chain, nullptr, false, spare);
  EXPECT_EQ(journal.text(), "");
  take(16);
  journal.clear();
  MxChunk::MxChunkFree(chain, foreign, false, spare); // freed by the call
  EXPECT_EQ(journal.text(),
            "Freeing not chunked malloced blockat 0x" + pointer_text(foreign) + "\n");
  EXPECT_EQ(chain->n_freed(), 0u);
}

TEST_F(Chunks, ReinitWithKeepReusesSpareChunksWithoutNewOnes) {
  take(3000);
  take(3000);
  take(3000);
  const auto used = list_of(chain); // newest first
  ASSERT_EQ(used.size(), 3u);
  MxChunk::MxChunkReinit(chain, spare, true);
  EXPECT_EQ(chain, nullptr);
  // the former chain, reversed, heads the spare list
  EXPECT_EQ(list_of(spare), (std::vector<const MxChunk*>{used[2], used[1], used[0]}));

  MxStringJournal journal;
  MxChunk::attach_journal(&journal);
  const size_t count = MxChunk::chunk_count_;
  void* block = take(16);
  EXPECT_EQ(MxChunk::chunk_count_, count);
  EXPECT_EQ(chain, used[2]);
  EXPECT_EQ(block, used[2]->lower());
  EXPECT_EQ(list_of(spare), (std::vector<const MxChunk*>{used[1], used[0]}));
  take(3000); // still fits behind the 16 bytes
  take(3000);
  take(3000);
  EXPECT_EQ(MxChunk::chunk_count_, count);
  EXPECT_EQ(spare, nullptr);
  EXPECT_EQ(journal.text().find("Alloced chunk"), std::string::npos);
}

// An empty chain takes the first spare chunk whatever its size; only a chunk
// taken to hold a block that did not fit must have room for it.
TEST_F(Chunks, EmptyChainTakesTheFirstSpareWhateverItsSize) {
  take(3000);
  take(3000);
  MxChunk::MxChunkReinit(chain, spare, true);
  const auto small = list_of(spare);
  ASSERT_EQ(small.size(), 2u);
  const size_t count = MxChunk::chunk_count_;
  void* big = take(10000);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(MxChunk::chunk_count_, count + 1);
  const auto used = list_of(chain);
  ASSERT_EQ(used.size(), 2u);
  EXPECT_EQ(used[1], small[0]);
  EXPECT_TRUE(used[1]->full());
  EXPECT_EQ(used[0]->lower(), big);
  EXPECT_EQ(list_of(spare), (std::vector<const MxChunk*>{small[1]}));
  const std::string freed =
      "Freeing chunk " + std::to_string(small[1]->nr()) + "at 0x" + address_text(small[1]) + "\n";
  MxStringJournal journal;
  MxChunk::attach_journal(&journal);
  MxChunk::MxChunkClear(spare);
  EXPECT_EQ(spare, nullptr);
  EXPECT_EQ(journal.text(), freed);
}

TEST_F(Chunks, ImpossibleSizeFailsWithoutChangingTheLists) {
  const size_t count = MxChunk::chunk_count_;
  EXPECT_EQ(take(static_cast<size_t>(-1) - 500), nullptr);
  EXPECT_EQ(chain, nullptr);
  EXPECT_EQ(MxChunk::chunk_count_, count);
  EXPECT_EQ(MxChunk::get_chunk(16, static_cast<size_t>(-1)), nullptr);
}

TEST_F(Chunks, TraceLines) {
  MxStringJournal journal;
  MxChunk::attach_journal(&journal);
  const size_t nr = MxChunk::chunk_count_;
  const std::string n = std::to_string(nr);
  void* a = take(16);
  const MxChunk* chunk = chain;
  EXPECT_EQ(journal.text(), new_chunk_lines(chunk, 4096) + "Alloced 16bytes (chunk " + n +
                                ") at 0x" + pointer_text(a) + "\n");

  journal.clear();
  void* b = take(4500); // a chunk of its own (5500 rounded up); the first is now full
  const MxChunk* second = chain;
  ASSERT_NE(second, chunk);
  const std::string m = std::to_string(second->nr());
  EXPECT_EQ(journal.text(), new_chunk_lines(second, 5504) + "Alloced 4500bytes (chunk " + m +
                                ") at 0x" + pointer_text(b) + "\n");
  // one write per piece, no blanks added between them
  EXPECT_EQ(journal.writes().size(), 6u + 7u + 9u);

  journal.clear();
  MxChunk::MxChunkFree(chain, a, false, spare);
  EXPECT_EQ(journal.text(), "Freeing malloced block (chunk " + n + ")at 0x" + pointer_text(a) +
                                "\n" + "Freeing chunk " + n + "at 0x" + address_text(chunk) + "\n");
  journal.clear();
  MxChunk::MxChunkReinit(chain, spare, false);
  EXPECT_EQ(journal.text(), "Freeing chunk " + m + "at 0x" + address_text(second) + "\n");
}

} // namespace
