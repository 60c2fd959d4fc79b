#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_state.h"
#include "logs/log_format.h"

namespace tlw {

// Where the reading of one listed logfile starts.
struct LogfileStart {
  bool skip = false;         // counted in full before and unchanged: not read
  std::uint64_t offset = 0;  // content bytes counted before; read from here on
  // The layout to read on in from `offset`; Unsupported: found anew.
  LogFormat format = LogFormat::Unsupported;
  // The saved logfile this one was found to hold (skipped or read on).
  SavedLogfile counted{};
};

// How a saved site's run begins: from nothing, or from its last run's state.
struct RunPlan {
  bool resume = false;  // the counting goes on from the saved state
  // One line for the user: why the run is a full one, or what it goes on
  // from; empty when there is nothing to say (a site's first run).
  std::string note;
  std::vector<LogfileStart> starts;  // by listed logfile, when resuming
  // Logfiles of the saved state that no listed logfile holds, kept when
  // the history across log rotation is kept.
  std::vector<SavedLogfile> history;

  // A full run, for the reason `why` ("Full run: " + why).
  static RunPlan Full(std::string why) {
    RunPlan plan;
    plan.note = "Full run: " + std::move(why);
    return plan;
  }
  // A run that goes on from the saved state.
  static RunPlan Resumed() {
    RunPlan plan;
    plan.resume = true;
    return plan;
  }
};

// The plan for a run over the logfiles `listed`, whose counting settings
// have the digest `settingsDigest`, after a run that left `saved`.
//
// Without `keepHistory` a run goes on only where the result equals a full
// run's: the same settings, the same logfiles in the same order, each
// unchanged but the last, which may have grown. With it, what was counted
// stays whatever became of the files: a listed file whose content was
// counted before (under any name, also compressed since) is read on from
// where it was left, and any other is read in full.
RunPlan PlanRun(const RunStateHeader& saved, std::uint64_t settingsDigest,
                const std::vector<std::string>& listed, bool keepHistory);

}  // namespace tlw
