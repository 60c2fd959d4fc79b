#pragma once

#include <array>
#include <string_view>

namespace tlw {

class CSiteProfile;

// The page colours of a report theme, each six upper-case hexadecimal digits
// without "#". The texts are static, so a copy stays valid for any time.
struct ThemeColors {
  std::string_view headerColor;       // column headings; link colour of the page
  std::string_view visitedLinkColor;  // visited links of the page
  std::string_view valueColor;        // counts in table rows; weekend/weekday line
  std::string_view ruleColor;         // dash rules of the page header
  std::string_view backgroundColor;   // page background
  std::string_view textColor;         // page text
};

// One row of the theme table: its name, page colours and bar-graph colour
// scheme (1 to 5, see bar_graph_palette.h).
struct Theme {
  std::string_view name;
  ThemeColors colors;
  int graphScheme;
};

// Theme names offered to the user, in the order of the drop-down list. A new
// profile starts with the first.
inline constexpr std::array<std::string_view, 9> kThemeNames = {
    "(default)", "Red", "Green", "Green on Black", "Blue", "Grey", "Teal", "Orange", "Purple"};

// The theme whose name equals `themeName` exactly (case-sensitive); the Blue
// theme for any other name, "(default)" and "" included. Never fails.
const Theme& FindTheme(std::string_view themeName);

// Page colours of the profile's current `themeName`, looked up on every call
// so that a changed theme takes effect at the next report.
ThemeColors ThemeColorsOf(const CSiteProfile& profile);

// Bar-graph colour scheme (1 to 5) of the profile's current `themeName`.
int GraphSchemeOf(const CSiteProfile& profile);

// Whether the page background is dark: white text reads better on it than
// black (relative luminance below 0.18).
bool IsDarkPage(const ThemeColors& colors);

// Colours that the theme table does not list. On a light page they are the
// classic fixed ones; a dark page gets counterparts that its light text and
// the reader's eye can still tell apart from the background.
struct FixedColors {
  // Background of the shaded table rows, the Summary heading and the Report
  // Period label, all written in the page text colour: "EAEAEA" on a light
  // page, "303030" on a dark one.
  std::string_view shade;
  // The bar between the header box's title and its period: "000000" on a
  // light page, the page text colour on a dark one.
  std::string_view divider;
  // The generation time in the footer: "800000" on a light page, "FF8080"
  // on a dark one.
  std::string_view generationTime;
};
FixedColors FixedColorsOf(const ThemeColors& colors);

}  // namespace tlw
