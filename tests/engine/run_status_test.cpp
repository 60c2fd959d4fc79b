// Two runs go on while a window thread keeps reading what they show: the
// running flag, the last stage, the logfile size, the period texts, the
// time taken and the other fields a run writes. Built with the tsan preset
// this proves those reads race with nothing; in any build it checks that
// every value the window saw is one the run meant to show.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/run_stages.h"
#include "engine/run_site.h"
#include "engine/run_texts.h"
#include "settings/field_access.h"
#include "settings/field_value.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"
#include "tools/loggen/log_generator.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

constexpr int kSites = 2;

// A front end's site list: it keeps the last stage of each row and, like
// the site list when a run says it finished, stores the finish time in the
// profile. Stages arrive on the run threads.
class SiteListHost : public ProgressSink {
 public:
  explicit SiteListHost(std::array<std::shared_ptr<CSiteProfile>, kSites> profiles)
      : profiles_(std::move(profiles)) {}

  void Post(int stage, int listIndex) override {
    {
      std::lock_guard lock(mutex_);
      lastStage_[listIndex] = stage;
    }
    if (stage == kStageFinished) {
      profiles_.at(static_cast<std::size_t>(listIndex))
          ->SetLastGenerated(FinishTimeText(std::time(nullptr)));
    }
  }

  int LastStage(int listIndex) const {
    std::lock_guard lock(mutex_);
    const auto found = lastStage_.find(listIndex);
    return found == lastStage_.end() ? 0 : found->second;
  }

 private:
  std::array<std::shared_ptr<CSiteProfile>, kSites> profiles_;
  mutable std::mutex mutex_;
  std::map<int, int> lastStage_;
};

// Every distinct value the window saw of each field of one site.
struct Seen {
  std::map<std::string, std::set<std::string>> fields;
  std::set<int> stages;

  void Note(const std::string& field, std::string value) { fields[field].insert(std::move(value)); }
};

// One look of the window at a site: every field by name, as a property view
// lists them, and the run-time texts the window shows beside them.
void Look(const CSiteProfile& profile, int stage, Seen& seen) {
  (void)profile.GetRunning();
  seen.stages.insert(stage);
  for (const FieldInfo& field : CSiteProfile::Fields()) {
    Result<FieldValue> value = GetProfileField(profile, field.name);
    if (value.ok()) seen.Note(field.name, FieldValueText(*value));
  }
  seen.Note("periodStart", profile.GetPeriodStart());
  seen.Note("periodEnd", profile.GetPeriodEnd());
  seen.Note("busiestDayReport", profile.GetBusiestDayReport());
  seen.Note("busiestDayMail", profile.GetBusiestDayMail());
  seen.Note("finalReportFileName", profile.GetFinalReportFileName());
  seen.Note("reportFolder", profile.GetReportFolder());
  seen.Note("logSizeText", profile.LogSizeText());
}

std::string GeneratedLog(loggen::Layout layout, std::uint64_t seed) {
  loggen::Options options;
  options.layout = layout;
  options.requests = 3000;
  options.seed = seed;
  options.maxGapSeconds = 60;
  loggen::LogGenerator generator(options);
  std::string log;
  generator.AppendHeader(log);
  for (std::uint64_t i = 0; i < options.requests; ++i) generator.AppendRequest(log);
  return log;
}

