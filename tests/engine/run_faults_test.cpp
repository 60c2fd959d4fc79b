// Servers and resolvers that stop answering: every wait of a run is bounded,
// and the run says which server or address it gave up on.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/run_stages.h"
#include "engine/run_site.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class StageHost : public ProgressSink, public RunNotifier {
 public:
  void Post(int stage, int) override {
    std::lock_guard lock(mutex_);
    stages_.push_back(stage);
  }
  void ShowMessage(const std::string&, const std::string&) override {}
  std::vector<int> Stages() const {
    std::lock_guard lock(mutex_);
    return stages_;
  }
  RunHost Host() { return RunHost{this, this, nullptr}; }

 private:
  mutable std::mutex mutex_;
  std::vector<int> stages_;
};

std::string NcsaLog(const std::vector<std::string>& hosts, int linesEach) {
  std::string log;
  for (const std::string& host : hosts) {
    for (int i = 0; i < linesEach; ++i) {
      log += host + " - - [10/Oct/2000:13:55:36 -0700] \"GET /page" + std::to_string(i) +
             ".html HTTP/1.0\" 200 2326 \"-\" \"Mozilla/4.08 [en] (Win98; I)\"\n";
    }
  }
  return log;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class RunFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.programDirectory = dir_.path().string();
    settings_.connectSeconds = 2;
    settings_.serverSilenceSeconds = 1;
    settings_.smtpReplyMs = 300;
    settings_.retryPauseMs = 10;
  }

  std::shared_ptr<CSiteProfile> Profile(const std::string& logfilePath) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetListIndex(0);
    profile->SetHomepageUrl("http://www.example.com/");
    profile->SetLogfilePath(logfilePath);
    profile->SetReportPath((dir_ / "report" / "stats.html").string());
    return profile;
  }

  test::TempDir dir_;
  RunSettings settings_;
  CDNSCache cache_;
};

// How one scripted FTP server fails, and what the run must then say.
struct StallCase {
  const char* name;
  const char* mode;     // of tests/net/stalling_ftp_server.py
  const char* logfile;  // remote logfile setting; empty: a local log, published
  const char* named;    // the file or folder the message names
};

class StalledFtpTest : public RunFaultsTest, public ::testing::WithParamInterface<StallCase> {};

TEST_P(StalledFtpTest, EndsWithTransmissionErrorNamingServerAndFile) {
  const StallCase& c = GetParam();
  fs::create_directories(dir_ / "root");
  // Large enough that half of it is more than the buffers in between.
  std::ofstream(dir_ / "root" / "access.log") << NcsaLog({"a.example.com"}, 20000);
  const auto server = test::StartStallingFtpServer(dir_, dir_ / "root", c.mode);
  ASSERT_NE(server->port(), 0);
  const std::string address = "127.0.0.1:" + std::to_string(server->port());
  settings_.passiveFtp = true;

  std::shared_ptr<CSiteProfile> profile;
  if (*c.logfile != '\0') {
    profile = Profile(c.logfile);
    profile->SetRemoteLogfile(1);
    profile->SetLogFtpServer(address);
  } else {
    std::ofstream(dir_ / "local.log") << NcsaLog({"a.example.com"}, 50);
    profile = Profile((dir_ / "local.log").string());
    profile->SetUploadReport(1);
    profile->SetUploadFtpServer(address);
    profile->SetReportPath("site/stats/stats.html");
  }
  profile->SetEmailReport(1);  // never reached
  StageHost host;
  const auto start = Clock::now();
  const RunResult result = RunSite(profile, settings_, host.Host(), cache_);

  EXPECT_LT(SecondsSince(start), 20.0);  // libcurl averages speed over 5 s
  EXPECT_EQ(result.finalStage, kStageTransmissionError) << result.message;
  EXPECT_THAT(result.message, HasSubstr("ftp://" + address + "/"));
  EXPECT_THAT(result.message, HasSubstr(c.named));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageFinished)));
  EXPECT_THAT(host.Stages(), Not(Contains(kStageSendingMail)));
  if (*c.logfile == '\0') {
    EXPECT_TRUE(fs::exists(dir_ / "Report0")) << "the local copy is kept";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, StalledFtpTest,
    ::testing::Values(StallCase{"StopsMidFile", "mid-file", "access.log", "access.log"},
                      StallCase{"NeverAnswersRetr", "no-reply", "access.log", "access.log"},
                      StallCase{"StopsMidListing", "mid-list", "*.log", "*.log"},
                      StallCase{"NeverAnswersList", "no-reply", "logs/*.log", "logs/*.log"},
                      StallCase{"StopsMidUpload", "mid-upload", "", "stats.html"},
                      StallCase{"RefusesTheReportFolder", "refuse-mkd", "", "site/stats"}),
    [](const auto& p) { return std::string(p.param.name); });

