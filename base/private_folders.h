#pragma once

#include <filesystem>
#include <string_view>

#include "base/result.h"

namespace tlw {

// Makes `folder` and the `privateLevels - 1` folders above it, each only
// its owner may enter (0700), when they are missing; the folders above
// those are made as any folder of the user's (a cache folder shared with
// other programs). Existing folders are left as they are. Fails with
// "Cannot create the <what> folder <folder>: <reason>".
Status MakePrivateFolders(const std::filesystem::path& folder, int privateLevels,
                          std::string_view what);

}  // namespace tlw
