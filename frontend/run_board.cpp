#include "frontend/run_board.h"

#include <algorithm>

#include "base/run_host.h"
#include "settings/site_profile.h"

namespace tlw {

// The host interfaces of one run, passing each call on with the run's id.
class RunEventsHost final : public ProgressSink, public RunNotifier, public ShellOpener {
 public:
  RunEventsHost(RunEvents& events, RunId id) : events_(events), id_(id) {}
  void Post(int stage, int /*listIndex*/) override { events_.OnStage(id_, stage); }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    events_.OnMessage(id_, text, caption);
  }
  void Open(const std::string& fileOrUrl) override { events_.OnOpen(id_, fileOrUrl); }
  const RunHost& Host() const { return host_; }

 private:
  RunEvents& events_;
  RunId id_;
  RunHost host_{this, this, this};
};

struct RunBoard::ActiveRun {
  RunId id = 0;
  std::shared_ptr<CSiteProfile> profile;
  std::unique_ptr<RunEventsHost> host;
  std::atomic<bool> stopRequested{false};
  std::thread thread;
};

RunBoard::RunBoard(RunEvents& events, CDNSCache& dnsCache) : events_(events), dnsCache_(dnsCache) {}

RunBoard::~RunBoard() {
  StopAll();
  CollectAll();
}

RunId RunBoard::Start(RunRequest request) {
  CSiteProfile& profile = *request.profile;
  if (FindSite(profile) != nullptr || Held(profile)) return 0;
  auto run = std::make_unique<ActiveRun>();
  run->id = nextId_++;
  run->profile = request.profile;
  run->host = std::make_unique<RunEventsHost>(events_, run->id);
  profile.SetListIndex(request.listIndex);
  profile.SetRunning(true);
  request.options.stopRequested = &run->stopRequested;
  ActiveRun* started = run.get();
  runs_.push_back(std::move(run));
  started->thread = std::thread([started, request = std::move(request), this] {
    const RunResult result = RunSite(started->profile, request.settings, started->host->Host(),
                                     dnsCache_, request.options);
    events_.OnEnded(started->id, result);
  });
  return started->id;
}

void RunBoard::RequestStop(ActiveRun& run) {
  run.stopRequested.store(true);
  // Pairs with the fence in the run between setting its running flag and
  // reading the token: either the run sees the token, or this clear comes
  // after its set.
  std::atomic_thread_fence(std::memory_order_seq_cst);
  run.profile->SetRunning(false);
}

bool RunBoard::Stop(const CSiteProfile& profile) {
  ActiveRun* run = FindSite(profile);
  if (run == nullptr) return false;
  RequestStop(*run);
  return true;
}

void RunBoard::StopAll() {
  for (const std::unique_ptr<ActiveRun>& run : runs_) RequestStop(*run);
}

CSiteProfile* RunBoard::ProfileOf(RunId id) const {
  const ActiveRun* run = Find(id);
  return run != nullptr ? run->profile.get() : nullptr;
}

bool RunBoard::Stopped(RunId id) const {
  const ActiveRun* run = Find(id);
  return run != nullptr && run->stopRequested.load();
}

void RunBoard::Collect(RunId id) {
  auto found = std::find_if(runs_.begin(), runs_.end(),
                            [id](const std::unique_ptr<ActiveRun>& run) { return run->id == id; });
  if (found == runs_.end()) return;
  (*found)->thread.join();
  runs_.erase(found);
}

void RunBoard::CollectAll() {
  for (const std::unique_ptr<ActiveRun>& run : runs_) run->thread.join();
  runs_.clear();
}

bool RunBoard::HasRun(const CSiteProfile& profile) const { return FindSite(profile) != nullptr; }

void RunBoard::Hold(const CSiteProfile& profile) { held_.push_back(&profile); }

void RunBoard::Release(const CSiteProfile& profile) {
  auto found = std::find(held_.begin(), held_.end(), &profile);
  if (found != held_.end()) held_.erase(found);
}

bool RunBoard::Held(const CSiteProfile& profile) const {
  return std::find(held_.begin(), held_.end(), &profile) != held_.end();
}

RunBoard::ActiveRun* RunBoard::Find(RunId id) const {
  for (const std::unique_ptr<ActiveRun>& run : runs_) {
    if (run->id == id) return run.get();
  }
  return nullptr;
}

RunBoard::ActiveRun* RunBoard::FindSite(const CSiteProfile& profile) const {
  for (const std::unique_ptr<ActiveRun>& run : runs_) {
    if (run->profile.get() == &profile) return run.get();
  }
  return nullptr;
}

}  // namespace tlw
