#pragma once

#include <cstddef>
#include <cstdint>

namespace tlw {

// Numbers written seven bits a byte, low bits first; a set top bit means
// another byte follows. Click-path keys and open visits keep their page
// numbers so: a site's first 127 pages take one byte each.
inline constexpr std::size_t kMaxVarintBytes = 5;

// Writes `n` at `out` (room for kMaxVarintBytes) and returns the number of
// bytes written.
inline std::size_t WriteVarint(std::uint32_t n, std::uint8_t* out) {
  std::size_t size = 0;
  while (n >= 0x80) {
    out[size++] = static_cast<std::uint8_t>((n & 0x7F) | 0x80);
    n >>= 7;
  }
  out[size++] = static_cast<std::uint8_t>(n);
  return size;
}

// Reads the number at bytes[pos] and moves past it; false, with `pos` at
// `size`, at the end or on a number cut off by it.
inline bool ReadVarint(const std::uint8_t* bytes, std::size_t size, std::size_t& pos,
                       std::uint32_t& n) {
  n = 0;
  for (unsigned shift = 0; pos < size && shift < 7 * kMaxVarintBytes; shift += 7) {
    const std::uint8_t byte = bytes[pos++];
    n |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return true;
  }
  pos = size;
  return false;
}

}  // namespace tlw
