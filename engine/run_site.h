#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/run_host.h"
#include "base/run_stages.h"
#include "engine/dns_cache.h"

namespace tlw {

class CSiteProfile;
struct RunSettings;

// Counters that a front end reads from another thread while a run works on
// its logfiles, to show how far it has come. The run publishes them every
// few thousand lines, so reading them costs the run nothing per line.
struct RunProgress {
  std::atomic<std::uint32_t> fileNumber{0};   // logfile being read, 1 for the first
  std::atomic<std::uint64_t> fileSize{0};     // its size on disk
  std::atomic<bool> compressed{false};        // gzip: fileSize counts compressed bytes
  std::atomic<std::uint64_t> bytesRead{0};    // its bytes read so far (uncompressed)
  std::atomic<std::uint64_t> linesRead{0};    // lines read by the whole run
  std::atomic<std::uint64_t> hostLookups{0};  // host names asked of the resolver
};

// How a run ended.
struct RunResult {
  // The last stage posted: kStageFinished, or the stage of the failure
  // (kStageTransmissionError, kStageLogfileError, kStageReportError); 0 when
  // the run was stopped through its running flag and posted no final stage.
  int finalStage = 0;
  // Empty for a finished run; otherwise one line saying what failed and on
  // which file or server, or that the run was stopped.
  std::string message;
  // Things that went wrong without ending the run (a graph that could not
  // be written), one line each naming the file and the reason.
  std::vector<std::string> warnings;
  // What the user may want to know of how the run went, one line each: for
  // a saved site, whether it read on from its last run or why not.
  std::vector<std::string> notes;

  bool Finished() const { return finalStage == kStageFinished; }
};

// What a caller may add to a run besides its host interfaces.
struct RunOptions {
  // Called once the statistics are complete (every record counted, visits
  // closed, country names applied), just before the report is written and
  // the statistics are cleared. Not called for a run that ends early. A
  // running flag cleared by the callback stops the run before its report.
  std::function<void(const CSiteProfile&)> onStatistics;
  // Published while the logfiles are read; may be null.
  RunProgress* progress = nullptr;
  // Asks for the name of a numeric address; ReverseLookup when empty.
  Resolver resolver;
  // Names the graphs after the report's file (GraphFilePrefixOfReport), not
  // after the row and the last day: for a report that is no saved site,
  // whose row says nothing and which may share its folder with another.
  bool graphsNamedAfterReport = false;
  // A logfile setting of "-" reads the process's standard input (the
  // command line's `report -`). Off, "-" is a file name like any other.
  bool standardInput = false;
  // A stop asked for by the front end, which also clears the running flag.
  // The run sets its running flag when it begins; a stop that came before
  // then is seen here, so it is not undone. May be null.
  const std::atomic<bool>* stopRequested = nullptr;
  // Where the modern view goes instead of beside the report; given, it is
  // written whatever the settings say.
  std::string modernViewPath;
  // Counts people and robots apart (for the statistics a caller reads in
  // onStatistics) also when no modern view is written.
  bool countAudience = false;
  // A saved site's run: its counting state is kept in the user's cache
  // folder (RunSettings::cacheFolder) for the next run, which reads only
  // what was appended to its logfiles since, when the result is the same as
  // a full run's (or, with RunSettings::keepLogHistory, adds what is new to
  // what was counted). Off: every logfile is read in full and nothing kept.
  bool incremental = false;
  // With `incremental`: reads every logfile in full all the same, and keeps
  // the state of this run for the next.
  bool startAfresh = false;
};

// One run of the site `profile` on the calling thread: reads its logfiles,
// counts every record into the profile's statistics, writes the report,
// publishes and mails it as the profile asks, clears the statistics and
// stores `timeTaken` and `lastRunTime`. Posts its stages to `host.progress`
// against the profile's `listIndex` and shows its messages through
// `host.notifier`. The run keeps its own copy of `settings`, taken when it
// starts; host names are resolved through `dnsCache` when they ask for it.
// The run holds `profile` until it returns, so a site deleted meanwhile
// stays alive under it. Clearing the profile's running flag stops the run
// before its next line and before the report. Never throws: every failure
// ends in the returned result.
RunResult RunSite(std::shared_ptr<CSiteProfile> profile, const RunSettings& settings,
                  const RunHost& host, CDNSCache& dnsCache, const RunOptions& options = {});

}  // namespace tlw
