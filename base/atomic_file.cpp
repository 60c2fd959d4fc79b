#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tlw {
namespace {

// Bytes gathered before they go to the file.
constexpr std::size_t kBufferSize = 1 << 16;

std::string Describe(const std::string& action, const std::filesystem::path& path, int error) {
  return action + " " + path.string() + ": " + std::strerror(error);
}

// Writes all of `bytes`, retrying on short writes and signals.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path path, mode_t mode, Durability durability)
    : path_(std::move(path)),
      folder_(path_.has_parent_path() ? path_.parent_path() : std::filesystem::path(".")),
      temp_((folder_ / ("." + path_.filename().string() + ".XXXXXX")).string()),
      durability_(durability) {
  // Only a regular file (or nothing) is replaced; a link is followed to see
  // what it names. A character device (/dev/null, a terminal) takes the
  // bytes as they are: there is no old file to keep, and a temporary file
  // renamed over it would replace the device node itself.
  struct stat existing {};
  if (::stat(path_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    temp_.clear();
    if (!S_ISCHR(existing.st_mode)) {
      failure_ = Status::Error("cannot replace " + path_.string() + ": it is not a regular file");
      return;
    }
    device_ = true;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) Fail("cannot open", errno);
    buffer_.reserve(kBufferSize);
    return;
  }
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) {
    failure_ = Status::Error(Describe("cannot create a file in", folder_, errno));
    temp_.clear();
    return;
  }
  if (::fchmod(fd_, mode) != 0) Fail("cannot set permissions on", errno);
  buffer_.reserve(kBufferSize);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFileWriter::Fail(const char* action, int error) {
  if (failure_.ok()) failure_ = Status::Error(Describe(action, path_, error));
}

bool AtomicFileWriter::FlushBuffer() {
  if (!failure_.ok()) return false;
  if (!WriteAll(fd_, buffer_)) {
    Fail("cannot write", errno);
    return false;
  }
  buffer_.clear();
  return true;
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (!failure_.ok()) return;
  if (buffer_.size() + bytes.size() > kBufferSize) {
    if (!FlushBuffer()) return;
    if (bytes.size() >= kBufferSize) {
      if (!WriteAll(fd_, bytes)) Fail("cannot write", errno);
      return;
    }
  }
  buffer_.append(bytes);
}

Status AtomicFileWriter::Commit() {
  if (failure_.ok() && FlushBuffer() && !device_ && durability_ == Durability::kFlushed &&
      ::fsync(fd_) != 0) {
    Fail("cannot flush", errno);
  }
  if (fd_ >= 0) {
    // A failed close can be the first report of a full disk.
    if (::close(fd_) != 0) Fail("cannot write", errno);
    fd_ = -1;
  }
  if (!failure_.ok() || device_) return failure_;
  if (::rename(temp_.c_str(), path_.c_str()) != 0) {
    Fail("cannot replace", errno);
    return failure_;
  }
  temp_.clear();
  if (durability_ == Durability::kFlushed) {
    // Make the rename itself durable.
    const int dirFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
      ::fsync(dirFd);
      ::close(dirFd);
    }
  }
  return Status::Ok();
}

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode,
                           Durability durability) {
  AtomicFileWriter writer(path, mode, durability);
  writer.Write(bytes);
  return writer.Commit();
}

}  // namespace tlw
