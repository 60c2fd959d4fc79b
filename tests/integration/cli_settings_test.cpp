#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "support/cli_process.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "tools/loggen/log_generator.h"

extern char** environ;

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

  // A folder that does not exist yet is made, parents and all, and said.
  ProcessRun made = RunCliProgram(dir, "--dir new/program/dir sites");
  ASSERT_EQ(made.code, 0) << made.err;
  EXPECT_NE(made.err.find("created folder new/program/dir\n"), std::string::npos) << made.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "new/program/dir/Tallowick.Settings"));
  dir.Write("plain", "x");
  ProcessRun blocked = RunCliProgram(dir, "--dir plain/dir sites");
  EXPECT_EQ(blocked.code, 1);
  EXPECT_NE(blocked.err.find("cannot create folder plain/dir"), std::string::npos) << blocked.err;
}

// What the program prints on standard output when that is a terminal.
std::string RunOnTerminal(const test::TempDir& dir, const std::string& args) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  EXPECT_GE(master, 0);
  EXPECT_EQ(::grantpt(master), 0);
  EXPECT_EQ(::unlockpt(master), 0);
  const std::string terminal = ::ptsname(master);
  // Held open until the output is read, so that reading never meets a
  // closed terminal.
  const int slave = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
  const std::string command = "cd '" + dir.path().string() + "' && '" + test::CliPath().string() +
                              "' " + args + " >'" + terminal + "' 2>/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::string output;
  pollfd ready{master, POLLIN, 0};
  char buffer[4096];
  while (::poll(&ready, 1, 200) == 1) {
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(slave);
  ::close(master);
  return output;
}

TEST(CliProgram, SitesHasAHeadingOnATerminalOnly) {
  test::TempDir dir;
  ASSERT_EQ(RunCliProgram(dir, "sites").code, 0);
  const std::string shown = RunOnTerminal(dir, "sites");
  EXPECT_EQ(shown.rfind("row\tsite\tlogfile\treport\tschedule\tlast generated\r\n0\t", 0), 0u)
      << shown;
  // Through a pipe (or into a file) the lines are the sites only.
  EXPECT_EQ(RunCliProgram(dir, "sites").out.rfind("0\t", 0), 0u);
}

struct NotAFile {
  const char* name;
  void (*make)(const std::filesystem::path& path);
  const char* message;
};

class CliSettingsNotAFile : public ::testing::TestWithParam<NotAFile> {};

// A pipe or a device in the settings file's place is refused at once (a
// pipe without a writer used to hold the program for ever), and nothing is
// written in its place or beside it.
TEST_P(CliSettingsNotAFile, IsRefusedAtOnceAndLeftAlone) {
  test::TempDir dir;
  const std::filesystem::path file = dir / "Tallowick.Settings";
  GetParam().make(file);
  const std::filesystem::file_type type = std::filesystem::symlink_status(file).type();
  // `timeout` ends a program that hangs (exit status 124).
  const std::string command = "cd '" + dir.path().string() + "' && timeout -k 1 10 '" +
                              test::CliPath().string() + "' sites 2>err.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = test::ReadFileBytes(dir / "err.txt");
  EXPECT_NE(err.find(file.string() + " " + GetParam().message), std::string::npos) << err;
  EXPECT_EQ(std::filesystem::symlink_status(file).type(), type);
  EXPECT_FALSE(std::filesystem::exists(dir / "Tallowick.Settings.damaged"));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CliSettingsNotAFile,
    ::testing::Values(
        NotAFile{"Directory", [](const auto& p) { std::filesystem::create_directory(p); },
                 "is a directory"},
        NotAFile{"NamedPipe", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
                 "is not a regular file but a named pipe"},
        NotAFile{"Device", [](const auto& p) { std::filesystem::create_symlink("/dev/null", p); },
                 "is not a regular file but a device"}),
    [](const auto& param) { return std::string(param.param.name); });

std::vector<std::string> SiteNames(const test::TempDir& dir) {
  const ProcessRun listing = RunCliProgram(dir, "sites --json");
  EXPECT_EQ(listing.code, 0) << listing.err;
  const nlohmann::json json = nlohmann::json::parse(listing.out);
  std::vector<std::string> names;
  for (const auto& site : json["sites"]) names.push_back(site["homepageUrl"]);
  return names;
}

