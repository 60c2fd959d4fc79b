#include "logs/logfile_fingerprint.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "logs/gzip_byte_source.h"

namespace tlw {
namespace {

// Decompressed content is digested in chunks of this size.
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

std::string SystemReason(int error) { return std::generic_category().message(error); }

// Reads up to `count` bytes at `offset`, stopping early only at the end of
// the file; the count read, or -1 with errno set.
ssize_t PreadFully(int fd, char* dest, std::size_t count, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, dest + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// The bytes of an open file from its start, read at an offset of its own:
// the descriptor's offset, at which the caller may be reading, stays put.
class PreadByteSource final : public ByteSource {
 public:
  explicit PreadByteSource(int fd) : fd_(fd) {}

  std::size_t Read(char* dest, std::size_t capacity) override {
    if (ended_) return 0;
    const ssize_t got = PreadFully(fd_, dest, capacity, offset_);
    if (got > 0) {
      offset_ += static_cast<std::uint64_t>(got);
      return static_cast<std::size_t>(got);
    }
    ended_ = true;
    if (got < 0) {
      end_.kind = SourceEnd::Kind::Failed;
      end_.message = SystemReason(errno);
    }
    return 0;
  }
  const SourceEnd& End() const override { return end_; }

 private:
  int fd_;
  std::uint64_t offset_ = 0;
  SourceEnd end_;
  bool ended_ = false;
};

// A descriptor opened here, closed with this object.
class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  OwnedFd(OwnedFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_ = -1;
};

// A logfile opened by name, or why not. `why` continues a sentence that
// names the file ("... is a directory"); empty when the file is open.
struct OpenedFile {
  OwnedFd fd;
  struct stat info {};
  bool gone = false;
  std::string why;
};

std::string NotRegular(mode_t mode) {
  return S_ISDIR(mode) ? "is a directory" : "is not a regular file";
}

// Opens `name` as LocalLogfile does: a "\" is read as "/", and anything but
// a regular file is refused before it is opened (opening a device may
// already have an effect, and a pipe would block the reads).
OpenedFile OpenRegular(const std::string& name) {
  OpenedFile opened;
  const std::string path = LocalPath(name);
  if (::stat(path.c_str(), &opened.info) != 0) {
    opened.gone = errno == ENOENT || errno == ENOTDIR;
    opened.why = "cannot be opened: " + SystemReason(errno);
    return opened;
  }
  if (!S_ISREG(opened.info.st_mode)) {
    opened.why = NotRegular(opened.info.st_mode);
    return opened;
  }
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    opened.gone = errno == ENOENT || errno == ENOTDIR;
    opened.why = "cannot be opened: " + SystemReason(errno);
    return opened;
  }
  opened.fd = OwnedFd(fd);
  if (::fstat(fd, &opened.info) != 0) {
    opened.why = "cannot be read: " + SystemReason(errno);
  } else if (!S_ISREG(opened.info.st_mode)) {
    opened.why = NotRegular(opened.info.st_mode);
  }
  return opened;
}

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

std::int64_t ModifiedOf(const struct stat& info) {
  constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNanosPerSecond +
         static_cast<std::int64_t>(info.st_mtim.tv_nsec);
}

// Whether the file starts with the gzip magic bytes, as LocalLogfile tells
// a compressed file (by content, whatever its name); the message continues
// the file's name on failure.
Result<bool> IsGzip(int fd) {
  std::array<char, 2> magic{};
  if (PreadFully(fd, magic.data(), magic.size(), 0) < 0) {
    return Status::Error("cannot be read: " + SystemReason(errno));
  }
  return magic[0] == '\x1f' && magic[1] == '\x8b';
}

// The XXH3 digest of the bytes [begin, end) of a stream fed in order.
class RangeDigest {
 public:
  RangeDigest(std::uint64_t begin, std::uint64_t end) : begin_(begin), end_(end) {
    XXH3_64bits_reset(&state_);
  }
  // Takes the part of the `count` bytes at stream offset `offset` that lies
  // in the range.
  void Add(std::uint64_t offset, const char* bytes, std::size_t count) {
    const std::uint64_t from = std::max(offset, begin_);
    const std::uint64_t to = std::min(offset + count, end_);
    if (from < to) XXH3_64bits_update(&state_, bytes + (from - offset), to - from);
  }
  std::uint64_t Digest() const { return XXH3_64bits_digest(&state_); }

