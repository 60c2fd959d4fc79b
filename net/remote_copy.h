#pragma once

#include <cstdint>
#include <string>

#include "base/result.h"
#include "net/ftp_client.h"

namespace tlw {

// How UpdateRemoteCopy brought a local copy up to date.
struct RemoteCopyUpdate {
  // The whole file was fetched: there was no copy, or it could not be
  // continued.
  bool fetchedAnew = false;
  // New bytes written to the copy (the overlap not counted).
  std::uint64_t bytesFetched = 0;
  // When fetched anew although a copy existed: why, one clause naming the
  // file on the server ("ftp://host/path is shorter than the copy").
  std::string why;
};

// The bytes before the end of a copy that a resumed download fetches again
// to see that the server's file still holds what the copy holds there.
inline constexpr std::uint64_t kRemoteCopyOverlap = 4096;

// Brings `localPath`, a copy of `remotePath` made by an earlier call (or
// none yet), up to date. A copy of N bytes is continued: the download
// resumes at N less kRemoteCopyOverlap, the overlap must equal the copy's
// last bytes, and the bytes after it are appended (the copy keeps its
// inode). When the server does not resume, the overlap differs, or the
// server's file is shorter than the copy, or there is no copy, the whole
// file is fetched into a temporary file beside the copy that replaces it
// once complete. A new copy is readable by the user alone. Fails, naming the
// file on the server and why, when the connection, the login, the file, the
// local disk or its bound (as GetFile applies `maxBytes`) fails or `stop`
// asks: the copy is then left as it was.
Result<RemoteCopyUpdate> UpdateRemoteCopy(const FtpServer& server, const std::string& remotePath,
                                          const std::string& localPath, const StopRequested& stop,
                                          std::uint64_t maxBytes);

}  // namespace tlw
