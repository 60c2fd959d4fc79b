#include "engine/run_texts.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/file_name_part.h"

namespace tlw {
namespace {

std::tm LocalTime(std::int64_t time) {
  const auto t = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

struct CalendarDay {
  std::int64_t year = 0;
  std::int64_t month = 0;
  std::int64_t day = 0;
};

// The UTC calendar day of a time in the proleptic Gregorian calendar, for
// any 64-bit time (the days-to-civil conversion of H. Hinnant's date
// algorithms, with 400-year eras of 146097 days counted from 0000-03-01).
CalendarDay UtcDay(std::int64_t time) {
  constexpr std::int64_t kSecondsPerDay = 86400;
  std::int64_t days = time / kSecondsPerDay - (time % kSecondsPerDay < 0 ? 1 : 0);
  days += 719468;  // from 1970-01-01 to 0000-03-01
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 is March
  CalendarDay out;
  out.day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  out.month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  out.year = yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0);
  return out;
}

// The local calendar day of a time; a time whose year the C library cannot
// hold in its int falls back to the UTC day.
CalendarDay LocalDay(std::int64_t time) {
  const auto t = static_cast<std::time_t>(time);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return UtcDay(time);
  return {std::int64_t{local.tm_year} + 1900, std::int64_t{local.tm_mon} + 1, local.tm_mday};
}

}  // namespace

std::string TimeTakenText(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  char text[48];
  std::snprintf(text, sizeof text, "%02lldh %02lldm %02llds",
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string RangeDayText(std::int64_t time) {
  const CalendarDay day = LocalDay(time);
  return std::to_string(day.month) + "-" + std::to_string(day.day) + "-" + std::to_string(day.year);
}

std::string FinishTimeText(std::int64_t time) {
  const std::tm local = LocalTime(time);
  char text[64];
  // The two-digit year is the format the site list has always shown.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
  const std::size_t size = std::strftime(text, sizeof text, "%I:%M%p %a %m-%d-%y", &local);
#pragma GCC diagnostic pop
  return std::string(text, size);
}

void DayKey::Note(std::string_view month, std::string_view day) {
  month.remove_prefix(std::min(month.find_first_not_of(' '), month.size()));
  const std::size_t monthSize = std::min(month.size(), text_.size() - 1);
  std::copy_n(month.data(), monthSize, text_.data());
  text_[monthSize] = '-';
  const std::size_t daySize = std::min(day.size(), text_.size() - monthSize - 1);
  std::copy_n(day.data(), daySize, text_.data() + monthSize + 1);
  size_ = monthSize + 1 + daySize;
}

std::string GraphFilePrefixOf(int listIndex, std::string_view dayKey) {
  return std::to_string(listIndex) + "_" + FileNamePart(dayKey);
}

}  // namespace tlw
