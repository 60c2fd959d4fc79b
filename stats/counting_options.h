#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "stats/audience.h"
#include "stats/country_lookup.h"

namespace tlw {

// What counting needs of a site profile, copied out of it by the run (the
// statistics sit below the profile and never see it). The fields are fixed
// for a run: facts derived from them are kept per distinct key, so changing
// a filter, the range or the site URL in the middle of a run has no effect
// on keys already seen. Only `w3cLog` may change between logfiles.
struct CountingOptions {
  std::string hostFilter;             // "|"-separated host names and addresses to leave out
  std::string extensionFilter;        // "|"-separated extensions to leave out
  std::string directoryFilter;        // "|"-separated directories to leave out
  bool processEntireLog = true;       // false: only records from reportFrom to reportTo
  std::int64_t reportFrom = 0;        // first day of the range (any time of that day)
  std::int64_t reportTo = 0;          // last day of the range (any time of that day)
  std::string homepageUrl;            // the site's own URL: its referrers are not counted
  std::int64_t topLastVisitors = 20;  // length of the last-visitors list
  bool w3cLog = false;  // the current logfile is a W3C extended log ("+" for blank in agents)
  // Countries of hosts written as addresses; null: such hosts count under no
  // country. Not owned; outlives the run's counting.
  CountryLookup* countryLookup = nullptr;
  // Count people and robots apart (SiteStatistics::audience).
  bool countAudience = false;
  // Tells robots' agents from people's for that; null: only hosts that ask
  // for /robots.txt are robots. Not owned; outlives the run's counting.
  RobotLookup* robotLookup = nullptr;
  // Given, a record's host is counted under the name this gives its
  // address (asked once per distinct address of a run, on the counting
  // thread; empty: the address stays).
  std::function<std::string(std::string_view address)> nameHost;
};

}  // namespace tlw
