#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "base/result.h"
#include "logs/line_source.h"
#include "net/ftp_client.h"

namespace tlw {

class CSiteProfile;

// What the run's transfers share: the FTP mode of the program settings and
// the test that stops a transfer when the run is stopped.
struct RemoteAccess {
  bool passive = false;
  StopRequested stop;
  long connectSeconds = 30;  // FtpServer::connectSeconds
  long silenceSeconds = 60;  // FtpServer::silenceSeconds
  std::string homeFolder;    // FtpServer::homeFolder (~/.ssh)
  std::string sshKeyFile;    // FtpServer::keyFile
  std::string caFile;        // FtpServer::caFile
  int retryPauseMs = 3000;   // before the second try of a failed upload (WithRetries)
};

// The logfile server of `profile` (logFtpServer and its login).
FtpServer LogfileServerOf(const CSiteProfile& profile, const RemoteAccess& access);
// The upload server of `profile` (uploadFtpServer and its login).
FtpServer UploadServerOf(const CSiteProfile& profile, const RemoteAccess& access);

// Opens the remote logfile `name` on the logfile server over a connection
// of its own and reads it line by line as the bytes arrive; a gzip file
// (by its first bytes) is decompressed as it arrives. Fails, naming the
// server and the file, when the connection, the login or the file fails.
Result<std::unique_ptr<LineSource>> OpenRemoteLogfile(const CSiteProfile& profile,
                                                      const std::string& name,
                                                      const RemoteAccess& access);

// The file list ("name|" for each) of a remote logfile setting with
// wildcards: its pattern listed on the logfile server; folders are left
// out.
Result<std::string> ExpandRemoteWildcards(const CSiteProfile& profile, const RemoteAccess& access);

// Fetches the remote archive named by the logfile setting into
// `stagingFolder` under its own name; an existing local file is kept and
// is no failure. Fails, naming the server, the file and the copy, when the
// fetch fails or the archive passes `maxBytes` or the free disk space (the
// partial copy is then removed).
Status FetchRemoteArchive(const CSiteProfile& profile, const std::filesystem::path& stagingFolder,
                          const RemoteAccess& access, std::uint64_t maxBytes);

}  // namespace tlw
