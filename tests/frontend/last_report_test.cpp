#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "frontend/last_report.h"
#include "frontend/program_directory.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

struct ReportCase {
  const char* name;
  const char* reportPath;  // "@" stands for the temporary folder
  bool upload;
  const char* lastRunWrote;  // the dated name this session's run wrote, "" for none
  const char* expectedFile;  // relative to the temporary folder; "" for none
  bool found;
  const char* reason;
};

class LastReportTest : public ::testing::TestWithParam<ReportCase> {};

// The temporary folder holds program/stats.html, program/Report3 is absent,
// out/ holds two dated reports (the newer is web5-1-2026.html) and a folder
// named like a report.
TEST_P(LastReportTest, FindsTheReportWhereTheRunWroteIt) {
  const ReportCase& c = GetParam();
  test::TempDir dir;
  fs::create_directories(dir / "program");
  fs::create_directories(dir / "out" / "folder.html");
  dir.Write("program/stats.html", "<html>");
  dir.Write("out/web4-30-2026.html", "<html>");
  const fs::path newer = dir.Write("out/web5-1-2026.html", "<html>");
  fs::last_write_time(newer, fs::last_write_time(newer) + std::chrono::hours(1));
  const auto place = [&dir](std::string text) {
    if (const std::size_t at = text.find('@'); at != std::string::npos) {
      text.replace(at, 1, dir.path().string());
    }
    return text;
  };

  CSiteProfile profile;
  profile.SetReportPath(place(c.reportPath));
  profile.SetUploadReport(c.upload ? 1 : 0);
  profile.SetFinalReportFileName(place(c.lastRunWrote));
  const LastReport last = FindLastReport(profile, 3, (dir / "program").string());
  EXPECT_EQ(last.file, *c.expectedFile == '\0' ? "" : (dir / c.expectedFile).string());
  EXPECT_EQ(last.found, c.found);
  EXPECT_THAT(last.reason, ::testing::StartsWith(c.reason));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LastReportTest,
    ::testing::Values(
        ReportCase{"NameInProgramDirectory", "stats.html", false, "", "program/stats.html", true,
                   ""},
        ReportCase{"AbsolutePathNotWrittenYet", "@/out/none.html", false, "", "out/none.html",
                   false, "there is no such file (run the site to write it)"},
        ReportCase{"NotARegularFile", "@/out/folder.html", false, "", "out/folder.html", false,
                   "it is not a regular file"},
        ReportCase{"UploadedLeavesNoCopy", "/www/stats.html", true, "", "program/Report3", false,
                   "there is no such file (the local copy"},
        ReportCase{"DatedNewestInFolder", "@/out/web%d", false, "", "out/web5-1-2026.html", true,
                   ""},
        ReportCase{"DatedAsThisSessionWroteIt", "@/out/web%d", false, "@/out/web4-30-2026.html",
                   "out/web4-30-2026.html", true, ""},
        ReportCase{"DatedNoneYet", "@/out/blog%d", false, "", "", false,
                   "its name ends in %d and gets the date of each run's period, and no report"}),
    [](const ::testing::TestParamInfo<ReportCase>& param) { return param.param.name; });

TEST(ProgramDirectoryTest, NamedDesktopOrCurrentFolder) {
  test::TempDir dir;
  UserFolders folders;
  folders.data = (dir / "data").string();
  const fs::path current = dir.path();

  const Result<fs::path> fromTerminal = ChooseProgramDirectory({}, current, folders);
  ASSERT_TRUE(fromTerminal.ok());
  EXPECT_EQ(*fromTerminal, current);

  const Result<fs::path> fromMenu = ChooseProgramDirectory({"", true}, current, folders);
  ASSERT_TRUE(fromMenu.ok()) << fromMenu.message();
  EXPECT_EQ(*fromMenu, dir / "data" / "tallowick");
  struct stat info {};
  ASSERT_EQ(::stat(fromMenu->c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // --dir wins over the desktop entry; a relative one is taken in the current folder.
  const Result<fs::path> named = ChooseProgramDirectory({"sites/a", true}, current, folders);
  ASSERT_TRUE(named.ok());
  EXPECT_EQ(*named, current / "sites/a");
  EXPECT_TRUE(fs::is_directory(current / "sites/a"));

  dir.Write("file", "");
  const Result<fs::path> blocked = ChooseProgramDirectory({"file/sub", false}, current, folders);
  EXPECT_THAT(blocked.message(),
              ::testing::StartsWith("cannot create folder " + (current / "file/sub").string()));
  EXPECT_THAT(ChooseProgramDirectory({"", true}, current, UserFolders{}).message(),
              ::testing::HasSubstr("neither XDG_DATA_HOME nor HOME is set"));
}

}  // namespace
}  // namespace tlw
