#include "cli/site_runs.h"

#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <ctime>
#include <deque>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "base/atomic_file.h"
#include "base/byte_amount.h"
#include "base/device_file.h"
#include "base/run_stages.h"
#include "base/user_folders.h"
#include "cli/run_console.h"
#include "cli/statistics_json.h"
#include "engine/run_texts.h"
#include "frontend/run_board.h"
#include "frontend/run_history.h"
#include "frontend/site_session.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

extern char** environ;

namespace tlw::cli {
namespace {

// Set by the signal handler; read by the thread that waits for the runs.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int signalNumber) {
  gInterrupted.store(true);
  // A second Ctrl+C ends the program the usual way.
  std::signal(signalNumber, SIG_DFL);
}

// Routes SIGINT and SIGTERM to OnInterrupt while the runs work.
class InterruptGuard {
 public:
  InterruptGuard() {
    gInterrupted.store(false);
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  static bool Fired() { return gInterrupted.load(); }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// What a run tells the waiting thread.
struct Event {
  enum class Kind { Stage, Message, Ended };
  Kind kind;
  RunId run;
  int stage = 0;
  std::string text;
  RunResult result;  // of Ended
};

// Events from the runs to the waiting thread. Pushing never waits for the
// terminal, so a slow terminal cannot slow a run down.
class EventQueue {
 public:
  void Push(Event event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    }
    ready_.notify_one();
  }

  // The events so far, after waiting up to `timeout` for the first.
  std::deque<Event> Take(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, timeout, [this] { return !events_.empty(); });
    std::deque<Event> taken;
    taken.swap(events_);
    return taken;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Event> events_;
};

// What the runs tell the waiting thread, as events on its queue.
class QueuedRunEvents final : public RunEvents {
 public:
  explicit QueuedRunEvents(EventQueue& queue) : queue_(queue) {}

  void OnStage(RunId run, int stage) override {
    queue_.Push({Event::Kind::Stage, run, stage, {}, {}});
  }
  void OnMessage(RunId run, const std::string& text, const std::string& caption) override {
    const std::string shown = caption == kApplicationTitle ? text : caption + ": " + text;
    queue_.Push({Event::Kind::Message, run, 0, shown, {}});
  }
  // Opens the report with the desktop's handler, as a double click would.
  void OnOpen(RunId run, const std::string& fileOrUrl) override {
    std::string program = "xdg-open";
    std::string argument = fileOrUrl;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0 ||
        waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      OnMessage(run, "Cannot open " + fileOrUrl + " with xdg-open", kApplicationTitle);
    }
  }
  void OnEnded(RunId run, const RunResult& result) override {
    queue_.Push({Event::Kind::Ended, run, 0, {}, result});
  }

