#include "logs/archive_staging.h"

#include <array>
#include <string>

#include "base/private_folders.h"

namespace tlw {
namespace {

constexpr std::array<std::string_view, 3> kArchiveMarkers{".ZIP", ".GZ", ".GZIP"};

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
  // The cache folder itself is the user's and may be shared with other
  // programs: create it if need be, but only our own folders are private.
  if (Status made = MakePrivateFolders(folder, 3, "staging"); !made.ok()) return made;
  return folder;
}

}  // namespace tlw
