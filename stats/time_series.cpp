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

bool StartsNewDay(CountingState& state, const LogRecord& record, std::int64_t bytes) {
  std::string_view month = record.month;
  while (!month.empty() && month.front() == ' ') month.remove_prefix(1);
  const std::string_view day = record.day;
  if (IsCurrentDay(state, month, day)) return false;
  // A day that comes back after another day starts a new run from 1: the
  // log is taken to be in time order. The first record of a run is not
  // compared with the best day.
  state.currentDay.assign(month);
  state.currentDay.push_back('-');
  state.currentDay.append(day);
  state.currentDayHits = 1;
  state.currentDayBytes = bytes;
  state.currentDayNewVisitors = 0;
  return true;
}

const CountingState::DateSlot& ReadNewDate(CountingState& state, const LogRecord& record) {
  CountingState::DateSlot& date = state.date;
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

void NoteRange(CountingState& state, std::int64_t reportFrom, std::int64_t reportTo) {
  state.rangeKnown = true;
  state.rangeFromTime = reportFrom;
  state.rangeToTime = reportTo;
  state.rangeFromDate = LocalDateValue(reportFrom);
  state.rangeToDate = LocalDateValue(reportTo);
}

}  // namespace tlw
