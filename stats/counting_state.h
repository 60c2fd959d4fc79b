#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stats/audience_state.h"
#include "stats/click_path_pages.h"
#include "stats/host_order.h"
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
// iteration order is unchanged by the caching. Later counts of a key are
// kept in its slot (already in cache) and added to the table entries when
// the counts are settled, so a record touches few cache lines.
class CountingState {
 public:
  static constexpr StatTable::Handle kNone = StatTable::kNone;

  struct HostSlot {
    OpenVisit visit;  // no pages: the host has had no visit
    StatTable::Handle domain = kNone;
    StatTable::Handle country = kNone;
    std::uint32_t agent = kNone;     // the host's last agent in `agents`
    std::uint32_t referrer = kNone;  // the host's last referrer in `referrers`
    // The counted records not yet in `hostnames`, `domains` and `countries`
    // share a word with the host's flags.
    std::uint64_t pending : 57 = 0;
    // Counting people and robots apart: the host asked for /robots.txt (a
    // robot from then on), made a request counted as a person's, as a robot's.
    std::uint64_t robotsTxt : 1 = 0;
    std::uint64_t person : 1 = 0;
    std::uint64_t robot : 1 = 0;
    std::uint64_t filtered : 1 = 0;    // matched the host filter
    std::uint64_t classified : 1 = 0;  // domain and country decided
    std::uint64_t counted : 1 = 0;     // a record of the host was counted
    std::uint64_t named : 1 = 0;       // the host's entry in `hostnames` was made
  };
  // A large log has hundreds of thousands of hosts: a slot of 40 bytes
  // makes the entry of a host written as an IPv4 address one cache line.
  static_assert(sizeof(HostSlot) <= 40);

  struct PathSlot {
    // Not yet in the tables: requests without a 4xx or 5xx status (for
    // `dirs`, `fileRequests` and `fileTypes`), page views, and 404s.
    std::int64_t pendingServed = 0;
    std::int64_t pendingPages = 0;
    std::int64_t pendingBroken = 0;
    StatTable::Handle dir = kNone;
    StatTable::Handle fileRequest = kNone;
    StatTable::Handle fileType = kNone;
    StatTable::Handle webPage = kNone;
    StatTable::Handle brokenLink = kNone;
    // Number in `clickPathPages`; ClickPathPages::kNone: not yet known, or
    // the path holds "!" and is numbered piece by piece.
    std::uint32_t clickPage = ClickPathPages::kNone;
    // The path's number in the order paths were first seen, which visits
    // keep their pages by (see `pathHandles`).
    std::uint32_t number = 0;
    PageKind pageKind = PageKind::kNone;
    bool hasExtension : 1 = false;
    bool homePage : 1 = false;
    bool skipsVisits : 1 = false;
    bool filtered : 1 = false;        // matched the extension or directory filter
    bool clickPageKnown : 1 = false;  // `clickPage` decided
  };
  // A log of many distinct URLs has a slot for each.
  static_assert(sizeof(PathSlot) <= 56);

  struct AgentSlot {
    StatTable::Handle browser = kNone;
    StatTable::Handle platform = kNone;
    std::int64_t pending = 0;  // counted records not yet in `browsers` and `platforms`
    bool described = false;
    bool w3c = false;  // the log kind the description was made for
    // Counting people and robots apart: the agent's robot family (a number
    // of AudienceState, or one of its kPerson and kUnasked), and the entries
    // of people's browsers and platforms in the audience's tables.
    std::int32_t robotFamily = AudienceState::kUnasked;
    StatTable::Handle peopleBrowser = kNone;
    StatTable::Handle peoplePlatform = kNone;
  };

  struct ReferrerSlot {
    StatTable::Handle referer = kNone;
    StatTable::Handle keyword = kNone;
    std::int64_t pending = 0;  // counted records not yet in `referers` and `keywords`
    bool classified = false;
    // Its entries in the audience's tables of people's referrers and phrases.
    StatTable::Handle peopleReferrer = kNone;
    StatTable::Handle peoplePhrase = kNone;
  };

  // The date texts of the last counted record and what follows from them.
  struct DateSlot {
    bool valid = false;  // false: nothing cached yet
    std::string month, day, year;
    std::string dateKey;          // month "-" day "-" year
    std::string monthKey;         // month " " year
    std::int64_t dateValue = 0;   // year*10000 + month*100 + day; 0 when the month is unknown
    int monthNumber = 0;          // 1-12; 0 when the month text names no month
    std::int64_t yearNumber = 0;  // two-digit years widened
    std::int64_t dayNumber = 0;
    std::size_t stampMonthLength = 0;  // length of the month as a number text
    // The date's counts in `days`, `dayBytes`, `dayNewVisitors` and
    // `months`; null until the date's entry is created.
    std::int64_t* days = nullptr;
    std::int64_t* dayBytes = nullptr;
    std::int64_t* dayNewVisitors = nullptr;
    std::int64_t* months = nullptr;
  };

  CountingState();
  // Back to the start of a run, all memory freed.
  void Reset();

  KeyedTable<HostSlot> hosts{1};
  // With CountingOptions::nameHost: the host of each address, by its
  // handle in `hosts`.
  KeyedTable<std::uint32_t> addressHosts{1};
  KeyedTable<PathSlot> paths{1};
  KeyedTable<AgentSlot> agents{1};
  KeyedTable<ReferrerSlot> referrers{1};

  // The handle in `paths` of each path number (PathSlot::number).
  std::vector<std::uint32_t> pathHandles;

  // The hosts counted since the counts were last settled whose entries in
  // `hostnames` are still to be made (counted, not named), in the order
  // they were first counted.
  HostOrder hostsToName;
  // The hosts with a visit, in the order their first visits began.
  HostOrder visitedHosts;

  // The numbers of the hosts whose slots pass `test`, in creation order.
  template <typename Test>
  std::vector<std::uint32_t> HostsWhere(Test&& test) const {
    std::vector<std::uint32_t> numbers;
    hosts.ForEachHandle([&](std::uint32_t number) {
      if (test(hosts.ValueAt(number))) numbers.push_back(number);
    });
    return numbers;
  }

  // The slots of the previous record: a page and its images come from one
  // host with one agent, one after the other.
  std::uint32_t previousHost = kNone;
  std::uint32_t previousAddress = kNone;
  std::uint32_t previousPath = kNone;
  std::uint32_t previousAgent = kNone;
  std::uint32_t previousReferrer = kNone;

  DateSlot date;
  std::string lastHour;
  // Counts in `hours`, `retCodes` (three-digit codes by number) and
  // `weekdays`; null until the entry is created. The counts of a table
  // stay in place until it is cleared.
  std::int64_t* hourCount = nullptr;
  std::array<std::int64_t*, 1000> retCodeByNumber;
  std::array<std::int64_t*, 7> weekdayCounts;

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

  // People and robots, when the options ask for them.
  AudienceState audience;

  // Scratch texts reused from record to record.
  std::string visitorText;
  ClickPathKey clickPathKey;
};

}  // namespace tlw
