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

// A fast, well-mixed 64-bit hash for look-ups only (never for ordering):
// eight bytes per step, so long agent and referrer texts cost little.
inline std::uint64_t LookupHash(std::string_view key) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const char* p = key.data();
  std::size_t n = key.size();
  std::uint64_t h = 0x243F6A8885A308D3ull ^ (n * kMul);
  while (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    h = (h ^ word) * kMul;
    h ^= h >> 32;
    p += 8;
    n -= 8;
  }
  if (n > 0) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, n);
    h = (h ^ word) * kMul;
  }
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  return h;
}

}  // namespace tlw
