#pragma once

#include <array>

namespace tlw {

// A colour by its red, green and blue components, 0 to 255.
struct Rgb {
  int red;
  int green;
  int blue;
};

// The three colours of a bar: the shadow along its bottom, its lit end and
// its front face.
struct BarColors {
  Rgb dark;
  Rgb light;
  Rgb face;
};

// Fixed colours of every graph, allocated first so that their palette
// indices are 0, 1 and 2; white is the transparent colour.
inline constexpr Rgb kGraphWhite = {255, 255, 255};
inline constexpr Rgb kGraphBlack = {0, 0, 0};
inline constexpr Rgb kGraphGrey = {150, 150, 150};

// Bar colours of the graph schemes 1 to 5 (red, blue, green, teal, purple).
// Purple follows the others: a dark shade at 100 in its main channels, a
// light shade near 230, and a saturated face.
inline constexpr std::array<BarColors, 5> kBarSchemes = {{
    {{100, 0, 0}, {230, 66, 66}, {241, 37, 68}},
    {{0, 0, 100}, {66, 99, 230}, {65, 105, 243}},
    {{0, 100, 0}, {66, 230, 66}, {89, 247, 62}},
    {{0, 100, 100}, {66, 230, 230}, {39, 174, 203}},
    {{70, 0, 100}, {170, 66, 230}, {150, 65, 243}},
}};

// Colours of graph scheme `scheme`; any number outside 1 to 5 draws in the
// blue scheme 2, the scheme of the default theme.
constexpr const BarColors& BarColorsOf(int scheme) {
  return scheme >= 1 && scheme <= static_cast<int>(kBarSchemes.size()) ? kBarSchemes[scheme - 1]
                                                                       : kBarSchemes[1];
}

}  // namespace tlw
