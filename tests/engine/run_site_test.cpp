#include "engine/run_site.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/run_stages.h"
#include "engine/run_files.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"
#include "tests/logs/gzip_helpers.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

// Everything a run tells its host, kept for the test to read.
class RecordingHost : public ProgressSink, public RunNotifier, public ShellOpener {
 public:
  RecordingHost() : host_{this, this, this} {}

  void Post(int stage, int listIndex) override {
    std::lock_guard lock(mutex_);
    stages_.emplace_back(stage, listIndex);
    if (onStage_) onStage_(stage);
  }
  void ShowMessage(const std::string& text, const std::string&) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
  }
  void Open(const std::string& fileOrUrl) override {
    std::lock_guard lock(mutex_);
    opened_.push_back(fileOrUrl);
  }

  const RunHost& Host() const { return host_; }
  void OnStage(std::function<void(int)> fn) { onStage_ = std::move(fn); }

  // Stage numbers of the site in row `row`, in posting order.
  std::vector<int> Stages(int row = 0) const {
    std::lock_guard lock(mutex_);
    std::vector<int> stages;
    for (const auto& [stage, index] : stages_) {
      if (index == row) stages.push_back(stage);
    }
    return stages;
  }
  std::vector<std::string> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<std::string> Opened() const {
    std::lock_guard lock(mutex_);
    return opened_;
  }

 private:
  mutable std::mutex mutex_;
  RunHost host_;
  std::function<void(int)> onStage_;
  std::vector<std::pair<int, int>> stages_;
  std::vector<std::string> messages_;
  std::vector<std::string> opened_;
};

// The counts a run had just before its report, by host.
struct Snapshot {
  bool taken = false;
  std::vector<std::pair<std::string, std::int64_t>> hosts;  // ranked
  std::vector<std::pair<std::string, std::int64_t>> countries;
  std::string periodStart, periodEnd, busiestDay;
};

std::string NcsaLine(std::string_view host, std::string_view url = "/index.html",
                     std::string_view date = "10/Oct/2000:13:55") {
  return std::string(host) + " - - [" + std::string(date) + ":36 -0700] \"GET " + std::string(url) +
         " HTTP/1.0\" 200 2326 \"-\" \"Mozilla/4.08 [en] (Win98; I)\"\n";
}

// `count` lines from `host`, one second apart on 10 October 2000.
std::string NcsaLog(std::string_view host, int count) {
  std::string log;
  for (int i = 0; i < count; ++i) log += NcsaLine(host, "/page" + std::to_string(i) + ".html");
  return log;
}

class RunSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.programDirectory = dir_.path().string();
    settings_.retryPauseMs = 10;
  }

  std::shared_ptr<CSiteProfile> Profile(const std::string& logfilePath, int row = 0) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetListIndex(row);
    profile->SetHomepageUrl("http://www.example.com/");
    profile->SetLogfilePath(logfilePath);
    profile->SetReportPath((dir_ / ("report" + std::to_string(row)) / "stats.html").string());
    return profile;
  }

  RunResult Run(const std::shared_ptr<CSiteProfile>& profile, RecordingHost& host,
                Snapshot* snapshot = nullptr, RunProgress* progress = nullptr,
                Resolver resolver = {}) {
    RunOptions options;
    options.progress = progress;
    options.resolver = std::move(resolver);
    if (snapshot != nullptr) {
      options.onStatistics = [snapshot](const CSiteProfile& p) {
        snapshot->taken = true;
        for (const StatEntry& e : Ranked(p.Statistics().hostnames)) {
          snapshot->hosts.emplace_back(e.key, e.count);
        }
        for (const StatEntry& e : Ranked(p.Statistics().countries)) {
          snapshot->countries.emplace_back(e.key, e.count);
        }
        snapshot->periodStart = p.GetPeriodStart();
        snapshot->periodEnd = p.GetPeriodEnd();
        snapshot->busiestDay = p.GetBusiestDayReport();
      };
    }
    return RunSite(profile, settings_, host.Host(), cache_, options);
  }

  test::TempDir dir_;
  RunSettings settings_;
  CDNSCache cache_;
};

using Hosts = std::vector<std::pair<std::string, std::int64_t>>;

TEST_F(RunSiteTest, LocalLogfileRunsToTheReportAndClearsAfterwards) {
  const auto log = dir_.Write("access.log", NcsaLog("a.example.de", 3) + NcsaLog("127.0.0.1", 2));
  auto profile = Profile(log.string(), 3);
  profile->SetTimeTaken("old");
  RecordingHost host;
  Snapshot snapshot;
  RunProgress progress;

  const RunResult result = Run(profile, host, &snapshot, &progress);

  EXPECT_TRUE(result.Finished()) << result.message;
  EXPECT_EQ(result.message, "");
  const std::vector<int> stages = host.Stages(3);
  ASSERT_GE(stages.size(), 5u);
  EXPECT_THAT(std::vector<int>(stages.begin(), stages.begin() + 4), ElementsAre(1, 55, 1, 8));
  EXPECT_EQ(stages.back(), kStageFinished);
  EXPECT_TRUE(fs::exists(dir_ / "report3" / "stats.html"));
  EXPECT_TRUE(fs::exists(dir_ / "report3" / "images" / "3_Oct-10tlwgraph_hostnames.gif"));
  EXPECT_TRUE(host.Messages().empty());

  // Without resolution, even an address any resolver names stays as it is.
  EXPECT_EQ(snapshot.hosts, (Hosts{{"a.example.de", 3}, {"127.0.0.1", 2}}));
  EXPECT_EQ(cache_.Size(), 0u);
  EXPECT_EQ(snapshot.countries, (Hosts{{"Germany", 3}}));  // the table beside the build
  EXPECT_EQ(snapshot.periodStart, "Oct-10-2000 13:55");
  EXPECT_EQ(snapshot.busiestDay, "Oct-10");

  EXPECT_EQ(profile->GetLastLogfileSize(), fs::file_size(log));
  EXPECT_EQ(progress.linesRead.load(), 5u);
  EXPECT_EQ(progress.bytesRead.load(), fs::file_size(log));
  EXPECT_EQ(profile->Statistics().hostnames.Count(), 0u);
  EXPECT_EQ(profile->GetPeriodStart(), "00-00-00");
  EXPECT_FALSE(profile->GetRunning());
  EXPECT_THAT(profile->GetTimeTaken(),
              ::testing::MatchesRegex("[0-9][0-9]h [0-9][0-9]m [0-9][0-9]s"));
  EXPECT_LE(std::abs(profile->GetLastRunTime() - std::time(nullptr)), 5);
}

