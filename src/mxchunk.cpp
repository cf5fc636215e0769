// MxChunk: chunk creation, block carving and release, and the trace lines.
#include "mxchunk.h"

#include "mxjournal.h"

#include <cstdint>
#include <cstdlib>
#include <new>

std::atomic<size_t> MxChunk::chunk_count_{0};
MxJournal* MxChunk::journal_ = nullptr;

namespace {

const size_t alignment = 8;
/// Room added to a request when its chunk is sized.
const size_t slack = 1000;

size_t round_up(size_t n) {
  return (n + alignment - 1) / alignment * alignment;
}

/// Chunk and header addresses are traced as signed 64-bit numbers.
long long signed_address(const void* p) {
  return static_cast<long long>(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

MxChunk::MxChunk(char* lower, char* upper, size_t nr)
    : cursor_(lower), last_(nullptr), lower_(lower), upper_(upper), next_(nullptr), allocated_(0),
      freed_(0), full_(false), nr_(nr) {}

void MxChunk::attach_journal(MxJournal* journal) {
  journal_ = journal;
}

void MxChunk::push(MxChunk*& list, MxChunk* chunk) {
  chunk->next_ = list;
  list = chunk;
}

void MxChunk::release(MxChunk* chunk) {
  if (journal_)
    *journal_ << "Freeing chunk " << chunk->nr_ << "at 0x" << signed_address(chunk) << mxEndExpr;
  std::free(chunk);
}

MxChunk* MxChunk::get_chunk(size_t n, size_t chunk_size) {
  const size_t limit = static_cast<size_t>(-1) - slack - alignment;
  if (n > limit || chunk_size > limit) return nullptr;
  const size_t wanted = n + slack > chunk_size ? n + slack : chunk_size;
  const size_t size = round_up(wanted);
  char* memory = static_cast<char*>(std::malloc(size));
  if (!memory) return nullptr;
  char* lower = memory + round_up(sizeof(MxChunk));
  MxChunk* chunk = ::new (memory) MxChunk(lower, memory + size - 1, chunk_count_.fetch_add(1));
  if (journal_) {
    *journal_ << "Alloced chunk of" << size << "bytes "
              << "at 0x" << signed_address(chunk) << mxEndExpr;
    *journal_ << "Header: nr=" << chunk->nr_ << " lower=0x" << signed_address(chunk->lower_)
              << ", upper=0x" << signed_address(chunk->upper_) << mxEndExpr;
  }
  return chunk;
}

// The first spare chunk with room for `n` bytes, unlinked from `spare`. A
// spare chunk too small for the request stays on the list.
MxChunk* MxChunk::take_spare(MxChunk*& spare, size_t n) {
  for (MxChunk** link = &spare; *link; link = &(*link)->next_) {
    MxChunk* chunk = *link;
    if (chunk->fits(n)) {
      *link = chunk->next_;
      chunk->next_ = nullptr;
      return chunk;
    }
  }
  return nullptr;
}

// The first chunk of `spare`, unlinked from it, or null.
MxChunk* MxChunk::take_first(MxChunk*& spare) {
  MxChunk* chunk = spare;
  if (chunk) {
    spare = chunk->next_;
    chunk->next_ = nullptr;
  }
  return chunk;
}

void* MxChunk::MxChunkMalloc(MxChunk*& chain, MxChunk*& spare, size_t chunk_size, size_t n) {
  if (!chain) {
    MxChunk* first = take_first(spare);
    if (!first) first = get_chunk(n, chunk_size);
    if (!first) return nullptr;
    chain = first;
  }
  MxChunk* chunk = chain;
  while (chunk && !chunk->fits(n)) {
    chunk->full_ = true;
    chunk = chunk->next_;
  }
  if (!chunk) {
    chunk = take_spare(spare, n);
    if (!chunk) chunk = get_chunk(n, chunk_size);
    if (!chunk) return nullptr;
    push(chain, chunk);
  }
  char* block = chunk->cursor_;
  chunk->cursor_ += n;
  chunk->allocated_ += 1;
  chunk->last_ = block;
  if (journal_)
    *journal_ << "Alloced " << n << "bytes "
              << "(chunk " << chunk->nr_ << ") "
              << "at 0x" << static_cast<const void*>(block) << mxEndExpr;
  return block;
}

void MxChunk::MxChunkFree(MxChunk*& chain, void* p, bool keep, MxChunk*& spare) {
  if (!p || !chain) return;
  MxChunk** link = &chain;
  while (*link && !(*link)->contains(p)) link = &(*link)->next_;
  MxChunk* chunk = *link;
  if (!chunk) {
    if (journal_)
      *journal_ << "Freeing not chunked malloced block"
                << "at 0x" << static_cast<const void*>(p) << mxEndExpr;
    std::free(p);
    return;
  }
  if (journal_)
    *journal_ << "Freeing malloced block (chunk " << chunk->nr_ << ")at 0x"
              << static_cast<const void*>(p) << mxEndExpr;
  chunk->freed_ += 1;
  if (!chunk->full_ || chunk->allocated_ != chunk->freed_) return;
  *link = chunk->next_;
  if (keep) {
    chunk->reset();
    push(spare, chunk);
  } else {
    release(chunk);
  }
}

void MxChunk::MxChunkReinit(MxChunk*& chain, MxChunk*& spare, bool keep) {
  while (chain) {
    MxChunk* chunk = chain;
    chain = chunk->next_;
    if (keep) {
      chunk->reset();
      push(spare, chunk);
    } else {
      release(chunk);
    }
  }
}

void MxChunk::MxChunkClear(MxChunk*& list) {
  while (list) {
    MxChunk* chunk = list;
    list = chunk->next_;
    release(chunk);
  }
}
