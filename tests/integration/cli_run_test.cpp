#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_process.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"
#include "support/tiny_mmdb.h"
#include "tests/logs/gzip_helpers.h"

extern char** environ;

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

using test::ProcessRun;

std::string Line(const std::string& host, const std::string& url, int status, int bytes,
                 const std::string& day = "01") {
  return host + " - - [" + day + "/Mar/2024:10:00:00 +0000] \"GET " + url + " HTTP/1.1\" " +
         std::to_string(status) + " " + std::to_string(bytes) +
         " \"-\" \"Mozilla/5.0 (X11; Linux x86_64; rv:123.0) Gecko/20100101 Firefox/123.0\"\n";
}

// Six requests whose counts are known by hand.
std::string HandMadeLog() {
  return Line("a.example.de", "/index.html", 200, 100) +
         Line("a.example.de", "/about.html", 200, 100) +
         Line("a.example.de", "/index.html", 200, 100) + Line("10.0.0.1", "/logo.gif", 200, 50) +
         Line("10.0.0.1", "/logo.gif", 304, 0) + Line("b.example.com", "/missing.html", 404, 0);
}

nlohmann::json Table(const nlohmann::json& stats, const char* name) {
  return stats["tables"][name];
}

// The built program run in a folder of its own.
class CliRun : public ::testing::Test {
 protected:
  ProcessRun Run(const std::string& args) const { return test::RunCliProgram(dir_, args); }
  nlohmann::json Json(const std::string& name) const {
    return nlohmann::json::parse(test::ReadFileBytes(dir_ / name));
  }
  // Adds a site through the program; false when that failed.
  bool AddSite(const std::string& site, const fs::path& log, const fs::path& report) const {
    return Run("add --site " + site + " --log '" + log.string() + "' --report '" + report.string() +
               "'")
               .code == 0;
  }

  test::TempDir dir_;
};

TEST_F(CliRun, ReportOnTheSampleLogWritesStatsHtml) {
  const std::string sample = (test::SourceDir() / "data" / "sample_access.log").string();
  const ProcessRun run = Run("report '" + sample + "' -o out/stats.html");
  ASSERT_EQ(run.code, 0) << run.err;
  const fs::path report = dir_ / "out" / "stats.html";
  EXPECT_TRUE(fs::exists(report));
  EXPECT_GT(fs::file_size(report), 10'000u);
  EXPECT_TRUE(fs::exists(dir_ / "out" / "images" / "stats.html_tlwgraph_hostnames.gif"));
  // Progress goes to standard error; standard output holds the report's path only.
  EXPECT_THAT(run.err, HasSubstr("[0] Reading Logfile...\n"));
  EXPECT_THAT(run.err, HasSubstr("[0] Finished: "));
  EXPECT_THAT(run.err, Not(HasSubstr("warning")));
  EXPECT_EQ(run.out, "Report: " + report.string() + "\n");
  // The country table beside the program names the countries.
  EXPECT_THAT(test::ReadFileBytes(report), HasSubstr("Poland"));
}

TEST_F(CliRun, ReportDefaultsToStatsHtmlInTheCurrentFolder) {
  dir_.Write("access.log", HandMadeLog());
  const ProcessRun run = Run("report access.log --no-graphs --theme Green");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir_ / "stats.html"));
  EXPECT_FALSE(fs::exists(dir_ / "images"));
}

TEST_F(CliRun, GraphThatCannotBeWrittenIsAWarning) {
  dir_.Write("access.log", HandMadeLog());
  dir_.Write("out/images", "a file where the images folder should be");
  const ProcessRun run = Run("report access.log -o out/stats.html");
  ASSERT_EQ(run.code, 0) << run.err;  // the report itself is complete
  EXPECT_TRUE(fs::exists(dir_ / "out" / "stats.html"));
  EXPECT_THAT(
      run.err,
      HasSubstr("tallowick-cli: warning: [0] could not write graph " +
                (dir_ / "out" / "images" / "stats.html_tlwgraph_hostnames.gif").string() + " ("));
}