// A mail server that takes the connection and never says a word: the mail
// is given up after the reply time-out and the run, whose report is
// written, finishes with the mail error and a warning naming the server.
TEST_F(RunFaultsTest, SilentMailServerIsGivenUpAndNamed) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  const int port = test::BindLoopback(listener);
  ASSERT_NE(port, 0);
  ::listen(listener, 4);  // the kernel accepts; nobody ever answers
  settings_.smtpServer = "127.0.0.1:" + std::to_string(port);

  std::ofstream(dir_ / "access.log") << NcsaLog({"a.example.com"}, 5);
  auto profile = Profile((dir_ / "access.log").string());
  profile->SetEmailReport(1);
  profile->SetEmailAddress("web@example.com");
  StageHost host;
  const auto start = Clock::now();
  const RunResult result = RunSite(profile, settings_, host.Host(), cache_);
  ::close(listener);

  EXPECT_LT(SecondsSince(start), 5.0);
  EXPECT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(result.warnings, ElementsAre(HasSubstr("through " + settings_.smtpServer +
                                                     ": the server did not answer within 0.3")));
  EXPECT_THAT(host.Stages(), Contains(kStageMailError));
}

// A resolver that hangs on one address: that address stays as it is, the
// resolver is not asked again in this run, and a warning names the address.
// A client named before the stall keeps its name when it comes back.
TEST_F(RunFaultsTest, HangingResolverIsGivenUpOnceAndTheAddressesStay) {
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
  };
  auto gate = std::make_shared<Gate>();
  auto asked = std::make_shared<std::atomic<int>>(0);
  RunOptions options;
  options.resolver = [gate, asked](std::string_view address) -> std::string {
    ++*asked;
    if (address != "10.0.0.1") return "named.example";
    std::unique_lock lock(gate->mutex);
    gate->opened.wait(lock, [&] { return gate->open; });
    return "late.example";
  };
  settings_.resolveHostnames = true;
  settings_.hostLookupMs = 200;
  std::ofstream(dir_ / "access.log")
      << NcsaLog({"192.0.2.1", "10.0.0.1", "192.0.2.2", "192.0.2.1"}, 3);
  auto profile = Profile((dir_ / "access.log").string());
  std::vector<std::string> hosts;
  options.onStatistics = [&hosts](const CSiteProfile& p) {
    for (const StatEntry& e : p.Statistics().hostnames.Entries()) hosts.emplace_back(e.key);
  };
  StageHost host;
  const auto start = Clock::now();
  const RunResult result = RunSite(profile, settings_, host.Host(), cache_, options);
  {
    std::lock_guard lock(gate->mutex);
    gate->open = true;
  }
  gate->opened.notify_all();

  EXPECT_LT(SecondsSince(start), 3.0);
  EXPECT_TRUE(result.Finished()) << result.message;
  EXPECT_THAT(result.warnings,
              ElementsAre(HasSubstr("The resolver did not name 10.0.0.1 within 0.2 seconds")));
  EXPECT_EQ(asked->load(), 2);
  EXPECT_THAT(hosts, ::testing::UnorderedElementsAre("named.example", "10.0.0.1", "192.0.2.2"));
  EXPECT_EQ(cache_.Lookup("192.0.2.2"), "") << "left for a later run to name";
}

}  // namespace
}  // namespace tlw
