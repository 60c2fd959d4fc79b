#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {

// Run-local state of counting people and robots (AudienceStatistics). Its
// facts sit in vectors numbered as the counting state's own tables (path
// numbers, host and agent handles, the handles of the classic tables),
// apart from their slots: those are kept small for the look-ups every
// record makes, and a run that does not count its audience pays nothing.
struct AudienceState {
  static constexpr StatTable::Handle kNone = StatTable::kNone;
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();

  struct PathFacts {
    StatTable::Handle page = kNone;  // in `pages`, from the first view by a person
    std::int64_t pendingViews = 0;   // people's page views not yet in `pages`
    bool known = false;
    bool isPage = false;     // a page: a page extension or none, outside the asset folders
    bool robotsTxt = false;  // "/robots.txt"
  };
  struct HostFacts {
    std::int64_t lastPeopleView = kNever;  // time of the last page view of the open visit
    std::int64_t lastRobotView = kNever;
    std::uint32_t entryPath = kNone;  // path numbers of the open visit's first and last page
    std::uint32_t exitPath = kNone;
    StatTable::Handle country = kNone;  // in `countries`
    bool countryKnown = false;
    bool robotsTxt = false;  // asked for /robots.txt: a robot from then on
    bool person = false;     // made a request counted as a person's
    bool robot = false;      // made a request counted as a robot's
  };
  struct AgentFacts {
    static constexpr std::int32_t kUnknown = -2;
    static constexpr std::int32_t kPerson = -1;
    std::int32_t family = kUnknown;  // index in `families`, or the two above
    StatTable::Handle browser = kNone;
    StatTable::Handle platform = kNone;
    bool described = false;
  };
  struct ReferrerFacts {
    StatTable::Handle referrer = kNone;
    StatTable::Handle phrase = kNone;
    bool known = false;
  };

  std::vector<PathFacts> paths;          // by path number
  std::vector<HostFacts> hosts;          // by host handle
  std::vector<AgentFacts> agents;        // by agent handle
  std::vector<ReferrerFacts> referrers;  // by referrer handle

  // The robot families seen, numbered in the order first seen.
  std::unordered_map<std::string, std::int32_t> familyNumbers;
  // Family number << 32 | host handle of every host a family was seen from.
  std::unordered_set<std::uint64_t> familyHosts;
  std::int32_t robotsTxtFamily = -1;  // the family of hosts known only by /robots.txt

  // The day of the last counted record, as an index in the days.
  std::int64_t dayDate = 0;
  std::size_t dayIndex = 0;
  std::unordered_map<std::int64_t, std::size_t> dayIndexOf;

  void Reset() { *this = AudienceState{}; }
};

}  // namespace tlw
