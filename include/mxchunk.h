// MxChunk: a bump allocator for many small blocks.
/// \file
#ifndef MXFOUNDATION_MXCHUNK_H
#define MXFOUNDATION_MXCHUNK_H

#include "mxexport.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class MxJournal;

/// Header of one chunk of a bump allocator, and the allocator's operations.
///
/// Memory comes from `malloc` in chunks. Each chunk starts with this header;
/// blocks are carved one after another from the rest of it (block sizes are
/// not rounded, so consecutive blocks are adjacent) and are never reused one
/// by one. A chunk is marked full once a request did not fit in it; a full
/// chunk whose blocks have all been given back is freed or, when the caller
/// asks to keep it, reset and put on a spare list for reuse.
///
/// All operations are static and work on lists that belong to the caller: the
/// chain (the chunks in use, newest first) and an optional spare list, each
/// held by the caller as a pointer to its head chunk (null when empty). With
/// a journal attached every chunk and block operation writes a trace line.
/// Heap exhaustion shows only as a null result. The lists are not
/// synchronised: the caller serialises the use of each. The chunk counter is
/// atomic; the trace journal is set while no other thread uses the allocator.
class MX_EXPORT MxChunk {
public:
  /// Copy constructor.
  MxChunk(const MxChunk& other) = default;
  /// Copies every header field.
  MxChunk& operator=(const MxChunk& other) = default;

  /// Sets the trace journal (null switches tracing off). Not owned.
  static void attach_journal(MxJournal* journal);

  /// A new chunk able to hold a block of `n` bytes: max(n + 1000,
  /// `chunk_size`) bytes rounded up to a multiple of 8, numbered with
  /// `chunk_count_`. Null when the heap is exhausted (or the size overflows).
  static MxChunk* get_chunk(size_t n, size_t chunk_size);

  /// A block of `n` bytes from the first chunk of `chain` that has room
  /// (every chunk passed over is marked full), else from a spare chunk with
  /// room or a new chunk of `chunk_size` bytes put at the front of `chain`.
  /// An empty chain first takes the first spare chunk, whatever its size (or
  /// a new chunk). Null when the heap is exhausted.
  static void* MxChunkMalloc(MxChunk*& chain, MxChunk*& spare, size_t chunk_size, size_t n);

  /// Gives back block `p`. A full chunk whose blocks are all back leaves the
  /// chain: with `keep` it is reset and pushed on `spare`, otherwise freed. A
  /// `p` inside no chunk of a non-empty chain is taken for a block from the
  /// C heap and passed to `free`. A null `p` or an empty chain does nothing.
  static void MxChunkFree(MxChunk*& chain, void* p, bool keep, MxChunk*& spare);

  /// Empties `chain`: with `keep` every chunk is reset and pushed on `spare`
  /// (so the spare list starts with the former chain reversed), otherwise
  /// every chunk is freed.
  static void MxChunkReinit(MxChunk*& chain, MxChunk*& spare, bool keep);

  /// Frees every chunk of `list` and sets it to null.
  static void MxChunkClear(MxChunk*& list);

  /// First byte of the usable area (8-aligned, right after the header).
  char* lower() const { return lower_; }
  /// Last byte of the chunk.
  char* upper() const { return upper_; }
  /// Next free byte of the usable area.
  char* cursor() const { return cursor_; }
  /// The block handed out most recently.
  char* last() const { return last_; }
  /// Next chunk of the list this chunk is on.
  MxChunk* next() const { return next_; }
  ///@{
  /// The counts of blocks handed out from this chunk and given back to it, and whether it has no
  /// room left.
  size_t n_allocated() const { return allocated_; }
  size_t n_freed() const { return freed_; }
  bool full() const { return full_; }
  ///@}
  /// The chunk's number, from `chunk_count_` at its creation.
  size_t nr() const { return nr_; }

  /// Number of chunks ever created; the next chunk takes it as its number.
  /// Atomic, so threads with lists of their own may make chunks at once.
  static std::atomic<size_t> chunk_count_;
  /// The trace journal; null means no tracing.
  static MxJournal* journal_;

private:
  MxChunk(char* lower, char* upper, size_t nr);

  // Defined here so that the hot paths call them directly, not through the
  // shared library's symbol table.
  /// cursor + n < upper.
  bool fits(size_t n) const { return n < static_cast<size_t>(upper_ - cursor_); }
  /// lower <= p <= upper.
  bool contains(const void* p) const {
    return address(lower_) <= address(p) && address(p) <= address(upper_);
  }
  void reset() {
    full_ = false;
    allocated_ = 0;
    freed_ = 0;
    cursor_ = lower_;
  }
  static std::uintptr_t address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }
  static MxChunk* take_spare(MxChunk*& spare, size_t n);
  static MxChunk* take_first(MxChunk*& spare);
  /// Puts `chunk` at the front of `list`. A chain keeps an index of its
  /// chunks' address ranges (`indexed`); a spare list follows its head.
  static void push(MxChunk*& list, MxChunk* chunk, bool indexed);
  /// Takes `chunk` out of the index of the list it is on.
  static void leave_index(MxChunk* chunk);
  /// Forgets the index of the list headed by `list`.
  static void drop_index(MxChunk* list);
  /// The first chunk of `chain` behind its second one that holds `p`, or
  /// null; the caller has looked at the first two.
  static MxChunk* holder(MxChunk* chain, const void* p);
  static void release(MxChunk* chunk);

  char* cursor_;
  char* last_;
  char* lower_;
  char* upper_;
  MxChunk* next_;
  size_t allocated_;
  size_t freed_;
  bool full_;
  size_t nr_;
};

#endif
