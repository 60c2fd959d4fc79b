#include "tools/loggen/time_text.h"

#include <array>
#include <string_view>

namespace tlw::loggen {
namespace {

constexpr std::array<std::string_view, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
  int year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's
// algorithm): no time zone and no C library state involved.
CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const auto year =
      static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2));
  return {year, month, day};
}

// `value` in decimal with leading zeros up to `width` digits.
std::string Padded(int value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

}  // namespace

TimeText MakeTimeText(std::int64_t secondsSinceEpoch) {
  std::int64_t days = secondsSinceEpoch / kSecondsPerDay;
  std::int64_t seconds = secondsSinceEpoch % kSecondsPerDay;
  if (seconds < 0) {
    seconds += kSecondsPerDay;
    --days;
  }
  const CivilDate date = CivilFromDays(days);
  const int hour = static_cast<int>(seconds / 3600);
  const int minute = static_cast<int>(seconds / 60 % 60);
  const int second = static_cast<int>(seconds % 60);
  const int month = static_cast<int>(date.month);
  const int day = static_cast<int>(date.day);

  TimeText text;
  const std::string minutesAndSeconds = ":" + Padded(minute, 2) + ":" + Padded(second, 2);
  text.clock = Padded(hour, 2) + minutesAndSeconds;
  text.clockNoZero = std::to_string(hour) + minutesAndSeconds;
  text.isoDate = Padded(date.year, 4) + "-" + Padded(month, 2) + "-" + Padded(day, 2);
  text.usShortDate = Padded(month, 2) + "/" + Padded(day, 2) + "/" + Padded(date.year % 100, 2);
  text.usLongDate = Padded(month, 2) + "/" + Padded(day, 2) + "/" + Padded(date.year, 4);
  text.ncsa = Padded(day, 2) + "/" + std::string(kMonthNames[date.month - 1]) + "/" +
              Padded(date.year, 4) + ":" + text.clock + " +0000";
  return text;
}

}  // namespace tlw::loggen
