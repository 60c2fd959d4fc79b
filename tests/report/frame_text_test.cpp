#include "report/frame_text.h"

#include <gtest/gtest.h>

namespace tlw {
namespace {

TEST(DisplayHost, DropsSchemeKeepsHostAndPath) {
  EXPECT_EQ(DisplayHost("http://www.example.com"), "www.example.com");
  EXPECT_EQ(DisplayHost("https://example.com/shop/"), "example.com/shop/");
  EXPECT_EQ(DisplayHost("example.com"), "example.com");
  EXPECT_EQ(DisplayHost("example.com/xy"), "y");  // no scheme: the rule still cuts one more
  EXPECT_EQ(DisplayHost("a/"), "");
}

TEST(DurationText, PeriodTextsInEveryForm) {
  struct Case {
    const char* from;
    const char* to;
    const char* text;
  } const cases[] = {
      {"6-23-1999 14:05", "6-24-1999 16:10", "1 days</B>, 02 hrs, 05 mins"},
      {"00-00-00", "00-00-00", "0 days</B>, 00 hrs, 00 mins"},
      {"Jun-23-1999 14:05", "Jun-23-1999 14:06", "0 days</B>, 00 hrs, 01 mins"},
      {"3-1-2001", "3-31-2001", "30 days</B>, 00 hrs, 00 mins"},
      {"Dec-31-1999 23:00", "Jan-1-2000 01:30", "0 days</B>, 02 hrs, 30 mins"},
      // Month names are case-sensitive: "jun" is month 0, the December before.
      {"jun-1-2000", "Dec-1-1999", "0 days</B>, 00 hrs, 00 mins"},
      // Two-digit years are widened as the statistics widen them.
      {"12-31-99 23:00", "1-1-00 01:00", "0 days</B>, 02 hrs, 00 mins"},
      {"Mar-1-84", "Mar-1-85", "-36160 days</B>, 00 hrs, 00 mins"},
      // A year no calendar reaches gives no length.
      {"1-1-2147483648 00:00", "1-2-2147483648 00:00", "0 days</B>, 00 hrs, 00 mins"},
      {"3-1-2001", "3-1-99999999999999", "0 days</B>, 00 hrs, 00 mins"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DurationText(PeriodSeconds(c.from, c.to)), c.text) << c.from << " to " << c.to;
  }
}

TEST(PerDay, TruncatesAndTreatsZeroDaysAsOne) {
  EXPECT_EQ(PerDay(10, 3), 3);
  EXPECT_EQ(PerDay(10, 0), 10);
  // Counts past 32 bits are divided whole, not cut to their low 32 bits.
  EXPECT_EQ(PerDay(10'000'000'000LL, 2), 5'000'000'000LL);
}

TEST(FrameText, DashRuleAndGenerationTime) {
  EXPECT_EQ(DashRule(3), "\xE2\x80\x93\xE2\x80\x93\xE2\x80\x93");        // U+2013 in UTF-8
  EXPECT_EQ(GenerationTimeText(1796569620), "03:07PM, Sun 12-06-2026");  // TZ=UTC
}

}  // namespace
}  // namespace tlw
