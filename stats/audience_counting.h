#pragma once

#include <cstdint>
#include <string_view>

#include "base/log_record.h"
#include "stats/counting_options.h"
#include "stats/counting_state.h"
#include "stats/site_statistics.h"

namespace tlw {

// Whether a request path (its query cut off) is a page a person views: it
// has a page extension or none, and lies outside the asset folders.
bool IsAudiencePage(std::string_view path);

// Counts a record that passed the filters and the range as a person's or a
// robot's request in `statistics.audience`. AddRecord calls it last, with
// the record's host handle and path number and the bytes it read: the
// host's slot then names the record's agent and referrer.
void CountAudience(SiteStatistics& statistics, CountingState& state, const CountingOptions& options,
                   const LogRecord& record, std::uint32_t hostHandle, CountingState::HostSlot& host,
                   std::uint32_t pathNumber, std::int64_t bytes);

// After the last record: every open visit of people ends, days are put in
// date order and robot families by hits.
void FinishAudience(SiteStatistics& statistics, CountingState& state);

}  // namespace tlw
