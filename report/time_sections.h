#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/section_rows.h"
#include "report/theme.h"

namespace tlw {

// Label of an hour key ("0" to "23", "24" as "0"); empty for other keys.
std::string_view HourLabel(std::string_view key);

// "June 1999" for the month keys "6 1999" and "Jun 1999" (blanks before the
// month are skipped); the key itself when no month matches.
std::string MonthLabel(std::string_view key);

// Hours: every ranked hour, two columns of 12.
std::string HoursHtml(const RankedRows& ranked, const ThemeColors& colors);

// Days of the Week with the weekend and weekday shares.
std::string DaysOfWeekHtml(const RankedRows& ranked, const ThemeColors& colors);

// Months: every ranked month with its full name.
std::string MonthsHtml(const RankedRows& ranked, const ThemeColors& colors);

// One day of the daily table.
struct DayActivity {
  std::string_view key;          // date key as the log wrote it
  std::int64_t hits = 0;         // requests that day
  std::int64_t newVisitors = 0;  // hosts first seen that day
  std::int64_t bytes = 0;        // bytes sent that day
};

// Daily Visitor Activity over `days` in calendar order, oldest first; columns
// of 40 days, two side by side.
std::string DailyActivityHtml(const std::vector<DayActivity>& days, const ThemeColors& colors);

}  // namespace tlw
