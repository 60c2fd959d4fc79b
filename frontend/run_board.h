#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/dns_cache.h"
#include "engine/run_site.h"
#include "settings/settings.h"

namespace tlw {

class CSiteProfile;

// A run's number on the board: unique for the board's life, so a run is
// found again however the rows of its site move or go.
using RunId = std::uint64_t;

// What the runs tell their front end. Called on the run's own thread: an
// implementation hands the call over to its own thread and returns at once,
// so that a run never waits for a window or a terminal.
class RunEvents {
 public:
  virtual ~RunEvents() = default;
  virtual void OnStage(RunId run, int stage) = 0;
  virtual void OnMessage(RunId run, const std::string& text, const std::string& caption) = 0;
  virtual void OnOpen(RunId run, const std::string& fileOrUrl) = 0;
  // The run's last call; Collect(run) may follow.
  virtual void OnEnded(RunId run, const RunResult& result) = 0;
};

// One site to run.
struct RunRequest {
  std::shared_ptr<CSiteProfile> profile;
  int listIndex = 0;
  RunSettings settings;
  // The board sets options.stopRequested to the run's own stop token.
  RunOptions options;
};

// The runs of one front end, each on a thread of its own. Every member is
// called from the front end's one thread; the runs only call `events`.
//
// A stop is a token the board hands to the run as well as the profile's
// running flag: the run sets its running flag when it begins, so a Stop
// that comes before that would otherwise be undone. With the token the run
// clears the flag again at once.
class RunBoard {
 public:
  RunBoard(RunEvents& events, CDNSCache& dnsCache);
  // Stops every run and waits for them: they use the host name cache.
  ~RunBoard();
  RunBoard(const RunBoard&) = delete;
  RunBoard& operator=(const RunBoard&) = delete;

  // Starts the request's site on a new thread and returns the run's id;
  // 0 (starting nothing) while the site has a run not yet collected or is
  // held for editing. The profile counts as running before the thread
  // starts.
  RunId Start(RunRequest request);

  // Asks the site's run to stop before its next line and before its
  // report; false when the site has no run.
  bool Stop(const CSiteProfile& profile);
  void StopAll();
  // The site of run `id`, which may be out of the list; null once collected.
  CSiteProfile* ProfileOf(RunId id) const;
  // Whether run `id` was asked to stop.
  bool Stopped(RunId id) const;

  // Joins the thread of run `id`, which has ended (its OnEnded came), and
  // forgets it.
  void Collect(RunId id);
  // Waits for every run to end and forgets them.
  void CollectAll();

  // Whether `profile` has a run not yet collected.
  bool HasRun(const CSiteProfile& profile) const;
  bool Empty() const { return runs_.empty(); }

  // While a site is held (its settings are being edited), no run of it
  // starts: the sheet's strings must not change under a run.
  void Hold(const CSiteProfile& profile);
  void Release(const CSiteProfile& profile);
  bool Held(const CSiteProfile& profile) const;

 private:
  struct ActiveRun;

  ActiveRun* Find(RunId id) const;
  ActiveRun* FindSite(const CSiteProfile& profile) const;
  static void RequestStop(ActiveRun& run);

  RunEvents& events_;
  CDNSCache& dnsCache_;
  std::vector<std::unique_ptr<ActiveRun>> runs_;
  std::vector<const CSiteProfile*> held_;
  RunId nextId_ = 1;
};

// Holds a site on `board` for the life of the object.
class SiteHold {
 public:
  SiteHold(RunBoard& board, const CSiteProfile& profile) : board_(board), profile_(profile) {
    board_.Hold(profile_);
  }
  ~SiteHold() { board_.Release(profile_); }
  SiteHold(const SiteHold&) = delete;
  SiteHold& operator=(const SiteHold&) = delete;

 private:
  RunBoard& board_;
  const CSiteProfile& profile_;
};

}  // namespace tlw
