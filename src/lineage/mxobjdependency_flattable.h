// The one hash table engine of the lineage graph's internal tables.
// Private to the library's sources.
#ifndef MXFOUNDATION_SRC_MXOBJDEPENDENCY_FLATTABLE_H
#define MXFOUNDATION_SRC_MXOBJDEPENDENCY_FLATTABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mx_detail {

struct Empty {};

/// One slot of a table: a key and its value; a set's slots hold the key alone.
template <class Key, class Value> struct FlatEntry {
  Key key;
  Value value{};
  Value* value_ptr() const { return const_cast<Value*>(&value); }
  void set_value(const Value& v) { value = v; }
};
template <class Key> struct FlatEntry<Key, Empty> {
  Key key;
  Empty* value_ptr() const {
    static Empty present;
    return &present;
  }
  void set_value(const Empty&) {}
};

/// Open addressing with linear probing and backward-shift deletion, so that
/// no tombstones build up. `Traits` gives the key's empty value
/// (`empty()`, never a real key), `home(key, bits)` (the slot before
/// masking, for a table of 2^bits slots), and the highest load allowed as
/// `kLoadNum / kLoadDen`. The table grows by doubling.
template <class Key, class Value, class Traits> class FlatTable {
  using Entry = FlatEntry<Key, Value>;

public:
  size_t size() const { return count_; }
  bool contains(const Key& key) const { return find(key) != nullptr; }

  Value* find(const Key& key) const {
    const Entry* e = find_where(raw_home(key), [&](const Key& k) { return k == key; });
    return e ? e->value_ptr() : nullptr;
  }

  /// The key found probing from `start` (a home before masking, as
  /// `Traits::home` gives it) for which `match(key)` holds, or null: a lookup
  /// by something the key stands for rather than the key itself.
  template <class Match> const Key* find_key(uint64_t start, Match match) const {
    const Entry* e = find_where(start, match);
    return e ? &e->key : nullptr;
  }

  /// Inserts `key` with `value` unless the key is there; true when inserted.
  /// `slot` receives the address of the key's value either way.
  bool insert(const Key& key, const Value& value = Value(), Value** slot = nullptr) {
    if ((count_ + 1) * Traits::kLoadDen > entries_.size() * Traits::kLoadNum) grow();
    size_t i = home(key);
    for (; !(entries_[i].key == Traits::empty()); i = (i + 1) & mask_) {
      if (entries_[i].key == key) {
        if (slot) *slot = entries_[i].value_ptr();
        return false;
      }
    }
    entries_[i].key = key;
    entries_[i].set_value(value);
    ++count_;
    if (slot) *slot = entries_[i].value_ptr();
    return true;
  }

  /// Inserts `key` in one probe unless an entry for which `match` holds is
  /// found first, probing from `home_of(bits)` (the home of what the key
  /// stands for, which must be `Traits::home(key, bits)`); true when inserted.
  template <class Home, class Match> bool insert_unless(Home home_of, Match match, const Key& key) {
    if ((count_ + 1) * Traits::kLoadDen > entries_.size() * Traits::kLoadNum) grow();
    size_t i = static_cast<size_t>(home_of(bits_)) & mask_;
    for (; !(entries_[i].key == Traits::empty()); i = (i + 1) & mask_)
      if (match(entries_[i].key)) return false;
    entries_[i].key = key;
    entries_[i].set_value(Value());
    ++count_;
    return true;
  }

  /// Takes `key` out; false when it is not there.
  bool erase(const Key& key) {
    if (count_ == 0) return false;
    size_t i = home(key);
    for (;; i = (i + 1) & mask_) {
      if (entries_[i].key == key) break;
      if (entries_[i].key == Traits::empty()) return false;
    }
    // Each later entry of the run moves into the hole when its home lies
    // at or before the hole (cyclically), so every probe run stays whole.
    size_t hole = i;
    for (size_t j = (i + 1) & mask_; !(entries_[j].key == Traits::empty()); j = (j + 1) & mask_) {
      const size_t h = home(entries_[j].key);
      const bool movable = hole <= j ? (h <= hole || h > j) : (h <= hole && h > j);
      if (movable) {
        entries_[hole] = entries_[j];
        hole = j;
      }
    }
    entries_[hole] = empty_entry();
    --count_;
    // A table that emptied out is made smaller, so that the lookups of the
    // entries left do not spread over memory the others once needed.
    if (entries_.size() > kMinCapacity && count_ * 4 < entries_.size()) rehash(entries_.size() / 2);
    return true;
  }

  /// Forgets every entry and frees the storage.
  void clear() {
    std::vector<Entry>().swap(entries_);
    mask_ = 0;
    bits_ = 0;
    count_ = 0;
  }

  /// Calls `f(key, value)` for every entry, in no particular order.
  template <class F> void for_each(F f) const {
    for (const Entry& e : entries_)
      if (!(e.key == Traits::empty())) f(e.key, *e.value_ptr());
  }

  /// The home of `key` before masking.
  uint64_t raw_home(const Key& key) const { return Traits::home(key, bits_); }
  /// log2 of the number of slots, the `bits` that homes are computed for.
  unsigned bits() const { return bits_; }

private:
  static Entry empty_entry() {
    Entry e{};
    e.key = Traits::empty();
    return e;
  }

  template <class Match> const Entry* find_where(uint64_t start, Match match) const {
    if (count_ == 0) return nullptr;
    for (size_t i = static_cast<size_t>(start) & mask_;; i = (i + 1) & mask_) {
      const Entry& e = entries_[i];
      if (e.key == Traits::empty()) return nullptr;
      if (match(e.key)) return &e;
    }
  }

  size_t home(const Key& key) const { return static_cast<size_t>(raw_home(key)) & mask_; }

  static constexpr size_t kMinCapacity = 16;

  void grow() { rehash(entries_.empty() ? kMinCapacity : entries_.size() * 2); }

  void rehash(size_t capacity) {
    std::vector<Entry> old;
    old.swap(entries_);
    entries_.assign(capacity, empty_entry());
    mask_ = capacity - 1;
    bits_ = 0;
    while ((size_t{1} << bits_) < capacity) ++bits_;
    count_ = 0;
    for (const Entry& e : old)
      if (!(e.key == Traits::empty())) insert(e.key, *e.value_ptr());
  }

  std::vector<Entry> entries_;
  size_t mask_ = 0;
  unsigned bits_ = 0;
  size_t count_ = 0;
};

