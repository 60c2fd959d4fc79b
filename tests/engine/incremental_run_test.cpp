#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/run_site.h"
#include "engine/run_state.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "stats/site_statistics.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"
#include "tests/logs/gzip_helpers.h"
#include "tools/loggen/log_generator.h"

// A run that reads on from the state its last run left must give what a
// run over every byte gives: the same statistics in the same order, the
// same report and graphs. Each log below is fed to a site piece by piece,
// cut at random offsets (inside lines too), and after every piece the
// saved site's run is held against a full run over the same bytes.
// TLW_DIFFERENTIAL_CUTS sets the cuts per log (a longer run than CI's).

namespace tlw {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void AppendFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Everything a run produced: its statistics, table by table in iteration
// order, and every file it wrote (the report's generation time masked).
struct RunOutput {
  std::string statistics;
  std::map<std::string, std::string> files;
  std::vector<std::string> notes;
  bool operator==(const RunOutput& other) const {
    return statistics == other.statistics && files == other.files;
  }
};

// The names of the files that only one of the runs wrote, or that differ.
std::string DifferentFiles(const RunOutput& a, const RunOutput& b) {
  std::string names;
  for (const auto& [name, bytes] : a.files) {
    const auto other = b.files.find(name);
    if (other == b.files.end() || other->second != bytes) names += name + " ";
  }
  for (const auto& [name, bytes] : b.files) {
    if (!a.files.contains(name)) names += name + " ";
  }
  return names;
}

// Two runs that must have come out alike.
void ExpectSameRun(const RunOutput& a, const RunOutput& b) {
  EXPECT_EQ(a.statistics, b.statistics);
  EXPECT_EQ(DifferentFiles(a, b), "");
}

std::string StatisticsText(const SiteStatistics& s) {
  std::string text = std::to_string(s.uniqueHosts) + " " + std::to_string(s.homepageHits) + " " +
                     std::to_string(s.successfulRequests) + " " + std::to_string(s.totalBytes) +
                     " " + s.busiestDay + "\n";
  for (const SiteStatistics::TableRef& table : SiteStatistics::Tables()) {
    text += std::string(table.name) + ":";
    for (const StatEntry& entry : (s.*table.table).Entries()) {
      text += " " + (table.pageNumberKeys ? s.ClickPathText(entry.key) : std::string(entry.key)) +
              "=" + std::to_string(entry.count);
    }
    text += "\n";
  }
  for (const std::string& visitor : s.lastVisitors.Texts()) text += visitor + ";";
  const AudienceStatistics& a = s.audience;
  text += "\npeople " + std::to_string(a.people.visits) + " " + std::to_string(a.people.pageViews) +
          " robots " + std::to_string(a.robots.hits) + " families";
  for (const RobotFamilyCount& family : a.robotFamilies) {
    text += " " + family.family + "=" + std::to_string(family.hits);
  }
  for (const StatEntry& entry : a.pages.Entries()) text += " " + std::string(entry.key);
  return text;
}

class IncrementalRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.programDirectory = dir_.path().string();
    settings_.cacheFolder = (dir_ / "cache").string();
    settings_.geoipCountries = false;
  }

  std::shared_ptr<CSiteProfile> Profile(const std::string& logfile) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetHomepageUrl("http://www.example.com/");
    profile->SetLogfilePath(logfile);
    profile->SetReportPath((dir_ / "report" / "stats.html").string());
    return profile;
  }

  RunOutput Run(const std::shared_ptr<CSiteProfile>& profile, bool incremental) {
    RunOutput output;
    fs::remove_all(dir_ / "report");
    RunOptions options;
    options.incremental = incremental;
    options.onStatistics = [&](const CSiteProfile& p) {
      output.statistics =
          StatisticsText(p.Statistics()) + "\n" + p.GetPeriodStart() + " " + p.GetPeriodEnd();
    };
    // A cut before the first whole line, or before a W3C log's field
    // directive, fails or warns alike in both runs: that is compared too.
    const RunResult result = RunSite(profile, settings_, RunHost{}, cache_, options);
    output.statistics += "\n" + std::to_string(result.finalStage) + " " + result.message;
    for (const std::string& warning : result.warnings) output.statistics += "\n" + warning;
    output.notes = result.notes;
    if (!fs::exists(dir_ / "report")) return output;
    // The classic report's and the modern view's generation times.
    static const std::regex kGenerated(
        R"((Report generated on \[<font color=#[0-9A-Fa-f]+>) [^<]*|(<span>generated )[^<]*)");
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_ / "report")) {
      if (!entry.is_regular_file()) continue;
      output.files[fs::relative(entry.path(), dir_ / "report").string()] =
          std::regex_replace(ReadFile(entry.path()), kGenerated, "$1$2 (time)");
    }
    return output;
  }

  // Feeds `log` to the file `logfile` in `cuts` random pieces and holds
  // every saved site's run against a full run; returns the runs that read
  // on from a saved state.
  int Differential(const std::string& log, int cuts, unsigned seed) {
    const fs::path logfile = dir_ / "access.log";
    fs::remove(logfile);
    fs::remove_all(dir_ / "cache");
    std::mt19937 random(seed);
    std::set<std::size_t> offsets;
    while (offsets.size() < static_cast<std::size_t>(cuts) && offsets.size() + 1 < log.size()) {
      offsets.insert(std::uniform_int_distribution<std::size_t>(1, log.size() - 1)(random));
    }
    // The layout is found from the second line: one cut lies inside it,
    // near its end, where it is already of its layout.
    const std::size_t secondEnd = log.find('\n', log.find('\n') + 1);
    if (secondEnd != std::string::npos && secondEnd > 3) offsets.insert(secondEnd - 3);
    offsets.insert(log.size());
    const std::shared_ptr<CSiteProfile> profile = Profile(logfile.string());
    std::size_t written = 0;
    int resumed = 0;
    for (const std::size_t offset : offsets) {
      AppendFile(logfile, std::string_view(log).substr(written, offset - written));
      written = offset;
      const RunOutput kept = Run(profile, true);
      const RunOutput full = Run(profile, false);
      EXPECT_EQ(kept.statistics, full.statistics) << "cut at " << offset;
      EXPECT_EQ(DifferentFiles(kept, full), "") << "cut at " << offset;
      if (kept != full) return resumed;  // one cut's difference is enough to read
      for (const std::string& note : kept.notes) resumed += note.starts_with("Reading on") ? 1 : 0;
    }
    return resumed;
  }

  // The one state file a site's runs left.
  fs::path StateFile() const {
    std::vector<fs::path> states;
    for (const auto& entry : fs::directory_iterator(dir_ / "cache" / "tallowick" / "state")) {
      if (entry.path().extension() == ".state") states.push_back(entry.path());
    }
    EXPECT_EQ(states.size(), 1u);
    return states.empty() ? fs::path() : states.front();
  }

  static int Cuts(int ci) {
    const char* cuts = std::getenv("TLW_DIFFERENTIAL_CUTS");
    return cuts != nullptr ? std::atoi(cuts) : ci;
  }

  test::TempDir dir_;
  RunSettings settings_;
  CDNSCache cache_;
};