// Without a completed record the period is the one a site shows when it is
// not running.
TEST_F(RunSiteTest, ARunWithoutRecordsHasNoPeriod) {
  const std::string noRequest = "10.0.0.1 - - [10/Oct/2000:13:55:36 -0700]\n";
  const auto log = dir_.Write("access.log", noRequest + noRequest + noRequest);
  auto profile = Profile(log.string());
  RecordingHost host;
  Snapshot snapshot;
  ASSERT_TRUE(Run(profile, host, &snapshot).Finished());
  EXPECT_EQ(snapshot.periodStart, "00-00-00");
  EXPECT_EQ(snapshot.periodEnd, "00-00-00");
}

// A saved site's run tells robots by the installed patterns and the user's
// own file, and writes the modern view beside its report; a user's file
// that does not load is a warning naming it, and the run goes on.
TEST_F(RunSiteTest, RobotsOfTheInstalledAndTheUsersPatternsInTheModernView) {
  std::string log = NcsaLine("10.0.0.1") + NcsaLine("10.0.0.2");
  const auto agent = [](std::string line, std::string_view name) {
    return line.replace(line.rfind("Mozilla/4.08 [en] (Win98; I)"), 28, name);
  };
  log += agent(NcsaLine("66.249.66.1"), "Mozilla/5.0 (compatible; Googlebot/2.1)");
  log += agent(NcsaLine("10.0.0.9"), "ProbeBot/1.0");
  auto profile = Profile(dir_.Write("access.log", log).string());
  settings_.robotPatternsFile = dir_.Write("robots.tsv", "Probe\tmonitoring\tProbeBot/\n").string();
  std::vector<std::string> families;
  RunOptions options;
  options.onStatistics = [&](const CSiteProfile& p) {
    for (const RobotFamilyCount& robot : p.Statistics().audience.robotFamilies) {
      families.push_back(robot.family + " " +
                         std::string(kRobotKindNames[static_cast<std::size_t>(robot.kind)]));
    }
  };
  RecordingHost host;
  RunResult result = RunSite(profile, settings_, host.Host(), cache_, options);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(families, UnorderedElementsAre("Googlebot search engine", "Probe monitor"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "report0" / "stats-modern.html"));

  settings_.robotPatternsFile = dir_.Write("robots.tsv", "Probe monitoring ProbeBot/\n").string();
  families.clear();
  result = RunSite(profile, settings_, host.Host(), cache_, options);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(families, UnorderedElementsAre("Googlebot search engine"));
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_THAT(result.warnings[0], HasSubstr(settings_.robotPatternsFile));
}

// The report is named from the run's period, and the profile shows where it
// went once the run is over.
TEST_F(RunSiteTest, TheProfileShowsWhereTheReportWent) {
  const auto log = dir_.Write("access.log", NcsaLog("a.example.com", 3));
  auto profile = Profile(log.string(), 7);
  profile->SetReportPath((dir_ / "report7" / "stats%d").string());
  profile->SetIncludeGraphs(0);
  RecordingHost host;
  ASSERT_TRUE(Run(profile, host).Finished());
  EXPECT_EQ(profile->GetFinalReportFileName(),
            (dir_ / "report7" / "stats10-10-2000.html").string());
  EXPECT_EQ(profile->GetReportFolder(), (dir_ / "report7").string());
  EXPECT_TRUE(fs::exists(dir_ / "report7" / "stats10-10-2000.html"));
  // Without graphs none is drawn, beside the report or anywhere else.
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().extension(), ".gif") << entry.path();
  }
}

// A file list and the files that a run of it reads: "{a}" and "{b}" stand
// for the two logs, "{dir}" for their folder; `backslashes` writes each "/"
// as a backslash.
struct ListCase {
  const char* name;
  std::string setting;
  bool backslashes;
  Hosts hosts;
};

class FileListTest : public RunSiteTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(FileListTest, ReadsTheNamedFilesInOrder) {
  const auto a = dir_.Write("a.log", NcsaLog("a.example.com", 2));
  const auto b = dir_.Write("b.log", NcsaLog("b.example.com", 3));
  std::string setting = GetParam().setting;
  for (const auto& [token, path] :
       {std::pair<std::string, fs::path>{"{a}", a}, {"{b}", b}, {"{dir}", dir_.path()}}) {
    for (std::size_t at; (at = setting.find(token)) != std::string::npos;) {
      setting.replace(at, token.size(), path.string());
    }
  }
  if (GetParam().backslashes) std::replace(setting.begin(), setting.end(), '/', '\\');
  RecordingHost host;
  Snapshot snapshot;
  const RunResult result = Run(Profile(setting), host, &snapshot);
  EXPECT_TRUE(result.Finished()) << result.message;
  EXPECT_EQ(snapshot.hosts, GetParam().hosts);
  // Each file opened posts its size and the reading stage.
  const auto stages = host.Stages();
  EXPECT_EQ(std::count(stages.begin(), stages.end(), kStageLogSize),
            static_cast<long>(GetParam().hosts.size()));
}

