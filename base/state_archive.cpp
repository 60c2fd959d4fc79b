#include "base/state_archive.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tlw {
namespace {

constexpr std::size_t kReadBuffer = std::size_t{1} << 20;

}  // namespace

struct StateWriter::Digest {
  XXH3_state_t state;
};
struct StateReader::Digest {
  XXH3_state_t state;
};

StateWriter::StateWriter(AtomicFileWriter& file) : file_(file), digest_(new Digest) {
  XXH3_64bits_reset(&digest_->state);
}

StateWriter::~StateWriter() = default;

void StateWriter::Bytes(const void* data, std::size_t size) {
  if (size == 0) return;
  XXH3_64bits_update(&digest_->state, data, size);
  file_.Write(std::string_view(static_cast<const char*>(data), size));
  written_ += size;
}

void StateWriter::Seal() {
  const std::uint64_t digest = XXH3_64bits_digest(&digest_->state);
  file_.Write(std::string_view(reinterpret_cast<const char*>(&digest), sizeof digest));
  written_ += sizeof digest;
}

Result<std::unique_ptr<StateReader>> StateReader::Open(const std::string& path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    return Status::Error("The saved state " + path +
                         " cannot be opened: " + std::generic_category().message(errno));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Status::Error("The saved state " + path + " is not a regular file");
  }
  return std::unique_ptr<StateReader>(
      new StateReader(fd, static_cast<std::uint64_t>(info.st_size)));
}

StateReader::StateReader(int fd, std::uint64_t fileSize)
    : fd_(fd),
      fileSize_(fileSize),
      digest_(new Digest),
      buffer_(std::make_unique_for_overwrite<char[]>(kReadBuffer)) {
  XXH3_64bits_reset(&digest_->state);
}

StateReader::~StateReader() { ::close(fd_); }

bool StateReader::Fill() {
  bufferBegin_ = bufferEnd_ = 0;
  while (true) {
    const ssize_t got = ::read(fd_, buffer_.get(), kReadBuffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bufferEnd_ = static_cast<std::size_t>(got);
    return true;
  }
}

bool StateReader::Bytes(void* data, std::size_t size) {
  if (!ok_) {
    if (size != 0) std::memset(data, 0, size);
    return false;
  }
  char* out = static_cast<char*>(data);
  std::size_t left = size;
  while (left > 0) {
    if (bufferBegin_ == bufferEnd_) {
      // A large block goes straight into its place.
      if (left >= kReadBuffer) {
        const ssize_t got = ::read(fd_, out, left);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        XXH3_64bits_update(&digest_->state, out, static_cast<std::size_t>(got));
        out += got;
        left -= static_cast<std::size_t>(got);
        consumed_ += static_cast<std::uint64_t>(got);
        continue;
      }
      if (!Fill()) break;
    }
    const std::size_t count = std::min(left, bufferEnd_ - bufferBegin_);
    std::memcpy(out, buffer_.get() + bufferBegin_, count);
    XXH3_64bits_update(&digest_->state, out, count);
    bufferBegin_ += count;
    out += count;
    left -= count;
    consumed_ += count;
  }
  if (left > 0) {
    ok_ = false;
    std::memset(out, 0, left);
  }
  return ok_;
}

std::uint64_t StateReader::Size(std::uint64_t limit, std::size_t itemSize) {
  std::uint64_t size = 0;
  if (!Value(size)) return 0;
  const std::uint64_t left = fileSize_ - std::min(fileSize_, consumed_);
  if (size > limit || (itemSize != 0 && size > left / itemSize)) {
    ok_ = false;
    return 0;
  }
  return size;
}

bool StateReader::Sealed() {
  if (!ok_) return false;
  const std::uint64_t computed = XXH3_64bits_digest(&digest_->state);
  std::uint64_t stored = 0;
  if (!Bytes(&stored, sizeof stored)) return false;
  return stored == computed && consumed_ == fileSize_;
}

}  // namespace tlw
