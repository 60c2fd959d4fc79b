#include "report/frame_text.h"

#include <algorithm>

#include "stats/local_time_cache.h"
#include "stats/log_numbers.h"

namespace tlw {
namespace {

// Cuts the next token of `text` up to `separator`; the rest follows it.
std::string_view NextToken(std::string_view& text, char separator) {
  const size_t end = text.find(separator);
  const std::string_view token = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  return token;
}

// A period text read as a local time the way the statistics read the log's
// own texts: numbers as log numbers, two-digit years widened. Invalid for a
// date too far out to convert.
LocalMoment PeriodTime(std::string_view text) {
  const std::int64_t month = MonthNumber(NextToken(text, '-'));
  const std::int64_t day = ReadLogNumber(NextToken(text, '-'));
  const std::int64_t year = FullYear(ReadLogNumber(NextToken(text, ' ')));
  const std::int64_t hour = ReadLogNumber(NextToken(text, ':'));
  const std::int64_t minute = ReadLogNumber(NextToken(text, ' '));
  return ConvertLocalTime(year, month, day, hour, minute);
}

std::string TwoDigits(std::int64_t value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

}  // namespace

std::string DashRule(int count) {
  constexpr std::string_view kEnDash = "\xE2\x80\x93";  // U+2013
  std::string rule;
  rule.reserve(kEnDash.size() * static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) rule += kEnDash;
  return rule;
}

std::string DisplayHost(std::string_view siteUrl) {
  const size_t slash = siteUrl.find('/');
  if (slash == std::string_view::npos) return std::string(siteUrl);
  const size_t start = slash + 2;
  return start >= siteUrl.size() ? std::string() : std::string(siteUrl.substr(start));
}

std::int64_t PeriodSeconds(std::string_view from, std::string_view to) {
  const LocalMoment start = PeriodTime(from);
  const LocalMoment end = PeriodTime(to);
  if (!start.valid || !end.valid) return 0;
  return end.time - start.time;
}

std::string DurationText(std::int64_t seconds) {
  // A negative duration (To before From) keeps its sign in the days, as a
  // plain subtraction gives, and its hours and minutes are taken positive.
  const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
  const std::int64_t days = seconds / 86400;
  const std::int64_t hours = magnitude % 86400 / 3600;
  const std::int64_t minutes = magnitude % 3600 / 60;
  return std::to_string(days) + " days</B>, " + TwoDigits(hours) + " hrs, " + TwoDigits(minutes) +
         " mins";
}

std::int64_t PerDay(std::int64_t count, std::int64_t days) {
  return count / (days == 0 ? 1 : days);
}

std::string GenerationTimeText(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const size_t length = std::strftime(text, sizeof(text), "%I:%M%p, %a %m-%d-%Y", &local);
  return std::string(text, length);
}

}  // namespace tlw