const Hosts kBothLogs{{"b.example.com", 3}, {"a.example.com", 2}};
INSTANTIATE_TEST_SUITE_P(
    Lists, FileListTest,
    ::testing::Values(ListCase{"Single", "{a}", false, {{"a.example.com", 2}}},
                      ListCase{"EachFollowedByBar", "{a}|{b}|", false, kBothLogs},
                      ListCase{"BarOnlyBetween", "{a}|{b}", false, {{"a.example.com", 2}}},
                      ListCase{"Wildcard", "{dir}/*.log", false, kBothLogs},
                      ListCase{"BackslashSeparators", "{a}", true, {{"a.example.com", 2}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(RunSiteTest, DateCodesNameTodaysLogfile) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char name[32];
  std::snprintf(name, sizeof name, "ex%02d%02d%02d.log", local.tm_year % 100, local.tm_mon + 1,
                local.tm_mday);
  dir_.Write(name, NcsaLog("today.example.com", 2));
  dir_.Write("ex000101.log", NcsaLog("old.example.com", 2));
  auto profile = Profile((dir_ / "ex%y%m%d.log").string());
  RecordingHost host;
  Snapshot snapshot;
  EXPECT_TRUE(Run(profile, host, &snapshot).Finished());
  EXPECT_EQ(snapshot.hosts, (Hosts{{"today.example.com", 2}}));
}

// A wildcard that matches nothing is named as it was given.
TEST_F(RunSiteTest, MissingLogfileEndsWithStageFiveAndNamesIt) {
  for (const std::string& missing : {(dir_ / "nowhere.log").string(), (dir_ / "*.none").string()}) {
    auto profile = Profile(missing);
    RecordingHost host;
    Snapshot snapshot;
    const RunResult result = Run(profile, host, &snapshot);
    const std::string expected = "Local logfile (" + missing + ") not found!";
    EXPECT_EQ(result.finalStage, kStageLogfileError);
    EXPECT_EQ(result.message, expected);
    EXPECT_THAT(host.Messages(), ElementsAre(expected));
    EXPECT_THAT(host.Stages(), ElementsAre(1, 5));
    EXPECT_FALSE(snapshot.taken);
    EXPECT_FALSE(profile->GetRunning());
    EXPECT_FALSE(fs::exists(dir_ / "report0"));
  }
}

TEST_F(RunSiteTest, SecondFileMissingStopsAfterCountingTheFirst) {
  const auto a = dir_.Write("a.log", NcsaLog("a.example.com", 2));
  const std::string missing = (dir_ / "b.log").string();
  auto profile = Profile(a.string() + "|" + missing + "|");
  RecordingHost host;
  const RunResult result = Run(profile, host);
  EXPECT_EQ(result.finalStage, kStageLogfileError);
  EXPECT_THAT(result.message, HasSubstr(missing));
  EXPECT_EQ(profile->Statistics().hostnames.Count(), 0u);
}

TEST_F(RunSiteTest, UnsupportedLogfileIsAnErrorWithoutReport) {
  const auto log = dir_.Write("notes.txt", "Dear diary\nnothing here\nat all\n");
  auto profile = Profile(log.string());
  RecordingHost host;
  Snapshot snapshot;
  const RunResult result = Run(profile, host, &snapshot);
  EXPECT_EQ(result.finalStage, kStageLogfileError);
  EXPECT_EQ(result.message, "Unsupported Log File! Filename: " + log.string());
  const auto messages = host.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_THAT(messages[0], HasSubstr("either not a web server logfile"));
  EXPECT_EQ(messages[1], "Unsupported Log File!\n\nFilename: " + log.string());
  EXPECT_THAT(host.Stages(), Not(Contains(kStageFinished)));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageWritingReport)));
  EXPECT_EQ(host.Stages().back(), kStageLogfileError);
  EXPECT_FALSE(snapshot.taken);
  EXPECT_FALSE(fs::exists(dir_ / "report0" / "stats.html"));
}

TEST_F(RunSiteTest, W3cHeaderWithoutDateIsAnErrorNamingTheFile) {
  const auto log = dir_.Write("ex.log",
                              "#Software: Microsoft Internet Information Services 6.0\n"
                              "#Fields: time c-ip cs-uri-stem sc-status\n"
                              "10:00:00 10.0.0.1 /index.html 200\n");
  RecordingHost host;
  const RunResult result = Run(Profile(log.string()), host);
  EXPECT_EQ(result.finalStage, kStageLogfileError);
  EXPECT_THAT(result.message, HasSubstr("missing important data fields"));
  EXPECT_THAT(result.message, HasSubstr(log.string()));
  EXPECT_THAT(host.Messages(), ElementsAre(HasSubstr("missing important data fields")));
  EXPECT_EQ(host.Stages().back(), kStageLogfileError);
}

TEST_F(RunSiteTest, DamagedGzipCountsTheLinesBeforeAndFinishes) {
  std::string gz = test::Gzip(NcsaLog("a.example.com", 5000));
  gz.resize(gz.size() / 2);
  const auto log = dir_.Write("access.log.gz", gz);
  RecordingHost host;
  Snapshot snapshot;
  const RunResult result = Run(Profile(log.string()), host, &snapshot);
  EXPECT_TRUE(result.Finished()) << result.message;
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_THAT(host.Messages()[0], HasSubstr(log.string()));
  ASSERT_EQ(snapshot.hosts.size(), 1u);
  EXPECT_GT(snapshot.hosts[0].second, 0);
  EXPECT_LT(snapshot.hosts[0].second, 5000);
}

