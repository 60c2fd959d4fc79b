#include "settings/settings_merge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "settings/field_access.h"
#include "settings/settings_lock.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

// A field set by name: a profile field, or else a program setting.
using Edit = std::pair<const char*, const char*>;

void ApplyEdits(CSettings& settings, CSiteProfile& site, const std::vector<Edit>& edits) {
  for (const auto& [field, text] : edits) {
    const Status set = FindProfileField(field) != nullptr
                           ? SetProfileFieldFromText(site, field, text)
                           : SetSettingsFieldFromText(settings, field, text);
    ASSERT_TRUE(set.ok()) << set.message();
  }
}

std::string FieldText(const CSettings& settings, const CSiteProfile& site, const char* field) {
  Result<FieldValue> value = FindProfileField(field) != nullptr ? GetProfileField(site, field)
                                                                : GetSettingsField(settings, field);
  EXPECT_TRUE(value.ok()) << value.message();
  return value.ok() ? FieldValueText(*value) : "";
}

std::shared_ptr<CSiteProfile> Site(const std::string& url) {
  auto site = std::make_shared<CSiteProfile>();
  site->SetHomepageUrl(url);
  site->SetLogfilePath("/logs/" + url + ".log");
  site->SetReportPath("/www/" + url + "/stats.html");
  return site;
}

// Three states of one program: what it loaded, what it holds, the file now.
struct ThreeWay {
  CSettings settings;
  SiteProfiles profiles;
  SettingsBase base;
  CSettings diskSettings;
  SiteProfiles diskProfiles;

  // Ours and the file both start as `urls`; `base` is taken from ours.
  explicit ThreeWay(const std::vector<std::string>& urls) {
    for (const std::string& url : urls) {
      profiles.push_back(Site(url));
      diskProfiles.push_back(Site(url));
    }
    base = SnapshotSettings(settings, profiles);
  }

  SettingsMerge Merge() const {
    return MergeSettings(base, settings, profiles, diskSettings, diskProfiles);
  }
};

std::vector<std::string> Urls(const SiteProfiles& profiles) {
  std::vector<std::string> urls;
  for (const auto& profile : profiles) urls.push_back(profile->GetHomepageUrl());
  return urls;
}

struct FieldCase {
  const char* name;
  std::vector<Edit> ours;
  std::vector<Edit> theirs;
  std::vector<Edit> expected;
};

class MergeField : public ::testing::TestWithParam<FieldCase> {};

// One site and the program settings, changed on either side since the base.
TEST_P(MergeField, TakesTheChangedSide) {
  const FieldCase& c = GetParam();
  ThreeWay state({"a"});
  ApplyEdits(state.settings, *state.profiles[0], c.ours);
  ApplyEdits(state.diskSettings, *state.diskProfiles[0], c.theirs);
  const std::shared_ptr<CSiteProfile> ours = state.profiles[0];

  SettingsMerge merge = state.Merge();
  ASSERT_EQ(merge.profiles.size(), 1u);
  EXPECT_EQ(merge.profiles[0], ours);
  for (const auto& [field, text] : c.expected) {
    EXPECT_EQ(FieldText(merge.settings, *merge.records[0], field), text) << field << " written";
  }
  ApplySettingsMerge(merge, state.settings, state.profiles);
  for (const auto& [field, text] : c.expected) {
    EXPECT_EQ(FieldText(state.settings, *ours, field), text) << field << " kept";
  }
  EXPECT_TRUE(merge.report.added.empty() && merge.report.removed.empty());
}

