#pragma once

#include <cstdint>

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

// The hashes AddRecord looks a record's host and path up by (nearly every
// record names another host and path than the one before it). A caller
// that holds the records to come can work them out beforehand (on another
// thread), hand them to AddRecord, and a few records ahead have the host
// table, too large for the cache on a long log, loaded: PrefetchHost with
// the hashes of a record some eight records ahead (`far`: its index slot),
// of one some four ahead (`near`: its entry) and of one some two ahead
// (`next`: with named hosts, the host entry its address's entry names).
struct RecordHashes {
  std::uint64_t host = 0;
  std::uint64_t path = 0;
};
RecordHashes HashesOf(const LogRecord& record);
void AddRecord(SiteStatistics& statistics, const CountingOptions& options, const LogRecord& record,
               const RecordHashes& hashes);
void PrefetchHost(const SiteStatistics& statistics, const CountingOptions& options,
                  const RecordHashes& far, const RecordHashes& near, const RecordHashes& next);

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
