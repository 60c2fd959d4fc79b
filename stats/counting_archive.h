#pragma once

#include <cstdint>

#include "base/state_archive.h"
#include "stats/site_statistics.h"

namespace tlw {

// A number that changes whenever what SaveCounting writes changes: a slot
// gains a field, a table its meaning. A file with another number is not
// loaded.
std::uint64_t CountingArchiveLayout();

// Writes the statistics as counting has them between two records: every
// table and counter, the per-key facts and pending counts, the open visits,
// people and robots. Loading what was written gives statistics that count
// every later record exactly as the ones saved would have: the same
// handles, orders and numbers. Call between AddRecord calls, never after
// FinishRecords has begun.
void SaveCounting(const SiteStatistics& statistics, StateWriter& out);
// Replaces `statistics` by what SaveCounting wrote. False (statistics
// cleared) when the reader fails or what it holds makes no sense; the
// caller still checks the file's seal before it counts on.
bool LoadCounting(SiteStatistics& statistics, StateReader& in);

}  // namespace tlw
