#include "report/modern_periods.h"

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string_view>

namespace tlw {

namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr std::array<std::string_view, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kWeekdayNames = {"Mon", "Tue", "Wed", "Thu",
                                                           "Fri", "Sat", "Sun"};

// The calendar date of a packed date (year * 10000 + month * 100 + day).
std::optional<sys_days> DateOf(std::int64_t packed) {
  const auto ymd = year_month_day{std::chrono::year{static_cast<int>(packed / 10000)},
                                  std::chrono::month{static_cast<unsigned>(packed / 100 % 100)},
                                  std::chrono::day{static_cast<unsigned>(packed % 100)}};
  if (packed <= 0 || packed > 99991231 || !ymd.ok()) return std::nullopt;
  return sys_days{ymd};
}

// 0 for Monday to 6 for Sunday.
unsigned IsoWeekdayIndex(sys_days day) { return std::chrono::weekday{day}.iso_encoding() - 1; }

std::string TwoDigits(unsigned n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

std::string DayMonth(const year_month_day& ymd) {
  return std::to_string(static_cast<unsigned>(ymd.day())) + " " +
         std::string(kMonthNames[static_cast<unsigned>(ymd.month()) - 1]);
}

// The start of the period that holds `day`.
sys_days PeriodStart(sys_days day, PeriodUnit unit) {
  switch (unit) {
    case PeriodUnit::kDay:
      return day;
    case PeriodUnit::kWeek:
      return day - std::chrono::days{IsoWeekdayIndex(day)};
    case PeriodUnit::kMonth:
      break;
  }
  const year_month_day ymd{day};
  return sys_days{ymd.year() / ymd.month() / 1};
}

sys_days NextPeriod(sys_days start, PeriodUnit unit) {
  switch (unit) {
    case PeriodUnit::kDay:
      return start + std::chrono::days{1};
    case PeriodUnit::kWeek:
      return start + std::chrono::days{7};
    case PeriodUnit::kMonth:
      break;
  }
  const year_month_day ymd{start};
  return sys_days{year_month_day{ymd.year() / ymd.month() / 1} + std::chrono::months{1}};
}

// The labels of the period that begins on `start`.
void Label(TrafficPeriod& period, sys_days start, PeriodUnit unit) {
  const year_month_day ymd{start};
  const int year = static_cast<int>(ymd.year());
  const unsigned month = static_cast<unsigned>(ymd.month());
  switch (unit) {
    case PeriodUnit::kDay:
      period.label = std::string(kWeekdayNames[IsoWeekdayIndex(start)]) + " " +
                     std::to_string(year) + "-" + TwoDigits(month) + "-" +
                     TwoDigits(static_cast<unsigned>(ymd.day()));
      period.shortLabel = DayMonth(ymd);
      return;
    case PeriodUnit::kWeek: {
      // An ISO week belongs to the year of its Thursday and is numbered
      // from the week that holds that year's first Thursday.
      const sys_days thursday = start + std::chrono::days{3};
      const year_month_day thursdayYmd{thursday};
      const sys_days yearStart{thursdayYmd.year() / 1 / 1};
      const auto week = (thursday - yearStart).count() / 7 + 1;
      period.label = "Week " + std::to_string(week) + " of " +
                     std::to_string(static_cast<int>(thursdayYmd.year())) + ", from " +
                     DayMonth(ymd);
      period.shortLabel = "W" + std::to_string(week);
      return;
    }
    case PeriodUnit::kMonth:
      period.label = std::string(kMonthNames[month - 1]) + " " + std::to_string(year);
      period.shortLabel = period.label;
      return;
  }
}

}  // namespace

TrafficSeries GroupTraffic(std::span<const AudienceDay> days) {
  TrafficSeries series;
  std::optional<sys_days> first;
  std::optional<sys_days> last;
  for (const AudienceDay& day : days) {
    const std::optional<sys_days> date = DateOf(day.date);
    if (!date) continue;
    if (!first || *date < *first) first = date;
    if (!last || *date > *last) last = date;
  }
  if (!first) return series;
  const std::int64_t span = (*last - *first).count() + 1;
  series.unit = span <= kDailyUpToDays    ? PeriodUnit::kDay
                : span <= kWeeklyUpToDays ? PeriodUnit::kWeek
                                          : PeriodUnit::kMonth;

  std::map<sys_days, TrafficPeriod> byStart;
  for (sys_days start = PeriodStart(*first, series.unit); start <= *last;
       start = NextPeriod(start, series.unit)) {
    Label(byStart[start], start, series.unit);
  }
  for (const AudienceDay& day : days) {
    const std::optional<sys_days> date = DateOf(day.date);
    if (!date) continue;
    TrafficPeriod& period = byStart[PeriodStart(*date, series.unit)];
    period.peoplePageViews += day.peoplePageViews;
    period.peopleVisits += day.peopleVisits;
    period.peopleHits += day.peopleHits;
    period.robotHits += day.robotHits;
  }
  series.periods.reserve(byStart.size());
  for (auto& [start, period] : byStart) series.periods.push_back(std::move(period));
  return series;
}

}  // namespace tlw
