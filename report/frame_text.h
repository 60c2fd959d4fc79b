#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace tlw {

// A rule of `count` en dashes (U+2013) in UTF-8, the encoding the report
// declares.
std::string DashRule(int count);

// The site URL without its scheme: everything up to and including the first
// "/" and the one character after it is dropped ("http://example.com/x"
// gives "example.com/x"). A URL without "/" is used whole.
std::string DisplayHost(std::string_view siteUrl);

// Seconds from one period text ("month-day-year[ hour:minute]", the month a
// number or an English three-letter name) to another, both read as local
// times; two-digit years are widened as the statistics widen them (0-84 are
// 2000-2084, 85-99 are 1985-1999). Tokens that are missing count as 0; a
// text too far out to convert (a year beyond 100000) gives 0 seconds.
std::int64_t PeriodSeconds(std::string_view from, std::string_view to);

// "D days</B>, HH hrs, MM mins" for a duration in seconds.
std::string DurationText(std::int64_t seconds);

// A count divided by the number of days of the period, truncated; a period
// of 0 days counts as 1.
std::int64_t PerDay(std::int64_t count, std::int64_t days);

// Local time as "%I:%M%p, %a %m-%d-%Y" (e.g. "03:07PM, Sun 12-06-2026").
std::string GenerationTimeText(std::time_t now);

}  // namespace tlw
