#include "logs/local_logfile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logs/gzip_byte_source.h"
#include "logs/plain_byte_source.h"

namespace tlw {
namespace {

bool StartsWithGzipMagic(int fd) {
  unsigned char magic[2] = {0, 0};
  ssize_t got = 0;
  do {
    got = ::pread(fd, magic, sizeof magic, 0);
  } while (got < 0 && errno == EINTR);
  return got == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

Status NotFound(const std::string& name) {
  return Status::Error("Local logfile (" + name + ") not found!");
}

// What a file that is not a regular file is, for the message that refuses
// it.
const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "of an unknown kind";
}

// Only regular files are logfiles. A named pipe or a device could block a
// read for ever (a pipe without a writer) or never end.
Status RefuseIfNotRegular(const std::string& name, mode_t mode) {
  if (S_ISREG(mode)) return Status::Ok();
  if (S_ISDIR(mode)) return Status::Error("Local logfile (" + name + ") is a directory!");
  return Status::Error("Local logfile (" + name + ") is not a regular file: it is " + KindOf(mode) +
                       "!");
}

Status CannotOpen(const std::string& name, int error) {
  return Status::Error("Local logfile (" + name +
                       ") cannot be opened: " + std::generic_category().message(error));
}

}  // namespace

std::string LocalPath(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

LocalLogfile::LocalLogfile(int fd, std::string name, std::uint64_t size, FileIdentity identity,
                           bool compressed)
    : fd_(fd), name_(std::move(name)), size_(size), identity_(identity), compressed_(compressed) {
  std::unique_ptr<ByteSource> bytes;
  if (compressed_) {
    bytes = std::make_unique<GzipByteSource>(fd_, name_);
  } else {
    bytes = std::make_unique<PlainByteSource>(fd_, name_);
  }
  lines_ = std::make_unique<LineReader>(std::move(bytes));
}

LocalLogfile::~LocalLogfile() { ::close(fd_); }

Result<std::unique_ptr<LocalLogfile>> LocalLogfile::Open(const std::string& name) {
  const std::string path = LocalPath(name);
  // Refused before opening: opening a device may already have an effect.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return NotFound(name);
    return CannotOpen(name, errno);
  }
  if (Status refused = RefuseIfNotRegular(name, info.st_mode); !refused.ok()) return refused;
  // Non-blocking, so that a file replaced by a pipe since the check cannot
  // block the open; checked again on what was opened.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return NotFound(name);
    return CannotOpen(name, errno);
  }
  Status refused =
      ::fstat(fd, &info) == 0 ? RefuseIfNotRegular(name, info.st_mode) : CannotOpen(name, errno);
  // Reads of a regular file then block as usual (on a network file system
  // a non-blocking read may fail where a blocking one waits).
  if (refused.ok()) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      refused = CannotOpen(name, errno);
    }
  }
  if (!refused.ok()) {
    ::close(fd);
    return refused;
  }
  const auto size = static_cast<std::uint64_t>(info.st_size);
  const bool compressed = StartsWithGzipMagic(fd);
  const FileIdentity identity{static_cast<std::uint64_t>(info.st_dev),
                              static_cast<std::uint64_t>(info.st_ino)};
  return std::unique_ptr<LocalLogfile>(new LocalLogfile(fd, name, size, identity, compressed));
}

bool LocalLogfile::ReadLine(std::span<char>& line) {
  if (lines_->ReadLine(line)) return true;
  if (ended_) return false;
  ended_ = true;
  end_ = lines_->End();
  if (end_.kind == SourceEnd::Kind::Damaged) {
    end_.message += "; reading stopped after line " + std::to_string(lines_->LinesRead()) +
                    ", and the lines before it were counted.";
  }
  return false;
}

}  // namespace tlw
