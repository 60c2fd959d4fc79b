#pragma once

#include <filesystem>
#include <string_view>

#include "base/result.h"

namespace tlw {

// Whether a logfile setting names a compressed archive: its upper-cased
// text contains ".ZIP", ".GZ" or ".GZIP" anywhere.
bool NamesArchive(std::string_view logfileSetting);

// The private folder where archives fetched for a run are staged:
// "tallowick/staging" under the user's cache folder (UserFolders::cache),
// one sub-folder per site row.
std::filesystem::path StagingFolder(const std::filesystem::path& cacheFolder, int listIndex);

// Creates the staging folder of the site in row `listIndex` and its parents
// with mode 0700 (existing folders are fine). Fails with the folder and the
// reason; the run ignores the failure, as a local archive needs no copy.
Result<std::filesystem::path> CreateStagingFolder(const std::filesystem::path& cacheFolder,
                                                  int listIndex);

}  // namespace tlw
