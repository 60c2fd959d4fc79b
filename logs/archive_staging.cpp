#include "logs/archive_staging.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tlw {
namespace {

constexpr std::array<std::string_view, 3> kArchiveMarkers{".ZIP", ".GZ", ".GZIP"};
constexpr mode_t kPrivateFolderMode = 0700;

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  // The reentrant look-up: several runs may stage archives at once.
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> text{};
  if (getpwuid_r(getuid(), &entry, text.data(), text.size(), &found) == 0 && found != nullptr &&
      entry.pw_dir != nullptr) {
    return entry.pw_dir;
  }
  return std::filesystem::temp_directory_path();
}

std::filesystem::path CacheFolder() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && *cache == '/') {
    return cache;
  }
  return HomeFolder() / ".cache";
}

// mkdir with the private mode; an existing folder is fine.
Status MakeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), kPrivateFolderMode) == 0 || errno == EEXIST) return Status::Ok();
  return Status::Error("Cannot create the staging folder " + folder.string() + ": " +
                       std::generic_category().message(errno));
}

}  // namespace

bool NamesArchive(std::string_view logfileSetting) {
  std::string upper(logfileSetting);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const std::string_view marker : kArchiveMarkers) {
    if (upper.find(marker) != std::string::npos) return true;
  }
  return false;
}

std::filesystem::path StagingFolder(int listIndex) {
  return CacheFolder() / "tallowick" / "staging" / std::to_string(listIndex);
}

Result<std::filesystem::path> CreateStagingFolder(int listIndex) {
  const std::filesystem::path folder = StagingFolder(listIndex);
  std::error_code ignored;
  // The cache folder itself is the user's and may be shared with other
  // programs: create it if need be, but only our own folders are private.
  std::filesystem::create_directories(folder.parent_path().parent_path().parent_path(), ignored);
  for (const std::filesystem::path& step :
       {folder.parent_path().parent_path(), folder.parent_path(), folder}) {
    if (Status status = MakeFolder(step); !status.ok()) return status;
  }
  return folder;
}

}  // namespace tlw