TEST_F(RunSiteTest, CancelledMidFileEndsQuietlyAndLeavesTimeTaken) {
  settings_.resolveHostnames = true;
  std::string log;
  for (int i = 0; i < 200; ++i) log += NcsaLine("10.1.0." + std::to_string(i % 250));
  auto profile = Profile(dir_.Write("access.log", log).string());
  profile->SetTimeTaken("07h 07m 07s");
  RecordingHost host;
  int lookups = 0;
  RunOptions options;
  options.resolver = [&](std::string_view address) {
    // Stop the site from outside after a few records, as the Stop command does.
    if (++lookups == 5) profile->SetRunning(false);
    return std::string(address);
  };
  bool snapshotTaken = false;
  options.onStatistics = [&](const CSiteProfile&) { snapshotTaken = true; };

  const RunResult result = RunSite(profile, settings_, host.Host(), cache_, options);

  EXPECT_EQ(result.finalStage, 0);
  EXPECT_THAT(result.message, HasSubstr("stopped"));
  EXPECT_EQ(lookups, 5);  // the next line was not parsed
  EXPECT_FALSE(snapshotTaken);
  EXPECT_THAT(host.Stages(), Not(Contains(kStageFinished)));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageWritingReport)));
  EXPECT_EQ(profile->Statistics().hostnames.Count(), 0u);
  EXPECT_EQ(profile->GetTimeTaken(), "07h 07m 07s");
  EXPECT_FALSE(fs::exists(dir_ / "report0" / "stats.html"));

  // A stop asked for before the run began is not undone by its start.
  const std::atomic<bool> stopped{true};
  RunOptions early;
  early.stopRequested = &stopped;
  RecordingHost quiet;
  EXPECT_EQ(RunSite(profile, settings_, quiet.Host(), cache_, early).finalStage, 0);
  EXPECT_TRUE(quiet.Stages().empty());
  EXPECT_FALSE(profile->GetRunning());
}

TEST_F(RunSiteTest, TwoSitesResolveThroughOneCacheAtOnce) {
  settings_.resolveHostnames = true;
  std::string log;
  for (int i = 0; i < 300; ++i) {
    log += NcsaLine(i % 3 == 0 ? "127.0.0.1" : "www.example.org", "/p" + std::to_string(i));
  }
  const auto path = dir_.Write("shared.log", log);
  auto first = Profile(path.string(), 0);
  auto second = Profile(path.string(), 1);
  RecordingHost host;
  Snapshot snapshots[2];
  RunResult results[2];
  // A resolver of our own, so that no answer depends on the machine's.
  std::atomic<int> asked{0};
  const Resolver resolver = [&asked](std::string_view address) {
    ++asked;
    return address == "127.0.0.1" ? std::string("loopback.example") : std::string(address);
  };
  std::thread t0([&] { results[0] = Run(first, host, &snapshots[0], nullptr, resolver); });
  std::thread t1([&] { results[1] = Run(second, host, &snapshots[1], nullptr, resolver); });
  t0.join();
  t1.join();

  const Hosts expected{{"www.example.org", 200}, {"loopback.example", 100}};
  for (int row = 0; row < 2; ++row) {
    EXPECT_TRUE(results[row].Finished()) << results[row].message;
    EXPECT_EQ(snapshots[row].hosts, expected);
    const auto stages = host.Stages(row);
    // A look-up shows the DNS stage and then the reading stage again.
    const auto dns = std::find(stages.begin(), stages.end(), kStageResolving);
    if (dns != stages.end()) {
      EXPECT_EQ(*(dns + 1), kStageReading);
    }
  }
  // One look-up for the address, or two when both runs missed the cache at once.
  const auto all0 = host.Stages(0), all1 = host.Stages(1);
  const long lookups = std::count(all0.begin(), all0.end(), kStageResolving) +
                       std::count(all1.begin(), all1.end(), kStageResolving);
  EXPECT_GE(lookups, 1);
  EXPECT_LE(lookups, 2);
  EXPECT_EQ(asked.load(), lookups);
  EXPECT_EQ(cache_.Lookup("127.0.0.1"), "loopback.example");
  EXPECT_TRUE(fs::exists(dir_ / "report0" / "stats.html"));
  EXPECT_TRUE(fs::exists(dir_ / "report1" / "stats.html"));
}

TEST_F(RunSiteTest, ReportingRangeOverwritesThePeriod) {
  const auto path = dir_.Write("access.log", NcsaLog("a.example.com", 3));
  auto profile = Profile(path.string());
  profile->SetProcessEntireLog(0);
  profile->SetReportFrom(983404800);  // 2001-03-01 00:00 UTC
  profile->SetReportTo(985996800);    // 2001-03-31 00:00 UTC
  RecordingHost host;
  Snapshot snapshot;
  ASSERT_TRUE(Run(profile, host, &snapshot).Finished());
  EXPECT_EQ(snapshot.periodStart, "3-1-2001");
  EXPECT_EQ(snapshot.periodEnd, "3-31-2001");
  EXPECT_TRUE(snapshot.hosts.empty());  // every record lies outside the range
}

TEST_F(RunSiteTest, CountryTableOfTheProgramDirectoryComesFirst) {
  dir_.Write("Country_Codes.dat", "CODE Country\nDE Deutschland\n");
  const auto path = dir_.Write("access.log", NcsaLog("a.example.de", 2));
  RecordingHost host;
  Snapshot snapshot;
  ASSERT_TRUE(Run(Profile(path.string()), host, &snapshot).Finished());
  EXPECT_EQ(snapshot.countries, (Hosts{{"Deutschland", 2}}));
}

