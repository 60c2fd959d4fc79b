#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace tlw {

// The hash that places a key in a statistics table's bucket: start at 0, then
// for each byte hash = hash * 33 + the byte read as a signed 8-bit value, in
// unsigned 32-bit arithmetic. The bucket order of every table, and through it
// the order of ties in the report, follows from this exact function.
inline std::uint32_t TableHash(std::string_view key) {
  std::uint32_t hash = 0;
  for (char c : key) {
    hash = hash * 33u +
           static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  }
  return hash;
}

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
// call per comparison costs more than the comparison itself.
inline bool BytesEqual(const char* a, const char* b, std::size_t n) {
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
