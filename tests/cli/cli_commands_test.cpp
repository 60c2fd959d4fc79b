#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "cli/field_assignment.h"
#include "settings/settings_file.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace tlw::cli {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun RunIn(const test::TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"tallowick-cli", "--dir", dir.path().string()});
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int code = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

struct Loaded {
  CSettings settings;
  SiteProfiles profiles;
};

Loaded ReadBack(const test::TempDir& dir) {
  Loaded loaded;
  const Status status = DecodeSettingsFile(test::ReadFileBytes(dir / "Tallowick.Settings"),
                                           loaded.settings, loaded.profiles);
  EXPECT_TRUE(status.ok()) << status.message();
  return loaded;
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliCommands, FirstStartCreatesTheSampleSiteAndAPrivateFile) {
  test::TempDir dir;
  CliRun run = RunIn(dir, {"sites"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(LineCount(run.out), 1u);
  EXPECT_EQ(run.out.rfind("0\thttp://www.example.com - Sample#1 Remote\tftp://", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("/pub/access.log\t"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\tno\tnever generated\n"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("created"), std::string::npos) << run.err;

  struct stat info {};
  ASSERT_EQ(::stat((dir / "Tallowick.Settings").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadBack(dir).profiles.size(), 1u);

  // The second start reads the file and says nothing about it.
  CliRun again = RunIn(dir, {"sites"});
  EXPECT_EQ(again.out, run.out);
  EXPECT_EQ(again.err, "");
}

TEST(CliCommands, AddSetOptionsAndDeleteChangeTheFile) {
  test::TempDir dir;
  CliRun add = RunIn(dir, {"add", "--site", "http://www.example.org", "--log", "/logs/*.log",
                           "--report", "/srv/www/stats.html", "topHostnames=40", "scheduled=1",
                           "scheduleInterval=once a day", "scheduleStartTime=2024-03-01T04:30"});
  ASSERT_EQ(add.code, kExitOk) << add.err;
  EXPECT_EQ(add.out, "added row 1\n");
  Loaded file = ReadBack(dir);
  ASSERT_EQ(file.profiles.size(), 2u);
  const CSiteProfile& added = *file.profiles[1];
  EXPECT_EQ(added.GetHomepageUrl(), "http://www.example.org");
  EXPECT_EQ(added.GetLogfilePath(), "/logs/*.log");
  EXPECT_EQ(added.GetReportPath(), "/srv/www/stats.html");
  EXPECT_EQ(added.GetTopHostnames(), 40);
  EXPECT_EQ(added.GetTopDomains(), 15);
  EXPECT_EQ(added.GetScheduleStartTime(), 1709267400);

  CliRun set = RunIn(dir, {"set", "1", "showDomains=0", "emailAddress=ops@example.org",
                           "lastLogfileSize=6000000000", "sectionOrder=3|1|"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  CliRun options = RunIn(dir, {"options", "smtpServer=mail.example.org", "passiveFtp=1"});
  ASSERT_EQ(options.code, kExitOk) << options.err;
  file = ReadBack(dir);
  EXPECT_EQ(file.profiles[1]->GetShowDomains(), 0);
  EXPECT_EQ(file.profiles[1]->GetEmailAddress(), "ops@example.org");
  EXPECT_EQ(file.profiles[1]->GetLastLogfileSize(), 0xFFFFFFFFu);  // the file's limit
  EXPECT_EQ(file.profiles[1]->GetSectionOrder(), "3|1|");
  EXPECT_EQ(file.settings.GetSmtpServer(), "mail.example.org");
  EXPECT_EQ(file.settings.GetPassiveFtp(), 1);

  CliRun listing = RunIn(dir, {"sites"});
  EXPECT_NE(listing.out.find("\tonce a day at 04:30\t"), std::string::npos) << listing.out;
  CliRun print = RunIn(dir, {"options"});
  EXPECT_NE(print.out.find("smtpServer=mail.example.org\n"), std::string::npos) << print.out;
  // Control characters cannot colour the terminal or forge a line.
  ASSERT_EQ(RunIn(dir, {"options", "smtpFromAddress=\x1b[31mme@\r\nsmtpServer=x"}).code, kExitOk);
  print = RunIn(dir, {"options"});
  EXPECT_NE(print.out.find("smtpFromAddress=?[31mme@??smtpServer=x\n"), std::string::npos)
      << print.out;
  EXPECT_EQ(LineCount(print.out), 20u);
  EXPECT_NE(print.out.find("geoipCountries=1\ngeoipDatabase=\n"), std::string::npos) << print.out;

  // Extension settings go to their own file; the settings file is not rewritten.
  const std::string settingsBefore = test::ReadFileBytes(dir / "Tallowick.Settings");
  ASSERT_EQ(RunIn(dir, {"options", "geoipCountries=0", "geoipDatabase=/srv/geo/dbip.mmdb"}).code,
            kExitOk);
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings"), settingsBefore);
  print = RunIn(dir, {"options"});
  EXPECT_NE(print.out.find("geoipCountries=0\ngeoipDatabase=/srv/geo/dbip.mmdb\n"),
            std::string::npos)
      << print.out;

  ASSERT_EQ(RunIn(dir, {"add", "--site", "c", "--log", "l", "--report", "r"}).code, kExitOk);
  // Rows name the list as it was; a repeated row is deleted once.
  CliRun removed = RunIn(dir, {"delete", "2", "0", "2"});
  ASSERT_EQ(removed.code, kExitOk) << removed.err;
  file = ReadBack(dir);
  ASSERT_EQ(file.profiles.size(), 1u);
  EXPECT_EQ(file.profiles[0]->GetHomepageUrl(), "http://www.example.org");
}

// Passwords given by file or standard input become assignments of their
// fields; anything but a password field, or a password that cannot be
// read, is refused with the option and the reason.
TEST(CliCommands, PasswordsComeFromAFileOrStandardInput) {
  test::TempDir dir;
  const std::string file = dir.Write("pw", "from file\r\nsecond line\n").string();
  struct Case {
    PasswordOptions options;
    std::string input;
    std::vector<std::string> assignments;  // empty: fails with `error`
    std::string error;
  };
  const Case cases[] = {
      {{{"uploadFtpPassword=" + file}, ""}, "", {"uploadFtpPassword=from file"}, ""},
      {{{}, "logFtpPassword"}, "typed\nnext\n", {"logFtpPassword=typed"}, ""},
      {{{"logFtpPassword=" + file}, "uploadFtpPassword"},
       "typed",
       {"logFtpPassword=from file", "uploadFtpPassword=typed"},
       ""},
      {{{}, "logFtpPassword"}, "", {}, "--password-stdin: standard input holds no line"},
      {{{"logFtpPassword=" + (dir / "none").string()}, ""}, "", {}, "cannot read the password"},
      {{{"logFtpPassword"}, ""}, "", {}, "expected FIELD=FILE"},
      {{{}, "logFtpUser"}, "x\n", {}, "'logFtpUser' is not a password field"},
  };
  for (const Case& c : cases) {
    std::istringstream input(c.input);
    const Result<std::vector<std::string>> assignments = PasswordAssignments(c.options, input);
    if (c.assignments.empty()) {
      ASSERT_FALSE(assignments.ok());
      EXPECT_NE(assignments.message().find(c.error), std::string::npos) << assignments.message();
    } else {
      ASSERT_TRUE(assignments.ok()) << assignments.message();
      EXPECT_EQ(*assignments, c.assignments);
    }
  }
}

struct BadInput {
  const char* name;
  std::vector<std::string> args;
  int code;
  const char* message;
};

class CliBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(CliBadInput, ExitsNonZeroWithOneLineAndKeepsTheFile) {
  test::TempDir dir;
  ASSERT_EQ(RunIn(dir, {"add", "--site", "s", "--log", "l", "--report", "r"}).code, kExitOk);
  const std::string before = test::ReadFileBytes(dir / "Tallowick.Settings");

  CliRun run = RunIn(dir, GetParam().args);
  EXPECT_EQ(run.code, GetParam().code);
  EXPECT_EQ(LineCount(run.err), 1u) << run.err;
  EXPECT_EQ(run.err.rfind("tallowick-cli: error: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadInput,
    ::testing::Values(
        BadInput{"UnknownField", {"set", "0", "colour=red"}, kExitFailed, "unknown field 'colour'"},
        BadInput{"NearField",
                 {"set", "0", "tophostname=3"},
                 kExitFailed,
                 "unknown field 'tophostname' (did you mean 'topHostnames'?)"},
        BadInput{"UnknownTheme",
                 {"set", "1", "themeName=green"},
                 kExitFailed,
                 "bad value 'green' for themeName: expected one of the themes '(default)', "
                 "'Red', 'Green', 'Green on Black'"},
        BadInput{"ExtensionFlag",
                 {"options", "geoipCountries=yes"},
                 kExitFailed,
                 "geoipCountries: \"yes\" is not 0 or 1"},
        BadInput{"ZeroTopCount", {"set", "1", "topDomains=0"}, kExitFailed, "'0' for topDomains"},
        BadInput{"NegativeTopCount",
                 {"set", "1", "topHostnames=-5"},
                 kExitFailed,
                 "'-5' for topHostnames: expected a number of rows of 1 or more"},
        BadInput{"NoKnownSection",
                 {"set", "1", "sectionOrder=20|0|x|7"},
                 kExitFailed,
                 "for sectionOrder: expected section numbers from 1 to 19"},
        BadInput{"EmptySectionOrder", {"set", "1", "sectionOrder="}, kExitFailed, "sectionOrder"},
        BadInput{"AddBadTopCount",
                 {"add", "--site", "a", "--log", "b", "--report", "c", "topExitPages=0"},
                 kExitFailed,
                 "topExitPages"},
        BadInput{"UnsavedField",
                 {"set", "0", "processEntireLog=0"},
                 kExitFailed,
                 "'processEntireLog' is not kept"},
        BadInput{"BadFlag",
                 {"set", "1", "remoteLogfile=yes"},
                 kExitFailed,
                 "bad value 'yes' for remoteLogfile"},
        BadInput{"LaterBadValue",
                 {"set", "1", "topDomains=3", "topHostnames=ten"},
                 kExitFailed,
                 "topHostnames"},
        BadInput{"BadDate",
                 {"set", "1", "scheduleStartTime=2024-13-01"},
                 kExitFailed,
                 "scheduleStartTime"},
        BadInput{"DatePast2038", {"set", "1", "scheduleStartTime=2039-01-01"}, kExitFailed, "2038"},
        BadInput{"BadSchedule",
                 {"set", "1", "scheduleInterval=daily"},
                 kExitFailed,
                 "'daily' for scheduleInterval"},
        BadInput{"NoEquals", {"set", "1", "topHostnames"}, kExitFailed, "expected FIELD=VALUE"},
        BadInput{"RowOutOfRange",
                 {"set", "2", "topHostnames=3"},
                 kExitFailed,
                 "row 2 is out of range: rows are 0 to 1"},
        BadInput{"RowNotANumber", {"set", "one", "topHostnames=3"}, kExitFailed, "bad row 'one'"},
        BadInput{"DeleteOutOfRange", {"delete", "0", "7"}, kExitFailed, "row 7 is out of range"},
        BadInput{"AddBadField",
                 {"add", "--site", "a", "--log", "b", "--report", "c", "x=1"},
                 kExitFailed,
                 "unknown field 'x'"},
        BadInput{"OptionsUnsaved",
                 {"options", "priorityLevel=High"},
                 kExitFailed,
                 "'priorityLevel' is not kept"},
        BadInput{"OptionsProfileField",
                 {"options", "topHostnames=3"},
                 kExitFailed,
                 "unknown field 'topHostnames'"},
        BadInput{"SmtpPortOutOfRange",
                 {"options", "smtpFromAddress=a@example.org", "smtpServer=mx\x1b[2J:99999"},
                 kExitUsage,
                 "smtpServer: 'mx?[2J:99999': the port after ':' must be a number from 1 to 65535"},
        BadInput{"AddWithoutLog", {"add", "--site", "a", "--report", "c"}, kExitUsage, "--log"},
        BadInput{"SetWithoutFields", {"set", "0"}, kExitUsage, "assignments"},
        BadInput{"UnknownCommand", {"frobnicate"}, kExitUsage, "frobnicate"},
        BadInput{"NoCommand", {}, kExitUsage, "a command is required"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CliCommands, DamagedFileIsRefusedUnlessSalvaged) {
  test::TempDir dir;
  ASSERT_EQ(RunIn(dir, {"add", "--site", "second", "--log", "l", "--report", "r"}).code, kExitOk);
  std::string bytes = test::ReadFileBytes(dir / "Tallowick.Settings");
  bytes.resize(bytes.size() - 3);
  dir.Write("Tallowick.Settings", bytes);

  CliRun refused = RunIn(dir, {"set", "0", "topHostnames=3"});
  EXPECT_EQ(refused.code, kExitFailed);
  EXPECT_NE(refused.err.find("damaged"), std::string::npos) << refused.err;
  EXPECT_EQ(LineCount(refused.err), 1u);
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings"), bytes);
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings.damaged"), bytes);

  CliRun salvaged = RunIn(dir, {"--salvage", "set", "0", "topHostnames=3"});
  ASSERT_EQ(salvaged.code, kExitOk) << salvaged.err;
  EXPECT_NE(salvaged.err.find("warning"), std::string::npos) << salvaged.err;
  Loaded file = ReadBack(dir);
  ASSERT_EQ(file.profiles.size(), 1u);
  EXPECT_EQ(file.profiles[0]->GetTopHostnames(), 3);
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings.damaged"), bytes);
}

// Each damage that differs from the copies already kept gets a copy of its
// own, also when only `sites` looks at the file; the same damage seen again
// reuses its copy.
TEST(CliCommands, EveryDifferentDamageKeepsItsOwnCopy) {
  test::TempDir dir;
  ASSERT_EQ(RunIn(dir, {"add", "--site", "second", "--log", "l", "--report", "r"}).code, kExitOk);
  const std::string whole = test::ReadFileBytes(dir / "Tallowick.Settings");
  const std::string first = whole.substr(0, whole.size() - 3);
  const std::string second = whole.substr(0, whole.size() - 5);
  struct Step {
    const std::string& bytes;
    const char* copy;
  };
  for (const Step& step :
       {Step{first, "Tallowick.Settings.damaged"}, Step{first, "Tallowick.Settings.damaged"},
        Step{second, "Tallowick.Settings.damaged.1"}}) {
    dir.Write("Tallowick.Settings", step.bytes);
    CliRun run = RunIn(dir, {"sites"});
    EXPECT_EQ(run.code, kExitFailed);
    EXPECT_NE(run.err.find("kept as " + (dir / step.copy).string() + " "), std::string::npos)
        << run.err;
  }
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings.damaged"), first);
  EXPECT_EQ(test::ReadFileBytes(dir / "Tallowick.Settings.damaged.1"), second);
  EXPECT_FALSE(std::filesystem::exists(dir / "Tallowick.Settings.damaged.2"));
}

TEST(CliCommands, UnreadableFileIsNotReplaced) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "Tallowick.Settings");
  CliRun run = RunIn(dir, {"sites"});
  EXPECT_EQ(run.code, kExitFailed);
  EXPECT_NE(run.err.find("Tallowick.Settings is a directory"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Tallowick.Settings"));
}

// Root ignores permission bits, so the failed write comes from a file size
// limit that the new settings file cannot stay under.
TEST(CliCommands, FailedFirstSaveIsReported) {
  test::TempDir dir;
  CliRun run;
  {
    const test::FileSizeLimit limit(64);
    ASSERT_TRUE(limit.Applied());
    run = RunIn(dir, {"sites"});
  }
  EXPECT_EQ(run.code, kExitFailed);
  EXPECT_NE(run.err.find("Error saving settings!"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(std::filesystem::exists(dir / "Tallowick.Settings"));
}

TEST(CliCommands, JsonHoldsEverySavedFieldByName) {
  test::TempDir dir;
  ASSERT_EQ(RunIn(dir, {"add", "--site", "caf\xE9 \x01", "--log", "l", "--report", "r",
                        "lastLogfileSize=4294967295"})
                .code,
            kExitOk);
  CliRun run = RunIn(dir, {"sites", "--json"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  const nlohmann::json json = nlohmann::json::parse(run.out);
  ASSERT_EQ(json["sites"].size(), 2u);
  std::size_t savedProfileFields = 0;
  for (const FieldInfo& f : CSiteProfile::Fields()) {
    if (!f.saved) continue;
    ++savedProfileFields;
    EXPECT_TRUE(json["sites"][1].contains(f.name)) << f.name;
  }
  EXPECT_EQ(json["sites"][1].size(), savedProfileFields);
  EXPECT_EQ(json["settings"].size(), 10u);
  EXPECT_EQ(json["settings"]["smtpFromAddress"], "webmaster@");
  EXPECT_EQ(json["settings"]["advancedSettings"], 1);
  EXPECT_FALSE(json["settings"].contains("priorityLevel"));
  EXPECT_EQ(json["sites"][1]["lastLogfileSize"], 4294967295u);
  EXPECT_EQ(json["sites"][1]["topHostnames"], 10);
  // A byte that is not UTF-8 is replaced; the control byte is escaped by JSON.
  EXPECT_EQ(json["sites"][1]["homepageUrl"], "caf\xEF\xBF\xBD \x01");

  // The plain listing keeps one line per site whatever the texts hold.
  CliRun listing = RunIn(dir, {"sites"});
  EXPECT_EQ(LineCount(listing.out), 2u);
  EXPECT_NE(listing.out.find("1\tcaf\xE9 ?\tl\tr\tno\tnever generated\n"), std::string::npos)
      << listing.out;
}

TEST(CliCommands, HelpPrintsUsageAndSucceeds) {
  test::TempDir dir;
  CliRun run = RunIn(dir, {"--help"});
  EXPECT_EQ(run.code, kExitOk);
  for (const char* command : {"sites", "add", "set", "options", "delete", "--dir"}) {
    EXPECT_NE(run.out.find(command), std::string::npos) << command;
  }
  CliRun set = RunIn(dir, {"set", "--help"});
  EXPECT_EQ(set.code, kExitOk);
  for (const char* field : {"homepageUrl", "themeName", "topHostnames", "sectionOrder"}) {
    EXPECT_NE(set.out.find(field), std::string::npos) << field;
  }
  EXPECT_EQ(set.out.find("listIndex"), std::string::npos) << set.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "Tallowick.Settings"));
}

}  // namespace
}  // namespace tlw::cli