// Reports written into one folder keep graphs of their own, named after
// each report's file, where the row and last day would be the same.
TEST_F(CliRun, ReportsInOneFolderKeepTheirOwnGraphs) {
  dir_.Write("a.log", Line("a.example.com", "/a.html", 200, 1));
  dir_.Write("b.log",
             Line("b.example.com", "/b.html", 200, 1) + Line("c.example.com", "/", 200, 1));
  ASSERT_EQ(Run("report a.log -o out/a.html").code, 0);
  ASSERT_EQ(Run("report b.log -o out/b.html").code, 0);
  const std::string graphA =
      test::ReadFileBytes(dir_ / "out" / "images" / "a.html_tlwgraph_hostnames.gif");
  EXPECT_FALSE(graphA.empty());
  EXPECT_NE(graphA, test::ReadFileBytes(dir_ / "out" / "images" / "b.html_tlwgraph_hostnames.gif"));
}

TEST_F(CliRun, RelativeReportPathIsInTheProgramDirectory) {
  const fs::path log = dir_.Write("access.log", HandMadeLog());
  fs::create_directories(dir_ / "program");
  ASSERT_EQ(Run("--dir program add --site http://www.example.com/ --log '" + log.string() +
                "' --report reports/stats.html")
                .code,
            0);
  // Started from another folder, as cron starts it.
  const ProcessRun run = Run("--dir program run 1");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir_ / "program" / "reports" / "stats.html"));
  EXPECT_FALSE(fs::exists(dir_ / "reports"));
}

TEST_F(CliRun, JsonCountsMatchAHandMadeLog) {
  dir_.Write("access.log", HandMadeLog());
  const ProcessRun run =
      Run("report access.log -o stats.html --site http://www.example.com/ --json s.json");
  ASSERT_EQ(run.code, 0) << run.err;
  const auto stats = Json("s.json");

  EXPECT_EQ(stats["site"], "http://www.example.com/");
  EXPECT_EQ(stats["periodStart"], "Mar-01-2024 10:00");
  EXPECT_EQ(stats["counters"]["uniqueHosts"], 3);
  EXPECT_EQ(stats["counters"]["successfulRequests"], 5);
  EXPECT_EQ(stats["counters"]["totalBytes"], 350);
  EXPECT_EQ(
      Table(stats, "hostnames"),
      nlohmann::json::parse(R"([["a.example.de", 3], ["10.0.0.1", 2], ["b.example.com", 1]])"));
  const auto codes = Table(stats, "retCodes");
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_EQ(codes[0], nlohmann::json::parse(R"(["200", 4])"));  // the tie below may come either way
  EXPECT_EQ(codes[1][1], 1);
  EXPECT_EQ(codes[2][1], 1);
  EXPECT_EQ(Table(stats, "countries"),
            nlohmann::json::parse(R"([["Germany", 3], ["United States", 1]])"));
  EXPECT_EQ(Table(stats, "brokenLinks"), nlohmann::json::parse(R"([["/missing.html", 1]])"));
}

struct GeoIpCase {
  const char* name;
  const char* options;
  const char* countries;  // the JSON table
  const char* warning;    // on the standard error once; empty: none
};

class CliGeoIp : public CliRun, public ::testing::WithParamInterface<GeoIpCase> {};

