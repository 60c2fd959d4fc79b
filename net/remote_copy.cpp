#include "net/remote_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tlw {
namespace {

// The message of a download that failed; `kept` says what became of the
// local copy when the file met its bound.
std::string FailureOf(const Download& download, const FtpServer& server,
                      const std::string& remotePath, const std::string& localPath,
                      const char* kept) {
  const std::string address = ServerAddress(server, remotePath);
  if (download.end == Download::End::TooLarge) {
    return "Cannot fetch " + address + " to " + localPath + ": the file is larger than " +
           download.reason + "; " + kept;
  }
  return "Cannot fetch " + address + ": " + download.reason;
}

std::string LocalFailure(const FtpServer& server, const std::string& remotePath,
                         const std::string& localPath, const std::string& problem) {
  return "Cannot fetch " + ServerAddress(server, remotePath) + " to " + localPath + ": " + problem +
         " (" + std::strerror(errno) + ")";
}

// The whole file into a temporary file beside the copy, which replaces the
// copy once complete: a transfer that breaks off leaves the old copy whole.
Result<RemoteCopyUpdate> FetchWhole(const FtpServer& server, const std::string& remotePath,
                                    const std::string& localPath, const StopRequested& stop,
                                    std::uint64_t maxBytes, std::string why) {
  std::string temporary = localPath + ".XXXXXX";
  // mkostemp makes the file readable and writable by the user alone.
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    return Status::Error(
        LocalFailure(server, remotePath, localPath, "no file can be made beside the copy"));
  }
  const Download download = DownloadInto(server, remotePath, fd, 0, {}, stop, maxBytes);
  if (download.end != Download::End::Complete) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return Status::Error(
        FailureOf(download, server, remotePath, localPath, "the partial copy was removed"));
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), localPath.c_str()) != 0) {
    const Status failure =
        Status::Error(LocalFailure(server, remotePath, localPath, "the copy cannot be written"));
    ::unlink(temporary.c_str());
    return failure;
  }
  return RemoteCopyUpdate{true, download.written, std::move(why)};
}

}  // namespace

Result<RemoteCopyUpdate> UpdateRemoteCopy(const FtpServer& server, const std::string& remotePath,
                                          const std::string& localPath, const StopRequested& stop,
                                          std::uint64_t maxBytes) {
  // Opened for appending, so the copy keeps its inode and a reader that
  // holds it open sees the new bytes.
  const int fd = ::open(localPath.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT)
    return FetchWhole(server, remotePath, localPath, stop, maxBytes, {});
  if (fd < 0) {
    return Status::Error(LocalFailure(server, remotePath, localPath, "the copy cannot be opened"));
  }
  struct stat copy {};
  if (::fstat(fd, &copy) != 0 || !S_ISREG(copy.st_mode)) {
    const Status failure = Status::Error(
        LocalFailure(server, remotePath, localPath, "the copy is not a readable file"));
    ::close(fd);
    return failure;
  }
  const auto size = static_cast<std::uint64_t>(copy.st_size);
  const std::uint64_t from = size > kRemoteCopyOverlap ? size - kRemoteCopyOverlap : 0;
  std::string tail(size - from, '\0');
  if (::pread(fd, tail.data(), tail.size(), static_cast<off_t>(from)) !=
      static_cast<ssize_t>(tail.size())) {
    const Status failure =
        Status::Error(LocalFailure(server, remotePath, localPath, "the copy cannot be read"));
    ::close(fd);
    return failure;
  }

  const Download download = DownloadInto(server, remotePath, fd, from, tail, stop, maxBytes);
  const std::string address = ServerAddress(server, remotePath);
  std::string why;
  switch (download.end) {
    case Download::End::Complete:
      // A file that ends within the overlap is shorter than the copy.
      if (download.compared < tail.size()) {
        why = address + " is shorter than the copy";
        break;
      }
      if (::close(fd) != 0) {
        const Status failure = Status::Error(
            LocalFailure(server, remotePath, localPath, "the copy cannot be written"));
        (void)::truncate(localPath.c_str(), static_cast<off_t>(size));
        return failure;
      }
      return RemoteCopyUpdate{false, download.written, {}};
    case Download::End::NoResume:
      why = "the server does not resume transfers of " + address;
      break;
    case Download::End::PastEnd:
      why = address + " is shorter than the copy";
      break;
    case Download::End::Differs:
      why = address + " changed before the copy's end";
      break;
    case Download::End::TooLarge:
    case Download::End::Failed:
      // Bytes appended before the failure go again: the copy is left as
      // it was, and the next update resumes where it ended.
      if (download.written > 0) (void)::ftruncate(fd, static_cast<off_t>(size));
      ::close(fd);
      return Status::Error(
          FailureOf(download, server, remotePath, localPath, "the copy was left as it was"));
  }
  if (download.written > 0) (void)::ftruncate(fd, static_cast<off_t>(size));
  ::close(fd);
  return FetchWhole(server, remotePath, localPath, stop, maxBytes, std::move(why));
}

}  // namespace tlw
