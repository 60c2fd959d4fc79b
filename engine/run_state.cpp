#include "engine/run_state.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/private_folders.h"
#include "stats/counting_archive.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tlw {
namespace {

constexpr std::array<char, 8> kMagic = {'T', 'L', 'W', 'S', 'T', 'A', 'T', 'E'};
// Raise when the header's layout changes; the counting has its own number.
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::uint64_t kMaxFiles = 1 << 20;

// Writes (Archive = StateWriter, `files` const) or reads the logfiles, in
// one function so that the two take the same fields in the same order.
template <typename Archive, typename Files>
void LogfileFields(Archive& io, Files& files) {
  if constexpr (Archive::kReading) {
    files.resize(io.Size(kMaxFiles, 64));
  } else {
    io.Size(files.size());
  }
  for (auto& saved : files) {
    auto& file = saved.file;
    io.Text(file.name);
    io.Value(file.identity.device);
    io.Value(file.identity.inode);
    io.Value(file.compressed);
    io.Value(file.fileSize);
    io.Value(file.modified);
    io.Value(file.bytesRead);
    io.Value(file.headDigest);
    io.Value(file.tailDigest);
    io.Value(saved.format);
  }
}

void SaveParse(const ParseState& parse, StateWriter& out) {
  out.Value(parse.lineCounter);
  out.Vector(parse.w3cFields.Actions());
  out.Value(parse.period);
}

void LoadParse(ParseState& parse, StateReader& in) {
  in.Value(parse.lineCounter);
  std::vector<W3cFieldAction> actions;
  in.Vector(actions, 1 << 16);
  parse.w3cFields.Restore(std::move(actions));
  in.Value(parse.period);
}

}  // namespace

std::filesystem::path RunStatePath(const std::filesystem::path& cacheFolder,
                                   std::string_view siteKey) {
  char name[40];
  std::snprintf(name, sizeof name, "site-%016llx.state",
                static_cast<unsigned long long>(XXH3_64bits(siteKey.data(), siteKey.size())));
  return cacheFolder / "tallowick" / "state" / name;
}

Status SaveRunState(const std::filesystem::path& path, const RunStateHeader& header,
                    const ParseState& parse, const SiteStatistics& statistics) {
  if (!path.is_absolute()) {
    return Status::Error("Cannot save the state in " + path.string() +
                         ": the cache folder is not an absolute path");
  }
  // The cache folder is the user's and may be shared with other programs;
  // only our own folders are private.
  if (Status made = MakePrivateFolders(path.parent_path(), 2, "state"); !made.ok()) return made;
  // Not flushed: a state lost in a crash only costs the next run its
  // speed, and a file damaged by one is told by its digest.
  AtomicFileWriter file(path, FileAccess::kOwnerOnly, Durability::kReplaceOnly);
  StateWriter out(file);
  out.Bytes(kMagic.data(), kMagic.size());
  out.Value(kFormatVersion);
  out.Value(CountingArchiveLayout());
  out.Value(header.settingsDigest);
  LogfileFields(out, header.files);
  LogfileFields(out, header.history);
  out.Value(header.linesRead);
  out.Value(header.filesRead);
  SaveParse(parse, out);
  SaveCounting(statistics, out);
  out.Seal();
  return file.Commit();
}

Result<std::unique_ptr<RunStateFile>> RunStateFile::Open(const std::filesystem::path& path) {
  Result<std::unique_ptr<StateReader>> reader = StateReader::Open(path.string());
  if (!reader.ok()) return reader.status();
  StateReader& in = **reader;
  std::array<char, 8> magic{};
  std::uint32_t version = 0;
  std::uint64_t layout = 0;
  in.Bytes(magic.data(), magic.size());
  if (!in.ok() || magic != kMagic) {
    return Status::Error("The saved state " + path.string() +
                         " is not a state file of this program");
  }
  in.Value(version);
  in.Value(layout);
  if (version != kFormatVersion || layout != CountingArchiveLayout()) {
    return Status::Error("The saved state " + path.string() +
                         " was written by another version of the program");
  }
  auto file = std::unique_ptr<RunStateFile>(new RunStateFile(std::move(*reader)));
  RunStateHeader& header = file->header_;
  in.Value(header.settingsDigest);
  LogfileFields(in, header.files);
  LogfileFields(in, header.history);
  in.Value(header.linesRead);
  in.Value(header.filesRead);
  if (!in.ok()) return Status::Error("The saved state " + path.string() + " is damaged");
  return file;
}

bool RunStateFile::LoadCounting(ParseState& parse, SiteStatistics& statistics) {
  LoadParse(parse, *reader_);
  if (tlw::LoadCounting(statistics, *reader_) && reader_->Sealed()) return true;
  parse = ParseState{};
  statistics.Prepare();
  return false;
}

Result<std::filesystem::path> RemoteCopyFolder(const std::filesystem::path& statePath) {
  const std::filesystem::path copies = statePath.parent_path().parent_path() / "copies";
  const std::filesystem::path folder = copies / statePath.stem();
  if (Status made = MakePrivateFolders(folder, 3, "copies"); !made.ok()) return made;
  return folder;
}

std::filesystem::path RemoteCopyPath(const std::filesystem::path& folder,
                                     std::string_view remoteName) {
  char name[40];
  std::snprintf(name, sizeof name, "%016llx.log",
                static_cast<unsigned long long>(XXH3_64bits(remoteName.data(), remoteName.size())));
  return folder / name;
}

void RemoveOtherCopies(const std::filesystem::path& folder, const std::vector<std::string>& kept) {
  std::error_code error;
  std::vector<std::filesystem::path> other;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (std::find(kept.begin(), kept.end(), entry.path().string()) == kept.end()) {
      other.push_back(entry.path());
    }
  }
  for (const std::filesystem::path& path : other) std::filesystem::remove(path, error);
}

RunStateLock::~RunStateLock() {
  if (fd_ >= 0) ::close(fd_);
}

RunStateLock& RunStateLock::operator=(RunStateLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

RunStateLock TryLockRunState(const std::filesystem::path& statePath) {
  if (!MakePrivateFolders(statePath.parent_path(), 2, "state").ok()) return RunStateLock();
  const std::string lockPath = statePath.string() + ".lock";
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return RunStateLock();
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return RunStateLock();
  }
  return RunStateLock(fd);
}

bool RunStateMissing(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

void SetAsideRunState(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::rename(path, path.string() + ".damaged", ignored);
}

}  // namespace tlw