// The build tree keeps the data one folder above the programs, an installed
// tree in share/tallowick beside bin/; the first place that has it wins.
TEST(InstalledDataFileTest, FoundBesideAboveOrInTheSharedDataFolder) {
  const tlw::test::TempDir tree;
  const std::filesystem::path bin = tree / "bin";
  std::filesystem::create_directories(tree / "share" / "tallowick");
  std::filesystem::create_directories(bin);
  EXPECT_TRUE(InstalledDataFile(bin, "Country_Codes.dat").empty());
  tree.Write("share/tallowick/Country_Codes.dat", "x");
  EXPECT_EQ(InstalledDataFile(bin, "Country_Codes.dat"),
            tree / "share" / "tallowick" / "Country_Codes.dat");
  tree.Write("Country_Codes.dat", "x");
  EXPECT_EQ(InstalledDataFile(bin, "Country_Codes.dat"), tree / "Country_Codes.dat");
  tree.Write("bin/Country_Codes.dat", "x");
  EXPECT_EQ(InstalledDataFile(bin, "Country_Codes.dat"), bin / "Country_Codes.dat");
  EXPECT_TRUE(InstalledDataFile({}, "Country_Codes.dat").empty());
}

struct OpenCase {
  const char* name;
  int openReportWhenDone;
  int scheduled;
  bool opens;
};

class OpenReportTest : public RunSiteTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenReportTest, OnlyAnUnscheduledSiteOpensItsReport) {
  settings_.openReportWhenDone = GetParam().openReportWhenDone != 0;
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  profile->SetScheduled(GetParam().scheduled);
  RecordingHost host;
  ASSERT_TRUE(Run(profile, host).Finished());
  if (GetParam().opens) {
    EXPECT_THAT(host.Opened(), ElementsAre((dir_ / "report0" / "stats.html").string()));
  } else {
    EXPECT_TRUE(host.Opened().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Choices, OpenReportTest,
                         ::testing::Values(OpenCase{"Asked", 1, 0, true},
                                           OpenCase{"Scheduled", 1, 1, false},
                                           OpenCase{"NotAsked", 0, 0, false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(RunSiteTest, UnwritableReportEndsWithTheReportStage) {
  dir_.Write("blocker", "a file where the report folder should be");
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  profile->SetReportPath((dir_ / "blocker" / "stats.html").string());
  RecordingHost host;
  const RunResult result = Run(profile, host);
  EXPECT_EQ(result.finalStage, kStageReportError);
  EXPECT_THAT(result.message, HasSubstr("Error creating HTML report: "));
  EXPECT_THAT(host.Messages(), ElementsAre(HasSubstr("Error creating HTML report: ")));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageFinished)));
  EXPECT_EQ(profile->Statistics().hostnames.Count(), 0u);
}

// Remote logfiles and publishing against a real FTP server on loopback.
class RemoteRunTest : public RunSiteTest {
 protected:
  void SetUp() override {
    RunSiteTest::SetUp();
    fs::create_directories(root_);
    server_ = test::StartFtpServer(dir_, root_);
    ASSERT_NE(server_->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  }

  std::string Server() const { return "127.0.0.1:" + std::to_string(server_->port()); }

  std::shared_ptr<CSiteProfile> RemoteProfile(const std::string& setting) {
    auto profile = Profile(setting);
    profile->SetRemoteLogfile(1);
    profile->SetLogFtpServer(Server());
    profile->SetLogFtpUser(test::kFtpUser);
    profile->SetLogFtpPassword(test::kFtpPassword);
    return profile;
  }

  void Upload(CSiteProfile& profile) {
    profile.SetUploadReport(1);
    profile.SetUploadFtpServer(Server());
    profile.SetUploadFtpUser(test::kFtpUser);
    profile.SetUploadFtpPassword(test::kFtpPassword);
    profile.SetReportPath("site/stats/stats.html");
  }

  fs::path root_ = dir_ / "ftproot";
  std::unique_ptr<test::ServerProcess> server_;
};

TEST_F(RemoteRunTest, ListOfRemoteFilesCountsAsTheLocalCopies) {
  const std::string first = NcsaLog("a.example.com", 3000);
  const std::string second = NcsaLog("b.example.com", 2000);
  const std::string third = NcsaLog("c.example.com", 1000);
  std::ofstream(root_ / "one.log") << first;
  std::ofstream(root_ / "two.log") << second;
  std::ofstream(dir_ / "three.log") << third;
  std::ofstream(root_ / "three.log.gz") << test::Gzip(third);
  Snapshot local;
  RecordingHost localHost;
  ASSERT_TRUE(Run(Profile(dir_.Write("one.log", first).string() + "|" +
                          dir_.Write("two.log", second).string() + "|" +
                          (dir_ / "three.log").string() + "|"),
                  localHost, &local)
                  .Finished());

  for (const bool passive : {true, false}) {
    settings_.passiveFtp = passive;
    Snapshot remote;
    RecordingHost host;
    auto profile = RemoteProfile("one.log|two.log|/three.log.gz|");
    const RunResult result = Run(profile, host, &remote);
    ASSERT_TRUE(result.Finished()) << result.message;
    EXPECT_EQ(remote.hosts, local.hosts);
    EXPECT_EQ(remote.periodStart, local.periodStart);
    EXPECT_EQ(profile->GetLastLogfileSize(), 0U);
    const std::vector<int> stages = host.Stages();
    const std::vector<int> reading(stages.begin(), stages.begin() + 10);
    EXPECT_THAT(reading, ElementsAre(1, 2, 55, 3, 2, 55, 3, 2, 55, 3));
  }

  Snapshot listed;
  RecordingHost host;
  ASSERT_TRUE(Run(RemoteProfile("*.log"), host, &listed).Finished());
  Hosts expected = {{"a.example.com", 3000}, {"b.example.com", 2000}};
  EXPECT_EQ(listed.hosts, expected);
}

TEST_F(RemoteRunTest, WrongPasswordEndsBeforeAnyLineWithoutThePassword) {
  std::ofstream(root_ / "access.log") << NcsaLog("a.example.com", 10);
  auto profile = RemoteProfile("access.log");
  profile->SetLogFtpPassword("Wrong-Pass-123");
  RecordingHost host;
  RunProgress progress;
  const RunResult result = Run(profile, host, nullptr, &progress);
  EXPECT_EQ(result.finalStage, kStageTransmissionError);
  EXPECT_THAT(host.Stages(), ElementsAre(1, 2, kStageTransmissionError));
  EXPECT_THAT(result.message, HasSubstr("ftp://127.0.0.1"));
  EXPECT_THAT(result.message, Not(HasSubstr("Wrong-Pass-123")));
  EXPECT_EQ(progress.linesRead.load(), 0U);
}

TEST_F(RemoteRunTest, ServerGoingAwayMidFilePublishesNothing) {
  std::ofstream(root_ / "cut.log") << NcsaLog("a.example.com", 20000);
  auto profile = RemoteProfile("cut.log");
  Upload(*profile);
  RecordingHost host;
  const RunResult result = Run(profile, host);
  EXPECT_EQ(result.finalStage, kStageTransmissionError) << result.message;
  EXPECT_FALSE(fs::exists(root_ / "site"));
}

TEST_F(RemoteRunTest, PublishesReportAndTheGraphsOfShownSections) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 50)).string());
  Upload(*profile);
  profile->SetShowHostnames(0);
  RecordingHost host;
  const RunResult result = Run(profile, host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_TRUE(fs::is_regular_file(root_ / "site" / "stats" / "stats.html"));
  // The modern view goes up beside the report; its local copy does not stay.
  EXPECT_TRUE(fs::is_regular_file(root_ / "site" / "stats" / "stats-modern.html"));
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().string().find("-modern"), std::string::npos) << entry.path();
  }
  // Folders, report and graphs over one login.
  EXPECT_EQ(test::FtpLogins(dir_), 1);
  std::vector<std::string> uploaded;
  for (const auto& entry : fs::directory_iterator(root_ / "site" / "stats" / "images")) {
    uploaded.push_back(entry.path().filename().string());
  }
  EXPECT_FALSE(uploaded.empty());
  for (const std::string& name : uploaded) {
    EXPECT_EQ(name.find("hostnames"), std::string::npos) << name;
    EXPECT_FALSE(fs::exists(dir_ / name)) << name << " stayed in the program directory";
  }
  const std::vector<int> stages = host.Stages();
  const std::vector<int> connectThenUpload = {kStageFtpConnecting, kStageUploadingReport};
  EXPECT_NE(
      std::search(stages.begin(), stages.end(), connectThenUpload.begin(), connectThenUpload.end()),
      stages.end());
  EXPECT_NE(std::find(stages.begin(), stages.end(), kStageUploadingGraphs), stages.end());

  // Without graphs and without the modern view: the report alone, and no
  // images folder.
  fs::remove_all(root_ / "site");
  profile->SetIncludeGraphs(0);
  settings_.modernView = false;
  ASSERT_TRUE(Run(profile, host).Finished());
  EXPECT_TRUE(fs::is_regular_file(root_ / "site" / "stats" / "stats.html"));
  EXPECT_FALSE(fs::exists(root_ / "site" / "stats" / "images"));
  EXPECT_FALSE(fs::exists(root_ / "site" / "stats" / "stats-modern.html"));
}