// Run times: tests run in UTC, so "02:00PM ... 03-01-24" is 2024-03-01 14:00.
INSTANTIATE_TEST_SUITE_P(
    Fields, MergeField,
    ::testing::Values(
        FieldCase{"NoChange", {}, {}, {{"themeName", "(default)"}, {"smtpServer", ""}}},
        FieldCase{"OursChanged", {{"themeName", "Ocean"}}, {}, {{"themeName", "Ocean"}}},
        FieldCase{"TheirsChanged", {}, {{"topHostnames", "40"}}, {{"topHostnames", "40"}}},
        FieldCase{"BothChangedSameField",
                  {{"hostFilter", "a|"}},
                  {{"hostFilter", "b|"}},
                  {{"hostFilter", "a|"}}},
        FieldCase{"BothChangedDifferentFields",
                  {{"hostFilter", "a|"}},
                  {{"scheduled", "1"}},
                  {{"hostFilter", "a|"}, {"scheduled", "1"}}},
        FieldCase{"SettingOursChanged",
                  {{"smtpServer", "mail.a"}},
                  {{"passiveFtp", "1"}},
                  {{"smtpServer", "mail.a"}, {"passiveFtp", "1"}}},
        FieldCase{"SettingBothChanged",
                  {{"oversizedLogLimitMb", "5"}},
                  {{"oversizedLogLimitMb", "7"}},
                  {{"oversizedLogLimitMb", "5"}}},
        FieldCase{"CronRunKept",
                  {{"themeName", "Ocean"}},
                  {{"lastGenerated", "02:00PM Fri 03-01-24"}, {"lastLogfileSize", "900"}},
                  {{"themeName", "Ocean"},
                   {"lastGenerated", "02:00PM Fri 03-01-24"},
                   {"lastLogfileSize", "900"}}},
        FieldCase{"DiskRunNewerThanOurs",
                  {{"lastRunTime", "2024-03-01T09:30"},
                   {"lastGenerated", "09:30AM Fri 03-01-24"},
                   {"lastLogfileSize", "500"}},
                  {{"lastGenerated", "02:00PM Fri 03-01-24"}, {"lastLogfileSize", "900"}},
                  {{"lastGenerated", "02:00PM Fri 03-01-24"}, {"lastLogfileSize", "900"}}},
        FieldCase{"OurRunNewerThanDisk",
                  {{"lastRunTime", "2024-03-02T08:00"},
                   {"lastGenerated", "08:00AM Sat 03-02-24"},
                   {"lastLogfileSize", "500"}},
                  {{"lastGenerated", "02:00PM Fri 03-01-24"}, {"lastLogfileSize", "900"}},
                  {{"lastGenerated", "08:00AM Sat 03-02-24"}, {"lastLogfileSize", "500"}}},
        // Without a run time of its own, ours's finish text counts; 12 AM
        // is the first hour of the day.
        FieldCase{"DiskGeneratedTextNewer",
                  {{"lastGenerated", "12:05AM Sat 03-02-24"}},
                  {{"lastGenerated", "01:00AM Sat 03-02-24"}},
                  {{"lastGenerated", "01:00AM Sat 03-02-24"}}}),
    [](const ::testing::TestParamInfo<FieldCase>& param) { return std::string(param.param.name); });

TEST(MergeSites, AddsSitesAddedOnDiskAfterOurs) {
  ThreeWay state({"a", "b"});
  state.profiles.push_back(Site("mine"));
  state.diskProfiles.push_back(Site("c"));
  state.diskProfiles.push_back(Site("d"));
  const std::shared_ptr<CSiteProfile> c = state.diskProfiles[2];

  SettingsMerge merge = state.Merge();
  EXPECT_EQ(Urls(merge.profiles), (std::vector<std::string>{"a", "b", "mine", "c", "d"}));
  EXPECT_EQ(Urls(merge.report.added), (std::vector<std::string>{"c", "d"}));
  EXPECT_EQ(merge.profiles[3], c);

  // Saved once, the new sites are the program's own: not added again.
  state.base = ApplySettingsMerge(merge, state.settings, state.profiles);
  state.diskProfiles = merge.records;
  EXPECT_EQ(Urls(state.Merge().profiles), Urls(merge.profiles));
  EXPECT_TRUE(state.Merge().report.added.empty());
}

TEST(MergeSites, DeletionsOnEitherSideStay) {
  ThreeWay state({"a", "b", "c", "d"});
  // The file lost "a" and "c" (rows moved up), a script moved "d"'s report
  // and a run stored its size; the program deleted "b", changed the deleted
  // "c" and changed "d".
  state.diskProfiles.erase(state.diskProfiles.begin() + 2);
  state.diskProfiles.erase(state.diskProfiles.begin());
  state.diskProfiles[1]->SetReportPath("/elsewhere/d.html");
  state.diskProfiles[1]->SetLastLogfileSize(77);
  state.profiles[3]->SetTopHostnames(50);
  state.diskProfiles[0]->SetScheduled(1);  // "b", deleted in the program
  const std::shared_ptr<CSiteProfile> a = state.profiles[0];
  state.profiles[2]->SetThemeName("Ocean");
  state.profiles[2]->SetLastGenerated("02:00PM Fri 03-01-24");
  state.profiles.erase(state.profiles.begin() + 1);

  SettingsMerge merge = state.Merge();
  EXPECT_EQ(Urls(merge.profiles), (std::vector<std::string>{"c", "d"}));
  EXPECT_EQ(merge.report.removed, SiteProfiles{a});
  EXPECT_TRUE(merge.report.added.empty());
  EXPECT_EQ(merge.records[1]->GetReportPath(), "/elsewhere/d.html");
  EXPECT_EQ(merge.records[1]->GetLastLogfileSize(), 77u);
  EXPECT_EQ(merge.records[1]->GetTopHostnames(), 50);
  EXPECT_EQ(merge.report.updated, SiteProfiles{merge.profiles[1]});

  // A run result alone does not keep a site that the file deleted.
  ThreeWay ran({"a"});
  ran.diskProfiles.clear();
  ran.profiles[0]->SetLastGenerated("02:00PM Fri 03-01-24");
  EXPECT_TRUE(ran.Merge().profiles.empty());
}

