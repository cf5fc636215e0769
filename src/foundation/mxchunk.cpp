// MxChunk: chunk creation, block carving and release, and the trace lines.
#include "mxchunk.h"

#include "mxjournal.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
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

std::uintptr_t address_of(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p);
}

/// The address ranges of the chunks of one chain, sorted by address, so
/// that the chunk holding a block is found without walking the chain.
/// Chunks never overlap, so at most one range holds a given address.
struct ChunkIndex {
  struct Entry {
    std::uintptr_t lower, upper;
    MxChunk* chunk;
  };
  Entry* entries = nullptr;
  size_t count = 0;
  size_t room = 0;
  /// Handed out at each push: the chain runs from the highest stamp down.
  std::uint64_t stamps = 0;
  /// The entry found last: blocks are mostly given back near each other.
  size_t recent = 0;

  static ChunkIndex* make() {
    void* memory = std::malloc(sizeof(ChunkIndex));
    return memory ? ::new (memory) ChunkIndex : nullptr;
  }
  static void destroy(ChunkIndex* index) {
    std::free(index->entries);
    std::free(index);
  }
  /// First entry whose range starts above `a`.
  size_t after(std::uintptr_t a) const {
    size_t low = 0, high = count;
    while (low < high) {
      const size_t mid = (low + high) / 2;
      if (entries[mid].lower <= a)
        low = mid + 1;
      else
        high = mid;
    }
    return low;
  }
  bool insert(MxChunk* chunk) {
    if (count == room) {
      const size_t more = room ? 2 * room : 16;
      void* grown = std::realloc(entries, more * sizeof(Entry));
      if (!grown) return false;
      entries = static_cast<Entry*>(grown);
      room = more;
    }
    const size_t at = after(address_of(chunk->lower()));
    std::memmove(entries + at + 1, entries + at, (count - at) * sizeof(Entry));
    entries[at] = {address_of(chunk->lower()), address_of(chunk->upper()), chunk};
    ++count;
    recent = 0;
    return true;
  }
  void erase(const MxChunk* chunk) {
    const size_t at = after(address_of(chunk->lower())) - 1;
    std::memmove(entries + at, entries + at + 1, (count - at - 1) * sizeof(Entry));
    --count;
    recent = 0;
  }
  bool holds(size_t at, std::uintptr_t a) const {
    return at < count && entries[at].lower <= a && a <= entries[at].upper;
  }
  MxChunk* find(const void* p) {
    const std::uintptr_t a = address_of(p);
    if (!holds(recent, a)) {
      const size_t at = after(a);
      if (at == 0 || !holds(at - 1, a)) return nullptr;
      recent = at - 1;
    }
    return entries[recent].chunk;
  }
};

/// Kept in front of each chunk's header, in the same malloc block: the index
/// of the chain the chunk is on (null when its list has none) and its stamp.
struct ChunkTag {
  ChunkIndex* index;
  std::uint64_t stamp;
};
const size_t tag_room = 16;
static_assert(sizeof(ChunkTag) <= tag_room, "the tag fits in front of the header");

ChunkTag& tag_of(const MxChunk* chunk) {
  return *reinterpret_cast<ChunkTag*>(reinterpret_cast<std::uintptr_t>(chunk) - tag_room);
}

} // namespace

MxChunk::MxChunk(char* lower, char* upper, size_t nr)
    : cursor_(lower), last_(nullptr), lower_(lower), upper_(upper), next_(nullptr), allocated_(0),
      freed_(0), full_(false), nr_(nr) {}

void MxChunk::attach_journal(MxJournal* journal) {
  journal_ = journal;
}

void MxChunk::push(MxChunk*& list, MxChunk* chunk, bool indexed) {
  ChunkIndex* index = list ? tag_of(list).index : (indexed ? ChunkIndex::make() : nullptr);
  if (index && !index->insert(chunk)) {
    // No room for a bigger index: the chain is searched by walking instead.
    drop_index(list);
    if (!list) ChunkIndex::destroy(index);
    index = nullptr;
  }
  tag_of(chunk) = {index, index ? ++index->stamps : 0};
  chunk->next_ = list;
  list = chunk;
}

void MxChunk::leave_index(MxChunk* chunk) {
  ChunkIndex* index = tag_of(chunk).index;
  if (!index) return;
  index->erase(chunk);
  if (index->count == 0) ChunkIndex::destroy(index);
  tag_of(chunk).index = nullptr;
}

void MxChunk::drop_index(MxChunk* list) {
  if (!list || !tag_of(list).index) return;
  ChunkIndex::destroy(tag_of(list).index);
  for (MxChunk* chunk = list; chunk; chunk = chunk->next_) tag_of(chunk).index = nullptr;
}

MxChunk* MxChunk::holder(MxChunk* chain, const void* p) {
  const ChunkTag& head = tag_of(chain);
  if (!head.index) {
    MxChunk* chunk = chain->next_->next_;
    while (chunk && !chunk->contains(p)) chunk = chunk->next_;
    return chunk;
  }
  // Only chunks pushed before the head lie behind it.
  MxChunk* chunk = head.index->find(p);
  return chunk && tag_of(chunk).stamp <= head.stamp ? chunk : nullptr;
}

void MxChunk::release(MxChunk* chunk) {
  if (journal_)
    *journal_ << "Freeing chunk " << chunk->nr_ << "at 0x" << signed_address(chunk) << mxEndExpr;
  std::free(reinterpret_cast<char*>(chunk) - tag_room);
}

MxChunk* MxChunk::get_chunk(size_t n, size_t chunk_size) {
  const size_t limit = static_cast<size_t>(-1) - slack - alignment - tag_room;
  if (n > limit || chunk_size > limit) return nullptr;
  const size_t wanted = n + slack > chunk_size ? n + slack : chunk_size;
  const size_t size = round_up(wanted);
  char* block = static_cast<char*>(std::malloc(tag_room + size));
  if (!block) return nullptr;
  char* memory = block + tag_room;
  char* lower = memory + round_up(sizeof(MxChunk));
  MxChunk* chunk = ::new (memory) MxChunk(lower, memory + size - 1, chunk_count_.fetch_add(1));
  tag_of(chunk) = {nullptr, 0};
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
      leave_index(chunk);
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
    leave_index(chunk);
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
    push(chain, first, true);
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
    push(chain, chunk, true);
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
  // Blocks given back newest first lie in the head or the chunk behind it;
  // only the others need the search.
  MxChunk* const second = chain->next_;
  MxChunk* chunk = chain->contains(p)               ? chain
                   : !second || second->contains(p) ? second
                                                    : holder(chain, p);
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
  // Once per chunk: the walk finds the link that points at it.
  MxChunk** link = &chain;
  while (*link != chunk) link = &(*link)->next_;
  leave_index(chunk);
  *link = chunk->next_;
  if (keep) {
    chunk->reset();
    push(spare, chunk, false);
  } else {
    release(chunk);
  }
}

void MxChunk::MxChunkReinit(MxChunk*& chain, MxChunk*& spare, bool keep) {
  drop_index(chain);
  while (chain) {
    MxChunk* chunk = chain;
    chain = chunk->next_;
    if (keep) {
      chunk->reset();
      push(spare, chunk, false);
    } else {
      release(chunk);
    }
  }
}

void MxChunk::MxChunkClear(MxChunk*& list) {
  drop_index(list);
  while (list) {
    MxChunk* chunk = list;
    list = chunk->next_;
    release(chunk);
  }
}
