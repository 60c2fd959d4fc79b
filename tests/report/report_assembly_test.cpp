#include "report/report_assembly.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

struct RecordingHost : ProgressSink, RunNotifier {
  std::vector<int> stages;
  std::vector<std::string> messages;
  void Post(int stage, int) override { stages.push_back(stage); }
  void ShowMessage(const std::string& text, const std::string&) override {
    messages.push_back(text);
  }
  RunHost Host() { return RunHost{this, this, nullptr}; }
};

class ReportAssemblyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.SetProgramDirectory(dir_.path().string());
    SetProgramSettings(&settings_);
    profile_.SetListIndex(0);
    profile_.SetHomepageUrl("http://www.example.com");
    profile_.SetPeriodStart("Oct-9-2026 10:00");
    profile_.SetPeriodEnd("Oct-10-2026 18:30");
    profile_.SetGraphFilePrefix("0_Oct-10");
    profile_.SetGraphWorkPath((dir_.path() / "0_Oct-10").string());
    SiteStatistics& stats = profile_.Statistics();
    stats.Prepare();
    stats.uniqueHosts = 3;
    stats.successfulRequests = 12;
    stats.hostnames.Add("a.example.com", 7);
    stats.hostnames.Add("b.example.org", 4);
    stats.hostnames.Add("10.0.0.1", 1);
    stats.dirs.Add("/", 8);
    stats.dirs.Add("/docs/", 4);
    stats.webPages.Add("/index.html", 8);
    stats.webPages.Add("/docs/a.html", 4);
    stats.days.Add("Oct-9-2026", 5);
    stats.days.Add("Oct-10-2026", 7);
    stats.hours.Add("10", 5);
    stats.hours.Add("18", 7);
    stats.weekdays.Add("Friday", 5);
    stats.weekdays.Add("Saturday", 7);
    stats.retCodes.Add("200", 11);
    stats.retCodes.Add("404", 1);
    stats.referers.Add("https://search.example.net/?q=x", 2);
    stats.referers.Add("http://x/\"><script>alert(1)</script>", 1);
  }
  void TearDown() override { SetProgramSettings(nullptr); }

  test::TempDir dir_;
  CSettings settings_;
  CSiteProfile profile_;
  RecordingHost host_;
};

TEST_F(ReportAssemblyTest, WritesReportAndGraphsBesideIt) {
  profile_.SetReportPath((dir_.path() / "site.v2" / "stats" / "index.html").string());
  ASSERT_TRUE(GenerateReport(profile_, host_.Host()).ok());
  const auto folder = dir_.path() / "site.v2" / "stats";
  EXPECT_EQ(profile_.GetReportFolder(), folder.string());
  const std::string html = test::ReadFileBytes(folder / "index.html");
  ASSERT_FALSE(html.empty());
  EXPECT_TRUE(html.starts_with("<html>\n<head>"));
  EXPECT_TRUE(html.ends_with("\n  </TABLE>\n\n"));
  EXPECT_TRUE(std::filesystem::exists(folder / "images" / "0_Oct-10tlwgraph_hostnames.gif"));
  EXPECT_TRUE(std::filesystem::exists(folder / "images" / "0_Oct-10tlwgraph_dirs.gif"));
  EXPECT_NE(
      html.find("<IMG SRC=\"./images/0_Oct-10tlwgraph_hostnames.gif\" ALT=\"Hostnames Graph\">"),
      std::string::npos);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_EQ(host_.stages, (std::vector<int>{8, 8, 45}));  // after Domains and Pages, then the copy
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ReportAssemblyTest, SectionOrderDecidesWhatIsWrittenAndWhere) {
  profile_.SetReportPath((dir_.path() / "r.html").string());
  profile_.SetIncludeGraphs(0);
  profile_.SetShowHourlySummary(0);
  profile_.SetSectionOrder("18|9|3|7");  // nothing after the last "|" is read
  ASSERT_TRUE(GenerateReport(profile_, host_.Host()).ok());
  const std::string html = test::ReadFileBytes(dir_.path() / "r.html");
  const size_t status = html.find("Server Status Codes</font>");
  const size_t weekdays = html.find("Days of the Week </font>");
  const size_t hosts = html.find("Hostnames </font>");
  ASSERT_NE(status, std::string::npos);
  ASSERT_NE(weekdays, std::string::npos);  // written with 9 even with the hours off
  ASSERT_NE(hosts, std::string::npos);
  EXPECT_LT(status, weekdays);
  EXPECT_LT(weekdays, hosts);
  EXPECT_EQ(html.find("Hours </font>"), std::string::npos);
  EXPECT_EQ(html.find("File Types"), std::string::npos);
  EXPECT_EQ(html.find("<IMG"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "images"));
}