TEST_F(IncrementalRunTest, EveryLayoutCutAnywhereEqualsAFullRun) {
  for (const loggen::Layout layout : loggen::AllLayouts()) {
    SCOPED_TRACE(std::string(loggen::LayoutName(layout)));
    loggen::Options options;
    options.layout = layout;
    options.requests = 1500;
    options.seed = 11;
    options.maxGapSeconds = 600;  // days, hours and visits that end
    const int resumed =
        Differential(loggen::GenerateLog(options), Cuts(30), static_cast<unsigned>(layout) + 1);
    EXPECT_GT(resumed, 0);
  }
}

// A first line of no layout (a note a rotation script wrote) leaves the
// layout to the second line, also while that line is unfinished.
TEST_F(IncrementalRunTest, HeaderLineBeforeTheLogEqualsAFullRun) {
  loggen::Options options;
  options.requests = 300;
  const std::string log = "log reopened by logrotate\n" + loggen::GenerateLog(options);
  Differential(log, Cuts(20), 3);
}

TEST_F(IncrementalRunTest, RealLogsCutAnywhereEqualAFullRun) {
  for (const char* name : {"elastic_examples_apache_logs", "lnav_iis85_w3c_big.log"}) {
    SCOPED_TRACE(name);
    std::string log = ReadFile(test::SourceDir() / "tests" / "golden" / "logs" / name);
    // The first lines are enough for the cuts, and a short log keeps each
    // run quick.
    std::size_t end = 0;
    for (int lines = 0; lines < 2000 && end != std::string::npos; ++lines) {
      end = log.find('\n', end == 0 ? 0 : end + 1);
    }
    if (end != std::string::npos) log.resize(end + 1);
    EXPECT_GT(Differential(log, Cuts(40), 7), 0);
  }
}