// FTP over TLS both ways: the log read from one ftps:// server, the report
// and its graphs published to it, its throwaway certificate trusted as the
// CLI's user would trust one (CURL_CA_BUNDLE, which the front end hands on).
TEST_F(RemoteRunTest, ReadsAndPublishesOverFtps) {
  const std::string cert = test::MakeCertificate(dir_);
  ASSERT_FALSE(cert.empty()) << "openssl could not make a certificate";
  const fs::path tlsRoot = dir_ / "ftpsroot";
  fs::create_directories(tlsRoot);
  const std::unique_ptr<test::ServerProcess> tls = test::StartFtpServer(dir_, tlsRoot, cert);
  ASSERT_NE(tls->port(), 0);
  const std::string server = "ftps://127.0.0.1:" + std::to_string(tls->port());
  std::ofstream(tlsRoot / "access.log") << NcsaLog("a.example.com", 3000);
  auto profile = RemoteProfile("access.log");
  profile->SetLogFtpServer(server);
  Upload(*profile);
  profile->SetUploadFtpServer(server);
  settings_.caBundle = cert;
  Snapshot remote;
  RecordingHost host;
  const RunResult result = Run(profile, host, &remote);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_EQ(remote.hosts, (Hosts{{"a.example.com", 3000}}));
  EXPECT_TRUE(fs::is_regular_file(tlsRoot / "site" / "stats" / "stats.html"));
  EXPECT_FALSE(fs::is_empty(tlsRoot / "site" / "stats" / "images"));
}

// A server that drops the connection during an upload (as one that
// restarts does) gets the upload again on a new connection and login.
TEST_F(RemoteRunTest, UploadCutOffByTheServerIsMadeAgain) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  Upload(*profile);
  profile->SetReportPath("site/stats/flaky.html");
  profile->SetIncludeGraphs(0);
  settings_.modernView = false;  // its file would be cut off too: one upload here
  RecordingHost host;
  const RunResult result = Run(profile, host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_TRUE(fs::is_regular_file(root_ / "site" / "stats" / "flaky.html"));
  EXPECT_EQ(test::FtpLogins(dir_), 2);
}

TEST_F(RemoteRunTest, FailedUploadNamesServerAndFileAndKeepsTheLocalCopy) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  Upload(*profile);
  profile->SetUploadFtpPassword("nope");
  RecordingHost host;
  const RunResult result = Run(profile, host);
  EXPECT_EQ(result.finalStage, kStageTransmissionError);
  EXPECT_THAT(result.message, HasSubstr("ftp://127.0.0.1"));
  EXPECT_THAT(result.message, HasSubstr("site/stats"));
  EXPECT_TRUE(fs::exists(dir_ / "Report0"));
  // The graphs drawn for the upload go with it.
  for (const auto& entry : fs::directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().extension(), ".gif") << entry.path() << " stayed behind";
  }
}

