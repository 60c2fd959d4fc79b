#include "net/ftp_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include <algorithm>
#include <atomic>
#include <chrono>
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
using test::TempDir;
using ::testing::AnyOf;
using ::testing::HasSubstr;

constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 40;

// The names in `folder`, sorted.
std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A log of a few thousand lines, large enough to arrive in many pieces.
std::string SomeLog(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    text += "10.0.0." + std::to_string(i % 250) + " - - [01/Mar/2024:10:00:00 +0000] \"GET /page" +
            std::to_string(i) + ".html HTTP/1.1\" 200 " + std::to_string(1000 + i) + "\r\n";
  }
  return text;
}

FtpServer At(std::string address) {
  FtpServer server;
  server.server = std::move(address);
  return server;
}

std::string ReadAll(RemoteFile& file) {
  std::string bytes;
  char chunk[7000];
  while (std::size_t got = file.Read(chunk, sizeof chunk)) bytes.append(chunk, got);
  return bytes;
}

// One server per case: plain FTP in passive and active mode, and FTP over
// TLS with a throwaway certificate that the client is told to trust.
struct Mode {
  const char* name;
  bool tls;
  bool passive;
};

class FtpTransferTest : public testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    fs::create_directories(root_);
    if (GetParam().tls) {
      cert_ = test::MakeCertificate(work_);
      ASSERT_FALSE(cert_.empty()) << "openssl could not make a certificate";
    }
    server_ = test::StartFtpServer(work_, root_, cert_);
    ASSERT_NE(server_->port(), 0) << "pyftpdlib did not start (scripts/install-deps.sh)";
    login_.server = std::string(GetParam().tls ? "ftps://" : "") +
                    "127.0.0.1:" + std::to_string(server_->port());
    login_.user = test::kFtpUser;
    login_.password = test::kFtpPassword;
    login_.passive = GetParam().passive;
    login_.caFile = cert_.empty() ? "" : cert_;
  }

  TempDir work_;
  fs::path root_ = work_ / "root";
  std::string cert_;
  std::unique_ptr<test::ServerProcess> server_;
  FtpServer login_;
  StopRequested never_ = [] { return false; };
};

TEST_P(FtpTransferTest, ReadsListsFetchesAndPublishes) {
  const std::string log = SomeLog(5000);
  std::ofstream(root_ / "access.log", std::ios::binary) << log;
  fs::create_directories(root_ / "logs" / "old.log");  // a folder that matches
  std::ofstream(root_ / "logs" / "a.log") << "a\n";
  std::ofstream(root_ / "logs" / "b.log") << "b\n";
  std::ofstream(root_ / "logs" / "c.txt") << "c\n";

  Result<std::unique_ptr<RemoteFile>> file = RemoteFile::Open(login_, "access.log", never_);
  ASSERT_TRUE(file.ok()) << file.message();
  EXPECT_EQ(ReadAll(**file), log);
  EXPECT_FALSE((*file)->Failed()) << (*file)->Error();

  Result<std::vector<std::string>> listed = ListMatches(login_, "logs/*.log", never_);
  ASSERT_TRUE(listed.ok()) << listed.message();
  std::vector<std::string> names = *listed;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"logs/a.log", "logs/b.log"}));
  listed = ListMatches(login_, "logs/?.log", never_);
  ASSERT_TRUE(listed.ok()) << listed.message();
  EXPECT_EQ(listed->size(), 2U);

  const fs::path fetched = work_ / "fetched.log";
  ASSERT_TRUE(GetFile(login_, "access.log", fetched.string(), never_, kNoLimit).ok());
  EXPECT_EQ(test::ReadFileBytes(fetched), log);
  // A second fetch keeps the local copy.
  EXPECT_FALSE(GetFile(login_, "logs/a.log", fetched.string(), never_, kNoLimit).ok());
  EXPECT_EQ(test::ReadFileBytes(fetched), log);

  ASSERT_TRUE(CreateFolder(login_, "site/stats/images", never_).ok());
  ASSERT_TRUE(CreateFolder(login_, "site/stats", never_).ok()) << "an existing folder is fine";
  EXPECT_TRUE(fs::is_directory(root_ / "site" / "stats" / "images"));
  ASSERT_TRUE(PutFile(login_, fetched.string(), "site/stats/report.html", never_).ok());
  EXPECT_EQ(test::ReadFileBytes(root_ / "site" / "stats" / "report.html"), log);
  // A new upload replaces the file through a rename, and leaves nothing else.
  ASSERT_TRUE(
      PutFile(login_, (root_ / "logs" / "a.log").string(), "site/stats/report.html", never_).ok());
  EXPECT_EQ(test::ReadFileBytes(root_ / "site" / "stats" / "report.html"), "a\n");
  EXPECT_EQ(FolderNames(root_ / "site" / "stats"),
            (std::vector<std::string>{"images", "report.html"}));
}

