#pragma once

#include <array>
#include <cstdint>

namespace tlw {

// A calendar moment in local time, converted to seconds since 1970.
struct LocalMoment {
  std::int64_t time = 0;
  int weekday = 0;  // 0 Sunday .. 6 Saturday
  bool valid = false;
};

// The moment of year-month-day hour:minute:00 local time, without a cache.
// Out-of-range fields are normalised as the C library does; invalid when a
// field is too far out (a year beyond +/-100000) or the C library cannot
// represent the moment.
LocalMoment ConvertLocalTime(std::int64_t year, std::int64_t month, std::int64_t day,
                             std::int64_t hour, std::int64_t minute);

// Converts local calendar fields (seconds 0) to a moment, remembering recent
// conversions: consecutive log records mostly share their hour, and the C
// library's conversion is slow (without TZ set, glibc looks at the zone file
// again at every call). An hour is converted once, with the start of the
// next hour; when the two lie 3600 seconds apart no clock change falls in
// between, and its minutes follow by adding 60 seconds each. The minutes of
// an hour with a clock change are converted one by one.
class LocalTimeCache {
 public:
  // The moment of year-month-day hour:minute:00 local time. Out-of-range
  // fields are normalised as the C library does (day 0 is the last day of the
  // previous month); invalid when the C library cannot represent it.
  LocalMoment Convert(std::int64_t year, std::int64_t month, std::int64_t day, std::int64_t hour,
                      std::int64_t minute);
  void Clear();

 private:
  static constexpr std::size_t kSlots = 256;
  struct Slot {
    std::uint64_t key = 0;  // 0: empty
    LocalMoment moment;
    bool steady = false;  // an hour's slot: no clock change before the next hour
  };
  // Hours by their start, and the minutes of hours with a clock change.
  std::array<Slot, kSlots> hours_{};
  std::array<Slot, kSlots> minutes_{};
};

// The calendar date of a time in local time, packed as year*10000 +
// month*100 + day.
std::int64_t LocalDateValue(std::int64_t time);

}  // namespace tlw