// Two processes adding sites at the same time take turns at the file: no
// add is lost to the other's save.
TEST(CliProgram, ConcurrentAddsAreAllKept) {
  test::TempDir dir;
  ASSERT_EQ(RunCliProgram(dir, "sites").code, 0);
  dir.Write("adds.sh",
            "for i in $(seq 50); do\n"
            "  \"$1\" add --site \"$2$i\" --log l --report r >/dev/null 2>>errors.txt || "
            "echo \"$2$i failed\" >>errors.txt\n"
            "done\n");
  const std::string cli = "'" + test::CliPath().string() + "'";
  const std::string command = "cd '" + dir.path().string() + "' && (sh adds.sh " + cli +
                              " a & sh adds.sh " + cli + " b & wait)";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test::ReadFileBytes(dir / "errors.txt"), "");
  std::vector<std::string> names = SiteNames(dir);
  EXPECT_EQ(names.size(), 101u);
  std::string missing;
  for (const char* loop : {"a", "b"}) {
    for (int i = 1; i <= 50; ++i) {
      const std::string name = loop + std::to_string(i);
      if (std::find(names.begin(), names.end(), name) == names.end()) missing += name + " ";
    }
  }
  EXPECT_EQ(missing, "");
}

// While `run` works on its logfiles the site list changes: a site that runs
// is deleted, so the other one moves up a row and is changed, and a site is
// added. The run's results land on the moved site and every other change
// stays. The run is held (SIGSTOP) while the list changes, so the changes
// come between its load and its save whatever the machine's speed.
TEST(CliProgram, RunKeepsTheChangesMadeWhileItRan) {
  test::TempDir dir;
  loggen::Options options;
  options.requests = 200000;
  const std::filesystem::path log = dir / "big.log";
  ASSERT_TRUE(loggen::WriteLog(log.string(), options).ok());
  ASSERT_EQ(RunCliProgram(dir, "sites").code, 0);
  ASSERT_EQ(RunCliProgram(dir, "delete 0").code, 0);
  for (const char* site : {"first", "second"}) {
    ASSERT_EQ(RunCliProgram(dir, std::string("add --site ") + site + " --log big.log --report " +
                                     site + "/stats.html includeGraphs=0")
                  .code,
              0);
  }
  ASSERT_EQ(RunCliProgram(dir, "add --site idle --log big.log --report idle.html").code, 0);

  const std::string command = "cd '" + dir.path().string() + "' && exec '" +
                              test::CliPath().string() + "' run 0 1 >out.txt 2>err.txt";
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (test::ReadFileBytes(dir / "err.txt").find("[1] Reading Logfile...") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(kill(child, SIGSTOP), 0);
  const ProcessRun removed = RunCliProgram(dir, "delete 0");
  const ProcessRun changed = RunCliProgram(dir, "set 0 topHostnames=3");
  const ProcessRun added = RunCliProgram(dir, "add --site third --log l --report r");
  ASSERT_EQ(kill(child, SIGCONT), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(removed.code, 0) << removed.err;
  ASSERT_EQ(changed.code, 0) << changed.err;
  ASSERT_EQ(added.code, 0) << added.err;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadFileBytes(dir / "err.txt");
  EXPECT_NE(test::ReadFileBytes(dir / "err.txt").find("[0] the site was changed or deleted"),
            std::string::npos);

  const auto sites = nlohmann::json::parse(RunCliProgram(dir, "sites --json").out)["sites"];
  ASSERT_EQ(sites.size(), 3u) << sites;
  EXPECT_EQ(sites[0]["homepageUrl"], "second");
  EXPECT_EQ(sites[0]["topHostnames"], 3);
  EXPECT_NE(sites[0]["lastGenerated"], "never generated");
  EXPECT_EQ(sites[0]["lastLogfileSize"], std::filesystem::file_size(log));
  EXPECT_EQ(sites[1]["homepageUrl"], "idle");
  EXPECT_EQ(sites[1]["lastGenerated"], "never generated");
  EXPECT_EQ(sites[1]["lastLogfileSize"], 0);
  EXPECT_EQ(sites[2]["homepageUrl"], "third");
}

}  // namespace
}  // namespace tlw
