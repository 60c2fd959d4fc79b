#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/cache_line.h"
#include "stats/entry_store.h"
#include "stats/text_hash.h"

namespace tlw {

// `created` (items in the order they were created) in the iteration order of
// a chained hash table of `bucketCount` buckets: buckets ascending (the
// item's table hash modulo the bucket count), the newest item first within
// a bucket. `tableHashOf(item)` gives an item's table hash.
template <typename TableHashOf>
std::vector<std::uint32_t> OrderByBucket(const std::vector<std::uint32_t>& created,
                                         std::uint32_t bucketCount, TableHashOf&& tableHashOf) {
  std::vector<std::uint32_t> order;
  if (created.empty()) return order;
  order.reserve(created.size());
  const auto bucketOf = [&](std::uint32_t item) { return tableHashOf(item) % bucketCount; };
  if (created.size() * 4 < bucketCount) {
    // Few items for many buckets: sorting beats a pass over the buckets.
    std::vector<std::uint64_t> sortKeys;
    sortKeys.reserve(created.size());
    for (std::size_t i = 0; i < created.size(); ++i) {
      sortKeys.push_back(static_cast<std::uint64_t>(bucketOf(created[i])) << 32 |
                         (0xFFFFFFFFu - static_cast<std::uint32_t>(i)));
    }
    std::sort(sortKeys.begin(), sortKeys.end());
    for (std::uint64_t k : sortKeys)
      order.push_back(created[0xFFFFFFFFu - static_cast<std::uint32_t>(k)]);
    return order;
  }
  std::vector<std::uint32_t> start(static_cast<std::size_t>(bucketCount) + 1, 0);
  for (std::uint32_t item : created) ++start[bucketOf(item) + 1];
  for (std::uint32_t b = 0; b < bucketCount; ++b) start[b + 1] += start[b];
  order.resize(created.size());
  for (std::size_t i = created.size(); i-- > 0;) order[start[bucketOf(created[i])]++] = created[i];
  return order;
}

// A table from a text key (compared byte by byte, case-sensitive) to a Value,
// with the iteration order of a chained hash table of a fixed bucket count:
// buckets in ascending index (TableHash modulo the bucket count), and within
// a bucket the most recently created entry first.
//
// Behind that order sits a flat open-addressing index (linear probing on a
// well-mixed hash), so a look-up stays short however many keys share a
// bucket. Entries live in an EntryStore in creation order, each with its key
// beside its value, and are addressed by a Handle that stays valid until the
// entry is removed or the table cleared; counting code keeps handles to skip
// repeated look-ups. The order is produced only when the table is walked.
template <typename Value>
class KeyedTable {
 public:
  using Handle = typename EntryStore<Value>::Handle;
  static constexpr Handle kNone = 0xFFFFFFFFu;

  explicit KeyedTable(std::uint32_t bucketCount) : bucketCount_(bucketCount ? bucketCount : 1) {}

  std::uint32_t BucketCount() const { return bucketCount_; }
  // Number of entries.
  std::size_t Count() const { return live_; }

  // The entry of `key`, or kNone when the table does not hold it.
  Handle Find(std::string_view key) const {
    if (slots_.empty()) return kNone;
    const std::uint64_t hash = LookupHash(key);
    const std::uint32_t fingerprint = static_cast<std::uint32_t>(hash);
    for (std::size_t pos = hash >> shift_;; pos = (pos + 1) & mask_) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return kNone;
      if (static_cast<std::uint32_t>(slot >> 32) == fingerprint) {
        const Handle handle = static_cast<Handle>(slot) - 1;
        if (KeyEquals(handle, key)) return handle;
      }
    }
  }

  // The entry of `key`, created with a value-initialised Value when absent;
  // `created` (if given) tells which.
  Handle Intern(std::string_view key, bool* created = nullptr) {
    return InternWith(key, LookupHash(key), created, [key] { return TableHash(key); });
  }

