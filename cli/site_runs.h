#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/command.h"
#include "engine/dns_cache.h"
#include "engine/run_site.h"

namespace tlw {
class CSiteProfile;
struct RunSettings;
}  // namespace tlw

namespace tlw::cli {

// One site to run from the command line.
struct SiteJob {
  std::size_t row = 0;
  std::shared_ptr<CSiteProfile> profile;
  // Where its statistics go: a file, "-" for context.out, empty for none.
  std::filesystem::path jsonPath;
  // Graphs named after the report file rather than the row and last day
  // (RunOptions::graphsNamedAfterReport): for a site that is saved nowhere.
  bool graphsNamedAfterReport = false;
  // A logfile setting of "-" reads standard input (RunOptions::standardInput).
  bool standardInput = false;
  // Where the modern view goes instead of beside the report (empty: as the
  // settings say; RunOptions::modernViewPath).
  std::filesystem::path modernViewPath;
  // Keeps the site's counting state for its next run and reads on from the
  // last one's (RunOptions::incremental).
  bool incremental = false;
  // With `incremental`: counts afresh all the same (RunOptions::startAfresh).
  bool startAfresh = false;
};

// How one site's run ended.
struct SiteOutcome {
  RunResult result;
  Status json;                     // writing the statistics file, when asked for
  std::int64_t finishTime = 0;     // when the run said it finished (stage 10)
  std::vector<std::string> shown;  // its messages, as printed while it worked
};

// Runs every job on a thread of its own, as the desktop program does, and
// waits for all of them. While they work, each stage is printed on
// context.err as "[row] <stage text>" (unless context.quiet), and so is each
// message of a run; when context.err is a terminal it also shows a live
// progress line per site. Ctrl+C (or SIGTERM) stops the runs through their running
// flags; a second one ends the program at once. The profiles' rows become
// their `listIndex`. Every run reads `settings`. Returns one outcome per
// job, in order.
std::vector<SiteOutcome> RunSites(const CliContext& context, const std::vector<SiteJob>& jobs,
                                  const RunSettings& settings, CDNSCache& cache);

// Adds each run to the run history of the program directory, as the
// window does, so that the window's Run History shows the runs of cron and
// timers too; `started` is when the runs began. The history is a record,
// not the work: a failure to write it is printed as a warning only.
void RecordRuns(const CliContext& context, const std::vector<SiteJob>& jobs,
                const std::vector<SiteOutcome>& outcomes, std::int64_t started);

// Ok when every run finished and every statistics file was written;
// otherwise one line naming each site that did not, with its message unless
// that was printed already while the site ran.
Status SummarizeRuns(const std::vector<SiteJob>& jobs, const std::vector<SiteOutcome>& outcomes);

}  // namespace tlw::cli
