#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "base/state_archive.h"
#include "logs/line_parser.h"
#include "logs/log_format.h"
#include "logs/logfile_fingerprint.h"
#include "stats/site_statistics.h"

namespace tlw {

// One logfile a run counted: the file, how far, and the layout its
// reading may go on in (Unsupported: it may not, as its layout was found
// from fewer than two lines).
struct SavedLogfile {
  LogfileFingerprint file;
  LogFormat format = LogFormat::Unsupported;
};

// What a saved site's run leaves for the next besides its counting: which
// logfiles it read and how far, and what shaped the counts.
struct RunStateHeader {
  // The digest of every setting that changes what is counted: another
  // digest means another counting, and a full run.
  std::uint64_t settingsDigest = 0;
  // The logfiles read, in the order read; the last may be read on from
  // where the run stopped.
  std::vector<SavedLogfile> files;
  // Logfiles counted by earlier runs that the logfile setting no longer
  // leads to (kept when the history across log rotation is kept).
  std::vector<SavedLogfile> history;
  // The run's line and file counts so far.
  std::uint64_t linesRead = 0;
  std::int32_t filesRead = 0;
};

// The state file of the site known by `siteKey` (any text that tells the
// user's sites apart) under the user's cache folder.
std::filesystem::path RunStatePath(const std::filesystem::path& cacheFolder,
                                   std::string_view siteKey);

// Writes the state: the header, the parser's state across files and the
// statistics as counting has them (between two records). Atomic: the old
// file stays until the new one is whole. The file and its folders are the
// user's alone (0600, 0700).
Status SaveRunState(const std::filesystem::path& path, const RunStateHeader& header,
                    const ParseState& parse, const SiteStatistics& statistics);

// A state file read in two steps: its header, to decide whether the run
// goes on from it, then the counting.
class RunStateFile {
 public:
  // Fails when there is no file (`Missing()` then tells so), when it is
  // not one of ours or of another version, or when its header is damaged,
  // with a message that names the file and the reason.
  static Result<std::unique_ptr<RunStateFile>> Open(const std::filesystem::path& path);

  const RunStateHeader& Header() const { return header_; }
  // Reads the parser's state and the statistics, and checks that the file
  // is whole and unchanged. False: `parse` and `statistics` are reset, and
  // the file is damaged.
  bool LoadCounting(ParseState& parse, SiteStatistics& statistics);

 private:
  explicit RunStateFile(std::unique_ptr<StateReader> reader) : reader_(std::move(reader)) {}
  std::unique_ptr<StateReader> reader_;
  RunStateHeader header_;
};

// The private folder (0700, made when missing) beside the state file
// `statePath` that holds the local copies of the site's remote logfiles,
// and the copy of the remote file `remoteName` in it.
Result<std::filesystem::path> RemoteCopyFolder(const std::filesystem::path& statePath);
std::filesystem::path RemoteCopyPath(const std::filesystem::path& folder,
                                     std::string_view remoteName);
// Removes the files of `folder` that are none of `kept`: copies of remote
// logfiles the site no longer lists.
void RemoveOtherCopies(const std::filesystem::path& folder, const std::vector<std::string>& kept);

// Held while a run reads on from and keeps a site's state, so that two runs
// of one site (the window's and a command's from cron) never append to one
// remote copy or save over each other's state. Released when it goes.
class RunStateLock {
 public:
  RunStateLock() = default;
  ~RunStateLock();
  RunStateLock(RunStateLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  RunStateLock& operator=(RunStateLock&& other) noexcept;
  RunStateLock(const RunStateLock&) = delete;
  RunStateLock& operator=(const RunStateLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  friend RunStateLock TryLockRunState(const std::filesystem::path& statePath);
  explicit RunStateLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Takes the lock of the state `statePath` ("<state>.lock", made 0600 with
// its folders) without waiting; one that does not hold it when another run
// has it, or the file cannot be made.
RunStateLock TryLockRunState(const std::filesystem::path& statePath);

// Whether `path` names no file: a site's first run, or a cache emptied.
bool RunStateMissing(const std::filesystem::path& path);

// Moves a state file that cannot be used aside, as "<name>.damaged", where
// the user can look at it; the next run writes a new one.
void SetAsideRunState(const std::filesystem::path& path);

}  // namespace tlw
