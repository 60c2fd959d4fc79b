#include "stats/time_series.h"

#include <algorithm>

#include "stats/local_time_cache.h"
#include "stats/log_numbers.h"
#include "stats/text_hash.h"

namespace tlw {

namespace {

bool IsCurrentDay(const CountingState& state, std::string_view month, std::string_view day) {
  const std::string& current = state.currentDay;
  return current.size() == month.size() + 1 + day.size() &&
         BytesEqual(current.data(), month.data(), month.size()) && current[month.size()] == '-' &&
         BytesEqual(current.data() + month.size() + 1, day.data(), day.size());
}

}  // namespace

void TrackDay(SiteStatistics& statistics, CountingState& state, const LogRecord& record,
              std::int64_t bytes, bool sameDate) {
  if (!sameDate) {
    std::string_view month = record.month;
    while (!month.empty() && month.front() == ' ') month.remove_prefix(1);
    const std::string_view day = record.day;
    if (!IsCurrentDay(state, month, day)) {
    // A day that comes back after another day starts a new run from 1: the
    // log is taken to be in time order. The first record of a run is not
    // compared with the best day.
      state.currentDay.assign(month);
      state.currentDay.push_back('-');
      state.currentDay.append(day);
      state.currentDayHits = 1;
      state.currentDayBytes = bytes;
      state.currentDayNewVisitors = 0;
      return;
    }
  }
  ++state.currentDayHits;
  state.currentDayBytes = SaturatingAdd(state.currentDayBytes, bytes);
  // Strictly greater: of two days with equal hits the earlier stays.
  if (state.currentDayHits > state.bestDayHits) {
    state.bestDayHits = state.currentDayHits;
    statistics.busiestDay = state.currentDay;
  }
}

const CountingState::DateSlot& DateOf(CountingState& state, const LogRecord& record,
                                      bool* sameDate) {
  CountingState::DateSlot& date = state.date;
  const bool same = date.valid && TextEquals(record.month, date.month) &&
                    TextEquals(record.day, date.day) && TextEquals(record.year, date.year);
  if (sameDate) *sameDate = same;
  if (same) return date;
  date = CountingState::DateSlot{};
  date.valid = true;
  date.month.assign(record.month);
  date.day.assign(record.day);
  date.year.assign(record.year);
  date.dateKey.append(record.month).append("-").append(record.day).append("-").append(record.year);
  date.monthKey.append(record.month).append(" ").append(record.year);
  const int month = MonthNumber(record.month);
  // Two-digit years (comma and "!" layouts) read as 1985-2084, like the
  // daily order does, so such logs fit a reporting range and have real
  // weekdays.
  date.yearNumber = FullYear(ReadLogNumber(record.year));
  date.dayNumber = ReadLogNumber(record.day);
  if (month >= 1 && month <= 12) {
    date.monthNumber = month;
    date.dateValue =
        date.yearNumber * 10000 + month * 100 + std::clamp<std::int64_t>(date.dayNumber, 0, 99);
  }
  // A visit's stamp writes the month as a number: the log's own text when
  // it is one, else the number of the month name.
  date.stampMonthLength = ReadLogNumber(record.month) != 0 ? record.month.size()
                          : month >= 10                    ? 2
                                                           : 1;
  return date;
}

bool DateInRange(CountingState& state, std::int64_t reportFrom, std::int64_t reportTo,
                 std::int64_t dateValue) {
  if (!state.rangeKnown || state.rangeFromTime != reportFrom || state.rangeToTime != reportTo) {
    state.rangeKnown = true;
    state.rangeFromTime = reportFrom;
    state.rangeToTime = reportTo;
    state.rangeFromDate = LocalDateValue(reportFrom);
    state.rangeToDate = LocalDateValue(reportTo);
  }
  // Compared as calendar days: the range's ends name days, whatever time of
  // day the profile stored with them. A record whose month cannot be read
  // has no date and lies outside every range.
  return dateValue != 0 && dateValue >= state.rangeFromDate && dateValue <= state.rangeToDate;
}

void CountHour(SiteStatistics& statistics, CountingState& state, std::string_view hour) {
  if (state.hourHandle == CountingState::kNone || !TextEquals(hour, state.lastHour)) {
    state.hourHandle = statistics.hours.Intern(hour);
    state.lastHour.assign(hour);
  }
  statistics.hours.AddAt(state.hourHandle, 1);
}

void CountDay(SiteStatistics& statistics, CountingState& state) {
  CountingState::DateSlot& date = state.date;
  if (date.dateKey.size() <= 6) return;
  if (date.days == CountingState::kNone) date.days = statistics.days.Intern(date.dateKey);
  statistics.days.AddAt(date.days, 1);
  if (date.dayBytes == CountingState::kNone) {
    date.dayBytes = statistics.dayBytes.Intern(date.dateKey);
  }
  statistics.dayBytes.SetAt(date.dayBytes, state.currentDayBytes);
}

void CountHost(SiteStatistics& statistics, CountingState& state, std::string_view hostKey,
               CountingState::HostSlot& host) {
  if (hostKey.empty()) return;
  if (host.hostname == CountingState::kNone) {
    bool created = false;
    host.hostname = statistics.hostnames.Intern(hostKey, &created);
    if (created) {
      ++statistics.uniqueHosts;
      ++state.currentDayNewVisitors;
    }
  }
  ++host.pending;  // settled into `hostnames`, `domains` and `countries`
  CountingState::DateSlot& date = state.date;
  if (date.dayNewVisitors == CountingState::kNone) {
    date.dayNewVisitors = statistics.dayNewVisitors.Intern(date.dateKey);
  }
  statistics.dayNewVisitors.SetAt(date.dayNewVisitors, state.currentDayNewVisitors);
}

void CountMonth(SiteStatistics& statistics, CountingState& state) {
  CountingState::DateSlot& date = state.date;
  if (date.month.empty()) return;
  if (date.months == CountingState::kNone) date.months = statistics.months.Intern(date.monthKey);
  statistics.months.AddAt(date.months, 1);
}

}  // namespace tlw
