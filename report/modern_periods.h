#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "stats/audience.h"

namespace tlw {

// The unit of the traffic-over-time section.
enum class PeriodUnit { kDay, kWeek, kMonth };

// A log that spans up to this many calendar days is shown day by day; up
// to kWeeklyUpToDays week by week (ISO weeks, Monday first); a longer one
// month by month. Either way a chart keeps roughly a hundred bars at most.
inline constexpr std::int64_t kDailyUpToDays = 92;
inline constexpr std::int64_t kWeeklyUpToDays = 731;

// The people and robot counts of one day, week or month.
struct TrafficPeriod {
  std::string label;       // for the table: "Tue 2026-12-08", "Week 49 of 2026, from 30 Nov"
  std::string shortLabel;  // under the chart: "8 Dec", "W49", "Dec 2026"
  std::int64_t peoplePageViews = 0;
  std::int64_t peopleVisits = 0;
  std::int64_t peopleHits = 0;
  std::int64_t robotHits = 0;
};

struct TrafficSeries {
  PeriodUnit unit = PeriodUnit::kDay;
  std::vector<TrafficPeriod> periods;  // oldest first, every period between the first and last
};

// The days of the log grouped into periods in time order, the unit chosen
// by the span from the first to the last day; periods without a counted
// day are there with zeros, so that the chart's axis is even. Days whose
// date is not a calendar date are left out; none left: no periods.
TrafficSeries GroupTraffic(std::span<const AudienceDay> days);

}  // namespace tlw