// The staged copy of a remote archive stops at the limit of the settings:
// the partial copy is removed and the run, which reads the archive from the
// server, finishes with a warning that names the server and the limit.
TEST_F(RemoteRunTest, StagedArchiveStopsAtItsLimitWithAWarning) {
  std::ofstream(root_ / "access.log.gz") << test::Gzip(NcsaLog("a.example.com", 3000));
  settings_.cacheFolder = (dir_ / "cache").string();
  settings_.stagedArchiveLimitBytes = 1000;
  const fs::path staged = dir_ / "cache" / "tallowick" / "staging" / "0" / "access.log.gz";
  RecordingHost host;
  RunResult result = Run(RemoteProfile("access.log.gz"), host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(result.warnings,
              ElementsAre(AllOf(HasSubstr("ftp://127.0.0.1"), HasSubstr("access.log.gz"),
                                HasSubstr("the limit of 1000 bytes"))));
  EXPECT_FALSE(fs::exists(staged));

  settings_.stagedArchiveLimitBytes = 1'000'000;
  result = Run(RemoteProfile("access.log.gz"), host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(result.warnings, ::testing::IsEmpty());
  EXPECT_EQ(fs::file_size(staged), fs::file_size(root_ / "access.log.gz"));
}

TEST_F(RunSiteTest, FailedMailStillFinishes) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  profile->SetEmailReport(1);
  settings_.smtpServer = "127.0.0.1:1";
  RecordingHost host;
  const RunResult result = Run(profile, host);
  EXPECT_TRUE(result.Finished());
  EXPECT_THAT(result.warnings, ElementsAre(HasSubstr("through 127.0.0.1:1: Connection refused")));
  EXPECT_THAT(host.Messages(), ::testing::IsEmpty());
  EXPECT_TRUE(fs::exists(profile->GetFinalReportFileName()));
  const auto stages = host.Stages();
  const auto mail = std::find(stages.begin(), stages.end(), kStageSendingMail);
  ASSERT_NE(mail, stages.end());
  EXPECT_EQ(*(mail + 1), kStageMailError);
}

// Debian's aiosmtpd taking plain SMTP without a login into the maildir
// argv[2]; it listens on a free port of 127.0.0.1, written to argv[1].
constexpr const char* kPlainMailServer = R"(
import asyncio, os, sys
from aiosmtpd.handlers import Mailbox
from aiosmtpd.smtp import SMTP
loop = asyncio.new_event_loop()
handler = Mailbox(sys.argv[2])
server = loop.run_until_complete(loop.create_server(lambda: SMTP(handler), '127.0.0.1', 0))
open(sys.argv[1] + '.tmp', 'w').write(str(server.sockets[0].getsockname()[1]))
os.rename(sys.argv[1] + '.tmp', sys.argv[1])
loop.run_forever()
)";

// Reads the one message of a maildir with Python's MIME parser and writes
// its structure, its text part (read in the charset it declares, written as
// UTF-8) and its decoded attachment to files.
constexpr const char* kParseMaildir = R"(
import email, email.policy, glob, sys
paths = glob.glob(sys.argv[1] + '/new/*')
message = email.message_from_binary_file(open(paths[0], 'rb'), policy=email.policy.default)
parts = list(message.iter_parts())
structure = [str(len(paths)), message.get_content_type()] + [p.get_content_type() for p in parts]
structure += [parts[-1].get_filename() or '', message['Subject'], message['To']]
open(sys.argv[2], 'w').write('|'.join(structure))
open(sys.argv[3], 'w', encoding='utf-8', newline='').write(parts[0].get_content())
open(sys.argv[4], 'wb').write(parts[-1].get_payload(decode=True))
)";

// The report and the summary arrive whole, and text from the log (here a
// month of Latin-1, CR, "." and an escape) arrives as text on its line.
TEST_F(RunSiteTest, ReportReachesARealMailServerIntact) {
  const std::string python = "/usr/bin/python3";
  const fs::path maildir = dir_ / "maildir";
  const test::ServerProcess server(
      {python, "-c", kPlainMailServer, (dir_ / "smtp.port").string(), maildir.string()},
      dir_ / "smtp.port");
  ASSERT_NE(server.port(), 0) << "aiosmtpd did not start (scripts/install-deps.sh)";
  settings_.smtpServer = "127.0.0.1:" + std::to_string(server.port());
  settings_.smtpFromAddress = "stats@example.org";
  dir_.Write("access.log", NcsaLog("a.example.com", 30));
  dir_.Write("last.log",
             "03/01/2024 00:00:01\t203.0.113.7\t-\tGET\t/a.html\tMozilla/5.0\t200\t100\t\t\t\n"
             "03/01/2024 00:00:02\t203.0.113.7\t-\tGET\t/b.html\tMozilla/5.0\t200\t100\t\t\t\n"
             "M\xe4r\r.\r\x1b[2J/10/2000 13:55:00\t203.0.113.8\t-\tGET\t/c.html\tMozilla/5.0\t200\t"
             "100\t\t\t\n");
  auto profile = Profile((dir_ / "access.log").string() + "|" + (dir_ / "last.log").string() + "|");
  profile->SetEmailReport(1);
  profile->SetEmailAddress("web@example.com");
  RecordingHost host;
  const RunResult result = Run(profile, host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(result.warnings, ::testing::IsEmpty());
  EXPECT_THAT(host.Stages(), Contains(kStageSendingMail));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageMailError)));

  dir_.Write("parse.py", kParseMaildir);
  const std::string command = python + " " + (dir_ / "parse.py").string() + " " + maildir.string() +
                              " " + (dir_ / "structure").string() + " " + (dir_ / "text").string() +
                              " " + (dir_ / "attachment").string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "structure"),
            "1|multipart/mixed|text/plain|application/octet-stream|stats.html|"
            "Web Statistics -/- http://www.example.com/|Websitemaster <web@example.com>");
  const std::string report = test::ReadFileBytes(profile->GetFinalReportFileName());
  ASSERT_GT(report.size(), 1000u);
  EXPECT_EQ(test::ReadFileBytes(dir_ / "attachment"), report);
  const std::string text = test::ReadFileBytes(dir_ / "text");
  EXPECT_THAT(text, HasSubstr("+ Website: http://www.example.com/\n+ Period from Oct-10-2000"));
  EXPECT_THAT(text,
              HasSubstr(" -> M\xc3\xa4r .  [2J-10-2000 13:55\n+ Visitors: 3 unique visits, "));
}

