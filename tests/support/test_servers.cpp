#include "support/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
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

std::unique_ptr<ServerProcess> StartFtpServer(const TempDir& work,
                                              const std::filesystem::path& root,
                                              const std::string& certPem) {
  const std::filesystem::path portFile = work / (certPem.empty() ? "ftp.port" : "ftps.port");
  std::vector<std::string> argv = {
      "/usr/bin/python3", std::string(TLW_SOURCE_DIR) + "/tests/net/ftp_server.py",
      root.string(),      portFile.string(),
      kFtpUser,           kFtpPassword};
  if (!certPem.empty()) argv.push_back(certPem);
  return std::make_unique<ServerProcess>(argv, portFile);
}

int FtpLogins(const TempDir& work) {
  std::ifstream in(work / "ftp.port.logins");
  int logins = 0;
  for (std::string line; std::getline(in, line);) ++logins;
  return logins;
}

std::unique_ptr<ServerProcess> StartStallingFtpServer(const TempDir& work,
                                                      const std::filesystem::path& root,
                                                      const std::string& mode) {
  const std::filesystem::path portFile = work / ("stalling-" + mode + ".port");
  return std::make_unique<ServerProcess>(
      std::vector<std::string>{"/usr/bin/python3",
                               std::string(TLW_SOURCE_DIR) + "/tests/net/stalling_ftp_server.py",
                               root.string(), portFile.string(), mode},
      portFile);
}

std::unique_ptr<ServerProcess> StartHttpServer(const TempDir& work, const std::string& certPem) {
  const std::filesystem::path portFile = work / (certPem.empty() ? "http.port" : "https.port");
  std::vector<std::string> argv = {"/usr/bin/python3",
                                   std::string(TLW_SOURCE_DIR) + "/tests/net/http_server.py",
                                   portFile.string()};
  if (!certPem.empty()) argv.push_back(certPem);
  return std::make_unique<ServerProcess>(argv, portFile);
}

std::unique_ptr<ServerProcess> StartSmtpServer(const TempDir& work, const std::string& mode,
                                               const std::string& certPem,
                                               const std::filesystem::path& maildir) {
  const std::filesystem::path portFile = work / ("smtp-" + mode + ".port");
  return std::make_unique<ServerProcess>(
      std::vector<std::string>{
          "/usr/bin/python3", std::string(TLW_SOURCE_DIR) + "/tests/mail/smtp_server.py", mode,
          certPem, portFile.string(), maildir.string(), kFtpUser, kFtpPassword},
      portFile);
}

int BindLoopback(int fd) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return 0;
  }
  return ntohs(address.sin_port);
}

// sshd cannot be told to pick a port itself.
int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  const int port = BindLoopback(fd);
  ::close(fd);
  return port;
}

std::unique_ptr<ServerProcess> StartSftpServer(const TempDir& work) {
  const std::string dir = work.path().string();
  std::filesystem::create_directories(work / ".ssh");
  // sshd run by root wants its privilege separation folder.
  if (::geteuid() == 0) std::filesystem::create_directories("/run/sshd");
  const std::string keys = "ssh-keygen -q -t ed25519 -N '' -f '" + dir +
                           "/hostkey' && ssh-keygen -q -t ed25519 -N '' -f '" + dir +
                           "/.ssh/id_ed25519' >/dev/null 2>&1 && cp '" + dir +
                           "/.ssh/id_ed25519.pub' '" + dir + "/.ssh/authorized_keys'";
  const int port = FreeLoopbackPort();
  if (std::system(keys.c_str()) != 0 || port == 0)
    return std::make_unique<ServerProcess>(std::vector<std::string>{"/bin/false"}, work / "none");
  // OpenSSH's own defaults but for what a server in a test folder needs:
  // its port, host key and key list there, and no PAM (no system account
  // set-up). StrictModes is off as the test folder belongs to the test.
  std::ofstream(work / "sshd_config")
      << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << dir
      << "/hostkey\nPidFile none\nAuthorizedKeysFile " << dir
      << "/.ssh/authorized_keys\nStrictModes no\nUsePAM no\nSubsystem sftp internal-sftp\n";
  std::string hostKey = ReadFileBytes(work / "hostkey.pub");
  hostKey = hostKey.substr(0, hostKey.find(' ', hostKey.find(' ') + 1));
  std::ofstream(work / ".ssh" / "known_hosts") << "[127.0.0.1]:" << port << ' ' << hostKey << '\n';
  // sshd writes no port file: a script waits until the port answers.
  const std::string portFile = dir + "/sftp.port";
  // -e with stderr in the file: the file of -E was seen to miss the
  // logins of the connections sshd forks, which SftpLogins counts.
  const std::string script = "/usr/sbin/sshd -D -e -f '" + dir + "/sshd_config' 2>'" + dir +
                             "/sshd.log' & pid=$!; trap 'kill $pid' TERM; for i in $(seq 100); do "
                             "if (exec 3<>/dev/tcp/127.0.0.1/" +
                             std::to_string(port) + ") 2>/dev/null; then echo " +
                             std::to_string(port) + " > '" + portFile +
                             "'; break; fi; sleep 0.05; done; wait $pid";
  return std::make_unique<ServerProcess>(std::vector<std::string>{"/bin/bash", "-c", script},
                                         portFile);
}

int SftpLogins(const TempDir& work) {
  const std::string log = ReadFileBytes(work / "sshd.log");
  int logins = 0;
  for (std::size_t at = log.find("Accepted publickey"); at != std::string::npos;
       at = log.find("Accepted publickey", at + 1)) {
    ++logins;
  }
  return logins;
}

std::unique_ptr<ServerProcess> StartSshAgent(const TempDir& work, const std::string& key) {
  const std::string socket = (work / "agent.sock").string();
  const std::string ready = (work / "agent.ready").string();
  // The agent answers on its socket; ssh-add then gives it the key, and
  // the ready file (read as a "port") says both are done.
  const std::string script = "ssh-agent -D -a '" + socket +
                             "' >/dev/null & pid=$!; trap 'kill $pid' TERM; for i in $(seq 100); "
                             "do [ -S '" +
                             socket +
                             "' ] && break; sleep 0.05; done; "
                             "SSH_AUTH_SOCK='" +
                             socket + "' ssh-add -q '" + key + "' 2>/dev/null && echo 1 > '" +
                             ready + "'; wait $pid";
  return std::make_unique<ServerProcess>(std::vector<std::string>{"/bin/bash", "-c", script},
                                         ready);
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