// The ways a server's log rotation leaves the files, done to `folder`
// after the first run: the old lines in access.log.1 (or .1.gz), the new
// ones in a fresh access.log.
enum class Rotation { kCopyTruncate, kRenameAndCreate, kCompressed };

struct RotationCase {
  const char* name;
  Rotation rotation;
  bool grewBeforeRotation;  // lines were appended after the first run, before rotating
};

class RotationTest : public IncrementalRunTest, public ::testing::WithParamInterface<RotationCase> {
 protected:
  void Rotate(const fs::path& folder, Rotation rotation, std::string_view fresh) {
    const fs::path log = folder / "access.log";
    const fs::path old = folder / "access.log.1";
    switch (rotation) {
      case Rotation::kCopyTruncate:
        fs::copy_file(log, old);
        fs::resize_file(log, 0);
        AppendFile(log, fresh);
        return;
      case Rotation::kRenameAndCreate:
        fs::rename(log, old);
        WriteFile(log, fresh);
        return;
      case Rotation::kCompressed:
        WriteFile(folder / "access.log.1.gz", test::Gzip(ReadFile(log)));
        fs::remove(log);
        WriteFile(log, fresh);
        return;
    }
  }
};

// Without the history, a rotation makes the run a full one, and says why;
// with it, the report goes on over the old lines and the new, as a full run
// over all of them in the order they were written, each line counted once.
TEST_P(RotationTest, RotatedLogsAreCountedOnceOrReadAgain) {
  const RotationCase& c = GetParam();
  loggen::Options options;
  options.requests = 900;
  options.maxGapSeconds = 600;
  const std::string log = loggen::GenerateLog(options);
  const std::size_t firstEnd = log.find('\n', log.size() / 3) + 1;
  const std::size_t rotateAt = c.grewBeforeRotation ? log.find('\n', log.size() / 2) + 1 : firstEnd;
  const std::size_t thirdAt = log.find('\n', log.size() * 4 / 5) + 1;
  const fs::path folder = dir_ / "logs";
  fs::create_directories(folder);
  const std::shared_ptr<CSiteProfile> site = Profile((folder / "access.log*").string());

  for (const bool history : {false, true}) {
    SCOPED_TRACE(history ? "history kept" : "no history");
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::remove_all(dir_ / "cache");
    settings_.keepLogHistory = history;
    WriteFile(folder / "access.log", log.substr(0, firstEnd));
    Run(site, true);
    AppendFile(folder / "access.log", log.substr(firstEnd, rotateAt - firstEnd));
    Rotate(folder, c.rotation, log.substr(rotateAt, thirdAt - rotateAt));
    RunOutput kept = Run(site, true);
    ASSERT_FALSE(kept.notes.empty());
    if (!history) {
      EXPECT_TRUE(kept.notes.front().starts_with("Full run:")) << kept.notes.front();
      ExpectSameRun(kept, Run(site, false));
      AppendFile(folder / "access.log", log.substr(thirdAt));
      ExpectSameRun(Run(site, true), Run(site, false));
      continue;
    }
    EXPECT_TRUE(kept.notes.front().starts_with("History kept")) << kept.notes.front();
    // A run after that knows the rotated file under its new name.
    AppendFile(folder / "access.log", log.substr(thirdAt));
    kept = Run(site, true);
    WriteFile(dir_ / "whole.log", log);
    settings_.keepLogHistory = false;
    const RunOutput whole = Run(Profile((dir_ / "whole.log").string()), false);
    EXPECT_EQ(kept.statistics, whole.statistics);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rotations, RotationTest,
    ::testing::Values(RotationCase{"copytruncate", Rotation::kCopyTruncate, false},
                      RotationCase{"renamed", Rotation::kRenameAndCreate, false},
                      RotationCase{"renamedAfterGrowing", Rotation::kRenameAndCreate, true},
                      RotationCase{"compressed", Rotation::kCompressed, false}),
    [](const auto& param) { return std::string(param.param.name); });

// A state file that is not whole, or not ours, is set aside with a warning
// and the run reads every logfile.
TEST_F(IncrementalRunTest, DamagedStateIsSetAsideAndTheRunIsFull) {
  loggen::Options options;
  options.requests = 300;
  WriteFile(dir_ / "access.log", loggen::GenerateLog(options));
  const std::shared_ptr<CSiteProfile> site = Profile((dir_ / "access.log").string());
  Run(site, true);
  const fs::path state = StateFile();
  std::string bytes = ReadFile(state);
  bytes[bytes.size() / 2] ^= 0x20;
  WriteFile(state, bytes);

  RunOptions options2;
  options2.incremental = true;
  const RunResult result = RunSite(site, settings_, RunHost{}, cache_, options2);
  ASSERT_TRUE(result.Finished());
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("is damaged"), std::string::npos) << result.warnings[0];
  EXPECT_TRUE(fs::exists(state.string() + ".damaged"));
  EXPECT_FALSE(Run(site, true).notes.front().starts_with("Full run"));
}

