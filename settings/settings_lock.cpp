#include "settings/settings_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <string>

namespace tlw {

SettingsLock& SettingsLock::operator=(SettingsLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void SettingsLock::Release() {
  // Closing the only descriptor of the open file ends its flock.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Result<SettingsLock> LockSettingsFile(const std::filesystem::path& directory) {
  const std::filesystem::path path = directory / kSettingsLockFileName;
  // Non-blocking, so that a pipe in the lock file's place cannot hold the
  // open; it is refused below. A link is never followed: the lock file is
  // only ever ours, and a link planted in its place would have us create or
  // open a file of the link's choosing.
  constexpr int kFlags = O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0600);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    fd = ::open(path.c_str(), O_RDONLY | kFlags);
    if (fd < 0 && errno != ELOOP) return SettingsLock();
  }
  if (fd < 0 && errno == ELOOP) {
    return Status::Error("lock file " + path.string() +
                         " is a symbolic link; remove it, and the lock file is made again");
  }
  if (fd < 0)
    return Status::Error("cannot open lock file " + path.string() + ": " + std::strerror(errno));
  SettingsLock lock(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return Status::Error("lock file " + path.string() + " is not a regular file");
  }
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    return Status::Error("cannot lock " + path.string() + ": " + std::strerror(errno));
  }
  return lock;
}

}  // namespace tlw
