#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/cli_process.h"
#include "support/paths.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

using test::ProcessRun;
using test::RunCliProgram;

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliProgram, FirstStartInTheCurrentDirectoryThenEdits) {
  test::TempDir dir;
  ProcessRun first = RunCliProgram(dir, "sites");
  ASSERT_EQ(first.code, 0) << first.err;
  EXPECT_EQ(Lines(first.out), 1u) << first.out;
  EXPECT_NE(first.out.find("Sample#1 Remote"), std::string::npos) << first.out;
  struct stat info {};
  ASSERT_EQ(::stat((dir / "Tallowick.Settings").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  ASSERT_EQ(RunCliProgram(dir,
                          "add --site http://www.example.org --log /var/log/access.log "
                          "--report /tmp/out/stats.html 'scheduleInterval=every hour'")
                .code,
            0);
  ASSERT_EQ(RunCliProgram(dir, "set 1 scheduled=1 scheduleStartTime=3600").code, 0);
  ASSERT_EQ(RunCliProgram(dir, "options oversizedLogLimitMb=5").code, 0);
  ASSERT_EQ(RunCliProgram(dir, "delete 0").code, 0);

  ProcessRun listing = RunCliProgram(dir, "sites");
  ASSERT_EQ(listing.code, 0) << listing.err;
  EXPECT_EQ(listing.out,
            "0\thttp://www.example.org\t/var/log/access.log\t/tmp/out/stats.html\t"
            "every hour at 01:00\tnever generated\n");
  ProcessRun json = RunCliProgram(dir, "sites --json");
  EXPECT_NE(json.out.find("\"oversizedLogLimitMb\": 5"), std::string::npos) << json.out;
}

TEST(CliProgram, BadInputExitsNonZeroWithOneLine) {
  test::TempDir dir;
  ASSERT_EQ(RunCliProgram(dir, "sites").code, 0);
  for (const char* args : {"set 3 topHostnames=5", "set 0 noSuchField=1", "set 0 scheduled=2",
                           "delete x", "options smtpServer", "unknowncommand"}) {
    ProcessRun run = RunCliProgram(dir, args);
    EXPECT_NE(run.code, 0) << args;
    EXPECT_EQ(Lines(run.err), 1u) << args << ": " << run.err;
    EXPECT_EQ(run.err.rfind("tallowick-cli: error: ", 0), 0u) << args << ": " << run.err;
  }
}

TEST(CliProgram, DirOptionPointsAtAnotherFolder) {
  test::TempDir dir;
  test::TempDir elsewhere;
  ProcessRun run = RunCliProgram(dir, "--dir '" + elsewhere.path().string() + "' sites");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "Tallowick.Settings"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Tallowick.Settings"));
}

}  // namespace
}  // namespace tlw
