#include "support/tiny_mmdb.h"

#include <cstdint>

namespace tlw::test {
namespace {

// The MaxMind DB data encoding: a control byte of type and size, extended
// types (above 7) in a second byte.
std::string Text(const std::string& text) {
  return std::string(1, static_cast<char>(0x40 | text.size())) + text;
}
std::string Map(int pairs) { return std::string(1, static_cast<char>(0xE0 | pairs)); }
std::string Unsigned(int type, std::uint64_t value, int bytes) {
  std::string out;
  if (type <= 7) {
    out += static_cast<char>((type << 5) | bytes);
  } else {
    out += static_cast<char>(bytes);
    out += static_cast<char>(type - 7);
  }
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}
std::string Country(const std::string& code) {
  return Map(1) + Text("country") + Map(1) + Text("iso_code") + Text(code);
}

}  // namespace

std::string TinyCountryMmdb(const std::string& low, const std::string& high) {
  constexpr std::uint32_t kNodes = 1;
  const std::string data = Country(low) + Country(high);
  // One node: its left record (first address bit 0) and right record point
  // into the data section, whose offsets count from node count + 16.
  std::string tree;
  for (const std::uint32_t offset :
       {std::uint32_t{0}, static_cast<std::uint32_t>(Country(low).size())}) {
    const std::uint32_t record = kNodes + 16 + offset;
    tree += static_cast<char>((record >> 16) & 0xFF);
    tree += static_cast<char>((record >> 8) & 0xFF);
    tree += static_cast<char>(record & 0xFF);
  }
  const std::string metadata =
      Map(9) + Text("node_count") + Unsigned(6, kNodes, 1) + Text("record_size") +
      Unsigned(5, 24, 1) + Text("ip_version") + Unsigned(5, 4, 1) + Text("database_type") +
      Text("Tiny-Country") + Text("languages") + Unsigned(11, 0, 0) +
      Text("binary_format_major_version") + Unsigned(5, 2, 1) +
      Text("binary_format_minor_version") + Unsigned(5, 0, 0) + Text("build_epoch") +
      Unsigned(9, 1700000000, 4) + Text("description") + Map(0);
  return tree + std::string(16, '\0') + data + "\xAB\xCD\xEFMaxMind.com" + metadata;
}

}  // namespace tlw::test