 private:
  EventQueue& queue_;
};

// Per job, what the waiting thread remembers while it prints.
struct JobState {
  std::unique_ptr<RunProgress> progress = std::make_unique<RunProgress>();
  int lastStage = 0;
  bool resolving = false;  // the DNS stage has been shown
  bool ended = false;
};

// Whether the last stage of a run says it is reading its logfiles, the
// time its progress line has something to show.
bool IsReading(int stage) {
  return stage == kStageReading || stage == kStageFtpReading || stage == kStageResolving ||
         stage == kStageLogSize;
}

std::size_t TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

// Writes the statistics file, with its folder when that is missing. Sites
// that write to one device (a pipe) take turns, so that each one's text
// reaches it whole.
Status WriteStatistics(const std::filesystem::path& path, const CSiteProfile& profile) {
  if (IsDeviceFile(path)) {
    static std::mutex deviceTurn;
    std::lock_guard turn(deviceTurn);
    return WriteStatisticsJson(path, profile);
  }
  std::error_code ignored;  // the write names the folder if it is still missing
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  return WriteStatisticsJson(path, profile);
}

std::string Tag(const SiteJob& job) { return "[" + std::to_string(job.row) + "] "; }

// Prints one stage. The DNS stage and the reading stage after it come for
// every address looked up; only the first is shown, the progress line
// counts the rest.
void ShowStage(RunConsole& console, const SiteJob& job, JobState& state, SiteOutcome& outcome,
               int stage, bool quiet) {
  if (stage == kStageFinished) outcome.finishTime = std::time(nullptr);
  if (quiet) return;
  const int previous = state.lastStage;
  state.lastStage = stage;
  if (stage == kStageResolving) {
    if (state.resolving) return;
    state.resolving = true;
  } else if (previous == kStageResolving && (stage == kStageReading || stage == kStageFtpReading)) {
    return;
  }
  if (stage == kStageLogSize) {
    const std::uint64_t size = state.progress->fileSize.load(std::memory_order_relaxed);
    console.Out(Tag(job) + "Log size: " + LogSizeText(size) +
                (state.progress->compressed.load() ? " (compressed)" : ""));
    return;
  }
  if (stage == kStageFinished) {
    console.Out(Tag(job) + std::string(StageText(stage)) + FinishTimeText(outcome.finishTime));
    return;
  }
  console.Out(Tag(job) + std::string(StageText(stage)));
}

void ShowEnd(RunConsole& console, const SiteJob& job, const SiteOutcome& outcome, bool quiet) {
  if (!quiet) {
    for (const std::string& note : outcome.result.notes) {
      console.Out(Tag(job) + ConsoleText(note));
    }
  }
  for (const std::string& warning : outcome.result.warnings) {
    console.Err("tallowick-cli: warning: " + Tag(job) + ConsoleText(warning));
  }
  if (!quiet && outcome.result.Finished()) {
    // The run wrote these before it ended; it no longer touches them.
    console.Out(Tag(job) + "Time taken: " + job.profile->GetTimeTaken());
  } else if (!quiet && outcome.result.finalStage == 0) {
    console.Out(Tag(job) + "Stopped");
  }
  if (!outcome.json.ok()) console.Err("tallowick-cli: " + Tag(job) + outcome.json.message());
}

}  // namespace

std::vector<SiteOutcome> RunSites(const CliContext& context, const std::vector<SiteJob>& jobs,
                                  const RunSettings& settings, CDNSCache& cache) {
  const bool live = !context.quiet && &context.err == &std::cerr && isatty(STDERR_FILENO) != 0;
  // Progress goes to standard error with the messages, so that standard
  // output holds only what a command is asked for (the statistics with
  // --json -, the report's path).
  RunConsole console(context.err, context.err, live, live ? TerminalWidth() : 80);
  EventQueue queue;
  std::vector<SiteOutcome> outcomes(jobs.size());
  std::vector<JobState> states(jobs.size());
  InterruptGuard interrupt;
  QueuedRunEvents runEvents(queue);
  std::vector<RunId> runIds(jobs.size(), 0);
  RunBoard board(runEvents, cache);

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    RunRequest request{jobs[i].profile, static_cast<int>(jobs[i].row), settings, {}};
    request.options.progress = states[i].progress.get();
    request.options.graphsNamedAfterReport = jobs[i].graphsNamedAfterReport;
    request.options.standardInput = jobs[i].standardInput;
    request.options.modernViewPath = jobs[i].modernViewPath.string();
    request.options.incremental = jobs[i].incremental;
    request.options.startAfresh = jobs[i].startAfresh;
    if (!jobs[i].jsonPath.empty()) {
      request.options.countAudience = true;
      request.options.onStatistics = [&, i](const CSiteProfile& profile) {
        if (jobs[i].jsonPath == kStandardOutputName) {
          // Several sites take turns: each document reaches the output whole.
          static std::mutex outputTurn;
          std::lock_guard turn(outputTurn);
          outcomes[i].json = WriteStatisticsJson(context.out, profile);
        } else {
          outcomes[i].json = WriteStatistics(jobs[i].jsonPath, profile);
        }
      };
    }
    runIds[i] = board.Start(std::move(request));
    if (runIds[i] == 0) {
      // Never for the distinct sites the commands name; ends as a failure
      // rather than being waited for.
      outcomes[i].result.message =
          "The site of row " + std::to_string(jobs[i].row) + " is named twice; it runs once";
      states[i].ended = true;
    }
  }

  std::size_t running = static_cast<std::size_t>(
      std::count_if(runIds.begin(), runIds.end(), [](RunId id) { return id != 0; }));
  bool stopping = false;
  while (running > 0) {
    std::deque<Event> events = queue.Take(std::chrono::milliseconds(100));
    if (InterruptGuard::Fired()) {
      if (!stopping) console.Err("tallowick-cli: interrupted: stopping the runs");
      stopping = true;
      board.StopAll();
    }
    for (const Event& event : events) {
      const std::size_t i = static_cast<std::size_t>(
          std::find(runIds.begin(), runIds.end(), event.run) - runIds.begin());
      const SiteJob& job = jobs[i];
      switch (event.kind) {
        case Event::Kind::Stage:
          ShowStage(console, job, states[i], outcomes[i], event.stage, context.quiet);
          break;
        case Event::Kind::Message:
          outcomes[i].shown.push_back(ConsoleText(event.text));
          console.Err("tallowick-cli: " + Tag(job) + outcomes[i].shown.back());
          break;
        case Event::Kind::Ended:
          outcomes[i].result = event.result;
          board.Collect(event.run);
          states[i].ended = true;
          --running;
          ShowEnd(console, job, outcomes[i], context.quiet);
          break;
      }
    }
    std::vector<ProgressView> active;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      if (!states[i].ended && IsReading(states[i].lastStage)) {
        active.push_back({jobs[i].row, states[i].progress.get()});
      }
    }
    console.Flush(active, RunConsole::Clock::now());
  }
  console.Close();
  return outcomes;
}

