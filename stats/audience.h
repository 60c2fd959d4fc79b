#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {

// What a robot is for, as the robot patterns tag it.
enum class RobotKind : std::uint8_t { kSearchEngine, kAiCrawler, kMonitor, kFeedReader, kOther };
inline constexpr std::size_t kRobotKindCount = 5;
// The kinds as the views print them, in the enum's order.
inline constexpr std::array<std::string_view, kRobotKindCount> kRobotKindNames = {
    "search engine", "AI crawler", "monitor", "feed reader", "other"};

// The robot an agent belongs to.
struct RobotMatch {
  std::string_view family;  // "Googlebot", "GPTBot"; valid as long as the lookup
  RobotKind kind = RobotKind::kOther;
};

// Tells robots' agents from people's. Counting asks it once per distinct
// agent of a run, on the counting thread.
class RobotLookup {
 public:
  virtual ~RobotLookup() = default;
  // The robot `agent` belongs to, or nothing for a person's browser.
  virtual std::optional<RobotMatch> RobotOf(std::string_view agent) = 0;
};

// Totals of one audience: people, or robots.
struct AudienceTotals {
  std::int64_t visitors = 0;   // distinct hosts
  std::int64_t visits = 0;     // runs of page views with no pause over 30 minutes
  std::int64_t pageViews = 0;  // requests for pages with a status below 400
  std::int64_t hits = 0;       // every counted request
  std::int64_t bytes = 0;
};

// One calendar day of the log.
struct AudienceDay {
  std::int64_t date = 0;  // year * 10000 + month * 100 + day
  std::int64_t peoplePageViews = 0;
  std::int64_t peopleVisits = 0;  // visits that began on the day
  std::int64_t peopleHits = 0;
  std::int64_t robotHits = 0;
};

// One robot family of the log.
struct RobotFamilyCount {
  std::string family;
  RobotKind kind = RobotKind::kOther;
  std::int64_t hits = 0;
  std::int64_t bytes = 0;
  std::int64_t visitors = 0;  // distinct hosts
};

// The run seen as people and robots: what the modern view and the JSON show
// beside the classic tables. A request is a robot's when its agent is, or
// when its host asked for /robots.txt earlier in the run; every other
// request is a person's. Page views of people are requests below 400 for a
// page (a page extension or none, outside the asset folders), counted under
// the path without its query.
struct AudienceStatistics {
  AudienceTotals people;
  AudienceTotals robots;

  StatTable pages{4096};       // people's page views by path
  StatTable entryPages{1024};  // first page of people's visits
  StatTable exitPages{1024};   // last page of people's visits
  StatTable referrers{4096};   // people's requests from other sites, by referrer
  StatTable searchPhrases{1024};
  StatTable countries{256};  // people's page views by country name
  StatTable browsers{128};   // people's page views by browser
  StatTable platforms{64};   // people's page views by operating system

  std::array<std::int64_t, 24> hourPageViews{};    // people's page views by hour 0-23
  std::array<std::int64_t, 7> weekdayPageViews{};  // Monday first
  std::vector<AudienceDay> days;                   // in date order, days with no hit left out

  std::vector<RobotFamilyCount> robotFamilies;  // most hits first
  std::array<std::int64_t, kRobotKindCount> robotKindHits{};

  void Clear();
};

}  // namespace tlw
