#pragma once

#include "base/log_record.h"
#include "stats/counting_options.h"
#include "stats/site_statistics.h"

namespace tlw {

// Counts one completed record of the run into `statistics`, or drops it when
// the profile's filters or reporting range exclude it (the busiest-day
// bookkeeping still sees a dropped record). Some counts reach the tables
// only when they are settled (FinishRecords, SettleCounts). A record without a host is
// ignored entirely. Records must come in file order, on the run's thread.
void AddRecord(SiteStatistics& statistics, const CountingOptions& options, const LogRecord& record);

// AddRecord looks the host of every record up in a table too large for the
// cache. A caller that holds the records to come can work out the hash of
// each host beforehand (on another thread), hand it to AddRecord, and a few
// records ahead have the table's memory loaded: PrefetchHost for a record
// some eight records ahead, then for one some four ahead with `near`.
std::uint64_t HostHashOf(const LogRecord& record);
void AddRecord(SiteStatistics& statistics, const CountingOptions& options, const LogRecord& record,
               std::uint64_t hostHash);
void PrefetchHost(const SiteStatistics& statistics, std::uint64_t hostHash, bool near);

// Brings the tables up to date with the counts that counting keeps per
// distinct key. FinishRecords does it; call it only to read the tables in
// the middle of a run.
void SettleCounts(SiteStatistics& statistics);

// Completes the statistics after the last record: every open visit ends and
// is counted in `clickPaths` when it has two or more pages, entry and exit
// pages are built from the click paths, and ".(Unresolved Hosts)" leaves
// `domains`. The run-local caches are freed. The caller copies
// `statistics.busiestDay` into the profile's busiest-day texts.
void FinishRecords(SiteStatistics& statistics);

}  // namespace tlw
