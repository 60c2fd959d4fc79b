#include "settings/schedule_rules.h"

#include <array>
#include <ctime>
#include <optional>
#include <string_view>

#include "settings/schedule_choices.h"
#include "settings/site_profile.h"

namespace tlw {

namespace {

struct LocalMoment {
  int year;
  int month;
  int day;
  int hour;
  int minute;
};

std::optional<LocalMoment> ToLocal(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
  return LocalMoment{local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min};
}

// One tick's view of a site: the clock, the start time and the last run, or
// no last run when the site has not run since the program started.
struct RuleClock {
  const LocalMoment& now;
  const LocalMoment& start;
  const std::optional<LocalMoment>& last;

  bool AtStartMinute() const { return now.minute == start.minute; }
  bool AtStartTime() const { return AtStartMinute() && now.hour == start.hour; }
  // The date is compared whole: a last run on 5 March must not keep a daily
  // site from its run on 5 April, nor one in March of last year a monthly
  // site from this March.
  bool LastRunBeforeToday() const {
    return !last || last->year != now.year || last->month != now.month || last->day != now.day;
  }
  bool LastRunBeforeThisMonth() const {
    return !last || last->year != now.year || last->month != now.month;
  }
};

struct ScheduleRule {
  std::string_view choice;
  bool (*fires)(const RuleClock&);
};

// In the order the tick tests them. "(only once)" ignores the start's date,
// so it fires at that time of every day. "every other hour" keeps the hours
// an even number away from the start hour; a day has an even number of
// hours, so the same hours qualify every day.
constexpr std::array<ScheduleRule, 9> kScheduleRules{{
    {kScheduleIntervals[0], [](const RuleClock& c) { return c.AtStartTime(); }},
    {kScheduleIntervals[5], [](const RuleClock& c) { return c.now.minute % 15 == 0; }},
    {kScheduleIntervals[3], [](const RuleClock& c) { return c.now.minute % 5 == 0; }},
    {kScheduleIntervals[4], [](const RuleClock& c) { return c.now.minute % 10 == 0; }},
    {kScheduleIntervals[6], [](const RuleClock& c) { return c.now.minute % 30 == 0; }},
    {kScheduleIntervals[2], [](const RuleClock& c) { return c.AtStartMinute(); }},
    {kScheduleIntervals[1],
     [](const RuleClock& c) { return c.AtStartMinute() && (c.now.hour - c.start.hour) % 2 == 0; }},
    {kScheduleIntervals[7],
     [](const RuleClock& c) { return c.LastRunBeforeToday() && c.AtStartTime(); }},
    {kScheduleIntervals[8], [](const RuleClock& c) { return c.LastRunBeforeThisMonth(); }},
}};

}  // namespace

ScheduleInputs ScheduleInputsOf(const CSiteProfile& profile, bool ranThisSession) {
  return ScheduleInputs{profile.GetScheduleInterval(), profile.GetScheduleStartTime(),
                        profile.GetLastRunTime(), ranThisSession};
}

bool ScheduleFires(const ScheduleInputs& site, std::int64_t now) {
  const std::optional<LocalMoment> nowLocal = ToLocal(now);
  const std::optional<LocalMoment> start = ToLocal(site.scheduleStartTime);
  if (!nowLocal || !start) return false;
  // A last run with no local-time form cannot have been today or this month.
  const std::optional<LocalMoment> last =
      site.ranThisSession ? ToLocal(site.lastRunTime) : std::nullopt;
  const RuleClock clock{*nowLocal, *start, last};
  for (const ScheduleRule& rule : kScheduleRules) {
    if (rule.choice == site.scheduleInterval && rule.fires(clock)) return true;
  }
  return false;
}

}  // namespace tlw
