#include "logs/local_logfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
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

// The bytes read ahead to look for the gzip magic, then the rest of the
// stream they came from.
class ReadAheadByteSource final : public ByteSource {
 public:
  ReadAheadByteSource(std::string readAhead, int fd, std::string name)
      : readAhead_(std::move(readAhead)), rest_(fd, std::move(name)) {}

  std::size_t Read(char* dest, std::size_t capacity) override {
    if (given_ < readAhead_.size()) {
      const std::size_t count = std::min(capacity, readAhead_.size() - given_);
      std::memcpy(dest, readAhead_.data() + given_, count);
      given_ += count;
      return count;
    }
    return rest_.Read(dest, capacity);
  }
  const SourceEnd& End() const override { return rest_.End(); }

 private:
  std::string readAhead_;
  std::size_t given_ = 0;
  PlainByteSource rest_;
};

// Keeps the edges of the bytes read (ContentEdges) on their way.
class EdgeKeepingByteSource final : public ByteSource {
 public:
  EdgeKeepingByteSource(std::unique_ptr<ByteSource> bytes, std::shared_ptr<ContentEdges> edges)
      : bytes_(std::move(bytes)), edges_(std::move(edges)) {}
  std::size_t Read(char* dest, std::size_t capacity) override {
    const std::size_t got = bytes_->Read(dest, capacity);
    edges_->Add(dest, got);
    return got;
  }
  const SourceEnd& End() const override { return bytes_->End(); }

 private:
  std::unique_ptr<ByteSource> bytes_;
  std::shared_ptr<ContentEdges> edges_;
};

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
                           bool compressed, std::unique_ptr<ByteSource> bytes)
    : fd_(fd),
      name_(std::move(name)),
      size_(size),
      identity_(identity),
      compressed_(compressed),
      lines_(std::make_unique<LineReader>(std::move(bytes))) {}

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
  std::unique_ptr<ByteSource> bytes;
  std::shared_ptr<ContentEdges> edges;
  if (compressed) {
    edges = std::make_shared<ContentEdges>();
    bytes =
        std::make_unique<EdgeKeepingByteSource>(std::make_unique<GzipByteSource>(fd, name), edges);
  } else {
    bytes = std::make_unique<PlainByteSource>(fd, name);
  }
  auto file = std::unique_ptr<LocalLogfile>(
      new LocalLogfile(fd, name, size, identity, compressed, std::move(bytes)));
  file->edges_ = std::move(edges);
  return file;
}

Result<std::unique_ptr<LocalLogfile>> LocalLogfile::OpenStandardInput() {
  const std::string name(kStandardInputName);
  if (::isatty(STDIN_FILENO) != 0) {
    return Status::Error(
        "Standard input is a terminal: pipe a logfile into it (zcat "
        "access.log.gz | tallowick-cli report -)");
  }
  // A copy of its own, closed with this object; standard input stays open.
  const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) return CannotOpen(name, errno);
  // A pipe cannot be read twice: the magic bytes are read ahead and handed
  // on before the rest.
  std::string readAhead(2, '\0');
  std::size_t got = 0;
  while (got < readAhead.size()) {
    const ssize_t count = ::read(fd, readAhead.data() + got, readAhead.size() - got);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      const int error = errno;
      ::close(fd);
      return Status::Error("Error reading logfile " + name + ": " +
                           std::generic_category().message(error));
    }
    if (count == 0) break;
    got += static_cast<std::size_t>(count);
  }
  readAhead.resize(got);
  const bool compressed = readAhead == "\x1f\x8b";
  std::unique_ptr<ByteSource> bytes =
      std::make_unique<ReadAheadByteSource>(std::move(readAhead), fd, name);
  if (compressed) bytes = std::make_unique<GzipByteSource>(std::move(bytes), name);
  return std::unique_ptr<LocalLogfile>(
      new LocalLogfile(fd, name, 0, FileIdentity{}, compressed, std::move(bytes)));
}

Result<std::unique_ptr<LocalLogfile>> LocalLogfile::Part(std::uint64_t from,
                                                         std::uint64_t to) const {
  if (compressed_ || from > to) {
    return Status::Error("Local logfile (" + name_ + ") cannot be read from the middle");
  }
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) return CannotOpen(name_, errno);
  return std::unique_ptr<LocalLogfile>(new LocalLogfile(
      fd, name_, size_, identity_, false, std::make_unique<PlainByteSource>(fd, name_, from, to)));
}

Result<std::uint64_t> LocalLogfile::CompleteLinesEnd(std::uint64_t from) const {
  // Read backwards a block at a time: the last line end is near the end.
  constexpr std::uint64_t kBlock = 64 * 1024;
  std::string block;
  for (std::uint64_t end = size_; end > from;) {
    const std::uint64_t start = end - std::min(kBlock, end - from);
    block.resize(static_cast<std::size_t>(end - start));
    std::size_t got = 0;
    while (got < block.size()) {
      const ssize_t count =
          ::pread(fd_, block.data() + got, block.size() - got, static_cast<off_t>(start + got));
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) {
        return Status::Error("Error reading logfile " + name_ + ": " +
                             std::generic_category().message(errno));
      }
      if (count == 0) break;
      got += static_cast<std::size_t>(count);
    }
    // A file cut shorter meanwhile: the bytes that are still there count.
    const std::size_t newline = std::string_view(block.data(), got).rfind('\n');
    if (newline != std::string_view::npos) return start + newline + 1;
    end = start;
  }
  return from;
}

Result<bool> LocalLogfile::HasLineEnds(std::uint64_t end, int count) const {
  constexpr std::size_t kBlock = 64 * 1024;
  std::string block(kBlock, '\0');
  for (std::uint64_t at = 0; at < end && count > 0;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, end - at));
    const ssize_t got = ::pread(fd_, block.data(), want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      return Status::Error("Error reading logfile " + name_ + ": " +
                           std::generic_category().message(errno));
    }
    if (got == 0) break;
    for (ssize_t i = 0; i < got && count > 0; ++i)
      count -= block[static_cast<std::size_t>(i)] == '\n';
    at += static_cast<std::uint64_t>(got);
  }
  return count <= 0;
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
