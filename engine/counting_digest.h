#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "stats/counting_options.h"

namespace tlw {

// The digest of everything besides the logfiles that decides what a run
// counts: the site's counting options, the program's look-up settings and
// the data files they read (robot patterns, GeoIP), the local time zone,
// the program's version and history setting. Two runs with one digest
// count the same bytes alike.
std::uint64_t CountingDigest(const CountingOptions& options, const RunSettings& settings,
                             const std::string& logfileSetting, bool keepHistory);

}  // namespace tlw