// Addresses count under their country from Debian's database or a named
// .mmdb (low half of the addresses GB, high half SE); a .uk name shares the
// United Kingdom row; private addresses count nowhere; domains keep names only.
TEST_P(CliGeoIp, CountsAddressesUnderTheirCountry) {
  if (!fs::exists("/usr/share/GeoIP/GeoIP.dat")) GTEST_SKIP() << "geoip-database is missing";
  dir_.Write("access.log",
             Line("81.2.69.160", "/a.html", 200, 1) +
                 Line("shop.example.co.uk", "/a.html", 200, 1) +
                 Line("8.8.8.8", "/a.html", 200, 1) + Line("2001:200::1", "/a.html", 200, 1) +
                 Line("192.168.1.5", "/a.html", 200, 1) + Line("8.8.8.8", "/b.html", 200, 1) +
                 Line("8.8.8.8", "/c.html", 200, 1));
  dir_.Write("tiny.mmdb", test::TinyCountryMmdb("GB", "SE"));
  dir_.Write("broken.mmdb", "MaxMind? no");
  const ProcessRun run =
      Run(std::string("report access.log --no-graphs --json s.json ") + GetParam().options);
  ASSERT_EQ(run.code, 0) << run.err;
  const auto stats = Json("s.json");
  EXPECT_EQ(Table(stats, "countries"), nlohmann::json::parse(GetParam().countries));
  EXPECT_EQ(Table(stats, "domains"), nlohmann::json::parse(R"([["co.uk", 1]])"));
  const std::string warning = GetParam().warning;
  // Progress goes to standard error too; only warnings start with the name.
  std::string warnings;
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("tallowick-cli:")) warnings += line + "\n";
  }
  if (warning.empty()) {
    EXPECT_EQ(warnings, "");
  } else {
    EXPECT_EQ(warnings, "tallowick-cli: warning: [0] The GeoIP database " +
                            (dir_ / warning).string() +
                            " cannot be read: The MaxMind DB file contains invalid metadata; "
                            "countries of addresses come from Debian's GeoIP database instead\n");
  }
}

constexpr const char* kDebianCountries =
    R"([["United States", 3], ["United Kingdom", 2], ["Japan", 1]])";

