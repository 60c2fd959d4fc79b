#include "logs/archive_staging.h"

#include <array>
#include <cerrno>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace tlw {
namespace {

constexpr std::array<std::string_view, 3> kArchiveMarkers{".ZIP", ".GZ", ".GZIP"};
constexpr mode_t kPrivateFolderMode = 0700;

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

std::filesystem::path StagingFolder(const std::filesystem::path& cacheFolder, int listIndex) {
  return cacheFolder / "tallowick" / "staging" / std::to_string(listIndex);
}

Result<std::filesystem::path> CreateStagingFolder(const std::filesystem::path& cacheFolder,
                                                  int listIndex) {
  // A relative folder would stage into whatever folder the process is in.
  if (!cacheFolder.is_absolute()) {
    return Status::Error("Cannot create the staging folder: the cache folder \"" +
                         cacheFolder.string() + "\" is not an absolute path");
  }
  const std::filesystem::path folder = StagingFolder(cacheFolder, listIndex);
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
