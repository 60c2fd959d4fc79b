#include "engine/local_logfile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/gzip_byte_source.h"
#include "engine/plain_byte_source.h"
#include "settings/site_profile.h"

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

}  // namespace

std::string LocalPath(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

LocalLogfile::LocalLogfile(int fd, std::string name, std::uint64_t size, bool compressed)
    : fd_(fd), name_(std::move(name)), size_(size), compressed_(compressed) {
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
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return NotFound(name);
    return Status::Error("Local logfile (" + name +
                         ") cannot be opened: " + std::generic_category().message(errno));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return NotFound(name);
  }
  const auto size = static_cast<std::uint64_t>(info.st_size);
  const bool compressed = StartsWithGzipMagic(fd);
  return std::unique_ptr<LocalLogfile>(new LocalLogfile(fd, name, size, compressed));
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

Result<std::unique_ptr<LocalLogfile>> OpenLocalLogfile(CSiteProfile& profile,
                                                       const std::string& name) {
  Result<std::unique_ptr<LocalLogfile>> file = LocalLogfile::Open(name);
  if (file.ok()) profile.SetLastLogfileSize((*file)->Size());
  return file;
}

}  // namespace tlw
