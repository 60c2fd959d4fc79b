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
// its front face; and whether a label written on the face is black rather
// than white (white reads below 3:1 on the bright green and teal faces).
struct BarColors {
  Rgb dark;
  Rgb light;
  Rgb face;
  bool blackLabel;
};

// Fixed colours of every graph, allocated first so that their palette
// indices are 0, 1 and 2; white is the background, transparent on a light
// page. Grey draws the grid.
inline constexpr Rgb kGraphWhite = {255, 255, 255};
inline constexpr Rgb kGraphBlack = {0, 0, 0};
inline constexpr Rgb kGraphGrey = {150, 150, 150};
// The axis labels, allocated after the scheme colours (index 6): darker
// than the grid, so that they read at 3:1 or more on white.
inline constexpr Rgb kGraphAxisText = {100, 100, 100};

// Bar colours of the graph schemes 1 to 5 (red, blue, green, teal, purple).
// Purple follows the others: a dark shade at 100 in its main channels, a
// light shade near 230, and a saturated face.
inline constexpr std::array<BarColors, 5> kBarSchemes = {{
    {{100, 0, 0}, {230, 66, 66}, {241, 37, 68}, false},
    {{0, 0, 100}, {66, 99, 230}, {65, 105, 243}, false},
    {{0, 100, 0}, {66, 230, 66}, {89, 247, 62}, true},
    {{0, 100, 100}, {66, 230, 230}, {39, 174, 203}, true},
    {{70, 0, 100}, {170, 66, 230}, {150, 65, 243}, false},
}};

// Colours of graph scheme `scheme`; any number outside 1 to 5 draws in the
// blue scheme 2, the scheme of the default theme.
constexpr const BarColors& BarColorsOf(int scheme) {
  return scheme >= 1 && scheme <= static_cast<int>(kBarSchemes.size()) ? kBarSchemes[scheme - 1]
                                                                       : kBarSchemes[1];
}

}  // namespace tlw
