#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tlw {

inline std::uint64_t Load64(const char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline std::uint32_t Load32(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The hash that places a key in a statistics table's bucket: start at 0, then
// for each byte hash = hash * 33 + the byte read as a signed 8-bit value, in
// unsigned 32-bit arithmetic. The bucket order of every table, and through it
// the order of ties in the report, follows from this exact function.
//
// Eight bytes go in one step: hash * 33^8 plus the bytes' weighted sum
// (33^7 for the first byte .. 1 for the last), summed in lanes that
// cannot overflow (pairs, then quadruples, then the two halves). A signed
// byte c is (c + 128) - 128, and c + 128 is the byte with its top bit
// flipped, so the lanes add unsigned values and a constant corrects them.
inline std::uint32_t TableHash(std::string_view key) {
  constexpr std::uint32_t k33p2 = 33u * 33u;
  constexpr std::uint32_t k33p4 = k33p2 * k33p2;
  constexpr std::uint32_t k33p8 = k33p4 * k33p4;
  // 128 * (33^7 + 33^6 + ... + 1), modulo 2^32.
  constexpr std::uint32_t kBias = [] {
    std::uint32_t sum = 0;
    for (int i = 0; i < 8; ++i) sum = sum * 33u + 128u;
    return sum;
  }();
  constexpr std::uint64_t kBytes = 0x00FF00FF00FF00FFull;
  constexpr std::uint64_t kPairs = 0x0000FFFF0000FFFFull;
  static_assert(std::endian::native == std::endian::little, "the lanes take p[0] as lowest byte");
  const char* p = key.data();
  std::size_t size = key.size();
  std::uint32_t hash = 0;
  for (; size >= 8; size -= 8, p += 8) {
    const std::uint64_t v = Load64(p) ^ 0x8080808080808080ull;  // little-endian: p[0] lowest
    const std::uint64_t pairs = (v & kBytes) * 33u + ((v >> 8) & kBytes);
    const std::uint64_t quads = (pairs & kPairs) * k33p2 + ((pairs >> 16) & kPairs);
    const std::uint32_t sum =
        static_cast<std::uint32_t>(quads) * k33p4 + static_cast<std::uint32_t>(quads >> 32) - kBias;
    hash = hash * k33p8 + sum;
  }
  for (; size > 0; --size, ++p) {
    hash = hash * 33u +
           static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
  }
  return hash;
}

// A fast, well-mixed 64-bit hash for look-ups only (never for ordering):
// eight bytes per step, the tail read as one overlapping word, so long agent
// and referrer texts cost little.
inline std::uint64_t LookupHash(std::string_view key) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const char* p = key.data();
  const std::size_t size = key.size();
  std::uint64_t h = 0x243F6A8885A308D3ull ^ (size * kMul);
  const auto mix = [&](std::uint64_t word) {
    h = (h ^ word) * kMul;
    h ^= h >> 32;
  };
  if (size >= 8) {
    for (std::size_t n = size; n > 8; n -= 8, p += 8) mix(Load64(p));
    mix(Load64(key.data() + size - 8));
  } else if (size >= 4) {
    mix(static_cast<std::uint64_t>(Load32(p)) << 32 | Load32(p + size - 4));
  } else if (size > 0) {
    mix(static_cast<std::uint64_t>(static_cast<unsigned char>(p[0])) |
        static_cast<std::uint64_t>(static_cast<unsigned char>(p[size / 2])) << 8 |
        static_cast<std::uint64_t>(static_cast<unsigned char>(p[size - 1])) << 16);
  }
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return h;
}

// Compares n bytes, a short text inline a word at a time with an
// overlapping last word: keys and log fields are mostly short, and a library
// call per comparison costs more than the comparison itself (hence always
// inline, wherever it is used).
[[gnu::always_inline]] inline bool BytesEqual(const char* a, const char* b, std::size_t n) {
  // Long texts (agents, referrers) go to the library, which compares them
  // many bytes per step.
  if (n > 32) return std::memcmp(a, b, n) == 0;
  if (n >= 8) {
    const char* aLast = a + n - 8;
    const char* bLast = b + n - 8;
    for (; a < aLast; a += 8, b += 8) {
      if (Load64(a) != Load64(b)) return false;
    }
    return Load64(aLast) == Load64(bLast);
  }
  if (n >= 4) return Load32(a) == Load32(b) && Load32(a + n - 4) == Load32(b + n - 4);
  if (n == 0) return true;
  return a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1];
}

// Byte-wise equality of two texts (see BytesEqual).
inline bool TextEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && BytesEqual(a.data(), b.data(), a.size());
}

}  // namespace tlw
