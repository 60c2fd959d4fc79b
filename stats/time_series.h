#pragma once

#include "base/log_record.h"
#include "stats/counting_state.h"
#include "stats/site_statistics.h"

namespace tlw {

// Busiest-day bookkeeping for one record handed to the statistics (counted
// or not): the run of records of the current day (month "-" day, leading
// blanks removed), its hits, bytes and new visitors; `busiestDay` follows
// the day whose run first reaches more hits than any run before it.
// `bytes` is the record's byte count, already read; `sameDate` tells that
// the record has the month, day and year texts of the record before it (as
// DateOf found), which then belongs to the current day without a comparison.
void TrackDay(SiteStatistics& statistics, CountingState& state, const LogRecord& record,
              std::int64_t bytes, bool sameDate);

// The date-derived keys of a record, from the cache when the record has the
// same month, day and year texts as the last one (`sameDate`, if given,
// tells which).
const CountingState::DateSlot& DateOf(CountingState& state, const LogRecord& record,
                                      bool* sameDate = nullptr);

// Whether a date value (year*10000 + month*100 + day; 0 when the month is
// unknown) lies within the reporting range, both ends included.
bool DateInRange(CountingState& state, std::int64_t reportFrom, std::int64_t reportTo,
                 std::int64_t dateValue);

// Steps of a counted record, in the order AddRecord calls them:
// `hours` by the hour text, even an empty one.
void CountHour(SiteStatistics& statistics, CountingState& state, std::string_view hour);
// `days` and `dayBytes` (the current day's bytes), when the date key has
// more than 6 characters.
void CountDay(SiteStatistics& statistics, CountingState& state);
// `hostnames`, `uniqueHosts` and the day's new visitors in `dayNewVisitors`.
void CountHost(SiteStatistics& statistics, CountingState& state, std::string_view hostKey,
               CountingState::HostSlot& host);
// `months` by month " " year, when the month text is not empty.
void CountMonth(SiteStatistics& statistics, CountingState& state);

}  // namespace tlw