  // Intern for a table whose keys are codes standing for texts: a new entry
  // takes `tableHash` (the TableHash of the text that `key` stands for) in
  // place of its own key's, so the table iterates in the order of a table
  // keyed by the texts. Equal keys must come with equal hashes.
  Handle InternWithTableHash(std::string_view key, std::uint32_t tableHash,
                             bool* created = nullptr) {
    return InternWith(key, LookupHash(key), created, [tableHash] { return tableHash; });
  }
  // The same with `hash`, the LookupHash of `key`, worked out beforehand.
  Handle InternWithTableHash(std::string_view key, std::uint64_t hash, std::uint32_t tableHash,
                             bool* created = nullptr) {
    return InternWith(key, hash, created, [tableHash] { return tableHash; });
  }

  // Intern for a field that often repeats from one record to the next:
  // `previous` (the handle this call gave last time, or kNone) is tried
  // first, and updated. `previous` must be kNone or a handle of this table
  // that was not removed since (it is reset whenever the table is cleared).
  Handle InternRepeated(std::string_view key, Handle& previous, bool* created = nullptr) {
    if (previous != kNone && KeyEquals(previous, key)) {
      if (created) *created = false;
      return previous;
    }
    previous = Intern(key, created);
    return previous;
  }
  // The same with `hash`, the LookupHash of `key`, worked out beforehand.
  Handle InternRepeated(std::string_view key, std::uint64_t hash, Handle& previous,
                        bool* created = nullptr) {
    if (previous != kNone && KeyEquals(previous, key)) {
      if (created) *created = false;
      return previous;
    }
    previous = InternWith(key, hash, created, [key] { return TableHash(key); });
    return previous;
  }

  // A third of the keys lie past their first slot: a look-ahead looks at
  // the next few slots too, mostly in the same cache line.
  static constexpr std::size_t kSlotsTried = 4;

  // For a caller that knows the keys it will look up a while ahead, by
  // their LookupHash: the index slot where the look-up of `hash` starts
  // begins loading into the cache; some time later, the entry that slot
  // names (when it is the key's, as its fingerprint suggests) does too.
  // Neither changes the table.
  void PrefetchSlot(std::uint64_t hash) const {
    if (!slots_.empty()) PrefetchLine(&slots_[hash >> shift_]);
  }
  void PrefetchEntry(std::uint64_t hash) const {
    const Handle handle = LikelyHandle(hash);
    if (handle != kNone) PrefetchHandle(handle);
  }

  // For a caller that had the slot and the entry of `hash` loaded a while
  // ago (PrefetchSlot, PrefetchEntry): the value of the entry that the
  // slot's fingerprint names, or null. The key is not compared, so now and
  // then it is another key's value: a hint of what to load next, no more.
  const Value* PeekValue(std::uint64_t hash) const {
    const Handle handle = LikelyHandle(hash);
    return handle == kNone ? nullptr : &store_.At(handle).value;
  }
  // Loads the entry of `handle` (of this table, not removed since).
  void PrefetchHandle(Handle handle) const {
    const char* entry = reinterpret_cast<const char*>(&store_.At(handle));
    PrefetchLine(entry);
    PrefetchLine(entry + kCacheLineSize - 1);  // an entry and its key may span two lines
  }

  // Whether `handle` (kNone, or a handle of this table not removed since)
  // is the entry of `key`: one comparison, no look-up.
  bool Holds(Handle handle, std::string_view key) const {
    return handle != kNone && KeyEquals(handle, key);
  }

