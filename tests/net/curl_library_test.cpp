#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "support/paths.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

struct CliRun {
  int code;
  std::string err;
};

// Runs the built tallowick-cli in `dir` with `environment` (shell
// assignments) set for it alone.
CliRun RunCli(const test::TempDir& dir, const std::string& environment, const std::string& args) {
  const std::string command = "cd '" + dir.path().string() + "' && " + environment + " '" +
                              test::CliPath().string() + "' " + args + " >/dev/null 2>'" +
                              (dir / "stderr.txt").string() + "'";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFileBytes(dir / "stderr.txt")};
}

// The dynamic loader lists (LD_DEBUG=libs) every library it loads: a report
// of a local logfile maps neither libcurl nor the TLS, Kerberos and LDAP
// libraries behind it; a remote logfile loads libcurl; and where libcurl
// cannot be loaded, the run fails with a message that says so.
TEST(CurlLibrary, IsLoadedOnlyByARunThatGoesOnTheNetwork) {
  test::TempDir dir;
  const std::string line =
      "10.1.1.7 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.html HTTP/1.0\" 200 10\n";
  dir.Write("local.log", line);
  fs::create_directories(dir / "root");
  dir.Write("root/access.log", line);
  dir.Write("pw", std::string(test::kFtpPassword) + "\n");
  const std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(dir, dir / "root");
  ASSERT_NE(server->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
  const std::string url = "ftp://127.0.0.1:" + std::to_string(server->port()) + "/access.log";
  const std::string remote =
      "report " + url + " --user " + test::kFtpUser + " --password-file pw -o remote.html";

  const CliRun local = RunCli(dir, "LD_DEBUG=libs", "report local.log -o local.html");
  ASSERT_EQ(local.code, 0) << local.err;
  ASSERT_THAT(local.err, HasSubstr("calling init: ")) << "LD_DEBUG=libs lists nothing";
  for (const char* library : {"libcurl", "libssl", "libgnutls", "libkrb5", "libldap", "libssh"}) {
    EXPECT_THAT(local.err, Not(HasSubstr(library)));
  }
  EXPECT_TRUE(fs::exists(dir / "local.html"));

  const CliRun fetched = RunCli(dir, "LD_DEBUG=libs", remote);
  ASSERT_EQ(fetched.code, 0) << fetched.err;
  EXPECT_THAT(fetched.err, HasSubstr("libcurl.so.4"));
  EXPECT_TRUE(fs::exists(dir / "remote.html"));

  // A file of that name that is no library stands first in the search path.
  dir.Write("broken/libcurl.so.4", "not a shared library\n");
  const CliRun broken = RunCli(dir, "LD_LIBRARY_PATH='" + (dir / "broken").string() + "'", remote);
  EXPECT_EQ(broken.code, 1) << broken.err;
  EXPECT_THAT(broken.err, HasSubstr("Cannot read " + url + ": libcurl.so.4 could not be loaded (" +
                                    (dir / "broken" / "libcurl.so.4").string()));
  EXPECT_THAT(broken.err, HasSubstr("); install Debian package libcurl4\n"));
}

}  // namespace
}  // namespace tlw