// While another run of the site holds its state, a run reads everything and
// keeps nothing: the state stays as the other run will leave it.
TEST_F(IncrementalRunTest, ASecondRunOfTheSiteKeepsNoState) {
  loggen::Options options;
  options.requests = 200;
  WriteFile(dir_ / "access.log", loggen::GenerateLog(options));
  const std::shared_ptr<CSiteProfile> site = Profile((dir_ / "access.log").string());
  Run(site, true);
  const fs::path state = StateFile();
  const std::string before = ReadFile(state);
  AppendFile(dir_ / "access.log", loggen::GenerateLog(options));
  RunOutput second;
  {
    const RunStateLock other = TryLockRunState(state);
    ASSERT_TRUE(other.Held());
    second = Run(site, true);
  }
  ASSERT_FALSE(second.notes.empty());
  EXPECT_TRUE(second.notes.front().starts_with("Full run: another run")) << second.notes.front();
  EXPECT_EQ(ReadFile(state), before);
  ExpectSameRun(second, Run(site, false));
}

// A logfile on an FTP server is read on through its local copy: the run
// after the server's log grew fetches only the new bytes and reports what a
// full run over the server's file reports; a file rotated on the server is
// fetched anew, with a note.
TEST_F(IncrementalRunTest, RemoteLogfileReadsOnThroughItsCopy) {
  const fs::path root = dir_ / "ftproot";
  fs::create_directories(root);
  const std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(dir_, root);
  ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  const std::shared_ptr<CSiteProfile> site = Profile("logs/access.log");
  site->SetRemoteLogfile(1);
  site->SetLogFtpServer("127.0.0.1:" + std::to_string(server->port()));
  site->SetLogFtpUser(test::kFtpUser);
  site->SetLogFtpPassword(test::kFtpPassword);
  loggen::Options options;
  options.requests = 600;
  options.maxGapSeconds = 600;
  const std::string log = loggen::GenerateLog(options);
  const std::size_t half = log.find('\n', log.size() / 2) + 1;
  fs::create_directories(root / "logs");
  WriteFile(root / "logs" / "access.log", log.substr(0, half));
  Run(site, true);
  AppendFile(root / "logs" / "access.log", log.substr(half));
  const RunOutput kept = Run(site, true);
  ASSERT_FALSE(kept.notes.empty());
  EXPECT_TRUE(kept.notes.front().starts_with("Reading on")) << kept.notes.front();
  EXPECT_NE(kept.notes.front().find("ftp://127.0.0.1"), std::string::npos) << kept.notes.front();
  ExpectSameRun(kept, Run(site, false));

  WriteFile(root / "logs" / "access.log", log.substr(half));
  const RunOutput rotated = Run(site, true);
  ASSERT_GE(rotated.notes.size(), 2u);
  EXPECT_TRUE(rotated.notes[0].starts_with("Fetched anew")) << rotated.notes[0];
  EXPECT_TRUE(rotated.notes[1].starts_with("Full run")) << rotated.notes[1];
  ExpectSameRun(rotated, Run(site, false));
}

}  // namespace
}  // namespace tlw