 private:
  std::uint64_t begin_;
  std::uint64_t end_;
  XXH3_state_t state_{};
};

// What reading the first `counted` content bytes of a file found.
struct ContentDigests {
  enum class End {
    kCounted,      // all of them were there: both digests are set
    kTooShort,     // the content ended after `held` bytes
    kHeadDiffers,  // stopped after the head: it was not the one expected
  };
  End end = End::kCounted;
  std::uint64_t head = 0;
  std::uint64_t tail = 0;
  std::uint64_t held = 0;
  bool more = false;  // content follows the counted bytes
};

std::uint64_t HeadEnd(std::uint64_t counted) { return std::min(counted, kDigestBytes); }
std::uint64_t TailStart(std::uint64_t counted) {
  return counted > kDigestBytes ? counted - kDigestBytes : 0;
}

// A plain file: the head and the tail are read where they lie.
Result<ContentDigests> DigestPlain(int fd, std::uint64_t counted,
                                   std::optional<std::uint64_t> expectedHead) {
  ContentDigests digests;
  std::array<char, kDigestBytes> buffer{};
  const auto readAt = [&](std::uint64_t begin, std::uint64_t end) -> Result<bool> {
    const ssize_t got = PreadFully(fd, buffer.data(), end - begin, begin);
    if (got < 0) return Status::Error("cannot be read: " + SystemReason(errno));
    if (static_cast<std::uint64_t>(got) < end - begin) {
      digests.end = ContentDigests::End::kTooShort;
      digests.held = begin + static_cast<std::uint64_t>(got);
      return false;
    }
    return true;
  };
  Result<bool> whole = readAt(0, HeadEnd(counted));
  if (!whole.ok()) return whole.status();
  if (!*whole) return digests;
  digests.head = XXH3_64bits(buffer.data(), HeadEnd(counted));
  if (expectedHead && digests.head != *expectedHead) {
    digests.end = ContentDigests::End::kHeadDiffers;
    return digests;
  }
  whole = readAt(TailStart(counted), counted);
  if (!whole.ok()) return whole.status();
  if (!*whole) return digests;
  digests.tail = XXH3_64bits(buffer.data(), counted - TailStart(counted));
  char next = 0;
  const ssize_t got = PreadFully(fd, &next, 1, counted);
  if (got < 0) return Status::Error("cannot be read: " + SystemReason(errno));
  digests.more = got == 1;
  return digests;
}

// A gzip file: decompressed from its start, the head first on its own so
// that a head that differs stops the work there.
Result<ContentDigests> DigestGzip(int fd, const std::string& name, std::uint64_t counted,
                                  std::optional<std::uint64_t> expectedHead) {
  ContentDigests digests;
  GzipByteSource content(std::make_unique<PreadByteSource>(fd), name);
  std::vector<char> buffer(kChunkBytes);
  RangeDigest head(0, HeadEnd(counted));
  RangeDigest tail(TailStart(counted), counted);
  std::uint64_t position = 0;
  // Reads on to `end`; false when the content ends before it.
  const auto readTo = [&](std::uint64_t end) -> Result<bool> {
    while (position < end) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), end - position));
      const std::size_t got = content.Read(buffer.data(), want);
      if (got == 0) {
        const SourceEnd& sourceEnd = content.End();
        if (sourceEnd.kind == SourceEnd::Kind::Failed) {
          return Status::Error("cannot be read: " + sourceEnd.message);
        }
        if (sourceEnd.kind == SourceEnd::Kind::Damaged) {
          return Status::Error("is damaged: its compressed data breaks off or is invalid after " +
                               std::to_string(position) + " bytes");
        }
        digests.end = ContentDigests::End::kTooShort;
        digests.held = position;
        return false;
      }
      head.Add(position, buffer.data(), got);
      tail.Add(position, buffer.data(), got);
      position += got;
    }
    return true;
  };
  Result<bool> whole = readTo(HeadEnd(counted));
  if (!whole.ok()) return whole.status();
  if (!*whole) return digests;
  digests.head = head.Digest();
  if (expectedHead && digests.head != *expectedHead) {
    digests.end = ContentDigests::End::kHeadDiffers;
    return digests;
  }
  whole = readTo(counted);
  if (!whole.ok()) return whole.status();
  if (!*whole) return digests;
  digests.tail = tail.Digest();
  char next = 0;
  digests.more = content.Read(&next, 1) == 1;
  return digests;
}