  // Removes the entry of `key`; false when there was none. Removing the last
  // entry frees all of the table's memory.
  bool Remove(std::string_view key) {
    if (slots_.empty()) return false;
    std::size_t pos = LookupHash(key) >> shift_;
    for (;; pos = (pos + 1) & mask_) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return false;
      const Handle handle = static_cast<Handle>(slot) - 1;
      if (KeyEquals(handle, key)) {
        store_.MarkDead(handle);
        break;
      }
    }
    if (--live_ == 0) {
      Clear();
      return true;
    }
    // Backward-shift deletion: pull later members of the probe run into the
    // hole so that no look-up stops early at it.
    std::size_t hole = pos;
    for (std::size_t next = (hole + 1) & mask_; slots_[next] != 0; next = (next + 1) & mask_) {
      const Handle moved = static_cast<Handle>(slots_[next]) - 1;
      const std::size_t home = LookupHash(store_.KeyOf(moved)) >> shift_;
      if (((next - home) & mask_) >= ((next - hole) & mask_)) {
        slots_[hole] = slots_[next];
        hole = next;
      }
    }
    slots_[hole] = 0;
    return true;
  }

  // Frees the look-up index and keeps the entries, for a table that is
  // only walked and read by handle from now on: Find, Intern and Remove
  // must not be called until it is cleared.
  void ReleaseLookups() { std::vector<std::uint64_t>().swap(slots_); }
  // For a table walked in creation order once its look-ups are released:
  // frees the memory of entries made well before `handle` (whole blocks of
  // them). Only `handle` and later entries may be read after it, and the
  // table may only be cleared.
  void ReleaseEntriesBefore(Handle handle) { store_.ReleaseChunksBefore(handle); }

  // Empties the table and frees its memory.
  void Clear() {
    std::vector<std::uint64_t>().swap(slots_);
    store_.Clear();
    live_ = 0;
    mask_ = 0;
    shift_ = 64;
  }

  // The table as it is, index and entries, so that a loaded table has the
  // same handles, look-ups and order. Not after ReleaseLookups or
  // ReleaseEntriesBefore.
  void Save(StateWriter& out) const {
    out.Value(bucketCount_);
    out.Size(live_);
    out.Vector(slots_);
    store_.Save(out);
  }
  bool Load(StateReader& in) {
    Clear();
    std::uint32_t bucketCount = 0;
    in.Value(bucketCount);
    live_ = in.Number(std::uint64_t{1} << 32);
    in.Vector(slots_);
    const std::size_t capacity = slots_.size();
    if (bucketCount != bucketCount_ || (capacity & (capacity - 1)) != 0 ||
        (capacity == 0) != (live_ == 0) || live_ * 2 > capacity) {
      in.Fail();
    }
    if (!store_.Load(in)) {
      Clear();
      return false;
    }
    if (capacity != 0) {
      mask_ = capacity - 1;
      shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(capacity));
    }
    return true;
  }

  std::string_view KeyAt(Handle handle) const { return store_.KeyOf(handle); }
  // A dense number of the entry (EntryStore::DenseNumber), for facts kept
  // in a vector beside the table.
  std::uint32_t DenseNumberAt(Handle handle) const { return store_.DenseNumber(handle); }
  // Starts loading an entry's key into the cache, for a walk over many
  // entries that will read it shortly.
  void PrefetchKey(Handle handle) const { PrefetchLine(store_.KeyBytes(handle)); }
  Value& ValueAt(Handle handle) { return store_.At(handle).value; }
  const Value& ValueAt(Handle handle) const { return store_.At(handle).value; }

  // The handles of all entries in iteration order: buckets ascending, newest
  // entry first within a bucket.
  std::vector<Handle> Ordered() const {
    std::vector<Handle> created;  // creation order
    created.reserve(live_);
    store_.ForEachLive([&](Handle h) { created.push_back(h); });
    return OrderByBucket(created, bucketCount_, [&](Handle h) { return store_.At(h).tableHash; });
  }

  // The TableHash of the key of `handle`, kept with the entry.
  std::uint32_t TableHashAt(Handle handle) const { return store_.At(handle).tableHash; }

  // Calls fn(value) for every entry, in creation order (cheaper than the
  // iteration order when the order does not matter).
  template <typename Fn>
  void ForEachValue(Fn&& fn) {
    store_.ForEachLive([&](Handle h) { fn(store_.At(h).value); });
  }

  // Calls fn(handle) for every entry, in creation order.
  template <typename Fn>
  void ForEachHandle(Fn&& fn) const {
    store_.ForEachLive(fn);
  }

  // Calls fn(key, value) for every entry in iteration order.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    // The entries are read in bucket order, scattered over memory: those a
    // few ahead are loaded while one is read.
    constexpr std::size_t kAhead = 8;
    const std::vector<Handle> order = Ordered();
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i + kAhead < order.size()) PrefetchLine(&store_.At(order[i + kAhead]));
      fn(KeyAt(order[i]), ValueAt(order[i]));
    }
  }

 private:
  // The entry named by the first slot, of the kSlotsTried from where the
  // look-up of `hash` starts, whose fingerprint matches; kNone when none
  // does. The key is not compared.
  Handle LikelyHandle(std::uint64_t hash) const {
    if (slots_.empty()) return kNone;
    std::size_t pos = hash >> shift_;
    for (std::size_t tried = 0; tried < kSlotsTried; ++tried, pos = (pos + 1) & mask_) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) return kNone;
      if (static_cast<std::uint32_t>(slot >> 32) == static_cast<std::uint32_t>(hash)) {
        return static_cast<Handle>(slot) - 1;
      }
    }
    return kNone;
  }

  template <typename MakeTableHash>
  Handle InternWith(std::string_view key, std::uint64_t hash, bool* created,
                    MakeTableHash&& makeTableHash) {
    if ((live_ + 1) * 2 > slots_.size()) Grow(live_ + 1);
    const std::uint32_t fingerprint = static_cast<std::uint32_t>(hash);
    std::size_t pos = hash >> shift_;
    for (;; pos = (pos + 1) & mask_) {
      const std::uint64_t slot = slots_[pos];
      if (slot == 0) break;
      if (static_cast<std::uint32_t>(slot >> 32) == fingerprint) {
        const Handle handle = static_cast<Handle>(slot) - 1;
        if (KeyEquals(handle, key)) {
          if (created) *created = false;
          return handle;
        }
      }
    }
    const Handle handle = store_.Add(key, makeTableHash());
    slots_[pos] = (static_cast<std::uint64_t>(fingerprint) << 32) | (handle + 1u);
    ++live_;
    if (created) *created = true;
    return handle;
  }

  bool KeyEquals(Handle h, std::string_view key) const {
    // A removed entry's size has the dead bit set and equals no key size.
    return store_.At(h).size == key.size() &&
           BytesEqual(store_.KeyBytes(h), key.data(), key.size());
  }

  // Rebuilds the index for at least `entries` entries.
  void Grow(std::size_t entries) {
    std::size_t capacity = 16;
    while (capacity < entries * 2) capacity *= 2;
    // The index is rebuilt from the entries: the old one goes first, so that
    // the two never take memory at once.
    std::vector<std::uint64_t>().swap(slots_);
    slots_.assign(capacity, 0);
    mask_ = capacity - 1;
    shift_ = 64 - static_cast<unsigned>(__builtin_ctzll(capacity));
    store_.ForEachLive([&](Handle h) {
      const std::uint64_t hash = LookupHash(store_.KeyOf(h));
      std::size_t pos = hash >> shift_;
      while (slots_[pos] != 0) pos = (pos + 1) & mask_;
      slots_[pos] = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(hash)) << 32) | (h + 1u);
    });
  }

  std::vector<std::uint64_t> slots_;  // 0 empty; else fingerprint << 32 | (handle + 1)
  EntryStore<Value> store_;           // creation order; removed entries stay as dead
  std::size_t live_ = 0;
  std::size_t mask_ = 0;
  unsigned shift_ = 64;
  std::uint32_t bucketCount_;
};

}  // namespace tlw