INSTANTIATE_TEST_SUITE_P(
    Options, CliGeoIp,
    ::testing::Values(GeoIpCase{"DebiansDatabase", "", kDebianCountries, ""},
                      GeoIpCase{"Off", "--no-geoip", R"([["United Kingdom", 1]])", ""},
                      GeoIpCase{"NamedMmdb", "--geoip tiny.mmdb", R"([["United Kingdom", 5]])", ""},
                      GeoIpCase{"DamagedMmdb", "--geoip broken.mmdb", kDebianCountries,
                                "broken.mmdb"}),
    [](const ::testing::TestParamInfo<GeoIpCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

TEST_F(CliRun, SeveralLogfilesAndARangeMakeOneReport) {
  dir_.Write("a.log", Line("a.example.com", "/a.html", 200, 1, "01") +
                          Line("a.example.com", "/a.html", 200, 1, "02") +
                          Line("a.example.com", "/a.html", 200, 1, "03"));
  dir_.Write("b.log", Line("b.example.com", "/b.html", 200, 1, "05") +
                          Line("b.example.com", "/b.html", 200, 1, "30"));
  const ProcessRun run = Run("report a.log b.log --from 2024-03-02 --to 2024-03-05 --json s.json");
  ASSERT_EQ(run.code, 0) << run.err;
  const auto stats = Json("s.json");
  EXPECT_EQ(stats["periodStart"], "3-2-2024");
  EXPECT_EQ(stats["periodEnd"], "3-5-2024");
  EXPECT_EQ(Table(stats, "hostnames"),
            nlohmann::json::parse(R"([["a.example.com", 2], ["b.example.com", 1]])"));
}

TEST_F(CliRun, RunAllStoresLastGeneratedAndWritesJsonPerRow) {
  const fs::path log = dir_.Write("access.log", HandMadeLog());
  ASSERT_EQ(Run("sites").code, 0);  // first start: the remote sample site
  ASSERT_EQ(Run("delete 0").code, 0);
  for (const std::string name : {"one", "two"}) {
    ASSERT_TRUE(AddSite("http://" + name + ".example.com/", log, dir_ / name / "stats.html"));
  }
  const ProcessRun run = Run("run --all --json out/stats.json");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("[0] Finished: "));
  EXPECT_THAT(run.err, HasSubstr("[1] Finished: "));
  EXPECT_TRUE(fs::exists(dir_ / "one" / "stats.html"));
  EXPECT_TRUE(fs::exists(dir_ / "two" / "stats.html"));
  EXPECT_EQ(Json("out/stats.1.json")["site"], "http://two.example.com/");

  // "--json -": one whole document per site on standard output, nothing else.
  const ProcessRun piped = Run("run --all --json -");
  ASSERT_EQ(piped.code, 0) << piped.err;
  std::istringstream documents(piped.out);
  std::vector<std::string> sitesSeen;
  for (nlohmann::json document; documents >> std::ws, documents.peek() != EOF;) {
    documents >> document;
    sitesSeen.push_back(document["site"]);
  }
  std::sort(sitesSeen.begin(), sitesSeen.end());
  EXPECT_EQ(sitesSeen,
            (std::vector<std::string>{"http://one.example.com/", "http://two.example.com/"}));
  EXPECT_FALSE(fs::exists(dir_ / "-"));

  const ProcessRun sites = Run("sites --json");
  const auto json = nlohmann::json::parse(sites.out);
  for (const auto& site : json["sites"]) {
    EXPECT_THAT(site["lastGenerated"].get<std::string>(),
                MatchesRegex("[01][0-9]:[0-5][0-9][AP]M [A-Z][a-z][a-z] [01][0-9]-[0-3][0-9]-"
                             "[0-9][0-9]"));
    EXPECT_EQ(site["lastLogfileSize"], fs::file_size(log));
  }
}

TEST_F(CliRun, FailingSiteExitsOneWithItsMessage) {
  const fs::path log = dir_.Write("access.log", HandMadeLog());
  ASSERT_EQ(Run("sites").code, 0);
  ASSERT_TRUE(AddSite("http://ok.example.com/", log, dir_ / "ok" / "stats.html"));
  ASSERT_TRUE(AddSite("http://bad.example.com/", dir_ / "gone.log", dir_ / "bad" / "stats.html"));
  const ProcessRun run = Run("run 1 2");
  EXPECT_EQ(run.code, 1);
  EXPECT_THAT(run.err, HasSubstr("[2] Error reading logfile!"));
  const std::string message = "Local logfile (" + (dir_ / "gone.log").string() + ") not found!";
  // The message comes once, as the run shows it; the last line names the site.
  EXPECT_THAT(run.err, HasSubstr("tallowick-cli: [2] " + message + "\n"));
  EXPECT_THAT(run.err, Not(HasSubstr("tallowick-cli: [1]")));
  EXPECT_THAT(run.err, EndsWith("tallowick-cli: error: 1 of 2 sites failed: [2]\n"));
  EXPECT_EQ(run.out, "");

  // Only the site that finished has a new last-generated time.
  const auto json = nlohmann::json::parse(Run("sites --json").out);
  EXPECT_NE(json["sites"][1]["lastGenerated"], "never generated");
  EXPECT_EQ(json["sites"][2]["lastGenerated"], "never generated");

  // The sample site reads its log from an FTP server that does not exist.
  const ProcessRun remote = Run("run 0");
  EXPECT_EQ(remote.code, 1);
  EXPECT_THAT(remote.err, HasSubstr("[0] FTP: Transmission ERROR!"));
  EXPECT_THAT(remote.err, HasSubstr("ftp://ftp.example.net/"));
  EXPECT_THAT(remote.err, HasSubstr("tallowick-cli: error: [0] failed\n"));
}

TEST_F(CliRun, ReportReadsFtpUrlsWithThePasswordFromAFile) {
  fs::create_directories(dir_ / "root");
  std::string log;
  for (int i = 0; i < 300; ++i) {
    log += "10.1.1." + std::to_string(i % 7) +
           " - - [10/Oct/2000:13:55:36 -0700] \"GET /a.html HTTP/1.0\" 200 10\n";
  }
  dir_.Write("root/access.log", log);
  const std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(dir_, dir_ / "root");
  ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  dir_.Write("pw", std::string(test::kFtpPassword) + "\n");
  const std::string url = "ftp://127.0.0.1:" + std::to_string(server->port()) + "/access.log";
  const ProcessRun run = Run("report " + url + " --user " + test::kFtpUser +
                             " --password-file pw --passive --json s.json");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("FTP: Reading Logfile..."));
  EXPECT_THAT(run.err, HasSubstr("Log size: remote"));
  EXPECT_TRUE(fs::exists(dir_ / "stats.html"));
  const std::string json = test::ReadFileBytes(dir_ / "s.json");
  EXPECT_THAT(json, HasSubstr("10.1.1.6"));
  for (const std::string& text : {run.out, run.err, json}) {
    EXPECT_THAT(text, Not(HasSubstr(test::kFtpPassword)));
  }

  const ProcessRun inlineLogin =
      Run("report ftp://tester:pw@127.0.0.1:" + std::to_string(server->port()) + "/a.log");
  EXPECT_EQ(inlineLogin.code, 1);
  EXPECT_THAT(inlineLogin.err, HasSubstr("--password-file"));
}