// An upload that breaks off (stopped here as soon as anything changes on
// the server) leaves the old file whole.
TEST_P(FtpTransferTest, BrokenUploadLeavesTheOldFileWhole) {
  fs::create_directories(root_ / "site");
  std::ofstream(root_ / "site" / "report.html") << "old report";
  const std::string large = SomeLog(100000);
  std::ofstream(work_ / "new.html", std::ios::binary) << large;
  const StopRequested serverChanged = [this] {
    return FolderNames(root_ / "site") != std::vector<std::string>{"report.html"} ||
           test::ReadFileBytes(root_ / "site" / "report.html") != "old report";
  };
  EXPECT_FALSE(
      PutFile(login_, (work_ / "new.html").string(), "site/report.html", serverChanged).ok());
  EXPECT_EQ(test::ReadFileBytes(root_ / "site" / "report.html"), "old report");
  ASSERT_TRUE(PutFile(login_, (work_ / "new.html").string(), "site/report.html", never_).ok());
  EXPECT_EQ(test::ReadFileBytes(root_ / "site" / "report.html"), large);
}

TEST_P(FtpTransferTest, FailuresNameServerAndFileButNeverThePassword) {
  std::ofstream(root_ / "cut.log", std::ios::binary) << SomeLog(20000);

  FtpServer wrong = login_;
  wrong.password = "wrong-Password";
  Result<std::unique_ptr<RemoteFile>> refused = RemoteFile::Open(wrong, "cut.log", never_);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("127.0.0.1"), std::string::npos) << refused.message();
  EXPECT_NE(refused.message().find("cut.log"), std::string::npos) << refused.message();
  EXPECT_EQ(refused.message().find("wrong-Password"), std::string::npos) << refused.message();

  // The reason is the failure's, not a text libcurl wrote on its way (in
  // active mode, about the data port) and went on.
  Result<std::unique_ptr<RemoteFile>> missing = RemoteFile::Open(login_, "absent.log", never_);
  ASSERT_FALSE(missing.ok());
  EXPECT_THAT(missing.message(), AnyOf(HasSubstr("does not exist"), HasSubstr("not found")));

  // The server drops the connection halfway: the reader ends as failed.
  Result<std::unique_ptr<RemoteFile>> cut = RemoteFile::Open(login_, "cut.log", never_);
  if (cut.ok()) {
    const std::string got = ReadAll(**cut);
    EXPECT_TRUE((*cut)->Failed()) << "read " << got.size() << " bytes and called it whole";
    EXPECT_EQ((*cut)->Error().find(test::kFtpPassword), std::string::npos);
  }

  EXPECT_FALSE(PutFile(wrong, (root_ / "cut.log").string(), "x.log", never_).ok());
  EXPECT_FALSE(fs::exists(root_ / "x.log"));
}

TEST_P(FtpTransferTest, StopEndsTheTransferWithinASecond) {
  std::ofstream(root_ / "big.log", std::ios::binary) << SomeLog(200000);
  std::atomic<bool> stop{false};
  Result<std::unique_ptr<RemoteFile>> file =
      RemoteFile::Open(login_, "big.log", [&stop] { return stop.load(); });
  ASSERT_TRUE(file.ok()) << file.message();
  char chunk[100];
  ASSERT_GT((*file)->Read(chunk, sizeof chunk), 0U);
  stop = true;
  const auto start = std::chrono::steady_clock::now();
  std::size_t after = 0;
  while (std::size_t got = (*file)->Read(chunk, sizeof chunk)) after += got;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_LT(after, 200000U * 60U) << "the whole file arrived after the stop";
  EXPECT_FALSE((*file)->Failed());
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpTransferTest,
                         // Active FTP over TLS lists and moves files as
                         // passive does, also where libcurl cannot do active
                         // mode over TLS.
                         testing::Values(Mode{"Passive", false, true}, Mode{"Active", false, false},
                                         Mode{"TlsPassive", true, true},
                                         Mode{"TlsActive", true, false}),
                         [](const testing::TestParamInfo<Mode>& param) {
                           return param.param.name;
                         });

