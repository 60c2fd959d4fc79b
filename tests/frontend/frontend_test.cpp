#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/run_board.h"
#include "frontend/site_schedule.h"
#include "settings/settings_file.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kSampleLog = std::string(TLW_SOURCE_DIR) + "/data/sample_access.log";

// What the runs tell the board's front end, kept for the test.
class RecordedEvents final : public RunEvents {
 public:
  void OnStage(RunId run, int stage) override {
    std::lock_guard lock(mutex_);
    stages_[run].push_back(stage);
  }
  void OnMessage(RunId, const std::string&, const std::string&) override {}
  void OnOpen(RunId, const std::string&) override {}
  void OnEnded(RunId run, const RunResult& result) override {
    std::lock_guard lock(mutex_);
    ended_[run] = result;
    changed_.notify_all();
  }

  RunResult WaitForEnd(RunId run) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ended_.count(run) != 0; });
    return ended_[run];
  }
  std::vector<int> Stages(RunId run) {
    std::lock_guard lock(mutex_);
    return stages_[run];
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<RunId, std::vector<int>> stages_;
  std::map<RunId, RunResult> ended_;
};

std::shared_ptr<CSiteProfile> Site(const fs::path& dir, const std::string& name) {
  auto profile = std::make_shared<CSiteProfile>();
  profile->SetHomepageUrl(name + ".example.com");
  profile->SetLogfilePath(kSampleLog);
  profile->SetReportPath((dir / (name + ".html")).string());
  return profile;
}

class RunBoardTest : public ::testing::Test {
 protected:
  RunRequest Request(const std::shared_ptr<CSiteProfile>& profile, int row = 0) {
    RunSettings settings;
    settings.programDirectory = dir_.path().string();
    return RunRequest{profile, row, settings, {}};
  }

  test::TempDir dir_;
  RecordedEvents events_;
  CDNSCache cache_;
};

// A stop that comes before the run's thread has set the running flag is
// not undone by it: every one of these runs is stopped at once, most of
// them before their thread began.
TEST_F(RunBoardTest, AStopRightAfterTheStartSticks) {
  RunBoard board(events_, cache_);
  std::vector<std::pair<RunId, std::shared_ptr<CSiteProfile>>> runs;
  for (int i = 0; i < 6; ++i) {
    auto profile = Site(dir_.path(), "s" + std::to_string(i));
    const RunId id = board.Start(Request(profile, i));
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(board.Stop(*profile));
    runs.emplace_back(id, profile);
  }
  for (const auto& [id, profile] : runs) {
    EXPECT_EQ(events_.WaitForEnd(id).finalStage, 0) << profile->GetHomepageUrl();
    EXPECT_FALSE(profile->GetRunning());
    EXPECT_TRUE(board.Stopped(id));
    EXPECT_FALSE(fs::exists(profile->GetReportPath()));
  }
}

TEST_F(RunBoardTest, OneRunPerSiteFoundByItsIdAndNoneWhileHeld) {
  auto a = Site(dir_.path(), "a");
  auto b = Site(dir_.path(), "b");
  RunBoard board(events_, cache_);
  {
    const SiteHold editing(board, *a);
    EXPECT_EQ(board.Start(Request(a)), 0u);
    EXPECT_FALSE(a->GetRunning());
  }
  const RunId first = board.Start(Request(a, 4));
  ASSERT_NE(first, 0u);
  EXPECT_TRUE(a->GetRunning());  // at once, before its thread runs
  EXPECT_EQ(a->GetListIndex(), 4);
  EXPECT_EQ(board.Start(Request(a)), 0u);
  const RunId second = board.Start(Request(b, 1));
  EXPECT_NE(second, first);
  EXPECT_EQ(board.ProfileOf(second), b.get());

  EXPECT_TRUE(events_.WaitForEnd(first).Finished());
  EXPECT_TRUE(events_.WaitForEnd(second).Finished());
  EXPECT_EQ(events_.Stages(first).back(), kStageFinished);
  // Until collected the site still has its run: a stopped run may be ending.
  EXPECT_TRUE(board.HasRun(*a));
  board.Collect(first);
  EXPECT_FALSE(board.HasRun(*a));
  EXPECT_EQ(board.ProfileOf(first), nullptr);
  EXPECT_FALSE(board.Empty());
  EXPECT_FALSE(board.Stop(*a));

  // A board that goes stops its runs and waits for them.
  const RunId third = std::make_unique<RunBoard>(events_, cache_)->Start(Request(a));
  EXPECT_EQ(events_.WaitForEnd(third).finalStage, 0);
}

TEST(SiteScheduleTest, DueRowsLeaveOutUnscheduledRunningHeldAndRunDailySites) {
  ::setenv("TZ", "UTC", 1);
  test::TempDir dir;
  RecordedEvents events;
  CDNSCache cache;
  RunBoard board(events, cache);
  SiteProfiles sites;
  for (const char* name : {"five", "held", "running", "off", "daily"}) {
    sites.push_back(Site(dir.path(), name));
    sites.back()->SetScheduled(1);
    sites.back()->SetScheduleInterval("every 5 mins");
  }
  sites[3]->SetScheduled(0);
  sites[4]->SetScheduleInterval("once a day");
  const std::int64_t fiveAfterMidnight = 1704067500;  // 2024-01-01 00:05 UTC
  sites[4]->SetScheduleStartTime(fiveAfterMidnight);
  sites[4]->SetLastRunTime(fiveAfterMidnight - 60);  // before the program started

  SiteSchedule schedule;
  EXPECT_THAT(schedule.DueRows(sites, board, fiveAfterMidnight - 240), IsEmpty());
  EXPECT_THAT(schedule.DueRows(sites, board, fiveAfterMidnight), ElementsAre(0, 1, 2, 4));
  const SiteHold editing(board, *sites[1]);
  sites[2]->SetRunning(true);
  schedule.NoteFinished(sites[4]);
  EXPECT_THAT(schedule.DueRows(sites, board, fiveAfterMidnight), ElementsAre(0));
  sites[2]->SetRunning(false);
}

}  // namespace
}  // namespace tlw
