#include "report/theme.h"

#include <gtest/gtest.h>

#include "settings/site_profile.h"

namespace tlw {
namespace {

struct ThemeCase {
  const char* name;
  const char* headerColor;
  const char* visitedLinkColor;
  const char* valueColor;
  const char* ruleColor;
  const char* backgroundColor;
  const char* textColor;
  int graphScheme;
};

class ThemeLookup : public testing::TestWithParam<ThemeCase> {};

TEST_P(ThemeLookup, GivesColorsAndScheme) {
  const ThemeCase& c = GetParam();
  const Theme& theme = FindTheme(c.name);
  EXPECT_EQ(theme.colors.headerColor, c.headerColor);
  EXPECT_EQ(theme.colors.visitedLinkColor, c.visitedLinkColor);
  EXPECT_EQ(theme.colors.valueColor, c.valueColor);
  EXPECT_EQ(theme.colors.ruleColor, c.ruleColor);
  EXPECT_EQ(theme.colors.backgroundColor, c.backgroundColor);
  EXPECT_EQ(theme.colors.textColor, c.textColor);
  EXPECT_EQ(theme.graphScheme, c.graphScheme);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ThemeLookup,
    testing::Values(
        ThemeCase{"Blue", "0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000", 2},
        ThemeCase{"Red", "F12544", "441E1F", "800000", "F07373", "FFFFFF", "000000", 1},
        ThemeCase{"Green", "00CC33", "2CC05C", "000000", "2CC05C", "FFFFFF", "000000", 3},
        ThemeCase{"Grey", "808080", "000000", "808080", "3F3F3F", "FFFFFF", "000000", 1},
        ThemeCase{"Teal", "0080FF", "3684A0", "000000", "27AECB", "FFFFFF", "000000", 4},
        ThemeCase{"Orange", "EB8F14", "F07D46", "AA1A00", "F5B967", "FFFFFF", "000000", 1},
        ThemeCase{"Purple", "5050A3", "000000", "AC5553", "9C9CCF", "FFFFFF", "000000", 5},
        ThemeCase{"Green on Black", "00CC33", "59F73E", "10E005", "9C9CCF", "000000", "FFFFFF", 3},
        // Any other name is Blue: the default entry, an empty name, and
        // names that differ only in case or spacing.
        ThemeCase{"(default)", "0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000", 2},
        ThemeCase{"", "0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000", 2},
        ThemeCase{"green", "0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000", 2},
        ThemeCase{"Green ", "0000FF", "0000FF", "0000EE", "738EFD", "FFFFFF", "000000", 2}));

TEST(ThemeNames, EveryOfferedNameButTheDefaultIsItsOwnTheme) {
  EXPECT_EQ(kThemeNames.front(), "(default)");
  for (std::string_view name : kThemeNames) {
    if (name == "(default)") continue;
    EXPECT_EQ(FindTheme(name).name, name);
  }
}

TEST(ThemeOfProfile, FollowsTheCurrentThemeName) {
  CSiteProfile profile;
  EXPECT_EQ(ThemeColorsOf(profile).headerColor, "0000FF");
  EXPECT_EQ(GraphSchemeOf(profile), 2);
  profile.SetThemeName("Teal");
  EXPECT_EQ(ThemeColorsOf(profile).headerColor, "0080FF");
  EXPECT_EQ(GraphSchemeOf(profile), 4);
}

}  // namespace
}  // namespace tlw
