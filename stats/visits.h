#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/log_record.h"
#include "stats/counting_options.h"
#include "stats/counting_state.h"
#include "stats/site_statistics.h"

namespace tlw {

// A visit ends when its host has been idle (or repeated its last page) for
// more than this long after the visit's stamp.
inline constexpr std::int64_t kVisitTimeoutSeconds = 30 * 60;

// Visit bookkeeping for a counted request that is not an image or style
// sheet: `weekdays`, the host's open visit (started, extended or replaced by
// a new one under the 30-minute rule) and `lastVisitors`. `hostNumber` is
// the number of `host` in the state's host table, `page` the number of the
// request's path (PathSlot::number).
void TrackVisit(SiteStatistics& statistics, CountingState& state, const CountingOptions& options,
                const LogRecord& record, std::string_view hostKey, std::uint32_t hostNumber,
                CountingState::HostSlot& host, std::uint32_t page);

// Ends every open visit after the last record: the hosts have no visit
// after it. Returns the first links of the visits' page chains in the
// iteration order of `openVisits`, 0 for a visit that makes no click path;
// the chains stay in `openVisits` for CountClickPaths.
std::vector<std::uint32_t> EndVisits(SiteStatistics& statistics, CountingState& state);

// Counts each chain of `chains` (from EndVisits) in `clickPaths`, in order;
// `openVisits` is then empty. Needs the state's paths, not its hosts.
void CountClickPaths(SiteStatistics& statistics, CountingState& state,
                     const std::vector<std::uint32_t>& chains);

// Adds the first and the last page of every click path to `entryPages` and
// `exitPages`: each distinct click path adds 1, whatever its own count.
void BuildEntryExit(SiteStatistics& statistics);

}  // namespace tlw
