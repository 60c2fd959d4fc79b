#include "base/device_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tlw {

bool IsDeviceFile(const std::filesystem::path& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) != 0) return false;
  return S_ISCHR(existing.st_mode) || S_ISFIFO(existing.st_mode);
}

// A FIFO opens once a reader has it open, as a shell's redirection does.
DeviceWriter::DeviceWriter(std::filesystem::path path)
    : path_(std::move(path)), fd_(::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY)) {
  if (fd_ < 0) Fail("cannot open", errno);
}

DeviceWriter::~DeviceWriter() {
  if (fd_ >= 0) ::close(fd_);
}

void DeviceWriter::Fail(const char* action, int error) {
  if (failure_.ok()) {
    failure_ =
        Status::Error(std::string(action) + " " + path_.string() + ": " + std::strerror(error));
  }
}

void DeviceWriter::Write(std::string_view bytes) {
  while (failure_.ok() && !bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno != EINTR) Fail("cannot write", errno);
      continue;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

Status DeviceWriter::Commit() {
  if (fd_ >= 0) {
    if (::close(fd_) != 0) Fail("cannot write", errno);
    fd_ = -1;
  }
  return failure_;
}

Status WriteToDevice(const std::filesystem::path& path, std::string_view bytes) {
  DeviceWriter device(path);
  device.Write(bytes);
  return device.Commit();
}

}  // namespace tlw
