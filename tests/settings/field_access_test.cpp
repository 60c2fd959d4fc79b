#include "settings/field_access.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace tlw {
namespace {

struct ParseCase {
  const char* name;
  FieldKind kind;
  const char* text;
  bool fileBound;
  bool ok;
  FieldValue value;
};

class ParseValue : public ::testing::TestWithParam<ParseCase> {};

// Tests run with TZ=UTC, so local dates are UTC dates here.
TEST_P(ParseValue, AcceptsOnlyValidTexts) {
  const ParseCase& c = GetParam();
  Result<FieldValue> value = ParseFieldValue(c.kind, c.text, c.fileBound);
  ASSERT_EQ(value.ok(), c.ok) << value.message();
  if (c.ok) {
    EXPECT_EQ(*value, c.value);
  } else {
    EXPECT_NE(value.message().find(c.text), std::string::npos) << value.message();
  }
}

const FieldValue kNone = std::int64_t{0};

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseValue,
    ::testing::Values(
        ParseCase{"TextAsIs", FieldKind::Text, " a=b|c ", true, true, FieldValue(" a=b|c ")},
        ParseCase{"FlagOne", FieldKind::Flag, "1", true, true, std::int64_t{1}},
        ParseCase{"FlagZero", FieldKind::Flag, "0", true, true, std::int64_t{0}},
        ParseCase{"FlagTwo", FieldKind::Flag, "2", true, false, kNone},
        ParseCase{"FlagWord", FieldKind::Flag, "true", true, false, kNone},
        ParseCase{"IntNegative", FieldKind::Int, "-250", true, true, std::int64_t{-250}},
        ParseCase{"IntMax", FieldKind::Int, "2147483647", true, true, std::int64_t{2147483647}},
        ParseCase{"IntOverflow", FieldKind::Int, "2147483648", true, false, kNone},
        ParseCase{"IntTrailing", FieldKind::Int, "12x", true, false, kNone},
        ParseCase{"IntEmpty", FieldKind::Int, "", true, false, kNone},
        ParseCase{"IntPlus", FieldKind::Int, "+3", true, false, kNone},
        ParseCase{"SizeLarge", FieldKind::Size, "5000000000", true, true,
                  std::uint64_t{5000000000}},
        ParseCase{"SizeNegative", FieldKind::Size, "-1", true, false, kNone},
        ParseCase{"TimeSeconds", FieldKind::Time, "-86400", true, true, std::int64_t{-86400}},
        ParseCase{"TimeDate", FieldKind::Time, "2024-02-29", true, true, std::int64_t{1709164800}},
        ParseCase{"TimeMinutes", FieldKind::Time, "2024-02-29T06:30", true, true,
                  std::int64_t{1709188200}},
        ParseCase{"TimeSecondsSpace", FieldKind::Time, "1970-01-01 00:00:59", true, true,
                  std::int64_t{59}},
        ParseCase{"TimeNoLeapDay", FieldKind::Time, "2023-02-29", true, false, kNone},
        ParseCase{"TimeHour24", FieldKind::Time, "2024-01-01T24:00", true, false, kNone},
        ParseCase{"TimeNoMinutes", FieldKind::Time, "2024-01-01T06", true, false, kNone},
        ParseCase{"TimeShortYear", FieldKind::Time, "24-01-01", true, false, kNone},
        ParseCase{"TimeTrailing", FieldKind::Time, "2024-01-01T06:30:00Z", true, false, kNone},
        ParseCase{"TimePast2038InFile", FieldKind::Time, "2040-01-01", true, false, kNone},
        ParseCase{"TimePast2038InMemory", FieldKind::Time, "2040-01-01", false, true,
                  std::int64_t{2208988800}},
        ParseCase{"TimeSecondsPast2038InFile", FieldKind::Time, "2147483648", true, false, kNone}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ParseLocalDateTime, UsesTheLocalZone) {
  if (!std::filesystem::exists("/usr/share/zoneinfo/Europe/Berlin")) {
    GTEST_SKIP() << "time zone data not installed";
  }
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "UTC";
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  Result<std::int64_t> winter = ParseLocalDateTime("2024-01-15T12:00");
  Result<std::int64_t> summer = ParseLocalDateTime("2024-07-15T12:00");
  ::setenv("TZ", saved.c_str(), 1);
  ::tzset();
  ASSERT_TRUE(winter.ok());
  ASSERT_TRUE(summer.ok());
  EXPECT_EQ(*winter, 1705316400);  // 11:00 UTC
  EXPECT_EQ(*summer, 1721037600);  // 10:00 UTC
}

TEST(FieldAccess, SetsEveryKindByNameAndReadsItBack) {
  CSiteProfile profile;
  struct Assignment {
    const char* name;
    const char* text;
  };
  for (const Assignment& a :
       {Assignment{"homepageUrl", "http://www.example.org"}, Assignment{"remoteLogfile", "1"},
        Assignment{"topHostnames", "42"}, Assignment{"lastLogfileSize", "6000000000"},
        Assignment{"scheduleStartTime", "1000"}, Assignment{"reportFrom", "5000000000"}}) {
    ASSERT_TRUE(SetProfileFieldFromText(profile, a.name, a.text).ok()) << a.name;
    Result<FieldValue> value = GetProfileField(profile, a.name);
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(FieldValueText(*value), a.text) << a.name;
  }
  EXPECT_EQ(profile.GetTopHostnames(), 42);
  EXPECT_EQ(profile.GetLastLogfileSize(), 6000000000u);
  EXPECT_EQ(profile.LogSizeText(), "6000 MB");
}

TEST(FieldAccess, BadInputNamesTheFieldAndChangesNothing) {
  CSiteProfile profile;
  Status unknown = SetProfileFieldFromText(profile, "topHostname", "3");
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.message(), "unknown field 'topHostname'");