// The digests of the first `counted` content bytes; on failure the message
// continues the file's name ("cannot be read: ...").
Result<ContentDigests> DigestContent(int fd, const std::string& name, bool compressed,
                                     std::uint64_t counted,
                                     std::optional<std::uint64_t> expectedHead = std::nullopt) {
  if (compressed) return DigestGzip(fd, name, counted, expectedHead);
  return DigestPlain(fd, counted, expectedHead);
}

Status Failed(const std::string& name, const std::string& why) {
  return Status::Error("Local logfile (" + name + ") " + why);
}

LogfileFingerprint FingerprintOf(const struct stat& info, const std::string& name, bool compressed,
                                 std::uint64_t bytesRead, std::uint64_t head, std::uint64_t tail) {
  LogfileFingerprint print;
  print.name = name;
  print.identity = IdentityOf(info);
  print.compressed = compressed;
  print.fileSize = static_cast<std::uint64_t>(info.st_size);
  print.modified = ModifiedOf(info);
  print.bytesRead = bytesRead;
  print.headDigest = head;
  print.tailDigest = tail;
  return print;
}

Result<LogfileFingerprint> FingerprintStat(int fd, const struct stat& info, const std::string& name,
                                           std::uint64_t bytesRead) {
  const Result<bool> compressed = IsGzip(fd);
  if (!compressed.ok()) return Failed(name, compressed.message());
  const Result<ContentDigests> digests = DigestContent(fd, name, *compressed, bytesRead);
  if (!digests.ok()) return Failed(name, digests.message());
  if (digests->end == ContentDigests::End::kTooShort) {
    return Failed(name, "holds " + std::to_string(digests->held) + " bytes" +
                            (*compressed ? " once decompressed" : "") + ", fewer than the " +
                            std::to_string(bytesRead) + " bytes counted from it");
  }
  return FingerprintOf(info, name, *compressed, bytesRead, digests->head, digests->tail);
}

}  // namespace

Result<LogfileFingerprint> FingerprintLogfile(const std::string& name, std::uint64_t bytesRead) {
  const OpenedFile opened = OpenRegular(name);
  if (opened.gone) return Status::Error("Local logfile (" + name + ") not found!");
  if (!opened.why.empty()) return Failed(name, opened.why);
  return FingerprintStat(opened.fd.Get(), opened.info, name, bytesRead);
}

Result<LogfileFingerprint> FingerprintOpenLogfile(int fd, const std::string& name,
                                                  std::uint64_t bytesRead) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Failed(name, "cannot be read: " + SystemReason(errno));
  if (!S_ISREG(info.st_mode)) return Failed(name, NotRegular(info.st_mode));
  return FingerprintStat(fd, info, name, bytesRead);
}