TEST(FtpsTrust, UnknownCertificateFailsNamingTheHost) {
  TempDir work;
  fs::create_directories(work / "root");
  std::ofstream(work / "root" / "a.log") << "a\n";
  const std::string cert = test::MakeCertificate(work);
  ASSERT_FALSE(cert.empty());
  std::unique_ptr<test::ServerProcess> server = test::StartFtpServer(work, work / "root", cert);
  ASSERT_NE(server->port(), 0);
  FtpServer login = At("ftps://127.0.0.1:" + std::to_string(server->port()));
  login.user = test::kFtpUser;
  login.password = test::kFtpPassword;
  Result<std::unique_ptr<RemoteFile>> file = RemoteFile::Open(login, "a.log", {});
  ASSERT_FALSE(file.ok());
  EXPECT_NE(file.message().find("the certificate of 127.0.0.1 could not be verified"),
            std::string::npos)
      << file.message();
}

TEST(Sftp, ReadsListsAndPublishesByHostKeyAndLogin) {
  TempDir work;
  std::unique_ptr<test::ServerProcess> server = test::StartSftpServer(work);
  ASSERT_NE(server->port(), 0) << "sshd did not start (openssh-server)";
  fs::create_directories(work / "root" / "logs");
  const std::string log = SomeLog(3000);
  std::ofstream(work / "root" / "logs" / "a.log", std::ios::binary) << log;
  std::ofstream(work / "root" / "logs" / "b.txt") << "b\n";
  FtpServer login = At("sftp://127.0.0.1:" + std::to_string(server->port()));
  login.user = ::getpwuid(::geteuid())->pw_name;
  login.homeFolder = work.path().string();
  const std::string root = (work / "root").string();

  Result<std::unique_ptr<RemoteFile>> file = RemoteFile::Open(login, root + "/logs/a.log", {});
  ASSERT_TRUE(file.ok()) << file.message();
  EXPECT_EQ(ReadAll(**file), log);
  Result<std::vector<std::string>> listed = ListMatches(login, root + "/logs/*.log", {});
  ASSERT_TRUE(listed.ok()) << listed.message();
  EXPECT_EQ(*listed, std::vector<std::string>{root + "/logs/a.log"});
  // A publishing pass: its folders and files over one login.
  const int loginsBefore = test::SftpLogins(work);
  {
    FtpSession session(login);
    ASSERT_TRUE(CreateFolder(session, root + "/site/images", {}).ok());
    ASSERT_TRUE(PutFile(session, (work / "root" / "logs" / "b.txt").string(),
                        root + "/site/images/b.txt", {})
                    .ok());
    EXPECT_EQ(test::ReadFileBytes(work / "root" / "site" / "images" / "b.txt"), "b\n");
    // OpenSSH renames over no file: the old one goes first.
    ASSERT_TRUE(PutFile(session, (work / "root" / "logs" / "a.log").string(),
                        root + "/site/images/b.txt", {})
                    .ok());
  }
  EXPECT_EQ(test::SftpLogins(work) - loginsBefore, 1);
  EXPECT_EQ(test::ReadFileBytes(work / "root" / "site" / "images" / "b.txt"), log);
  EXPECT_EQ(FolderNames(work / "root" / "site" / "images"), std::vector<std::string>{"b.txt"});

  // A host key that is not the one known is refused, naming the host.
  const std::string other = (work / "otherkey").string();
  ASSERT_EQ(std::system(("ssh-keygen -q -t ecdsa -b 256 -N '' -f '" + other + "'").c_str()), 0);
  std::string otherKey = test::ReadFileBytes(other + ".pub");
  otherKey = otherKey.substr(0, otherKey.find(' ', otherKey.find(' ') + 1));
  std::ofstream(work / "other_hosts")
      << "[127.0.0.1]:" << server->port() << ' ' << otherKey << '\n';
  login.knownHosts = (work / "other_hosts").string();
  Result<std::unique_ptr<RemoteFile>> refused = RemoteFile::Open(login, root + "/logs/a.log", {});
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("127.0.0.1"), std::string::npos) << refused.message();
}

