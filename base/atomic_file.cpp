#include "base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <optional>
#include <utility>

namespace tlw {
namespace {

// Bytes gathered before they go to the file.
constexpr std::size_t kBufferSize = 1 << 16;

// A temporary file's name: kTemporaryPrefix, kHashDigits hex digits of the
// target name's hash, "-", kRandomCharacters random ones. Its length does
// not depend on the target's, so any name the system allows can be written.
constexpr std::string_view kTemporaryPrefix = ".tlw-";
constexpr std::size_t kHashDigits = 12;
constexpr std::size_t kRandomCharacters = 6;
constexpr std::string_view kRandomAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
// No write takes this long, so a temporary file this old was left by a
// writer that was killed (or lost its machine) before it could remove it.
constexpr std::chrono::seconds kStaleAge = std::chrono::hours(24);
// Links followed before the chain counts as a loop (the kernel's own bound).
constexpr int kMaxLinks = 40;

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

// What the temporary files of the target named `name` begin with. Another
// name of the same folder shares the hash only by a 1 in 2^48 chance.
std::string TemporaryPrefixOf(const std::string& name) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  constexpr std::string_view kHex = "0123456789abcdef";
  std::string prefix(kTemporaryPrefix);
  for (std::size_t digit = 0; digit < kHashDigits; ++digit) {
    prefix += kHex[(hash >> (4 * digit)) & 0xF];
  }
  return prefix + "-";
}

// Removes the temporary files that earlier writers of the same target left
// in `folder`: regular files of this user with the target's prefix, not
// changed for a day. Anything else, and every failure, is left alone: the
// clean-up must never cost the write.
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int dirFd = ::dirfd(dir);
  const std::time_t cutoff = std::time(nullptr) - kStaleAge.count();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + kRandomCharacters || !name.starts_with(prefix)) continue;
    struct stat info {};
    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_mtime > cutoff) continue;
    ::unlinkat(dirFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

// Random characters for a temporary name; a clock and a counter stand in
// when the system has no randomness to give (the open below still refuses
// a name that is taken).
std::string RandomCharacters() {
  unsigned char bytes[kRandomCharacters] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    static std::uint64_t counter = 0;
    std::uint64_t mix =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (++counter << 40) ^ static_cast<std::uint64_t>(::getpid());
    for (unsigned char& byte : bytes) {
      byte = static_cast<unsigned char>(mix);
      mix = (mix >> 8) | (mix << 56);
    }
  }
  std::string text;
  for (const unsigned char byte : bytes) text += kRandomAlphabet[byte % kRandomAlphabet.size()];
  return text;
}

// The file `path` names once its symbolic links are followed; a path that
// is not a link, or does not exist, is its own target. Fails for a link to
// nothing and for a loop, naming the link and where it leads.
Result<std::filesystem::path> FollowLinks(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
      if (hop > 0 && errno == ENOENT) {
        return Status::Error("cannot write " + path.string() + ": it is a link to " +
                             target.string() + ", which does not exist");
      }
      return target;  // a new file, or a failure the create will name
    }
    if (!S_ISLNK(info.st_mode)) return target;
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) return Status::Error("cannot read link " + target.string() + ": " + error.message());
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return Status::Error("cannot write " + path.string() + ": it is one of a loop of links");
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::filesystem::path path, FileAccess access,
                                   Durability durability, LinkPolicy links)
    : path_(std::move(path)), durability_(durability) {
  if (links == LinkPolicy::kFollowLink) {
    Result<std::filesystem::path> target = FollowLinks(path_);
    if (!target.ok()) {
      failure_ = target.status();
      return;
    }
    path_ = std::move(*target);
  }
  folder_ = path_.has_parent_path() ? path_.parent_path() : std::filesystem::path(".");
  // Only a regular file (or nothing) is replaced; a link is followed to see
  // what it names. A character device (/dev/null, a terminal) takes the
  // bytes as they are: there is no old file to keep, and a temporary file
  // renamed over it would replace the device node itself.
  struct stat existing {};
  const bool exists = ::stat(path_.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
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
  CreateTemporary(access, exists ? existing.st_mode & 0777 : std::optional<mode_t>());
}

void AtomicFileWriter::CreateTemporary(FileAccess access, std::optional<mode_t> replacedMode) {
  const std::string prefix = TemporaryPrefixOf(path_.filename().string());
  RemoveStaleTemporaries(folder_, prefix);
  // A new file is created with 0666 for the umask (and a default ACL of the
  // folder) to take from; a file that takes an old one's mode, or a private
  // one, starts private and gets its mode once it is ours.
  const bool privateFirst = replacedMode.has_value() || access == FileAccess::kOwnerOnly;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = (folder_ / (prefix + RandomCharacters())).string();
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                 privateFirst ? 0600 : 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    failure_ = Status::Error(Describe("cannot create a file in", folder_, errno));
    temp_.clear();
    return;
  }
  buffer_.reserve(kBufferSize);
  // The umask may have taken the owner's own bits from a private file.
  const std::optional<mode_t> mode =
      access == FileAccess::kOwnerOnly ? std::optional<mode_t>(0600) : replacedMode;
  if (mode && ::fchmod(fd_, *mode) != 0) Fail("cannot set permissions on", errno);
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

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           FileAccess access, Durability durability, LinkPolicy links) {
  AtomicFileWriter writer(path, access, durability, links);
  writer.Write(bytes);
  return writer.Commit();
}

}  // namespace tlw
