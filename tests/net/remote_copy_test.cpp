#include "net/remote_copy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;

constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 40;

std::string Lines(int from, int count) {
  std::string text;
  for (int i = from; i < from + count; ++i) text += "10.0.0.1 GET /p" + std::to_string(i) + "\n";
  return text;
}

enum class Expect { Anew, Appended, Fails };

// One update of the copy after the server's file became `next(copy)`
// (none when `next` is null).
struct Step {
  const char* name;
  std::string (*next)(const std::string& before);
  Expect expect;
  const char* says;  // a pattern found in `why`, or in the failure's message
  std::uint64_t maxBytes = kNoLimit;
  bool refuseResume = false;  // FTP only: the server refuses REST
};

const Step kSteps[] = {
    {"first call", [](const std::string&) { return Lines(0, 2); }, Expect::Anew, ""},
    // The copy is shorter than the overlap: the download starts at 0.
    {"grown from a short copy", [](const std::string& s) { return s + Lines(2, 300); },
     Expect::Appended, ""},
    {"grown", [](const std::string& s) { return s + Lines(302, 9000); }, Expect::Appended, ""},
    {"nothing new", [](const std::string& s) { return s; }, Expect::Appended, ""},
    {"grown past the bound", [](const std::string& s) { return s + Lines(0, 60000); },
     Expect::Fails, "larger than the limit of", 1'000'000},
    {"shorter within the overlap", [](const std::string& s) { return s.substr(0, s.size() - 100); },
     Expect::Anew, "is shorter than the copy"},
    {"shorter before the overlap", [](const std::string& s) { return s.substr(0, s.size() / 2); },
     Expect::Anew, "is shorter than the copy"},
    {"rewritten before the end, and grown",
     [](const std::string& s) {
       std::string changed = s;
       changed[changed.size() - 50] = '#';
       return changed + Lines(0, 10);
     },
     Expect::Anew, "changed before the copy's end"},
    {"grown, resume refused", [](const std::string& s) { return s + Lines(0, 10); }, Expect::Anew,
     "the server does not resume transfers of", kNoLimit, true},
    {"missing on the server", nullptr, Expect::Fails, "does not exist|No such file"},
};

class RemoteCopyTest : public testing::TestWithParam<bool /*sftp*/> {};

TEST_P(RemoteCopyTest, ContinuesTheCopyOrFetchesItAnew) {
  test::TempDir work;
  const fs::path root = work / "root";
  fs::create_directories(root);
  fs::create_directories(work / "cache");
  std::unique_ptr<test::ServerProcess> server;
  FtpServer login;
  std::string remotePath = "access.log";
  if (GetParam()) {
    server = test::StartSftpServer(work);
    ASSERT_NE(server->port(), 0) << "sshd did not start (openssh-server)";
    login.server = "sftp://127.0.0.1:" + std::to_string(server->port());
    login.user = ::getpwuid(::geteuid())->pw_name;
    login.homeFolder = work.path().string();
    remotePath = (root / "access.log").string();
  } else {
    server = test::StartFtpServer(work, root);
    ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
    login.server = "127.0.0.1:" + std::to_string(server->port());
    login.user = test::kFtpUser;
    login.password = test::kFtpPassword;
  }
  const fs::path copy = work / "cache" / "access.log";
  const StopRequested never = [] { return false; };

  std::string served;  // the server's file
  for (const Step& step : kSteps) {
    if (step.refuseResume && GetParam()) continue;
    SCOPED_TRACE(step.name);
    const std::string before = fs::exists(copy) ? test::ReadFileBytes(copy) : "";
    struct stat old {};
    ::stat(copy.c_str(), &old);
    if (step.next != nullptr) {
      served = step.next(before);
      std::ofstream(root / "access.log", std::ios::binary | std::ios::trunc) << served;
    } else {
      fs::remove(root / "access.log");
    }
    if (step.refuseResume) std::ofstream(root / "no-rest") << "";
    const Result<RemoteCopyUpdate> update =
        UpdateRemoteCopy(login, remotePath, copy.string(), never, step.maxBytes);
    fs::remove(root / "no-rest");

    struct stat now {};
    ASSERT_EQ(::stat(copy.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode & 0777, 0600U);
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(work / "cache"), {}),
              std::vector<fs::path>{copy})
        << "a temporary file stayed";
    const bool fails = step.expect == Expect::Fails;
    EXPECT_EQ(test::ReadFileBytes(copy), fails ? before : served);
    if (step.expect != Expect::Anew) {
      EXPECT_EQ(now.st_ino, old.st_ino) << "the copy was replaced";
    }
    ASSERT_EQ(update.ok(), !fails) << update.message();
    const std::string said = fails ? update.message() : update->why;
    EXPECT_THAT(said, ContainsRegex(step.says));
    EXPECT_EQ(said.find(ServerAddress(login, remotePath)) != std::string::npos, *step.says != 0);
    if (fails) continue;
    EXPECT_EQ(update->fetchedAnew, step.expect == Expect::Anew);
    EXPECT_EQ(update->bytesFetched,
              served.size() - (step.expect == Expect::Appended ? before.size() : 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, RemoteCopyTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& sftp) {
                           return sftp.param ? "Sftp" : "Ftp";
                         });

}  // namespace
}  // namespace tlw