// A running site's configuration belongs to its run: the file gets the
// merged values now, the profile after the run, at the next save.
TEST(MergeSites, RunningSiteTakesDiskConfigurationAfterItsRun) {
  ThreeWay state({"a"});
  const std::shared_ptr<CSiteProfile> site = state.profiles[0];
  state.diskProfiles[0]->SetThemeName("Ocean");
  state.diskProfiles[0]->SetLastGenerated("02:00PM Fri 03-01-24");
  site->SetRunning(true);

  SettingsMerge merge = state.Merge();
  EXPECT_EQ(merge.records[0]->GetThemeName(), "Ocean");
  state.base = ApplySettingsMerge(merge, state.settings, state.profiles);
  EXPECT_EQ(site->GetThemeName(), "(default)");
  EXPECT_EQ(site->GetLastGenerated(), "02:00PM Fri 03-01-24");

  site->SetRunning(false);
  state.diskProfiles = merge.records;
  state.base = ApplySettingsMerge(state.Merge(), state.settings, state.profiles);
  EXPECT_EQ(site->GetThemeName(), "Ocean");
}

TEST(SaveSettingsMerged, KeepsWhatTheCommandLineSavedMeanwhile) {
  test::TempDir dir;
  CSettings settings;
  SiteProfiles profiles;
  ASSERT_TRUE(LoadSettingsFile(dir.path(), settings, profiles, "/home/u").ok());
  profiles.push_back(Site("b"));
  ASSERT_TRUE(SaveSettingsFile(settings, profiles).ok());
  SettingsBase base = SnapshotSettings(settings, profiles);

  {  // The command line: a run's result, a new site, a changed option.
    Result<SettingsLock> lock = LockSettingsFile(dir.path());
    ASSERT_TRUE(lock.ok());
    CSettings cli;
    SiteProfiles sites;
    ASSERT_TRUE(LoadSettingsFile(dir.path(), cli, sites, "/home/u").ok());
    sites[1]->SetLastGenerated("02:00PM Fri 03-01-24");
    sites.push_back(Site("c"));
    cli.SetSmtpServer("mail.example.org");
    ASSERT_TRUE(SaveSettingsFile(cli, sites).ok());
  }
  profiles[1]->SetThemeName("Ocean");
  settings.SetPassiveFtp(1);

  Result<SettingsMergeReport> report = SaveSettingsMerged(settings, profiles, base);
  ASSERT_TRUE(report.ok()) << report.message();
  EXPECT_EQ(Urls(report->added), (std::vector<std::string>{"c"}));
  EXPECT_EQ(profiles[1]->GetLastGenerated(), "02:00PM Fri 03-01-24");

  CSettings reread;
  SiteProfiles sites;
  ASSERT_TRUE(LoadSettingsFile(dir.path(), reread, sites, "/home/u").ok());
  ASSERT_EQ(sites.size(), 3u);
  EXPECT_EQ(sites[1]->GetThemeName(), "Ocean");
  EXPECT_EQ(sites[1]->GetLastGenerated(), "02:00PM Fri 03-01-24");
  EXPECT_EQ(sites[2]->GetHomepageUrl(), "c");
  EXPECT_EQ(reread.GetSmtpServer(), "mail.example.org");
  EXPECT_EQ(reread.GetPassiveFtp(), 1);

  // A damaged file is kept aside and replaced by the program's sites.
  dir.Write(std::string(kSettingsFileName), "\x01\x02");
  report = SaveSettingsMerged(settings, profiles, base);
  ASSERT_TRUE(report.ok()) << report.message();
  EXPECT_NE(report->damage.find("damaged"), std::string::npos) << report->damage;
  EXPECT_EQ(test::ReadFileBytes(dir / std::string(kDamagedSettingsFileName)), "\x01\x02");
  sites.clear();
  ASSERT_TRUE(LoadSettingsFile(dir.path(), reread, sites, "/home/u").ok());
  EXPECT_EQ(Urls(sites), Urls(profiles));
}

}  // namespace
}  // namespace tlw
