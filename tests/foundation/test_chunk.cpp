// MxChunk: the chain and the spare list against a model under random
// requests and releases, with the exact trace lines; first numbers; sizes
// that cannot be met.
#include "mxchunk.h"
#include "mxstringjournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
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

std::string freed_chunk_line(const MxChunk* c) {
  return "Freeing chunk " + std::to_string(c->nr()) + "at 0x" + address_text(c) + "\n";
}

size_t chunk_bytes(const MxChunk* chunk) {
  return static_cast<size_t>(chunk->upper() - reinterpret_cast<const char*>(chunk)) + 1;
}

// Owns a chain and a spare list and frees both at the end of each test; the
// trace journal is detached afterwards.
struct Chunks : ::testing::Test {
  void TearDown() override {
    MxChunk::attach_journal(nullptr);
    MxChunk::MxChunkReinit(chain, spare, false);
    MxChunk::MxChunkClear(spare);
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

// One chunk as the model sees it: where it is, its size, where its usable
// area starts, the bytes and blocks handed out, the blocks back, and whether a
// request has passed it over.
struct Chunk {
  const MxChunk* at;
  size_t bytes, lower, used = 0, allocated = 0, freed = 0;
  bool full = false;
  size_t room() const { return bytes - 1 - lower - used; } // up to the last byte
  bool fits(size_t n) const { return n < room(); }
};
using Model = std::vector<Chunk>; // head first

bool same(const MxChunk* real, const Model& model) {
  for (const Chunk& c : model) {
    if (real != c.at || real->cursor() != real->lower() + c.used || real->full() != c.full ||
        real->n_allocated() != c.allocated || real->n_freed() != c.freed)
      return false;
    real = real->next();
  }
  return !real;
}

Chunk take(Model& from, Model::iterator it) {
  const Chunk c = *it;
  from.erase(it);
  return c;
}

// Requests (small, large, of exactly the head's room or one less) carve
// blocks one behind the other, passing over full chunks to a spare chunk with
// room or a new one of max(n + 1000, 4096) bytes rounded up to 8; an empty
// chain takes the first spare chunk whatever its size. Blocks come back in any
// order: exactly the emptied full chunks leave the chain, freed or (kept)
// reset on the spare list. Reinit empties the chain onto the spare list in
// reverse; foreign blocks go to free. With a journal attached every operation
// writes its exact trace, one write per piece; without one, nothing.
TEST_F(Chunks, MatchModelOfChainAndSpareListUnderRandomOperations) {
  Model chain_model, spare_model;
  std::vector<std::pair<void*, const MxChunk*>> blocks; // handed out, not back
  MxStringJournal journal;
  std::mt19937 random(5);
  for (int step = 0; step < 20000; ++step) {
    const bool traced = step % 4 != 0; // untraced steps write nothing
    MxChunk::attach_journal(traced ? &journal : nullptr);
    const unsigned op = random() % 1000;
    const size_t count = MxChunk::chunk_count_;
    size_t made = 0;
    std::string want;
    journal.clear();
    if (op < 700) {
      const bool exact = op >= 640 && !chain_model.empty();
      const size_t n = exact      ? chain_model[0].room() - random() % 2
                       : op < 600 ? 1 + random() % 600
                                  : 3000 + random() % 9000;
      void* p = MxChunk::MxChunkMalloc(chain, spare, 4096, n);
      const auto fresh = [&] { // at the front of the chain
        const auto lower = static_cast<size_t>(chain->lower() - reinterpret_cast<char*>(chain));
        EXPECT_TRUE(lower >= sizeof(MxChunk) && lower < sizeof(MxChunk) + 8 &&
                    reinterpret_cast<std::uintptr_t>(chain->lower()) % 8 == 0);
        EXPECT_EQ(chain->nr(), count);
        EXPECT_EQ(chunk_bytes(chain), (std::max<size_t>(n + 1000, 4096) + 7) / 8 * 8);
        want += "Alloced chunk of" + std::to_string(chunk_bytes(chain)) + "bytes at 0x" +
                address_text(chain) + "\nHeader: nr=" + std::to_string(chain->nr()) + " lower=0x" +
                address_text(chain->lower()) + ", upper=0x" + address_text(chain->upper()) + "\n";
        return ++made, Chunk{chain, chunk_bytes(chain), lower};
      };
      if (chain_model.empty())
        chain_model.insert(chain_model.begin(),
                           spare_model.empty() ? fresh() : take(spare_model, spare_model.begin()));
      auto c = chain_model.begin();
      for (; c != chain_model.end() && !c->fits(n); ++c) c->full = true;
      if (c == chain_model.end()) {
        const auto s = std::find_if(spare_model.begin(), spare_model.end(),
                                    [&](const Chunk& x) { return x.fits(n); });
        chain_model.insert(chain_model.begin(),
                           s == spare_model.end() ? fresh() : take(spare_model, s));
        c = chain_model.begin();
      }
      ASSERT_EQ(p, c->at->lower() + c->used) << step;
      c->used += n, ++c->allocated;
      EXPECT_EQ(c->at->last(), p);
      blocks.emplace_back(p, c->at);
      want += "Alloced " + std::to_string(n) + "bytes (chunk " + std::to_string(c->at->nr()) +
              ") at 0x" + pointer_text(p) + "\n";
      EXPECT_EQ(journal.writes().size(), traced ? 9 + 13 * made : 0);
    } else if (op < 950 && !blocks.empty()) {
      const size_t i = random() % blocks.size();
      void* const p = blocks[i].first;
      const MxChunk* const at = blocks[i].second;
      blocks[i] = blocks.back(), blocks.pop_back();
      const bool keep = random() % 2;
      want = "Freeing malloced block (chunk " + std::to_string(at->nr()) + ")at 0x" +
             pointer_text(p) + "\n";
      const auto c = std::find_if(chain_model.begin(), chain_model.end(),
                                  [&](const Chunk& x) { return x.at == at; });
      ASSERT_NE(c, chain_model.end());
      if (++c->freed == c->allocated && c->full) {
        if (!keep) want += freed_chunk_line(at);
        if (keep) spare_model.insert(spare_model.begin(), Chunk{at, c->bytes, c->lower});
        chain_model.erase(c);
      }
      MxChunk::MxChunkFree(chain, p, keep, spare);
    } else if (op < 956) { // emptying the chain, or the spare list
      const bool keep = random() % 2, chain_only = op < 953;
      for (const Chunk& c : chain_only ? chain_model : spare_model) {
        if (keep && chain_only)
          spare_model.insert(spare_model.begin(), Chunk{c.at, c.bytes, c.lower});
        if (!keep || !chain_only) want += freed_chunk_line(c.at);
      }
      chain_only ? MxChunk::MxChunkReinit(chain, spare, keep) : MxChunk::MxChunkClear(spare);
      (chain_only ? chain_model : spare_model).clear();
      if (chain_only) blocks.clear();
    } else { // a block from the C heap, or none: the chain is left alone
      void* foreign = std::malloc(24);
      const bool none = random() % 4 == 0;
      if (!none && !chain_model.empty())
        want = "Freeing not chunked malloced blockat 0x" + pointer_text(foreign) + "\n";
      MxChunk::MxChunkFree(chain, none ? nullptr : foreign, false, spare);
      if (want.empty()) std::free(foreign);
    }
    ASSERT_EQ(journal.text(), traced ? want : "") << step;
    ASSERT_TRUE(same(chain, chain_model) && same(spare, spare_model)) << step;
    ASSERT_EQ(MxChunk::chunk_count_, count + made) << step;
  }
}

TEST_F(Chunks, ImpossibleSizeFailsWithoutChangingTheLists) {
  const size_t count = MxChunk::chunk_count_;
  EXPECT_EQ(MxChunk::MxChunkMalloc(chain, spare, 4096, static_cast<size_t>(-1) - 500), nullptr);
  EXPECT_EQ(chain, nullptr);
  EXPECT_EQ(MxChunk::chunk_count_, count);
  EXPECT_EQ(MxChunk::get_chunk(16, static_cast<size_t>(-1)), nullptr);
}

} // namespace