/// Keys that are pointers (never null): a multiplicative hash.
struct PointerKey {
  static constexpr size_t kLoadNum = 1, kLoadDen = 2;
  static const void* empty() { return nullptr; }
  static uint64_t home(const void* key, unsigned) {
    const uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) >> 3;
    return (x * 0x9E3779B97F4A7C15ull) >> 32;
  }
};

/// Keys that are pairs of pointers (the first never null).
struct PointerPair {
  const void* a = nullptr;
  const void* b = nullptr;
  bool operator==(const PointerPair& o) const { return a == o.a && b == o.b; }
};
struct PointerPairKey {
  static constexpr size_t kLoadNum = 1, kLoadDen = 2;
  static PointerPair empty() { return PointerPair(); }
  static uint64_t home(const PointerPair& k, unsigned) {
    const uint64_t x = (reinterpret_cast<uintptr_t>(k.a) >> 3) * 0x9E3779B97F4A7C15ull ^
                       (reinterpret_cast<uintptr_t>(k.b) >> 3) * 0xC2B2AE3D27D4EB4Full;
    return x ^ (x >> 29);
  }
};

/// Keys that are triples of pointers (the first never null).
struct PointerTriple {
  const void* a = nullptr;
  const void* b = nullptr;
  const void* c = nullptr;
  bool operator==(const PointerTriple& o) const { return a == o.a && b == o.b && c == o.c; }
};
struct PointerTripleKey {
  static constexpr size_t kLoadNum = 1, kLoadDen = 2;
  static PointerTriple empty() { return PointerTriple(); }
  static uint64_t home(const PointerTriple& k, unsigned) {
    uint64_t x = reinterpret_cast<uintptr_t>(k.a) * 0x9E3779B97F4A7C15ull;
    x ^= reinterpret_cast<uintptr_t>(k.b) * 0xC2B2AE3D27D4EB4Full;
    x ^= reinterpret_cast<uintptr_t>(k.c) * 0x165667B19E3779F9ull;
    return x ^ (x >> 31);
  }
};

/// Keys that are 64-bit numbers other than all ones.
struct NumberKey {
  static constexpr size_t kLoadNum = 1, kLoadDen = 2;
  static uint64_t empty() { return ~uint64_t{0}; }
  static uint64_t home(uint64_t key, unsigned) {
    const uint64_t x = key * 0x9E3779B97F4A7C15ull;
    return x ^ (x >> 32);
  }
};

/// Client objects as keys: objects made one after the other lie close
/// together, and so do their slots, which keeps lookups cache-friendly. The
/// higher bits are folded in so that addresses far apart, but equal in their
/// low bits, still spread over the table.
struct ObjectKey {
  static constexpr size_t kLoadNum = 3, kLoadDen = 5;
  static const void* empty() { return nullptr; }
  static uint64_t home(const void* key, unsigned bits) {
    const uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) >> 3;
    return x ^ (x >> bits) ^ (x >> (2 * bits));
  }
};

} // namespace mx_detail

#endif
