#include "stats/local_time_cache.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace tlw {
namespace {

// Every minute of the months around a year's clock changes, read in log
// order, converts as the C library converts it alone: in zones that move by
// an hour at 02:00 or 03:00 (Berlin, New York), at midnight (Sao Paulo in
// 2018), by half an hour (Lord Howe), and not at all (Kathmandu); with month
// ends that roll over (31 April is 1 May).
TEST(LocalTimeCache, ConvertsEveryMinuteAsTheCLibraryAcrossClockChanges) {
  struct Case {
    const char* zone;
    int year;
    int months[4];
  };
  const Case cases[] = {
      {"Europe/Berlin", 2024, {3, 4, 10, 11}},     {"America/New_York", 2024, {3, 4, 11, 12}},
      {"America/Sao_Paulo", 2018, {2, 3, 11, 12}}, {"Australia/Lord_Howe", 2024, {4, 5, 10, 11}},
      {"Asia/Kathmandu", 2024, {3, 4, 10, 11}},
  };
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "UTC";
  for (const Case& c : cases) {
    if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + c.zone)) continue;
    ::setenv("TZ", c.zone, 1);
    ::tzset();
    LocalTimeCache cache;
    int differences = 0;
    for (const int month : c.months) {
      for (int day = 1; day <= 31; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
          for (int minute = 0; minute < 60; ++minute) {
            const LocalMoment cached = cache.Convert(c.year, month, day, hour, minute);
            const LocalMoment alone = ConvertLocalTime(c.year, month, day, hour, minute);
            const bool same = cached.time == alone.time && cached.weekday == alone.weekday &&
                              cached.valid == alone.valid;
            if (!same && ++differences <= 3) {
              ADD_FAILURE() << c.zone << " " << c.year << "-" << month << "-" << day << " " << hour
                            << ":" << minute << ": " << cached.time << " against " << alone.time;
            }
          }
        }
      }
    }
    EXPECT_EQ(differences, 0) << c.zone;
  }
  ::setenv("TZ", saved.c_str(), 1);
  ::tzset();
}

}  // namespace
}  // namespace tlw
