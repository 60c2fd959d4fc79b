#include "settings/schedule_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

namespace tlw {
namespace {

// Tests run with TZ=UTC, so these local times are UTC times.
std::int64_t At(const char* text) {
  std::tm fields{};
  if (std::sscanf(text, "%d-%d-%d %d:%d", &fields.tm_year, &fields.tm_mon, &fields.tm_mday,
                  &fields.tm_hour, &fields.tm_min) != 5) {
    ADD_FAILURE() << "bad time in test table: " << text;
  }
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  return timegm(&fields);
}

struct ScheduleCase {
  const char* name;
  const char* choice;
  const char* start;
  const char* last;
  bool ranThisSession;
  const char* now;
  bool fires;
};

class Schedule : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(Schedule, FiresOnlyWhenItsRuleHolds) {
  const ScheduleCase& c = GetParam();
  const ScheduleInputs site{c.choice, At(c.start), At(c.last), c.ranThisSession};
  EXPECT_EQ(ScheduleFires(site, At(c.now)), c.fires);
}

constexpr const char* kStart = "2025-06-20 09:20";
constexpr const char* kNever = "1970-01-01 00:00";

INSTANTIATE_TEST_SUITE_P(
    Rules, Schedule,
    ::testing::Values(
        ScheduleCase{"OnceAtStartTimeAnyDay", "(only once)", kStart, kNever, false,
                     "2026-03-05 09:20", true},
        ScheduleCase{"OnceOtherHour", "(only once)", kStart, kNever, false, "2026-03-05 10:20",
                     false},
        ScheduleCase{"OnceOtherMinute", "(only once)", kStart, kNever, false, "2026-03-05 09:21",
                     false},
        ScheduleCase{"Every5AtHourWhateverStart", "every 5 mins", kStart, kNever, false,
                     "2026-03-05 14:00", true},
        ScheduleCase{"Every5Off", "every 5 mins", kStart, kNever, false, "2026-03-05 14:57", false},
        ScheduleCase{"Every10", "every 10 mins", kStart, kNever, false, "2026-03-05 14:40", true},
        ScheduleCase{"Every10Off", "every 10 mins", kStart, kNever, false, "2026-03-05 14:45",
                     false},
        ScheduleCase{"Every15", "every 15 mins", kStart, kNever, false, "2026-03-05 14:45", true},
        ScheduleCase{"Every15Off", "every 15 mins", kStart, kNever, false, "2026-03-05 14:50",
                     false},
        ScheduleCase{"Every30", "every 30 mins", kStart, kNever, false, "2026-03-05 14:30", true},
        ScheduleCase{"Every30Off", "every 30 mins", kStart, kNever, false, "2026-03-05 14:15",
                     false},
        ScheduleCase{"HourAtStartMinute", "every hour", kStart, kNever, false, "2026-03-05 14:20",
                     true},
        ScheduleCase{"HourOff", "every hour", kStart, kNever, false, "2026-03-05 14:21", false},
        ScheduleCase{"OtherHourEvenAfterStart", "every other hour", kStart, kNever, false,
                     "2026-03-05 11:20", true},
        ScheduleCase{"OtherHourOddAfterStart", "every other hour", kStart, kNever, false,
                     "2026-03-05 10:20", false},
        ScheduleCase{"OtherHourOddBeforeStartHour", "every other hour", kStart, kNever, false,
                     "2026-03-05 00:20", false},
        ScheduleCase{"OtherHourBeforeStartHour", "every other hour", kStart, kNever, false,
                     "2026-03-05 01:20", true},
        ScheduleCase{"OtherHourOtherMinute", "every other hour", kStart, kNever, false,
                     "2026-03-05 11:21", false},
        ScheduleCase{"DayFirstChanceIgnoresLast", "once a day", kStart, "2026-03-05 08:00", false,
                     "2026-03-05 09:20", true},
        ScheduleCase{"DayAlreadyRunToday", "once a day", kStart, "2026-03-05 08:00", true,
                     "2026-03-05 09:20", false},
        ScheduleCase{"DayRanYesterday", "once a day", kStart, "2026-03-04 09:21", true,
                     "2026-03-05 09:20", true},
        ScheduleCase{"DayNotAtStartTime", "once a day", kStart, "2026-03-04 09:21", true,
                     "2026-03-05 09:21", false},
        ScheduleCase{"DaySameDayOfLastMonth", "once a day", kStart, "2026-03-05 09:21", true,
                     "2026-04-05 09:20", true},
        ScheduleCase{"MonthFirstTickIgnoresLast", "once a month", kStart, "2026-03-01 00:00", false,
                     "2026-03-05 14:37", true},
        ScheduleCase{"MonthAlreadyRun", "once a month", kStart, "2026-03-01 00:00", true,
                     "2026-03-31 23:59", false},
        ScheduleCase{"MonthNewMonthAnyTime", "once a month", kStart, "2026-03-31 23:59", true,
                     "2026-04-01 00:00", true},
        ScheduleCase{"MonthSameMonthLastYear", "once a month", kStart, "2025-03-05 10:00", true,
                     "2026-03-05 10:00", true},
        // At the start time on the hour every rule would hold.
        ScheduleCase{"UnknownCase", "Every hour", "2025-06-20 10:00", kNever, false,
                     "2026-03-05 10:00", false},
        ScheduleCase{"UnknownSpace", "every hour ", "2025-06-20 10:00", kNever, false,
                     "2026-03-05 10:00", false},
        ScheduleCase{"UnknownEmpty", "", "2025-06-20 10:00", kNever, false, "2026-03-05 10:00",
                     false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace tlw
