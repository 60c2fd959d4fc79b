#include "report/bar_graph_layout.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "base/text_encoding.h"

namespace tlw {
namespace {

// Characters of the bytes 0xA0 to 0xFF in ISO-8859-2, the set of GD's
// built-in fonts; below 0x80 the set is ASCII.
// clang-format off
constexpr std::array<char32_t, 96> kLatin2High = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,  // A0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,  // A8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,  // B0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};
// clang-format on

char Latin2Byte(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<char>(codePoint);
  const auto* found = std::find(kLatin2High.begin(), kLatin2High.end(), codePoint);
  if (found == kLatin2High.end()) return '?';
  return static_cast<char>(0xA0 + (found - kLatin2High.begin()));
}

}  // namespace

int BarCount(std::span<const BarGraphEntry> entries) {
  const std::size_t limit = std::min<std::size_t>(entries.size(), kGraphMaxBars);
  int bars = 0;
  while (static_cast<std::size_t>(bars) < limit &&
         entries[static_cast<std::size_t>(bars)].value > 0) {
    ++bars;
  }
  return bars;
}

std::uint64_t GraphScale(std::int64_t max) {
  const std::uint64_t largest = max > 0 ? static_cast<std::uint64_t>(max) : 0;
  // Counts stay below 2^63 < 10^19, so the power of ten cannot overflow.
  std::uint64_t power = 10;
  while (power < largest) power *= 10;
  return largest <= power / 2 ? power / 2 : power;
}

std::string AxisLabel(std::uint64_t t, std::uint64_t scale) {
  char text[32];
  if (t != 0 && scale >= 3000 && scale < 1000000) {
    std::snprintf(text, sizeof text, "%2.1fk", static_cast<double>(t) / 1000.0);
  } else if (t != 0 && scale >= 1000000 && scale < 10000000) {
    std::snprintf(text, sizeof text, "%2.1fM", static_cast<double>(t) / 1000000.0);
  } else {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(t));
  }
  return text;
}

std::array<std::string, kAxisTicks> AxisLabels(std::uint64_t scale) {
  std::array<std::string, kAxisTicks> labels;
  const std::uint64_t step = scale / 10;
  for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = AxisLabel(step * i, scale);
  return labels;
}

int BarLength(std::int64_t value, std::uint64_t scale) {
  if (value <= 0 || scale == 0) return 0;
  // value x 245 needs more than 64 bits for the largest counts.
  __extension__ using Wide = unsigned __int128;
  const Wide product = static_cast<Wide>(value) * kAxisLength;
  const Wide length = product / scale;
  const Wide remainder = product % scale;
  // A bar never passes the end of the axis, even for a count above the scale.
  const Wide rounded = std::min<Wide>(length + (remainder > 4 ? 1 : 0), kAxisLength);
  return static_cast<int>(rounded);
}

BarLabelPlacement PlaceBarLabel(int barLength, std::size_t labelChars) {
  const std::size_t textWidth =
      std::min<std::size_t>(labelChars, std::numeric_limits<int>::max() / kTinyCharWidth) *
      kTinyCharWidth;
  if (barLength > 0 && static_cast<std::size_t>(barLength) > textWidth) {
    return {barLength - static_cast<int>(textWidth) + 47, true};
  }
  return {barLength + 61, false};
}

std::string GraphFontText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const LogCharacter character = FirstLogCharacter(text);
    out += Latin2Byte(character.codePoint);
    text.remove_prefix(character.length);
  }
  return out;
}

}  // namespace tlw
