#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/log_record.h"
#include "stats/counting_options.h"

namespace tlw::reference {

// Key to count, in key order.
using Counts = std::map<std::string, std::int64_t, std::less<>>;

// Everything the tuned counting fills, in plain containers.
struct ReferenceStatistics {
  // By the names of SiteStatistics::Tables(); click paths by their text.
  std::map<std::string, Counts, std::less<>> tables;
  std::int64_t uniqueHosts = 0;
  std::int64_t homepageHits = 0;
  std::int64_t successfulRequests = 0;
  std::int64_t totalBytes = 0;
  std::string busiestDay = "today";
  std::vector<std::string> lastVisitors;  // newest first
};

// Counts records the plainest way there is: one ordered map per table, keys
// as texts, every fact derived again for every record, each host's visit as
// a list of page texts. It shares with the tuned counting only the pure
// rules (path shape, host, referrer and agent classification, filter lists,
// number and date reading); the counting, the busiest day, the visits,
// click paths, entry and exit pages are its own. For tests only: it is
// slow and keeps every text.
class ReferenceCounter {
 public:
  explicit ReferenceCounter(CountingOptions options) : options_(std::move(options)) {}

  // Whether the records that follow come from a W3C extended log.
  void SetW3cLog(bool w3cLog) { options_.w3cLog = w3cLog; }
  void Add(const LogRecord& record);
  // Ends every visit and returns the statistics.
  ReferenceStatistics Finish();

 private:
  struct Visit {
    std::int64_t lastTime = 0;
    bool stampComplete = false;
    std::vector<std::string> pages;
  };

  Counts& Table(std::string_view name) { return result_.tables[std::string(name)]; }
  void CountVisit(const LogRecord& record, const std::string& host);
  void EndVisit(const Visit& visit);
  void NoteVisitor(const LogRecord& record, const std::string& host);

  CountingOptions options_;
  ReferenceStatistics result_;
  std::set<std::string, std::less<>> countedHosts_;
  std::map<std::string, Visit, std::less<>> visits_;
  std::deque<std::string> visitors_;
  std::string day_;  // month (leading blanks removed) "-" day of the current run of records
  std::int64_t dayHits_ = 0;
  std::int64_t dayBytes_ = 0;
  std::int64_t dayNewHosts_ = 0;
  std::int64_t bestDayHits_ = 0;
};

}  // namespace tlw::reference
