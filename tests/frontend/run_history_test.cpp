#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "frontend/run_history.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(RunHistoryTest, KeepsTheLastRunsOfEachSiteAcrossASave) {
  test::TempDir dir;
  const fs::path file = RunHistory::FileFor((dir / "state").string(), dir / "program");
  RunHistory history = RunHistory::Load(file);
  for (int run = 0; run < 25; ++run) {
    history.Add("a.example.com", {1000 + run, run, RunOutcome::kFinished, false, ""});
  }
  history.Add("b.example.com", {7, 3, RunOutcome::kFailed, true, "Error\treading\n\\logs\\"});
  ASSERT_TRUE(history.Save().ok());
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  std::string warning;
  ASSERT_TRUE(
      RecordRun(file, "b.example.com", {9, 1, RunOutcome::kStopped, false, "stop"}, warning).ok());
  EXPECT_EQ(warning, "");
  const RunHistory again = RunHistory::Load(file);
  const std::vector<RunRecord> a = again.RunsOf("a.example.com");
  ASSERT_EQ(a.size(), RunHistory::kRunsKept);
  EXPECT_EQ(a.front().start, 1005);  // the five oldest went
  EXPECT_EQ(a.back().seconds, 24);
  const std::vector<RunRecord> b = again.RunsOf("b.example.com");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].message, "Error\treading\n\\logs\\");
  EXPECT_EQ(b[0].outcome, RunOutcome::kFailed);
  EXPECT_TRUE(b[0].scheduled);
  EXPECT_EQ(OutcomeText(b[1].outcome), std::string("stopped"));
  // Another program directory has a history of its own.
  EXPECT_NE(RunHistory::FileFor((dir / "state").string(), dir / "other"), file);
}

TEST(RunHistoryTest, ADamagedFileIsSetAsideWithAWarning) {
  for (const std::string& damage :
       {std::string("not a history\n"),
        std::string("tallowick run history 1\na.example.com\t1\t2\tfinished\t0\tok\n"
                    "a.example.com\t1\t2\tfinished\t0\n"),
        std::string("tallowick run history 1\na\tx\t2\tfinished\t0\t\n"),
        std::string("tallowick run history 1\na\t1\t2\tlost\t0\t\n"),
        std::string("tallowick run history 1\na\t1\t2\tfinished\t0\tbad \\q escape\n")}) {
    test::TempDir dir;
    const fs::path file = dir.Write("history.txt", damage);
    const RunHistory history = RunHistory::Load(file);
    EXPECT_THAT(history.Warning(), HasSubstr("The run history " + file.string() + " is damaged"))
        << damage;
    EXPECT_TRUE(history.RunsOf("a.example.com").empty()) << damage;
    EXPECT_EQ(test::ReadFileBytes(file.string() + ".damaged"), damage);
    EXPECT_FALSE(fs::exists(file));
  }
}

}  // namespace
}  // namespace tlw
