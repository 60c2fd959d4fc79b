#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"

namespace tlw {

enum class RunOutcome { kFinished, kFailed, kStopped };

// One run of a site as its history keeps it.
struct RunRecord {
  std::int64_t start = 0;    // seconds since the epoch
  std::int64_t seconds = 0;  // how long it took
  RunOutcome outcome = RunOutcome::kFinished;
  bool scheduled = false;  // started by the schedule rather than by the user
  // Why it failed or was stopped; for a finished run, how it read its
  // logfiles (read on from the last run, or why not), or empty.
  std::string message;
};

// The message a run's history keeps: its failure, else its first note.
std::string HistoryMessageOf(const std::string& failure, const std::vector<std::string>& notes);

// The word of `outcome` in the history file and in listings.
const char* OutcomeText(RunOutcome outcome);

// A run as the history dialog and `tallowick-cli history` show it: start
// (local time, "2026-05-01 14:35"), time taken ("00h 01m 05s"), outcome
// ("failed", "finished (scheduled)") and message.
std::vector<std::string> RunCells(const RunRecord& record);

// The last runs of the sites of one program directory, a bounded number per
// site, newest last. Sites are told apart by their address (homepageUrl):
// rows move and an edited site keeps its history.
//
// The file is text, one run per line of tab-separated fields (site, start,
// seconds, outcome, scheduled, message; tabs, line breaks and backslashes
// escaped) after a first line naming the format. It is written to a
// temporary name and renamed, readable by its owner only (messages name
// servers and files). A file that cannot be read as such is set aside
// beside it (".damaged") and the history starts again, with a warning.
class RunHistory {
 public:
  static constexpr std::size_t kRunsKept = 20;

  // The history file of `programDirectory` in the user's state folder:
  // "tallowick/history/" and a hash of the directory's absolute path, so
  // two program directories never share one.
  static std::filesystem::path FileFor(const std::string& stateFolder,
                                       const std::filesystem::path& programDirectory);

  // Reads `file`; a missing file is an empty history. Never fails: a damaged
  // file is set aside and Warning() says so.
  static RunHistory Load(const std::filesystem::path& file);

  // Empty, or one line naming the file, what is wrong and where it went.
  const std::string& Warning() const { return warning_; }
  // The runs of `site`, oldest first.
  std::vector<RunRecord> RunsOf(const std::string& site) const;
  // Adds a run of `site`; the site's oldest run goes past kRunsKept.
  void Add(const std::string& site, RunRecord record);
  // Writes the file (and its folder, 0700); fails naming the file and why.
  [[nodiscard]] Status Save() const;

 private:
  struct Entry {
    std::string site;
    RunRecord record;
  };
  std::filesystem::path file_;
  std::vector<Entry> entries_;
  std::string warning_;
};

// Adds one run to the history file: loads it again first, so that runs
// another program recorded meanwhile stay. A warning of the load goes to
// `warning`.
[[nodiscard]] Status RecordRun(const std::filesystem::path& file, const std::string& site,
                               const RunRecord& record, std::string& warning);

}  // namespace tlw
