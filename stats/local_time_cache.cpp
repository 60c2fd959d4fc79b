#include "stats/local_time_cache.h"

#include <ctime>

namespace tlw {
namespace {

LocalMoment ConvertUncached(std::int64_t year, std::int64_t month, std::int64_t day,
                            std::int64_t hour, std::int64_t minute) {
  std::tm fields{};
  fields.tm_year = static_cast<int>(year - 1900);
  fields.tm_mon = static_cast<int>(month - 1);
  fields.tm_mday = static_cast<int>(day);
  fields.tm_hour = static_cast<int>(hour);
  fields.tm_min = static_cast<int>(minute);
  fields.tm_sec = 0;
  fields.tm_isdst = -1;
  const std::time_t time = std::mktime(&fields);
  // With 0 seconds asked for, -1 can only mean failure.
  if (time == static_cast<std::time_t>(-1)) return LocalMoment{};
  return LocalMoment{static_cast<std::int64_t>(time), fields.tm_wday, true};
}

bool InRange(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }

}  // namespace

LocalMoment ConvertLocalTime(std::int64_t year, std::int64_t month, std::int64_t day,
                             std::int64_t hour, std::int64_t minute) {
  // Kept well inside int for the C library, whose sums must not overflow.
  if (!InRange(year, -100000, 100000) || !InRange(month, -1000, 1000) ||
      !InRange(day, -100000, 100000) || !InRange(hour, -100000, 100000) ||
      !InRange(minute, -100000, 100000)) {
    return LocalMoment{};
  }
  return ConvertUncached(year, month, day, hour, minute);
}

LocalMoment LocalTimeCache::Convert(std::int64_t year, std::int64_t month, std::int64_t day,
                                    std::int64_t hour, std::int64_t minute) {
  // Fields outside these ranges are rare nonsense: converted without the
  // cache.
  if (!InRange(year, 0, 65535) || !InRange(month, 0, 15) || !InRange(day, 0, 63) ||
      !InRange(hour, 0, 63) || !InRange(minute, 0, 59)) {
    return ConvertLocalTime(year, month, day, hour, minute);
  }
  const std::uint64_t hourKey =
      (static_cast<std::uint64_t>(year) << 22 | static_cast<std::uint64_t>(month) << 18 |
       static_cast<std::uint64_t>(day) << 12 | static_cast<std::uint64_t>(hour) << 6) +
      1;
  Slot& hourSlot = hours_[(hourKey * 0x9E3779B97F4A7C15ull) >> 56];
  if (hourSlot.key != hourKey) {
    hourSlot.key = hourKey;
    hourSlot.moment = ConvertUncached(year, month, day, hour, 0);
    const LocalMoment next = ConvertUncached(year, month, day, hour + 1, 0);
    hourSlot.steady =
        hourSlot.moment.valid && next.valid && next.time - hourSlot.moment.time == 3600;
  }
  if (hourSlot.steady) {
    LocalMoment moment = hourSlot.moment;
    moment.time += minute * 60;
    return moment;
  }
  const std::uint64_t minuteKey = hourKey + static_cast<std::uint64_t>(minute);
  Slot& slot = minutes_[(minuteKey * 0x9E3779B97F4A7C15ull) >> 56];
  if (slot.key != minuteKey) {
    slot.key = minuteKey;
    slot.moment = ConvertUncached(year, month, day, hour, minute);
  }
  return slot.moment;
}

void LocalTimeCache::Clear() {
  hours_ = {};
  minutes_ = {};
}

std::int64_t LocalDateValue(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm fields{};
  if (localtime_r(&t, &fields) == nullptr) return 0;
  return (static_cast<std::int64_t>(fields.tm_year) + 1900) * 10000 + (fields.tm_mon + 1) * 100 +
         fields.tm_mday;
}

}  // namespace tlw
