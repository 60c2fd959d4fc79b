#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {

// Run-local state of counting people and robots (AudienceStatistics). The
// facts of a host or path that only some records need sit in vectors
// numbered as the counting state's tables (path numbers, the hosts' dense
// numbers), apart from the slots: those are kept small for the look-up
// every record makes, and a run that does not count its audience pays
// nothing for them.
struct AudienceState {
  static constexpr StatTable::Handle kNone = StatTable::kNone;
  // Robot families of agents (CountingState::AgentSlot::robotFamily).
  static constexpr std::int32_t kUnasked = -2;
  static constexpr std::int32_t kPerson = -1;
  static constexpr std::int32_t kNever = std::numeric_limits<std::int32_t>::min();
  static constexpr StatTable::Handle kCountryUnknown = kNone - 1;

  struct PathFacts {
    StatTable::Handle page = kNone;  // in `pages`, from the first view by a person
    bool known = false;
    bool isPage = false;     // a page extension or none, outside the asset folders
    bool robotsTxt = false;  // "/robots.txt"
  };
  // A host's open visits, as minutes since 1970 of their last page views
  // (log times have whole minutes), and its people's country.
  struct HostFacts {
    std::int32_t lastPeopleView = kNever;
    std::int32_t lastRobotView = kNever;
    std::uint32_t entryPath = kNone;  // path numbers of the open visit's first and last page
    std::uint32_t exitPath = kNone;
    StatTable::Handle country = kCountryUnknown;  // in `countries`; kNone: none
  };

  std::vector<PathFacts> paths;  // by path number
  std::vector<HostFacts> hosts;  // by the host's dense number

  // The robot families seen, numbered in the order first seen.
  std::unordered_map<std::string, std::int32_t> familyNumbers;
  // Family number << 32 | dense host number of every host a family was seen from.
  std::unordered_set<std::uint64_t> familyHosts;
  std::int32_t robotsTxtFamily = kPerson;  // hosts known only by /robots.txt; none yet

  // The day of the last counted record, as an index in the days.
  std::int64_t dayDate = 0;
  std::size_t dayIndex = 0;
  std::unordered_map<std::int64_t, std::size_t> dayIndexOf;

  void Reset() { *this = AudienceState{}; }
};

}  // namespace tlw
