#pragma once

#include "base/log_record.h"
#include "stats/counting_state.h"
#include "stats/log_numbers.h"
#include "stats/site_statistics.h"
#include "stats/text_hash.h"

namespace tlw {

// Starts a new run of the busiest-day bookkeeping when the record is not of
// the current day (month "-" day, leading blanks of the month removed); false
// when it is.
bool StartsNewDay(CountingState& state, const LogRecord& record, std::int64_t bytes);

// Reads the date-derived keys of a record into the state's date slot.
const CountingState::DateSlot& ReadNewDate(CountingState& state, const LogRecord& record);

// The steps below run for every record and are inline: they mostly find
// what the record before them found and add one.

// The date-derived keys of a record, from the cache when the record has the
// same month, day and year texts as the last one (`sameDate` tells which).
inline const CountingState::DateSlot& DateOf(CountingState& state, const LogRecord& record,
                                             bool& sameDate) {
  CountingState::DateSlot& date = state.date;
  sameDate = date.valid && TextEquals(record.month, date.month) &&
             TextEquals(record.day, date.day) && TextEquals(record.year, date.year);
  return sameDate ? date : ReadNewDate(state, record);
}

// Busiest-day bookkeeping for one record handed to the statistics (counted
// or not): the run of records of the current day, its hits, bytes and new
// visitors; `busiestDay` follows the day whose run first reaches more hits
// than any run before it. `bytes` is the record's byte count, already read;
// `sameDate` tells that the record has the month, day and year texts of the
// record before it (as DateOf found), which then belongs to the current day
// without a comparison.
inline void TrackDay(SiteStatistics& statistics, CountingState& state, const LogRecord& record,
                     std::int64_t bytes, bool sameDate) {
  if (!sameDate && StartsNewDay(state, record, bytes)) return;
  ++state.currentDayHits;
  state.currentDayBytes = SaturatingAdd(state.currentDayBytes, bytes);
  // Strictly greater: of two days with equal hits the earlier stays.
  if (state.currentDayHits > state.bestDayHits) {
    state.bestDayHits = state.currentDayHits;
    statistics.busiestDay = state.currentDay;
  }
}

// Converts the reporting range's ends to calendar dates in the state.
void NoteRange(CountingState& state, std::int64_t reportFrom, std::int64_t reportTo);

// Whether a date value (year*10000 + month*100 + day; 0 when the month is
// unknown) lies within the reporting range, both ends included.
inline bool DateInRange(CountingState& state, std::int64_t reportFrom, std::int64_t reportTo,
                        std::int64_t dateValue) {
  if (!state.rangeKnown || state.rangeFromTime != reportFrom || state.rangeToTime != reportTo) {
    NoteRange(state, reportFrom, reportTo);
  }
  // Compared as calendar days: the range's ends name days, whatever time of
  // day the profile stored with them. A record whose month cannot be read
  // has no date and lies outside every range.
  return dateValue != 0 && dateValue >= state.rangeFromDate && dateValue <= state.rangeToDate;
}

// Steps of a counted record, in the order AddRecord calls them:
// `hours` by the hour text, even an empty one.
inline void CountHour(SiteStatistics& statistics, CountingState& state, std::string_view hour) {
  if (state.hourCount == nullptr || !TextEquals(hour, state.lastHour)) {
    state.hourCount = &statistics.hours.CountRef(statistics.hours.Intern(hour));
    state.lastHour.assign(hour);
  }
  StatTable::AddTo(*state.hourCount, 1);
}

// `days` and `dayBytes` (the current day's bytes), when the date key has
// more than 6 characters.
inline void CountDay(SiteStatistics& statistics, CountingState& state) {
  CountingState::DateSlot& date = state.date;
  if (date.dateKey.size() <= 6) return;
  if (date.days == nullptr) {
    date.days = &statistics.days.CountRef(statistics.days.Intern(date.dateKey));
    date.dayBytes = &statistics.dayBytes.CountRef(statistics.dayBytes.Intern(date.dateKey));
  }
  StatTable::AddTo(*date.days, 1);
  *date.dayBytes = state.currentDayBytes;
}

// `uniqueHosts` and the day's new visitors in `dayNewVisitors`; the host's
// entry in `hostnames` is made when the counts are settled, in the order
// hosts were first counted (a table of every host during the whole run
// would double the memory the hosts take). `hostNumber` is the host's
// number in the state's host table.
inline void CountHost(SiteStatistics& statistics, CountingState& state, std::string_view hostKey,
                      std::uint32_t hostNumber, CountingState::HostSlot& host) {
  if (hostKey.empty()) return;
  if (!host.counted) {
    state.hostsToName.Add(hostNumber, [&] {
      return state.HostsWhere(
          [](const CountingState::HostSlot& slot) { return slot.counted && !slot.named; });
    });
    host.counted = true;
    // Only counts settled earlier in the run can have put the key there.
    if (statistics.hostnames.Count() == 0 ||
        statistics.hostnames.Find(hostKey) == StatTable::kNone) {
      ++statistics.uniqueHosts;
      ++state.currentDayNewVisitors;
    }
  }
  ++host.pending;  // settled into `hostnames`, `domains` and `countries`
  CountingState::DateSlot& date = state.date;
  if (date.dayNewVisitors == nullptr) {
    date.dayNewVisitors =
        &statistics.dayNewVisitors.CountRef(statistics.dayNewVisitors.Intern(date.dateKey));
  }
  *date.dayNewVisitors = state.currentDayNewVisitors;
}

// `months` by month " " year, when the month text is not empty.
inline void CountMonth(SiteStatistics& statistics, CountingState& state) {
  CountingState::DateSlot& date = state.date;
  if (date.month.empty()) return;
  if (date.months == nullptr) {
    date.months = &statistics.months.CountRef(statistics.months.Intern(date.monthKey));
  }
  StatTable::AddTo(*date.months, 1);
}

}  // namespace tlw
