#include "support/test_servers.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/paths.h"

extern char** environ;

namespace tlw::test {

ServerProcess::ServerProcess(const std::vector<std::string>& argv,
                             const std::filesystem::path& portFile) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    pid_ = -1;
    return;
  }
  for (int i = 0; i < 200 && port_ == 0; ++i) {
    std::ifstream in(portFile);
    if (!(in >> port_)) port_ = 0;
    if (port_ == 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

ServerProcess::~ServerProcess() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

std::unique_ptr<ServerProcess> StartFtpServer(const TempDir& work, const std::filesystem::path& root,
                             const std::string& certPem) {
  const std::filesystem::path portFile = work / (certPem.empty() ? "ftp.port" : "ftps.port");
  std::vector<std::string> argv = {"/usr/bin/python3",
                                   std::string(TLW_SOURCE_DIR) + "/tests/net/ftp_server.py",
                                   root.string(),
                                   portFile.string(),
                                   kFtpUser,
                                   kFtpPassword};
  if (!certPem.empty()) argv.push_back(certPem);
  return std::make_unique<ServerProcess>(argv, portFile);
}

std::string MakeCertificate(const TempDir& work) {
  const std::string key = (work / "key.pem").string();
  const std::string cert = (work / "cert.pem").string();
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
      " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
      key + "' -out '" + cert + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  const std::string both = (work / "server.pem").string();
  std::ofstream out(both);
  out << ReadFileBytes(cert) << ReadFileBytes(key);
  return out ? both : std::string();
}

}  // namespace tlw::test