TEST(RunStatusTest, WindowReadsWhatTwoRunsWriteWithoutRacing) {
  const test::TempDir dir;
  const std::array<loggen::Layout, kSites> layouts{loggen::Layout::NcsaCombined,
                                                   loggen::Layout::W3cExtended};
  std::array<std::shared_ptr<CSiteProfile>, kSites> profiles;
  std::array<fs::path, kSites> logs;
  for (int row = 0; row < kSites; ++row) {
    const std::string name = "site" + std::to_string(row);
    logs[row] = dir.Write(name + ".log", GeneratedLog(layouts[row], 7 + row));
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetListIndex(row);
    profile->SetHomepageUrl("http://" + name + ".example.com/");
    profile->SetLogfilePath(logs[row].string());
    profile->SetReportPath((dir / name / "stats.html").string());
    profiles[row] = std::move(profile);
  }

  SiteListHost host(profiles);
  const RunHost runHost{&host, nullptr, nullptr};
  CDNSCache cache;
  std::array<RunProgress, kSites> progress;
  // What each run had just before its report: the period texts it shows.
  std::array<std::string, kSites> periodStart, periodEnd, busiestDay;
  std::array<RunResult, kSites> results;

  std::atomic<bool> done{false};
  std::array<Seen, kSites> seen;
  std::thread window([&] {
    auto lookAtAll = [&] {
      for (int row = 0; row < kSites; ++row) {
        // The site list renumbers its rows while runs go on.
        profiles[row]->SetListIndex(row);
        (void)progress[row].linesRead.load(std::memory_order_relaxed);
        Look(*profiles[row], host.LastStage(row), seen[row]);
      }
    };
    while (!done.load()) lookAtAll();
    lookAtAll();
  });

  RunSettings settings;
  settings.programDirectory = dir.path().string();
  std::vector<std::thread> runs;
  for (int row = 0; row < kSites; ++row) {
    runs.emplace_back([&, row] {
      RunOptions options;
      options.progress = &progress[row];
      options.onStatistics = [&, row](const CSiteProfile& p) {
        periodStart[row] = p.GetPeriodStart();
        periodEnd[row] = p.GetPeriodEnd();
        busiestDay[row] = p.GetBusiestDayReport();
      };
      results[row] = RunSite(profiles[row], settings, runHost, cache, options);
    });
  }
  for (std::thread& run : runs) run.join();
  done.store(true);
  window.join();

  for (int row = 0; row < kSites; ++row) {
    SCOPED_TRACE("site " + std::to_string(row));
    const CSiteProfile& profile = *profiles[row];
    ASSERT_TRUE(results[row].Finished()) << results[row].message;
    EXPECT_FALSE(profile.GetRunning());
    EXPECT_EQ(host.LastStage(row), kStageFinished);
    EXPECT_NE(periodStart[row], "00-00-00");
    EXPECT_NE(busiestDay[row], "-");

    // Each value the window saw is the one before the run, or the one the
    // run (or the site list, for the finish time) wrote: never a mixture.
    const std::string size = std::to_string(fs::file_size(logs[row]));
    using Values = std::set<std::string>;
    const std::map<std::string, Values> allowed{
        {"listIndex", {std::to_string(row)}},
        {"lastLogfileSize", {"0", size}},
        {"timeTaken", {"", profile.GetTimeTaken()}},
        {"lastRunTime", {"0", std::to_string(profile.GetLastRunTime())}},
        {"lastGenerated", {"never generated", profile.GetLastGenerated()}},
        {"periodStart", {"00-00-00", periodStart[row]}},
        {"periodEnd", {"00-00-00", periodEnd[row]}},
        {"busiestDayReport", {"-", busiestDay[row]}},
        {"finalReportFileName", {"", profile.GetFinalReportFileName()}},
        {"logSizeText", {"remote", profile.LogSizeText()}},
    };
    for (const auto& [field, values] : allowed) {
      for (const std::string& value : seen[row].fields[field]) {
        EXPECT_EQ(values.count(value), 1u) << field << " was seen as \"" << value << '"';
      }
    }
    EXPECT_EQ(seen[row].fields["lastLogfileSize"].count(size), 1u);
    EXPECT_EQ(seen[row].fields["timeTaken"].count(profile.GetTimeTaken()), 1u);
    EXPECT_EQ(seen[row].stages.count(kStageFinished), 1u);
  }
}