  Status bad = SetProfileFieldFromText(profile, "topHostnames", "many");
  ASSERT_FALSE(bad.ok());
  EXPECT_NE(bad.message().find("topHostnames"), std::string::npos) << bad.message();
  EXPECT_EQ(profile.GetTopHostnames(), 10);

  // A saved time must fit the file; an unsaved one need not.
  EXPECT_FALSE(SetProfileFieldFromText(profile, "scheduleStartTime", "2040-01-01").ok());
  EXPECT_EQ(profile.GetScheduleStartTime(), 0);
}

TEST(FieldAccess, ProgramSettingsByName) {
  CSettings settings;
  ASSERT_TRUE(SetSettingsFieldFromText(settings, "oversizedLogLimitMb", "250").ok());
  ASSERT_TRUE(SetSettingsFieldFromText(settings, "smtpServer", "mail.example.net").ok());
  EXPECT_EQ(settings.GetOversizedLogLimitMb(), 250);
  EXPECT_EQ(settings.GetSmtpServer(), "mail.example.net");
  EXPECT_FALSE(SetSettingsFieldFromText(settings, "advancedSettings", "yes").ok());
  EXPECT_EQ(settings.GetAdvancedSettings(), 1);
  ASSERT_NE(FindSettingsField("priorityLevel"), nullptr);
  EXPECT_FALSE(FindSettingsField("priorityLevel")->saved);
  EXPECT_EQ(FindSettingsField("listIndex"), nullptr);
  EXPECT_EQ(FindProfileField("smtpServer"), nullptr);
}

// A run's copy carries every setting a run reads; its defaults are the
// settings' own.
TEST(RunSettings, CopiesWhatARunReads) {
  RunSettings defaults;
  defaults.programDirectory = "/work";  // the settings name none
  EXPECT_EQ(RunSettingsOf(CSettings(), "/work"), defaults);

  CSettings settings;
  settings.SetProgramDirectory("/opt/tallowick");
  settings.SetResolveHostnames(1);
  settings.SetDeleteOversizedLog(1);
  settings.SetOversizedLogLimitMb(250);
  settings.SetWhoisLookups(1);
  settings.SetFetchPageTitles(1);
  settings.SetPassiveFtp(1);
  settings.SetOpenReportWhenDone(1);
  settings.SetSmtpServer("mail.example.net");
  settings.SetSmtpFromAddress("stats@example.net");
  const RunSettings expected{
      .programDirectory = "/opt/tallowick",
      .cacheFolder = "",
      .resolveHostnames = true,
      .deleteOversizedLog = true,
      .oversizedLogLimitMb = 250,
      .whoisLookups = true,
      .fetchPageTitles = true,
      .passiveFtp = true,
      .openReportWhenDone = true,
      .smtpServer = "mail.example.net",
      .smtpFromAddress = "stats@example.net",
      .geoipCountries = true,  // an extension setting, not in CSettings
      .geoipDatabase = "",
  };
  EXPECT_EQ(RunSettingsOf(settings, "/work"), expected);
}

TEST(CSiteProfile, SheetCopyKeepsTheRunsBookkeeping) {
  CSiteProfile live;
  live.SetListIndex(3);
  live.SetLastGenerated("10:00AM Tue 01-02-24");
  live.SetLastLogfileSize(777);
  live.SetTimeTaken("00h 00m 05s");
  live.SetLastRunTime(1700000000);
  CSiteProfile sheet;
  sheet.SetHomepageUrl("http://edited.example.com");
  sheet.SetReportFrom(86400);
  sheet.SetProcessEntireLog(0);
  live.CopyConfigurationFrom(sheet);
  EXPECT_EQ(live.GetHomepageUrl(), "http://edited.example.com");
  EXPECT_EQ(live.GetReportFrom(), 86400);
  EXPECT_EQ(live.GetProcessEntireLog(), 0);
  EXPECT_EQ(live.GetListIndex(), 3);
  EXPECT_EQ(live.GetLastGenerated(), "10:00AM Tue 01-02-24");
  EXPECT_EQ(live.GetLastLogfileSize(), 777u);
  EXPECT_EQ(live.GetTimeTaken(), "00h 00m 05s");
  EXPECT_EQ(live.GetLastRunTime(), 1700000000);
}

}  // namespace
}  // namespace tlw
