#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "stats/keyed_table.h"

namespace tlw {

// One key of a statistics table with its count.
struct StatEntry {
  std::string_view key;
  std::int64_t count = 0;
  bool operator==(const StatEntry&) const = default;
};

// A statistics table: text key to signed 64-bit count, with a fixed bucket
// count that decides the iteration order (see KeyedTable). Keys returned as
// views stay valid until the key is removed or the table cleared.
class StatTable {
 public:
  using Handle = KeyedTable<std::int64_t>::Handle;
  static constexpr Handle kNone = KeyedTable<std::int64_t>::kNone;

  explicit StatTable(std::uint32_t bucketCount) : table_(bucketCount) {}

  // Adds n to the count of `key`, creating the key with count 0 first.
  void Add(std::string_view key, std::int64_t n = 1) { AddAt(Intern(key), n); }
  // Creates `key` if absent and overwrites its count.
  void Set(std::string_view key, std::int64_t value) { table_.ValueAt(Intern(key)) = value; }
  // The count of `key`, or nothing when the table does not hold it.
  std::optional<std::int64_t> Get(std::string_view key) const {
    const Handle h = table_.Find(key);
    if (h == kNone) return std::nullopt;
    return table_.ValueAt(h);
  }
  // Unlinks `key`; false when absent. The last removal frees the table.
  bool Remove(std::string_view key) { return table_.Remove(key); }
  std::size_t Count() const { return table_.Count(); }
  std::uint32_t BucketCount() const { return table_.BucketCount(); }
  // Empties the table and frees its memory.
  void Clear() { table_.Clear(); }
  // The table as it is (see KeyedTable::Save).
  void Save(StateWriter& out) const { table_.Save(out); }
  bool Load(StateReader& in) { return table_.Load(in); }

  // Handle-level access for the counting code: the entry of `key` (created
  // with count 0 when absent), then additions without a new look-up.
  Handle Intern(std::string_view key, bool* created = nullptr) {
    return table_.Intern(key, created);
  }
  // Intern for keys that are codes standing for texts (see
  // KeyedTable::InternWithTableHash).
  Handle InternWithTableHash(std::string_view key, std::uint32_t tableHash) {
    return table_.InternWithTableHash(key, tableHash);
  }
  // The same with `hash`, the key's LookupHash, worked out beforehand, for
  // a caller that loads the look-ups of a few keys at once (PrefetchAll).
  Handle InternWithTableHash(std::string_view key, std::uint64_t hash, std::uint32_t tableHash) {
    return table_.InternWithTableHash(key, hash, tableHash);
  }
  // Loads the look-ups of the keys of `hashes` (their LookupHash) side by
  // side: every index slot, then every entry they name.
  void PrefetchAll(std::span<const std::uint64_t> hashes) const {
    for (const std::uint64_t hash : hashes) table_.PrefetchSlot(hash);
    for (const std::uint64_t hash : hashes) table_.PrefetchEntry(hash);
  }
  Handle Find(std::string_view key) const { return table_.Find(key); }
  void AddAt(Handle h, std::int64_t n) { AddTo(table_.ValueAt(h), n); }
  // The count of entry `h` itself, for code that adds to one entry record
  // after record: it stays in place until the entry is removed or the table
  // cleared.
  std::int64_t& CountRef(Handle h) { return table_.ValueAt(h); }
  // Adds n to a count, wrapping instead of overflowing (no undefined
  // behaviour on absurd input).
  static void AddTo(std::int64_t& count, std::int64_t n) {
    count = static_cast<std::int64_t>(static_cast<std::uint64_t>(count) +
                                      static_cast<std::uint64_t>(n));
  }
  void SetAt(Handle h, std::int64_t value) { table_.ValueAt(h) = value; }
  std::int64_t CountAt(Handle h) const { return table_.ValueAt(h); }
  std::string_view KeyAt(Handle h) const { return table_.KeyAt(h); }

  // Every entry in iteration order: buckets ascending, newest first within a
  // bucket.
  std::vector<StatEntry> Entries() const;
  // The handles in iteration order (see KeyedTable::Ordered).
  std::vector<Handle> Ordered() const { return table_.Ordered(); }
  void PrefetchKey(Handle h) const { table_.PrefetchKey(h); }
  // Calls fn(key, count) for every entry in iteration order.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    table_.ForEach(fn);
  }

 private:
  KeyedTable<std::int64_t> table_;
};

// All entries of `table`, highest count first; ties in the order that the
// table's partition-exchange sort gives on the iteration order (the report
// shows ties in this order).
std::vector<StatEntry> Ranked(const StatTable& table);

}  // namespace tlw