// The keys SFTP offers a stock OpenSSH server: the user's own in OpenSSH's
// order (one refused, the next taken), a key file the settings name, and
// the keys of an ssh agent.
TEST(Sftp, LogsInWithTheUsersKeysANamedKeyOrTheAgent) {
  TempDir work;
  std::unique_ptr<test::ServerProcess> server = test::StartSftpServer(work);
  ASSERT_NE(server->port(), 0) << "sshd did not start (openssh-server)";
  ::unsetenv("SSH_AUTH_SOCK");
  const fs::path authorised = work / "keys" / "site_key";
  fs::create_directories(work / "keys");
  fs::rename(work / ".ssh" / "id_ed25519", authorised);
  const std::string stranger = (work / "keys" / "stranger").string();
  ASSERT_EQ(std::system(("ssh-keygen -q -t ed25519 -N '' -f '" + stranger + "'").c_str()), 0);
  const fs::path home = work / "home";
  fs::create_directories(home / ".ssh");
  fs::copy_file(work / ".ssh" / "known_hosts", home / ".ssh" / "known_hosts");
  FtpServer login = At("sftp://127.0.0.1:" + std::to_string(server->port()));
  login.user = ::getpwuid(::geteuid())->pw_name;
  login.homeFolder = home.string();
  const auto logsIn = [&] { return ListMatches(login, (work / "*.none").string(), {}); };

  const Result<std::vector<std::string>> none = logsIn();
  ASSERT_FALSE(none.ok());
  EXPECT_THAT(none.message(), HasSubstr("127.0.0.1 refused the login of user"));

  fs::copy_file(stranger, home / ".ssh" / "id_ed25519");
  fs::copy_file(authorised, home / ".ssh" / "id_ecdsa");
  EXPECT_TRUE(logsIn().ok()) << logsIn().message();
  fs::remove(home / ".ssh" / "id_ecdsa");
  EXPECT_FALSE(logsIn().ok());

  login.keyFile = authorised.string();
  EXPECT_TRUE(logsIn().ok()) << logsIn().message();
  login.keyFile.clear();

  const auto agent = test::StartSshAgent(work, authorised.string());
  ASSERT_NE(agent->port(), 0) << "ssh-agent did not start (openssh-client)";
  ::setenv("SSH_AUTH_SOCK", (work / "agent.sock").c_str(), 1);
  const Result<std::vector<std::string>> byAgent = logsIn();
  ::unsetenv("SSH_AUTH_SOCK");
  EXPECT_TRUE(byAgent.ok()) << byAgent.message();
}

// A server that sends without end neither fills the memory with a listing
// nor the disk with a download: each is cut off at its bound, named.
TEST(EndlessServer, ListingAndDownloadStopAtTheirBounds) {
  TempDir work;
  fs::create_directories(work / "root");
  std::ofstream(work / "root" / "logs.gz") << "x";
  const auto server = test::StartStallingFtpServer(work, work / "root", "endless");
  ASSERT_NE(server->port(), 0);
  FtpServer login = At("127.0.0.1:" + std::to_string(server->port()));
  login.silenceSeconds = 2;
  const auto start = std::chrono::steady_clock::now();
  // Without a bound, a few seconds would have been some gigabytes.
  const StopRequested late = [start] {
    return std::chrono::steady_clock::now() - start > std::chrono::seconds(4);
  };

  const Result<std::vector<std::string>> listed = ListMatches(login, "*.log", late);
  ASSERT_FALSE(listed.ok());
  EXPECT_THAT(listed.message(), HasSubstr("ftp://127.0.0.1:"));
  EXPECT_THAT(listed.message(), HasSubstr("passed 4 MB"));

  const fs::path copy = work / "logs.gz";
  const Status fetched = GetFile(login, "logs.gz", copy.string(), late, 1'000'000);
  ASSERT_FALSE(fetched.ok());
  EXPECT_THAT(fetched.message(), HasSubstr("ftp://127.0.0.1:"));
  EXPECT_THAT(fetched.message(), HasSubstr("larger than the limit of 1 MB"));
  EXPECT_FALSE(fs::exists(copy)) << "the partial copy stays";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST(ServerAddress, ShowsSchemeHostAndPathWithoutLogin) {
  const FtpServer plain = At("example.com");
  EXPECT_EQ(ServerAddress(plain, "logs/a.log"), "ftp://example.com/logs/a.log");
  const FtpServer secure = At("FTPS://example.com:2121/");
  EXPECT_EQ(ServerAddress(secure, "/var/a.log"), "ftps://example.com:2121/var/a.log");
  const FtpServer sftp = At("sftp://example.com");
  EXPECT_EQ(ServerAddress(sftp, "a.log"), "sftp://example.com/a.log");
}

}  // namespace
}  // namespace tlw
