#pragma once

#include <sys/types.h>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"

namespace tlw {

// Whether a replaced file is flushed to disk before it takes the old one's
// place. Settings are the user's work and are flushed; a report, its graphs
// and the statistics file are made again by the next run, so they are only
// replaced at once (a reader sees the old file or the whole new one) and
// left to the system's own write-back, which spares a run two disk flushes
// per file written.
enum class Durability { kFlushed, kReplaceOnly };

// A file written under a temporary name in the target's folder and renamed
// over the target by Commit, so that the target is either the old file or
// the complete new one. Writes are buffered; the first failure is kept and
// reported by Commit, naming the file and the reason. Destroying a writer
// that was not committed removes the temporary file and leaves the target
// untouched. A character device named by the path (/dev/null) is written as
// it is, never replaced; any other existing path that is not a regular file
// (a folder, a FIFO, a block device) is refused.
class AtomicFileWriter {
 public:
  AtomicFileWriter(std::filesystem::path path, mode_t mode = 0644,
                   Durability durability = Durability::kFlushed);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // Writes what is buffered, flushes (kFlushed), closes and renames.
  Status Commit();

 private:
  bool FlushBuffer();
  void Fail(const char* action, int error);

  std::filesystem::path path_;
  std::filesystem::path folder_;
  std::string temp_;
  Durability durability_;
  int fd_ = -1;
  bool device_ = false;
  std::string buffer_;
  Status failure_;
};

// Writes `bytes` to `path` through an AtomicFileWriter: `mode` gives the new
// file's permissions. On failure the old file is untouched and no temporary
// file is left.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           mode_t mode = 0644, Durability durability = Durability::kFlushed);

}  // namespace tlw