Result<LogfileFingerprint> FingerprintReadLogfile(int fd, const std::string& name,
                                                  const ContentEdges& edges) {
  static_assert(ContentEdges::kEdgeBytes == kDigestBytes);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Failed(name, "cannot be read: " + SystemReason(errno));
  const Result<bool> compressed = IsGzip(fd);
  if (!compressed.ok()) return Failed(name, compressed.message());
  return FingerprintOf(info, name, *compressed, edges.Length(),
                       XXH3_64bits(edges.Head().data(), edges.Head().size()),
                       XXH3_64bits(edges.Tail().data(), edges.Tail().size()));
}

LogfileComparison CompareLogfile(const LogfileFingerprint& saved) {
  const std::string& name = saved.name;
  const std::string counted = std::to_string(saved.bytesRead);
  const auto is = [&](LogfileChange change, std::uint64_t size, const std::string& clause) {
    return LogfileComparison{change, size, "the logfile " + name + " " + clause};
  };
  const OpenedFile opened = OpenRegular(name);
  if (opened.gone) return is(LogfileChange::kGone, 0, "is gone");
  if (!opened.why.empty()) return is(LogfileChange::kUnreadable, 0, opened.why);
  const int fd = opened.fd.Get();
  const auto size = static_cast<std::uint64_t>(opened.info.st_size);
  if (IdentityOf(opened.info) != saved.identity) {
    return is(LogfileChange::kReplaced, size, "was replaced by another file");
  }
  const Result<bool> compressed = IsGzip(fd);
  if (!compressed.ok()) return is(LogfileChange::kUnreadable, size, compressed.message());
  // A gzip file is written once: the same size and time and the same first
  // bytes are taken for the same content without decompressing it all.
  if (saved.compressed && *compressed && size == saved.fileSize &&
      ModifiedOf(opened.info) == saved.modified) {
    const Result<ContentDigests> head =
        DigestContent(fd, name, true, std::min(saved.bytesRead, kDigestBytes));
    if (head.ok() && head->end == ContentDigests::End::kCounted && head->head == saved.headDigest) {
      return is(LogfileChange::kUnchanged, size, "has not changed");
    }
  }
  if (!*compressed && size < saved.bytesRead) {
    return is(LogfileChange::kTruncated, size,
              "was truncated to " + std::to_string(size) + " bytes, fewer than the " + counted +
                  " bytes counted before");
  }
  const Result<ContentDigests> digests =
      DigestContent(fd, name, *compressed, saved.bytesRead, saved.headDigest);
  if (!digests.ok()) return is(LogfileChange::kUnreadable, size, digests.message());
  if (digests->end == ContentDigests::End::kTooShort) {
    return is(LogfileChange::kTruncated, size,
              "now holds " + std::to_string(digests->held) + " bytes" +
                  (*compressed ? " once decompressed" : "") + ", fewer than the " + counted +
                  " bytes counted before");
  }
  if (digests->end == ContentDigests::End::kHeadDiffers || digests->tail != saved.tailDigest) {
    return is(LogfileChange::kRewritten, size,
              "was rewritten: its first " + counted + " bytes are not those counted before");
  }
  if (digests->more) return is(LogfileChange::kGrown, size, "grew after the bytes counted before");
  return is(LogfileChange::kUnchanged, size, "has not changed");
}

bool HoldsCountedContent(const std::string& name, const LogfileFingerprint& saved) {
  const OpenedFile opened = OpenRegular(name);
  if (!opened.why.empty()) return false;
  const Result<bool> compressed = IsGzip(opened.fd.Get());
  if (!compressed.ok()) return false;
  const Result<ContentDigests> digests =
      DigestContent(opened.fd.Get(), name, *compressed, saved.bytesRead, saved.headDigest);
  return digests.ok() && digests->end == ContentDigests::End::kCounted &&
         digests->head == saved.headDigest && digests->tail == saved.tailDigest;
}

bool IsGzipLogfile(const std::string& name) {
  const OpenedFile opened = OpenRegular(name);
  if (opened.gone || !opened.why.empty()) return false;
  const Result<bool> compressed = IsGzip(opened.fd.Get());
  return compressed.ok() && *compressed;
}

}  // namespace tlw
