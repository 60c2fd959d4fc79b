#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tlw {

// One bar of a graph: the entry's key and its count.
struct BarGraphEntry {
  std::string_view label;
  std::int64_t value;
};

// Geometry of the bar graph, in pixels with (0, 0) at the top left.
inline constexpr int kGraphWidth = 350;
inline constexpr int kGraphMaxBars = 30;
inline constexpr int kBarPitch = 17;     // vertical distance of two bars
inline constexpr int kGraphMargin = 50;  // chart area starts 50 pixels in
inline constexpr int kAxisRight = 300;   // right end of the axis
inline constexpr int kAxisLength = 245;  // longest bar, without its 5-pixel end
inline constexpr int kAxisTicks = 11;    // ticks at 0, 10%, ..., 100% of the scale
inline constexpr int kTickSpacing = 25;
inline constexpr int kTinyCharWidth = 5;   // GD's tiny font is 5 x 8
inline constexpr int kGiantCharWidth = 9;  // GD's giant font is 9 x 15

// Number of bars drawn: at most 30, and only the leading entries with a
// positive count (a ranked list that reaches zero has nothing more to show).
int BarCount(std::span<const BarGraphEntry> entries);

// Image height for `bars` bars: 17 per bar plus 106 for title and axes.
constexpr int GraphHeight(int bars) { return kBarPitch * bars + 106; }

// The value at the right end of the axis for the largest count `max`: the
// smallest power of ten from 10 up that reaches `max`, halved when `max`
// fits in the half (37 gives 50, 73 gives 100, 0 to 5 give 5).
std::uint64_t GraphScale(std::int64_t max);

// Text under tick value `t` for the scale `scale`: thousands with one
// decimal and "k" for scales from 3000 below a million, millions with "M"
// below ten million, plain numbers otherwise; 0 is always "0".
std::string AxisLabel(std::uint64_t t, std::uint64_t scale);

// The eleven axis label texts, left to right. The step is a tenth of the
// scale in whole numbers, so the scale 5 labels every tick "0".
std::array<std::string, kAxisTicks> AxisLabels(std::uint64_t scale);

// Length in pixels of the bar for `value` on `scale`: value x 245 / scale,
// rounded up when the remainder exceeds 4.
int BarLength(std::int64_t value, std::uint64_t scale);

// Where a bar's label goes: inside the bar (white, right-aligned to its
// end) when the bar is longer than the text, else just after it (black).
struct BarLabelPlacement {
  int x;
  bool inside;
};
BarLabelPlacement PlaceBarLabel(int barLength, std::size_t labelChars);

// `text` in the single-byte character set of GD's built-in fonts
// (ISO-8859-2), one byte per character, read as log text is (UTF-8 where
// valid, else Windows-1252). A character the fonts do not have becomes "?".
std::string GraphFontText(std::string_view text);

}  // namespace tlw
