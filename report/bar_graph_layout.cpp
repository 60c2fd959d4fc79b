#include "report/bar_graph_layout.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tlw {

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

}  // namespace tlw
