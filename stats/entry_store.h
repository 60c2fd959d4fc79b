#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/state_archive.h"

namespace tlw {

// The entries of a KeyedTable, in creation order: each entry is one record
// made of its value, its key's size and table hash, and the key's bytes
// right behind them, so that a look-up that reaches an entry finds its key
// in the same cache line. Records never move once written (they live in
// chunks that grow from 1 KiB to 512 KiB), so a Handle and a view of a key
// stay valid until the store is cleared.
template <typename Value>
class EntryStore {
  static_assert(std::is_trivially_copyable_v<Value> && std::is_trivially_destructible_v<Value>,
                "entry values are plain data");
  static_assert(alignof(Value) <= 8, "records are aligned to 8 bytes");

 public:
  // Chunk index in the high 16 bits, position in 8-byte words in the low 16.
  using Handle = std::uint32_t;

  struct Header {
    Value value;
    std::uint32_t size;  // key length; kDeadBit set once removed
    std::uint32_t tableHash;
  };
  static constexpr std::uint32_t kDeadBit = 0x80000000u;

  EntryStore() = default;
  EntryStore(const EntryStore&) = delete;
  EntryStore& operator=(const EntryStore&) = delete;
  EntryStore(EntryStore&&) noexcept = default;
  EntryStore& operator=(EntryStore&&) noexcept = default;

  // Appends a record for `key` with a value-initialised Value.
  Handle Add(std::string_view key, std::uint32_t tableHash) {
    const std::size_t words = kHeaderWords + (key.size() + 7) / 8;
    if (chunks_.empty() || chunks_.back().used + words > chunks_.back().capacity) {
      NewChunk(words);
    }
    Chunk& chunk = chunks_.back();
    const Handle handle =
        static_cast<Handle>((chunks_.size() - 1) << 16 | static_cast<std::size_t>(chunk.used));
    std::byte* at = chunk.bytes.get() + static_cast<std::size_t>(chunk.used) * 8;
    new (at) Header{Value{}, static_cast<std::uint32_t>(key.size()), tableHash};
    if (!key.empty()) std::memcpy(at + kHeaderWords * 8, key.data(), key.size());
    chunk.used += static_cast<std::uint32_t>(words);
    return handle;
  }

  Header& At(Handle h) { return *std::launder(reinterpret_cast<Header*>(Address(h))); }
  const Header& At(Handle h) const {
    return *std::launder(reinterpret_cast<const Header*>(Address(h)));
  }
  const char* KeyBytes(Handle h) const {
    return reinterpret_cast<const char*>(Address(h) + kHeaderWords * 8);
  }
  std::string_view KeyOf(Handle h) const {
    return std::string_view(KeyBytes(h), At(h).size & ~kDeadBit);
  }
  bool IsDead(Handle h) const { return (At(h).size & kDeadBit) != 0; }
  void MarkDead(Handle h) {
    At(h).size |= kDeadBit;
    At(h).value = Value{};
  }

  // Calls fn(handle) for every live record, in creation order.
  template <typename Fn>
  void ForEachLive(Fn&& fn) const {
    for (std::size_t c = 0; c < chunks_.size(); ++c) {
      const Chunk& chunk = chunks_[c];
      for (std::uint32_t pos = 0; pos < chunk.used;) {
        const Handle h = static_cast<Handle>(c << 16 | pos);
        const std::uint32_t size = At(h).size;
        if ((size & kDeadBit) == 0) fn(h);
        pos += static_cast<std::uint32_t>(kHeaderWords + ((size & ~kDeadBit) + 7) / 8);
      }
    }
  }

  // A number of the record of `h`, unique among the store's records and
  // dense: a record takes kHeaderWords words or more, so numbering records by
  // their first word divided by that gives each its own number, and a vector
  // indexed by these numbers has about one element per record. For facts
  // kept beside the records' values.
  std::uint32_t DenseNumber(Handle h) const {
    return static_cast<std::uint32_t>((chunks_[h >> 16].wordBase + (h & 0xFFFFu)) / kHeaderWords);
  }

  void Clear() {
    std::vector<Chunk>().swap(chunks_);
    releasedChunks_ = 0;
  }

  // The records as they lie in memory, chunk by chunk, so that every
  // handle means the same record once loaded. Not after ReleaseChunksBefore.
  void Save(StateWriter& out) const {
    out.Size(chunks_.size());
    for (const Chunk& chunk : chunks_) {
      out.Value(chunk.used);
      out.Value(chunk.capacity);
      out.Bytes(chunk.bytes.get(), static_cast<std::size_t>(chunk.used) * 8);
    }
  }
  bool Load(StateReader& in) {
    Clear();
    const std::uint64_t count = in.Size(std::uint64_t{1} << 16, 8);
    chunks_.reserve(count);
    for (std::uint64_t c = 0; c < count && in.ok(); ++c) {
      Chunk chunk;
      in.Value(chunk.used);
      in.Value(chunk.capacity);
      if (chunk.used > chunk.capacity ||
          chunk.capacity > std::max<std::uint64_t>(kLargestChunkWords, chunk.used) ||
          chunk.capacity == 0) {
        in.Fail();
        break;
      }
      chunk.bytes = std::make_unique_for_overwrite<std::byte[]>(std::size_t{chunk.capacity} * 8);
      in.Bytes(chunk.bytes.get(), static_cast<std::size_t>(chunk.used) * 8);
      if (!chunks_.empty()) chunk.wordBase = chunks_.back().wordBase + chunks_.back().capacity;
      chunks_.push_back(std::move(chunk));
    }
    return in.ok();
  }

  // Frees the chunks that hold only records made before `h`'s chunk: after
  // it, only records of `h`'s chunk and later may be read, and the store
  // may only be cleared.
  void ReleaseChunksBefore(Handle h) {
    for (std::size_t c = releasedChunks_; c < (h >> 16); ++c) chunks_[c].bytes.reset();
    releasedChunks_ = std::max<std::size_t>(releasedChunks_, h >> 16);
  }

 private:
  static constexpr std::size_t kHeaderWords = (sizeof(Header) + 7) / 8;
  static constexpr std::size_t kFirstChunkWords = 128;
  static constexpr std::size_t kLargestChunkWords = std::size_t{1} << 16;

  struct Chunk {
    std::unique_ptr<std::byte[]> bytes;
    std::uint32_t used = 0;  // words
    std::uint32_t capacity = 0;
    std::size_t wordBase = 0;  // the words of the chunks before
  };

  std::byte* Address(Handle h) const {
    return chunks_[h >> 16].bytes.get() + static_cast<std::size_t>(h & 0xFFFFu) * 8;
  }

  void NewChunk(std::size_t words) {
    // Chunks double up to the largest size; a record longer than that gets
    // a chunk of its own (its position is 0, so it still fits a handle).
    std::size_t capacity =
        chunks_.empty() ? kFirstChunkWords
                        : std::min(chunks_.back().capacity * std::size_t{2}, kLargestChunkWords);
    capacity = std::max(capacity, words);
    Chunk chunk;
    chunk.bytes = std::make_unique_for_overwrite<std::byte[]>(capacity * 8);
    chunk.capacity = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, 0xFFFFFFFFu));
    if (!chunks_.empty()) chunk.wordBase = chunks_.back().wordBase + chunks_.back().capacity;
    chunks_.push_back(std::move(chunk));
  }

  std::vector<Chunk> chunks_;
  std::size_t releasedChunks_ = 0;
};

}  // namespace tlw
