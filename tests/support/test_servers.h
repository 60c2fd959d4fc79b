#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tlw::test {

// A server program run for one test on 127.0.0.1: started with a file
// where it writes the free port it listens on, stopped at the end.
class ServerProcess {
 public:
  // Starts `argv` (argv[0] a full path) and waits up to ten seconds for
  // `portFile`; port() is 0 when the server did not come up.
  ServerProcess(const std::vector<std::string>& argv, const std::filesystem::path& portFile);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// Binds the socket `fd` to a port of 127.0.0.1 that the system picks and
// returns that port (0 when it could not bind).
int BindLoopback(int fd);

// A port on 127.0.0.1 that nothing listened on a moment ago.
int FreeLoopbackPort();

inline constexpr const char* kFtpUser = "tester";
inline constexpr const char* kFtpPassword = "s3cret-Pw";

// Debian's pyftpdlib serving `root`; FTPS (explicit TLS) when `certPem` is
// given (certificate and key in one file).
std::unique_ptr<ServerProcess> StartFtpServer(const TempDir& work,
                                              const std::filesystem::path& root,
                                              const std::string& certPem = "");

// How many logins the server of StartFtpServer(work, ...) has accepted.
int FtpLogins(const TempDir& work);

// tests/net/stalling_ftp_server.py serving the files of `root` and failing
// as `mode` says (mid-file, mid-list, no-reply, mid-upload, refuse-mkd).
std::unique_ptr<ServerProcess> StartStallingFtpServer(const TempDir& work,
                                                      const std::filesystem::path& root,
                                                      const std::string& mode);

// A web server of fixed pages (tests/net/http_server.py lists them); https
// when `certPem` is given.
std::unique_ptr<ServerProcess> StartHttpServer(const TempDir& work,
                                               const std::string& certPem = "");

// OpenSSH's sshd with its default settings serving SFTP on a free port as
// the current user, with a throwaway ed25519 host key. It writes the client
// key `work`/.ssh/id_ed25519 (`work` serves as the home folder), its public
// half as the one authorised key, and `work`/.ssh/known_hosts.
std::unique_ptr<ServerProcess> StartSftpServer(const TempDir& work);

// How many logins the server of StartSftpServer(work) has accepted.
int SftpLogins(const TempDir& work);

// An ssh-agent holding the private key `key`, listening on
// `work`/agent.sock (for SSH_AUTH_SOCK).
std::unique_ptr<ServerProcess> StartSshAgent(const TempDir& work, const std::string& key);

// Debian's aiosmtpd as a hosted submission server, requiring a login over
// TLS (user kFtpUser, password kFtpPassword): `mode` "starttls" (STARTTLS
// first, as on port 587) or "tls" (TLS on connect, as on port 465), with the
// certificate and key of `certPem`; mail accepted goes into `maildir`.
std::unique_ptr<ServerProcess> StartSmtpServer(const TempDir& work, const std::string& mode,
                                               const std::string& certPem,
                                               const std::filesystem::path& maildir);

// Writes a throwaway certificate for 127.0.0.1 and its key into one PEM
// file in `work` and returns its path; empty when openssl failed.
std::string MakeCertificate(const TempDir& work);

}  // namespace tlw::test
