#pragma once

#include <sys/types.h>
#include <filesystem>
#include <string_view>

#include "base/result.h"

namespace tlw {

// Writes `bytes` to `path` so that the file is either the old one or the
// complete new one: the data goes to a temporary file in the same folder, is
// flushed to disk, and is then renamed over `path`. `mode` gives the new
// file's permissions. Fails with a message naming the file and the reason;
// on failure the old file is untouched and no temporary file is left.
// A character device named by `path` (/dev/null) is written as it is; any
// other existing path that is not a regular file (a folder, a FIFO, a
// block device) is refused.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           mode_t mode = 0644);

}  // namespace tlw