// Whoever may create files in a watched log folder must not steer the run
// to other files, and the oversized rule deletes only what was read.
TEST_F(RunSiteTest, OversizedRuleDeletesOnlyTheFilesTheRunRead) {
  settings_.deleteOversizedLog = true;
  settings_.oversizedLogLimitMb = 0;
  std::string big;
  while (big.size() < 1'000'000) big += NcsaLine("a.example.com");
  const auto elsewhere = dir_.Write("elsewhere/big.log", big);
  fs::create_directories(dir_ / "logs/a");
  const auto hostile = dir_.Write("logs/a\\..\\..\\elsewhere\\big.log", "");
  const auto live = dir_.Write("logs/access.log", big);
  const auto other = dir_.Write("logs/other.log", big);
  RecordingHost host;
  // The server rotates its log while the run reads it.
  bool rotated = false;
  host.OnStage([&](int stage) {
    if (stage != kStageLogSize || std::exchange(rotated, true)) return;
    fs::rename(live, dir_ / "logs/access.log.1");
    dir_.Write("logs/access.log", "fresh");
  });
  const RunResult result = Run(Profile((dir_ / "logs/*").string()), host);
  ASSERT_TRUE(result.Finished()) << result.message;
  EXPECT_EQ(test::ReadFileBytes(elsewhere), big);
  EXPECT_TRUE(fs::exists(hostile));
  EXPECT_EQ(test::ReadFileBytes(live), "fresh");
  EXPECT_FALSE(fs::exists(other));
  EXPECT_THAT(host.Stages(), Contains(kStageDeletingOversized));
  EXPECT_THAT(result.warnings,
              ElementsAre(HasSubstr("Left out the logfile " + hostile.string()),
                          HasSubstr("access.log was not deleted: another file took its name")));
}

// A report rewritten under one name every day leaves no graphs of earlier
// days behind; a dated report's older pages keep theirs.
TEST_F(RunSiteTest, OnlyTheReportsOwnUnusedGraphSetsAreRemoved) {
  for (const bool dated : {false, true}) {
    const fs::path folder = dir_ / (dated ? "dated" : "fixed");
    const fs::path images = folder / "images";
    fs::create_directories(images);
    const std::vector<std::string> foreign = {"1_Oct-09tlwgraph_hostnames.gif", "notes.gif",
                                              "0_Oct-09tlwgraph_mine.gif", "0_Oct-09.html",
                                              "0_a.btlwgraph_hostnames.gif"};
    for (const std::string& name : foreign) dir_.Write((images / name).string(), "x");
    for (const char* day : {"09/Oct/2000:13:55", "10/Oct/2000:13:55"}) {
      auto profile = Profile(dir_.Write("access.log", NcsaLine("a.example.com", "/a.html", day) +
                                                          NcsaLine("b.example.com", "/b.html", day))
                                 .string());
      profile->SetReportPath((folder / (dated ? "stats%d" : "stats.html")).string());
      RecordingHost host;
      ASSERT_TRUE(Run(profile, host).Finished());
    }
    EXPECT_TRUE(fs::exists(images / "0_Oct-10tlwgraph_hostnames.gif")) << dated;
    EXPECT_EQ(fs::exists(images / "0_Oct-09tlwgraph_hostnames.gif"), dated);
    EXPECT_EQ(fs::exists(images / "0_Oct-09tlwgraph_webpages.gif"), dated);
    for (const std::string& name : foreign) EXPECT_TRUE(fs::exists(images / name)) << name;
  }
}

// The front end may change its settings while a run goes on: the run keeps
// the ones it started with.
TEST_F(RunSiteTest, RunKeepsTheSettingsItStartedWith) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  profile->SetReportPath("relative/stats.html");  // in the program directory
  RecordingHost host;
  RunOptions options;
  options.onStatistics = [this](const CSiteProfile&) {
    settings_.whoisLookups = true;
    settings_.openReportWhenDone = true;
    settings_.programDirectory = (dir_ / "elsewhere").string();
  };
  ASSERT_TRUE(RunSite(profile, settings_, host.Host(), cache_, options).Finished());
  EXPECT_THAT(host.Stages(), Not(Contains(kStageWhois)));
  EXPECT_TRUE(host.Opened().empty());
  EXPECT_TRUE(fs::exists(dir_ / "relative" / "stats.html"));
}

TEST_F(RunSiteTest, RunKeepsItsProfileAliveWhenTheListDropsIt) {
  auto profile = Profile(dir_.Write("access.log", NcsaLog("a.example.com", 2)).string());
  std::weak_ptr<CSiteProfile> watch = profile;
  RecordingHost host;
  bool aliveDuringRun = false;
  host.OnStage([&](int stage) {
    // The site list forgets the site while its report is being written.
    if (stage == kStageWritingReport) {
      profile.reset();
      aliveDuringRun = !watch.expired();
    }
  });
  const RunResult result = RunSite(profile, settings_, host.Host(), cache_);
  EXPECT_TRUE(result.Finished());
  EXPECT_TRUE(aliveDuringRun);
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace tlw
