#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "stats/audience.h"
#include "stats/click_path_pages.h"
#include "stats/recent_list.h"
#include "stats/stat_table.h"
#include "stats/visit_table.h"

namespace tlw {

class CountingState;

// All tables and counters of one run of one site. Each profile owns one, so
// runs of different sites never share a table; only the run's worker thread
// touches it. AddRecord and FinishRecords (stats/add_record.h) fill it; the
// report reads the public tables afterwards.
class SiteStatistics {
 public:
  SiteStatistics();
  ~SiteStatistics();
  SiteStatistics(const SiteStatistics&) = delete;
  SiteStatistics& operator=(const SiteStatistics&) = delete;

  // Starts a run: every table, counter and piece of run-local state fresh.
  void Prepare();
  // Ends a run: counters 0, every table emptied and its memory freed,
  // `busiestDay` back to "today", the last visitors forgotten.
  void Clear();

  // Counters.
  std::int64_t uniqueHosts = 0;         // distinct keys ever added to `hostnames`
  std::int64_t homepageHits = 0;        // requests for the site's home page
  std::int64_t successfulRequests = 0;  // status beginning with "2" or "3"
  std::int64_t totalBytes = 0;          // bytes sent by all counted requests

  // Tables, with the bucket counts that fix their iteration order.
  StatTable hostnames{50000};
  StatTable dirs{28000};
  StatTable hours{24};
  StatTable months{12};
  StatTable days{400};
  StatTable dayBytes{300};
  StatTable dayNewVisitors{300};
  StatTable domains{47000};
  StatTable countries{500};
  StatTable fileRequests{6500};
  StatTable fileTypes{100};
  StatTable webPages{1000};
  StatTable browsers{300};
  StatTable retCodes{50};
  StatTable brokenLinks{100};
  StatTable referers{40000};
  StatTable keywords{100};
  StatTable logons{100};
  VisitTable openVisits{80000};
  // Keyed by the page numbers of `clickPathPages`, not by text: read a key
  // with ClickPathText.
  StatTable clickPaths{3000};
  StatTable exitPages{3000};
  StatTable entryPages{3000};
  StatTable platforms{100};
  StatTable weekdays{7};

  // The day (month "-" day) with the most records; "today" until a day has
  // two records.
  std::string busiestDay = "today";
  // Host and access time of the latest new visits, newest first.
  RecentList lastVisitors;
  // The pages of the click paths, numbered.
  ClickPathPages clickPathPages;
  // People and robots apart, when the counting options ask for them.
  AudienceStatistics audience;

  // The text of a key of `clickPaths`: its pages, each followed by "!".
  std::string ClickPathText(std::string_view key) const { return clickPathPages.Text(key); }

  // The statistics tables by name, in declaration order (without the open
  // visits, which are not counts).
  struct TableRef {
    std::string_view name;
    StatTable SiteStatistics::*table;
    bool pageNumberKeys = false;  // keys are read with ClickPathText
  };
  static const std::array<TableRef, 23>& Tables();

  // Run-local state of the counting code (caches, current day, open-visit
  // bookkeeping). For stats/ internals only.
  CountingState& Counting() { return *counting_; }
  const CountingState& Counting() const { return *counting_; }

 private:
  std::unique_ptr<CountingState> counting_;
};

}  // namespace tlw
