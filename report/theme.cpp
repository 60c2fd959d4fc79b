#include "report/theme.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "settings/site_profile.h"

namespace tlw {
namespace {

// The first row is also the theme of every name not listed.
constexpr std::array<Theme, 8> kThemes = {{
    // name, {header, visited link, value, rule, background, text}, graph scheme
    {"Blue", {"0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000"}, 2},
    {"Red", {"F12544", "441E1F", "800000", "F07373", "FFFFFF", "000000"}, 1},
    {"Green", {"00CC33", "2CC05C", "000000", "2CC05C", "FFFFFF", "000000"}, 3},
    {"Grey", {"808080", "000000", "808080", "3F3F3F", "FFFFFF", "000000"}, 1},
    {"Teal", {"0080FF", "3684A0", "000000", "27AECB", "FFFFFF", "000000"}, 4},
    {"Orange", {"EB8F14", "F07D46", "AA1A00", "F5B967", "FFFFFF", "000000"}, 1},
    {"Purple", {"5050A3", "000000", "AC5553", "9C9CCF", "FFFFFF", "000000"}, 5},
    {"Green on Black", {"00CC33", "59F73E", "10E005", "9C9CCF", "000000", "FFFFFF"}, 3},
}};

// Relative luminance (sRGB, 0 to 1) of a colour of six hexadecimal digits.
double RelativeLuminance(std::string_view hex) {
  const long rgb = std::strtol(std::string(hex).c_str(), nullptr, 16);
  const auto linear = [](long channel) {
    const double c = static_cast<double>(channel) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(rgb >> 16 & 0xFF) + 0.7152 * linear(rgb >> 8 & 0xFF) +
         0.0722 * linear(rgb & 0xFF);
}

}  // namespace

const Theme& FindTheme(std::string_view themeName) {
  for (const Theme& theme : kThemes) {
    if (theme.name == themeName) return theme;
  }
  return kThemes[0];
}

ThemeColors ThemeColorsOf(const CSiteProfile& profile) {
  return FindTheme(profile.GetThemeName()).colors;
}

int GraphSchemeOf(const CSiteProfile& profile) {
  return FindTheme(profile.GetThemeName()).graphScheme;
}

bool IsDarkPage(const ThemeColors& colors) {
  // Below this luminance white text has the higher contrast ratio.
  return RelativeLuminance(colors.backgroundColor) < 0.18;
}

FixedColors FixedColorsOf(const ThemeColors& colors) {
  if (IsDarkPage(colors)) return {"303030", colors.textColor, "FF8080"};
  return {"EAEAEA", "000000", "800000"};
}

}  // namespace tlw