// Three sites run at once and resolve their numeric hosts through the one
// host name cache, sharing some addresses; the window stops the third in
// the middle of its logfile. Under the tsan preset this proves that the
// cache, the running flag and the stop race with nothing; in any build the
// stopped run ends quietly and the others count every host under the name
// the resolver gave, never a half-written cache entry.
TEST(RunStatusTest, ThreeSitesResolveThroughOneCacheWhileOneIsStopped) {
  constexpr int kRuns = 3;
  constexpr int kStopped = 2;
  constexpr int kLookupsBeforeStop = 20;
  const test::TempDir dir;
  std::array<std::shared_ptr<CSiteProfile>, kRuns> profiles;
  // Long agents make each log over 1 MiB, so that it is read on a second
  // thread and its hosts are named there.
  const std::string padding(800, 'x');
  for (int row = 0; row < kRuns; ++row) {
    std::string log;
    for (int i = 0; i < 1500; ++i) {
      // Addresses of the site's own and a pool that all sites share.
      const std::string host = i % 2 == 0
                                   ? "192.0.2." + std::to_string(i % 40)
                                   : "10.0." + std::to_string(row) + "." + std::to_string(i % 200);
      log += host + " - - [07/Dec/2026:10:" + std::to_string(10 + i % 50) + ":00 +0000] \"GET /p" +
             std::to_string(i % 30) + ".html HTTP/1.1\" 200 1234 \"-\" \"Mozilla/5.0 " + padding +
             "\"\n";
    }
    const std::string name = "site" + std::to_string(row);
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetListIndex(row);
    profile->SetHomepageUrl("http://" + name + ".example.com/");
    profile->SetLogfilePath(dir.Write(name + ".log", log).string());
    profile->SetReportPath((dir / name / "stats.html").string());
    profiles[row] = std::move(profile);
  }
  auto nameOf = [](std::string_view address) {
    return "host-" + std::string(address) + ".example.net";
  };

  CDNSCache cache;
  RunSettings settings;
  settings.programDirectory = dir.path().string();
  settings.resolveHostnames = true;
  std::atomic<int> stoppedLookups{0};
  std::array<std::set<std::string>, kRuns> counted;
  std::array<RunResult, kRuns> results;
  std::vector<std::thread> runs;
  for (int row = 0; row < kRuns; ++row) {
    runs.emplace_back([&, row] {
      RunOptions options;
      options.resolver = [&, row](std::string_view address) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));  // the network
        if (row == kStopped && ++stoppedLookups == kLookupsBeforeStop) {
          // Wait here until the window has stopped this site, so that the
          // stop surely falls in the middle of its logfile.
          for (int i = 0; i < 10000 && profiles[row]->GetRunning(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }
        return nameOf(address);
      };
      options.onStatistics = [&, row](const CSiteProfile& profile) {
        profile.Statistics().hostnames.ForEach(
            [&](std::string_view key, std::int64_t) { counted[row].emplace(key); });
      };
      results[row] = RunSite(profiles[row], settings, RunHost{}, cache, options);
    });
  }
  // The window: stops the third site once it is well into its logfile.
  std::thread window([&] {
    for (int i = 0; i < 10000 && stoppedLookups.load() < kLookupsBeforeStop; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    profiles[kStopped]->SetRunning(false);
  });
  window.join();
  for (std::thread& run : runs) run.join();

  for (int row = 0; row < kRuns; ++row) {
    SCOPED_TRACE("site " + std::to_string(row));
    EXPECT_FALSE(profiles[row]->GetRunning());
    if (row == kStopped) {
      EXPECT_EQ(results[row].finalStage, 0);
      EXPECT_NE(results[row].message.find("stopped"), std::string::npos) << results[row].message;
      EXPECT_TRUE(counted[row].empty());
      EXPECT_FALSE(fs::exists(dir / ("site" + std::to_string(row)) / "stats.html"));
      continue;
    }
    ASSERT_TRUE(results[row].Finished()) << results[row].message;
    EXPECT_EQ(counted[row].size(), 120u);  // 20 shared and 100 own addresses
    for (const std::string& host : counted[row]) {
      EXPECT_TRUE(host.starts_with("host-") && host.ends_with(".example.net")) << host;
    }
  }
  EXPECT_EQ(cache.Lookup("192.0.2.6"), nameOf("192.0.2.6"));
  EXPECT_EQ(cache.Lookup("10.0.1.199"), nameOf("10.0.1.199"));
}

}  // namespace
}  // namespace tlw
