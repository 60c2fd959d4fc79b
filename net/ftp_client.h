#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace tlw {

// A file server as a profile names it, with the login for it. `server` is a
// host name ("host" or "host:port") for plain FTP, or "ftps://host[:port]"
// for FTP over TLS (explicit, AUTH TLS on the FTP port) or
// "sftp://host[:port]" for SFTP. The password is used for the login only
// and never appears in a message.
struct FtpServer {
  std::string server;
  std::string user;
  std::string password;
  bool passive = true;
  // Certificates of FTPS servers are verified against the system's
  // authorities, or against this file of PEM certificates when set.
  std::string caFile;
  // The user's home folder: SFTP offers its ~/.ssh keys (id_ed25519,
  // id_ecdsa, id_rsa, in that order) and checks host keys against its
  // ~/.ssh/known_hosts. Given by the caller; nothing here reads $HOME.
  std::string homeFolder;
  // An SSH private key offered before those of the home folder.
  std::string keyFile;
  // Host keys of SFTP servers are checked against this OpenSSH known-hosts
  // file; empty means the home folder's .ssh/known_hosts.
  std::string knownHosts;
  // Seconds allowed to open the connection, and of silence (no reply, no
  // data in either direction) after which the server is taken as gone.
  long connectSeconds = 30;
  long silenceSeconds = 60;
};

// Asked about once every 100 ms during a transfer; true stops it.
using StopRequested = std::function<bool()>;

// The address of `path` on `server` as a user recognises it, without user
// or password: "ftp://host/path", "ftps://..." or "sftp://...".
std::string ServerAddress(const FtpServer& server, const std::string& path);

// A remote file read as it arrives, over a connection of its own: the
// bytes are handed on in pieces as the server sends them, never the whole
// file at once and never through a temporary copy.
class RemoteFile {
 public:
  // Connects, logs in and starts the download of `path` (relative to the
  // login folder unless it starts with "/"). Fails, with a message naming
  // the server and the file, when the server cannot be reached, refuses
  // the login or the file, or its certificate or host key is not trusted.
  static Result<std::unique_ptr<RemoteFile>> Open(const FtpServer& server, const std::string& path,
                                                  StopRequested stop);
  ~RemoteFile();
  RemoteFile(const RemoteFile&) = delete;
  RemoteFile& operator=(const RemoteFile&) = delete;

  // Fills up to `capacity` bytes of `dest`; 0 at the end of the file, of
  // the connection, or when stopped. Failed() then tells whether the
  // transfer broke off.
  std::size_t Read(char* dest, std::size_t capacity);
  // The bytes received and not yet read, which after Open() are the start
  // of the file (empty for an empty file): enough to tell a gzip file.
  std::string_view Waiting() const;
  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  struct Transfer;
  RemoteFile();
  // Runs the transfer until bytes are waiting or it has ended.
  void Pump();

  std::unique_ptr<Transfer> transfer_;
  std::string error_;
};

// The most bytes of a folder listing read: some 50,000 names.
inline constexpr std::size_t kListingByteLimit = std::size_t{4} << 20;

// The files (not folders) of the folder of `pattern` whose names match its
// last component ("*" and "?" wildcards), each as the folder part of
// `pattern` followed by the name, in the order the server lists them.
// Fails, naming the server, when the listing fails or passes
// kListingByteLimit.
Result<std::vector<std::string>> ListMatches(const FtpServer& server, const std::string& pattern,
                                             const StopRequested& stop);

// Free space that a download leaves on the local disk.
inline constexpr std::uint64_t kFreeSpaceKept = std::uint64_t{64} << 20;

// Downloads `remotePath` to `localPath`; fails without touching an
// existing local file. A file that passes `maxBytes`, or the free space of
// the local disk less kFreeSpaceKept, is not copied: the partial copy is
// removed and the message says which bound it met.
Status GetFile(const FtpServer& server, const std::string& remotePath, const std::string& localPath,
               const StopRequested& stop, std::uint64_t maxBytes);

// How a download into an open file ended.
struct Download {
  enum class End {
    Complete,  // the server's file was received to its end
    NoResume,  // the server refused to start past the beginning
    PastEnd,   // the server's file ends before the offset asked for
    Differs,   // the bytes received did not start with those expected
    TooLarge,  // the local file would have passed its bound
    Failed,    // the connection, the login, the file, the local disk, or a stop
  };
  End end = End::Complete;
  std::uint64_t compared = 0;  // bytes received and found equal to those expected
  std::uint64_t written = 0;   // bytes written to the file
  // TooLarge: the bound met ("the limit of 1 MB"); Failed: why, naming the
  // host but never the password.
  std::string reason;
};

// Downloads `remotePath` from byte `from` on (FTP REST, an SFTP seek) and
// writes it at the end of the open file `fd`. The first bytes received are
// compared with `expected` instead of written, and the download stops at
// the first that differs. The file grows to at most `maxBytes` and never
// past the free space of its disk less kFreeSpaceKept. Bytes written stay
// written whatever the end: the caller removes or truncates them.
Download DownloadInto(const FtpServer& server, const std::string& remotePath, int fd,
                      std::uint64_t from, std::string_view expected, const StopRequested& stop,
                      std::uint64_t maxBytes);

// One connection to a server for several uploads and folders, as a
// publishing pass makes them: the first operation connects and logs in,
// the others use that connection while it lasts (a broken one is opened
// again by the next operation), so a pass costs one login, one TLS or SSH
// handshake, and one place in a server's per-address connection limit.
class FtpSession {
 public:
  explicit FtpSession(FtpServer server);
  ~FtpSession();
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  const FtpServer& Server() const;
  // Whether the last operation failed in a way that may pass when it is
  // made again: the connection failed or broke, or the server went
  // silent. Not a refused login, a missing file or a stop.
  bool LastFailureTransient() const;

  // The connection's state, which only the operations below use.
  struct Connection;
  Connection& State() { return *connection_; }

 private:
  std::unique_ptr<Connection> connection_;
};

// Uploads `localPath` to `remotePath`, replacing a file of that name: the
// bytes go to "." name ".part" in the same folder, which is renamed over
// the file once complete, so the file is never seen in part. Fails, naming
// the server and the file, when the upload or the rename fails; a broken
// upload leaves the old file as it was.
Status PutFile(FtpSession& session, const std::string& localPath, const std::string& remotePath,
               const StopRequested& stop);
// The same over a connection of its own.
Status PutFile(const FtpServer& server, const std::string& localPath, const std::string& remotePath,
               const StopRequested& stop);

// Creates the folder `remotePath` and any missing folders above it; an
// existing folder is fine.
Status CreateFolder(FtpSession& session, const std::string& remotePath, const StopRequested& stop);
Status CreateFolder(const FtpServer& server, const std::string& remotePath,
                    const StopRequested& stop);

}  // namespace tlw