// A saved site with FTP logins, run once against a server that takes them
// and once with passwords it refuses: no output of any command, no JSON and
// no report shows a password, and the settings file stays the owner's.
TEST_F(CliRun, SavedFtpPasswordsAppearInNoOutput) {
  fs::create_directories(dir_ / "root");
  dir_.Write("root/access.log",
             "10.1.1.1 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.html "
             "HTTP/1.0\" 200 10\n");
  const std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(dir_, dir_ / "root");
  ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  const std::string host = "127.0.0.1:" + std::to_string(server->port());
  const std::string login =
      std::string(" logFtpUser=") + test::kFtpUser + " logFtpPassword=" + test::kFtpPassword +
      " uploadFtpUser=" + test::kFtpUser + " uploadFtpPassword=" + test::kFtpPassword;
  ASSERT_EQ(Run("sites").code, 0);
  ASSERT_EQ(Run("add --site http://www.example.com --log access.log --report "
                "site/stats.html remoteLogfile=1 uploadReport=1 logFtpServer=" +
                host + " uploadFtpServer=" + host + login)
                .code,
            0);
  std::vector<ProcessRun> runs;
  runs.push_back(Run("run 1 --json s.json"));
  EXPECT_EQ(runs.back().code, 0) << runs.back().err;
  EXPECT_TRUE(fs::exists(dir_ / "root" / "site" / "stats.html"));
  // A password given on standard input stands on no command line.
  dir_.Write("wrong", "Wrong-Secret-42\n");
  ASSERT_EQ(Run("set 1 --password-stdin logFtpPassword < wrong").code, 0);
  runs.push_back(Run("run 1"));
  EXPECT_EQ(runs.back().code, 1);
  EXPECT_THAT(runs.back().err, HasSubstr(host));
  runs.push_back(Run("sites"));
  runs.push_back(Run("sites --json"));
  EXPECT_THAT(runs.back().out, HasSubstr("\"logFtpPassword\": \"(hidden)\""));
  std::vector<std::string> texts = {test::ReadFileBytes(dir_ / "s.json"),
                                    test::ReadFileBytes(dir_ / "root" / "site" / "stats.html")};
  for (const ProcessRun& run : runs) {
    texts.push_back(run.out);
    texts.push_back(run.err);
  }
  for (const std::string& text : texts) {
    EXPECT_THAT(text, Not(HasSubstr(test::kFtpPassword)));
    EXPECT_THAT(text, Not(HasSubstr("Wrong-Secret-42")));
  }
  struct stat info {};
  ASSERT_EQ(::stat((dir_ / "Tallowick.Settings").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(CliRun, UnsupportedLogfileIsNoSuccess) {
  dir_.Write("notes.txt", "not\na\nlog\n");
  const ProcessRun run = Run("report notes.txt");
  EXPECT_EQ(run.code, 1);
  EXPECT_THAT(run.err, Not(HasSubstr("Finished")));
  EXPECT_THAT(run.err, HasSubstr("Unsupported Log File! Filename: notes.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "stats.html"));
}

// What scripts and cron see: the exit code, what standard output holds, and
// the warnings that keep a run that read nothing from passing unnoticed.
TEST_F(CliRun, ExitCodesOutputsAndWarnings) {
  dir_.Write("access.log", HandMadeLog());
  dir_.Write("access.log.gz", test::Gzip(HandMadeLog()));
  dir_.Write("empty.log", "");
  dir_.Write("ab", HandMadeLog());
  dir_.Write("notes.txt", "not\na\nlog\n");
  const std::string report = "Report: " + (dir_ / "stats.html").string() + "\n";
  const std::string json = "{\n  \"site\": ";
  struct Case {
    std::string args;
    int code;
    std::string out;  // standard output starts with this
    std::string err;  // standard error holds this
  };
  const std::vector<Case> cases{
      {"--version", 0, "tallowick-cli 0.", ""},  // then libcurl, GD and zlib
      {"report access.log", 0, report, "[0] Reading Logfile...\n"},
      {"--quiet report access.log", 0, "", ""},
      {"report access.log --json -", 0, json, report},
      {"report - --json - <access.log", 0, json, "[0] Finished"},
      {"report - --json - --quiet <access.log.gz", 0, json, ""},
      {"report ab", 0, report, "warning: [0] No records were counted: no logfile was read\n"},
      {"report 'access.log|access.log'", 0, report,
       "warning: [0] The entry access.log after the last \"|\" of the logfile list was not read"},
      {"report empty.log", 0, report, "warning: [0] No records were counted: the logfile"},
      {"report access.log --from 2030-01-01 --to 2030-01-02", 0, report,
       "warning: [0] No records were counted: none of the 6 lines read lies between"},
      {"report notes.txt", 1, "", "error: [0] failed"},
      {"report - access.log", 1, "", "error: -: standard input is read alone"},
      {"report gone.log", 1, "", "Local logfile (gone.log) not found!"},
      {"report", 2, "", "error: logfiles is required"},
      {"report a.log --from 2024-03-01", 2, "", "error: --from requires --to"},
      {"report a.log --theme Plaid", 2, "", "error: --theme: Plaid not in {(default),Red,"},
      {"run", 2, "", "error: run: name the rows to run, or --all"},
      {"run 0 --all", 2, "", "error: rows excludes --all"},
      {"--quiet", 2, "", "error: a command is required"},
      {"report access.log --colour", 2, "", "error: The following argument"},
  };
  for (const Case& c : cases) {
    const ProcessRun run = Run(c.args);
    EXPECT_EQ(run.code, c.code) << c.args << ": " << run.err;
    EXPECT_TRUE(run.out.starts_with(c.out)) << c.args << ": " << run.out;
    if (c.out.empty()) {
      EXPECT_EQ(run.out, "") << c.args;
    }
    if (c.err.empty()) {
      EXPECT_EQ(run.err, "") << c.args;
    } else {
      EXPECT_THAT(run.err, HasSubstr(c.err)) << c.args;
    }
    if (c.args == "--version") {
      EXPECT_THAT(run.out, HasSubstr("\nGD 2.3"));
    }
    if (c.out == json) {
      const auto stats = nlohmann::json::parse(run.out);
      EXPECT_EQ(stats["counters"]["uniqueHosts"], 3) << c.args;
    }
  }
  EXPECT_FALSE(fs::exists(dir_ / "-"));
}

// Ctrl+C while a site reads its logfile: the run stops at its next line, no
// report is written and the program exits 1. The logfile is a pipe, so the
// run waits for lines exactly where the test wants it.
TEST_F(CliRun, InterruptStopsTheRunCleanly) {
  // A log far too long to read before the interrupt: its lines stand 1 MiB
  // apart in a sparse file of 16 GiB, and the reader drops the NUL bytes
  // between them.
  {
    const fs::path log = dir_ / "access.log";
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::string lines = HandMadeLog();
    for (off_t mib = 0; mib < 16384; ++mib) {
      ASSERT_EQ(::pwrite(fd, lines.data(), lines.size(), mib << 20),
                static_cast<ssize_t>(lines.size()));
    }
    ASSERT_EQ(::close(fd), 0);
  }
  const std::string command = "cd '" + dir_.path().string() + "' && exec '" +
                              test::CliPath().string() + "' report access.log >out.txt 2>err.txt";
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string out = test::ReadFileBytes(dir_ / "out.txt");
  const std::string err = test::ReadFileBytes(dir_ / "err.txt");
  EXPECT_EQ(out, "");
  EXPECT_THAT(err, HasSubstr("[0] Stopped"));
  EXPECT_THAT(err, Not(HasSubstr("Finished")));
  EXPECT_THAT(err, HasSubstr("interrupted"));
  EXPECT_THAT(err, HasSubstr("was stopped before its report was written"));
  EXPECT_FALSE(fs::exists(dir_ / "stats.html"));
}

}  // namespace
}  // namespace tlw