TEST_F(ReportAssemblyTest, BareAndRelativeNamesLiveInTheProgramDirectory) {
  profile_.SetReportPath("stats%d");
  const Result<ReportOutcome> bare = GenerateReport(profile_, host_.Host());
  ASSERT_TRUE(bare.ok());
  EXPECT_EQ(profile_.GetReportFolder(), dir_.path().string());
  EXPECT_EQ(bare->finalReportFileName, (dir_.path() / "stats10-10-2026.html").string());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "stats10-10-2026.html"));
  EXPECT_TRUE(bare->warnings.empty());

  // Relative to the program directory, not to the current folder.
  profile_.SetReportPath("out/index.html");
  ASSERT_TRUE(GenerateReport(profile_, host_.Host()).ok());
  EXPECT_EQ(profile_.GetReportFolder(), (dir_.path() / "out").string());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "out" / "index.html"));
}

TEST_F(ReportAssemblyTest, RemoteReportIsWrittenToTheRowsLocalCopy) {
  profile_.SetUploadReport(1);
  profile_.SetListIndex(3);
  profile_.SetReportPath("/htdocs/stats/index.html");
  ASSERT_TRUE(GenerateReport(profile_, host_.Host()).ok());
  EXPECT_EQ(profile_.GetReportFolder(), "/htdocs/stats");
  EXPECT_EQ(profile_.GetFinalReportFileName(), "/htdocs/stats/index.html");
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Report3"));
}

TEST_F(ReportAssemblyTest, UnwritableReportIsAnErrorAndKeepsNothingHalfWritten) {
  dir_.Write("blocked", "a file where the folder should be");
  profile_.SetReportPath((dir_.path() / "blocked" / "index.html").string());
  const Result<ReportOutcome> status = GenerateReport(profile_, host_.Host());
  ASSERT_FALSE(status.ok());
  const std::string expected =
      "Error creating HTML report: " + (dir_.path() / "blocked" / "index.html").string();
  EXPECT_EQ(host_.messages, std::vector<std::string>{expected});
  EXPECT_TRUE(status.message().starts_with(expected));
}

TEST(ReportPaths, FolderAndFinalName) {
  EXPECT_EQ(ReportFolderOf("C:\\My.Site\\stats\\index.html"), "C:/My.Site/stats");
  EXPECT_EQ(ReportFolderOf("/var/www/stats/index.html"), "/var/www/stats");
  EXPECT_EQ(ReportFolderOf("/index.html"), "/");
  EXPECT_EQ(ReportFolderOf("report.html"), "");
  EXPECT_EQ(FinalReportFileName("/w/stats%d", "6-24-1999"), "/w/stats6-24-1999.html");
  EXPECT_EQ(FinalReportFileName("/w/stats%d", "..\\..\\tmp\\x\\PWNED-10-2000 13:55"),
            "/w/statsundated.html");
  EXPECT_EQ(FinalReportFileName("/w/stats%x%d", "6-24-1999"), "/w/stats%x%d");
  EXPECT_EQ(FinalReportFileName("/w/index.html", "6-24-1999"), "/w/index.html");
}

// The dated name is the period end's date in numbers, never its text.
TEST(ReportPaths, DatedNamePartIsTheDateInNumbers) {
  const std::pair<const char*, const char*> cases[] = {
      {"6-24-1999", "6-24-1999"},       {"Oct-10-2026 18:30", "10-10-2026"},
      {"03-01-24 00:00", "3-1-2024"},   {"12-31-99 23:00", "12-31-1999"},
      {"00-00-00", "undated"},          {"", "undated"},
      {"Foo-10-2000 13:55", "undated"}, {"10-32-2000", "undated"},
      {"10-x1-2000", "undated"},        {"..\\..\\tmp\\PWNED-10-2000 13:55", "undated"},
      {"10-10-/../../x", "undated"},
  };
  for (const auto& [periodEnd, expected] : cases) {
    EXPECT_EQ(DatedNamePart(periodEnd), expected) << periodEnd;
  }
}

}  // namespace
}  // namespace tlw
