#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "stats/keyed_table.h"
#include "stats/local_time_cache.h"
#include "stats/request_path.h"
#include "stats/stat_table.h"
#include "stats/visit_table.h"

namespace tlw {

// Run-local state of the counting code. Every fact that follows from a key
// alone is derived once per distinct key and kept here with the handles of
// the table entries it feeds, so that a record costs a few look-ups (host,
// path, agent, referrer) instead of one per table and a re-derivation of
// every fact. Table entries are created when a record is first counted
// under them, exactly when a plain Add would create them, so the tables'
// iteration order is unchanged by the caching.
class CountingState {
 public:
  static constexpr StatTable::Handle kNone = StatTable::kNone;

  struct HostSlot {
    StatTable::Handle hostname = kNone;  // kNone: not yet in `hostnames`
    StatTable::Handle domain = kNone;
    StatTable::Handle country = kNone;
    VisitTable::Handle visit = kNone;  // kNone: no entry in `openVisits`
    bool filtered = false;             // matched the host filter
    bool classified = false;           // domain and country decided
  };

  struct PathSlot {
    StatTable::Handle dir = kNone;
    StatTable::Handle fileRequest = kNone;
    StatTable::Handle fileType = kNone;
    StatTable::Handle webPage = kNone;
    StatTable::Handle brokenLink = kNone;
    PageKind pageKind = PageKind::kNone;
    bool hasExtension = false;
    bool homePage = false;
    bool skipsVisits = false;
    bool filtered = false;  // matched the extension or directory filter
  };

  struct AgentSlot {
    StatTable::Handle browser = kNone;
    StatTable::Handle platform = kNone;
    bool described = false;
    bool w3c = false;  // the log kind the description was made for
  };

  struct ReferrerSlot {
    StatTable::Handle referer = kNone;
    StatTable::Handle keyword = kNone;
    bool classified = false;
  };

  // The date texts of the last counted record and what follows from them.
  struct DateSlot {
    bool valid = false;  // false: nothing cached yet
    std::string month, day, year;
    std::string dateKey;         // month "-" day "-" year
    std::string monthKey;        // month " " year
    std::int64_t dateValue = 0;  // year*10000 + month*100 + day; 0 when the month is unknown
    StatTable::Handle days = kNone;
    StatTable::Handle dayBytes = kNone;
    StatTable::Handle dayNewVisitors = kNone;
    StatTable::Handle months = kNone;
  };

  CountingState();
  // Back to the start of a run, all memory freed.
  void Reset();

  KeyedTable<HostSlot> hosts{1};
  KeyedTable<PathSlot> paths{1};
  KeyedTable<AgentSlot> agents{1};
  KeyedTable<ReferrerSlot> referrers{1};

  DateSlot date;
  std::string lastHour;
  StatTable::Handle hourHandle = kNone;
  std::array<StatTable::Handle, 1000> retCodeByNumber;  // three-digit status codes
  std::array<StatTable::Handle, 7> weekdayHandles;

  // Busiest-day bookkeeping over the current run of records of one day.
  std::string currentDay;
  std::int64_t currentDayHits = 0;
  std::int64_t currentDayBytes = 0;
  std::int64_t currentDayNewVisitors = 0;
  std::int64_t bestDayHits = 0;

  // The reporting range as calendar dates, converted once per range.
  bool rangeKnown = false;
  std::int64_t rangeFromTime = 0, rangeToTime = 0;
  std::int64_t rangeFromDate = 0, rangeToDate = 0;

  LocalTimeCache localTime;

  // Scratch texts reused from record to record.
  std::string visitorText;
  std::string clickPathText;
};

}  // namespace tlw
