#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <string>

namespace tlw {
namespace {

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

// A character device (/dev/null, /dev/stdout, a terminal) takes the bytes
// as they are: there is no old file to keep, and a temporary file renamed
// over it would replace the device node itself.
Status WriteToDevice(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Status::Error(Describe("cannot open", path, errno));
  int error = WriteAll(fd, bytes) ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return Status::Error(Describe("cannot write", path, error));
  return Status::Ok();
}

}  // namespace

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  // Only a regular file (or nothing) may be replaced; a link is followed to
  // see what it names.
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    if (S_ISCHR(existing.st_mode)) return WriteToDevice(path, bytes);
    return Status::Error("cannot replace " + path.string() + ": it is not a regular file");
  }
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Status::Error(Describe("cannot create a file in", folder, errno));

  int error = 0;
  const char* action = "cannot write";
  if (::fchmod(fd, mode) != 0) {
    error = errno;
    action = "cannot set permissions on";
  } else if (!WriteAll(fd, bytes)) {
    error = errno;
  } else if (::fsync(fd) != 0) {
    error = errno;
    action = "cannot flush";
  }
  // A failed close can be the first report of a full disk.
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    action = "cannot replace";
  }
  if (error != 0) {
    ::unlink(temp.c_str());
    return Status::Error(Describe(action, path, error));
  }
  // Make the rename itself durable.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return Status::Ok();
}

}  // namespace tlw