Status SummarizeRuns(const std::vector<SiteJob>& jobs, const std::vector<SiteOutcome>& outcomes) {
  std::string failures;
  std::size_t failed = 0;
  bool allShown = true;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const SiteOutcome& outcome = outcomes[i];
    std::string text;
    // A message printed while the site ran is not printed again; a failed
    // statistics file was printed when its site ended.
    bool shown = false;
    if (!outcome.result.Finished()) {
      text = ConsoleText(outcome.result.message);
      shown =
          std::any_of(outcome.shown.begin(), outcome.shown.end(),
                      [&text](const std::string& line) { return line.find(text) != line.npos; });
    } else if (!outcome.json.ok()) {
      shown = true;
    } else {
      continue;
    }
    ++failed;
    allShown = allShown && shown;
    if (!failures.empty()) failures += "; ";
    failures += shown ? "[" + std::to_string(jobs[i].row) + "]" : Tag(jobs[i]) + text;
  }
  if (failed == 0) return Status::Ok();
  if (jobs.size() == 1) return Status::Error(allShown ? failures + " failed" : failures);
  return Status::Error(std::to_string(failed) + " of " + std::to_string(jobs.size()) +
                       " sites failed: " + failures);
}

void RecordRuns(const CliContext& context, const std::vector<SiteJob>& jobs,
                const std::vector<SiteOutcome>& outcomes, std::int64_t started) {
  const std::filesystem::path file =
      RunHistory::FileFor(UserFoldersOfProcess().state, context.directory);
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  for (std::size_t i = 0; i < jobs.size() && i < outcomes.size(); ++i) {
    const RunResult& result = outcomes[i].result;
    const RunOutcome outcome = result.Finished()        ? RunOutcome::kFinished
                               : result.finalStage == 0 ? RunOutcome::kStopped
                                                        : RunOutcome::kFailed;
    const std::int64_t ended = outcomes[i].finishTime != 0 ? outcomes[i].finishTime : now;
    std::string warning;
    const Status recorded = RecordRun(file, jobs[i].profile->GetHomepageUrl(),
                                      {started, std::max<std::int64_t>(0, ended - started), outcome,
                                       false, HistoryMessageOf(result.message, result.notes)},
                                      warning);
    if (!warning.empty()) context.err << "tallowick-cli: " << ConsoleText(warning) << '\n';
    if (!recorded.ok()) {
      context.err << "tallowick-cli: warning: " << ConsoleText(recorded.message()) << '\n';
      return;
    }
  }
}

}  // namespace tlw::cli
