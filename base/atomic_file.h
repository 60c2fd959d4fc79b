#pragma once

#include <sys/types.h>
#include <filesystem>
#include <optional>
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

// Who may read a file that is written.
enum class FileAccess {
  // As any file the user's programs make: a new file gets what the umask
  // leaves of 0666, and a file that is replaced keeps its mode, so a report
  // or statistics file the user made private stays private.
  kKeepOrUmask,
  // Its owner only (0600), whatever the old file or the umask allowed: the
  // settings hold FTP passwords.
  kOwnerOnly,
};

// What a symbolic link in the target's place stands for.
enum class LinkPolicy {
  // A link to a regular file is itself replaced by the new file and the
  // file it names is left alone, so that a link planted in a folder others
  // may write cannot aim the write at another of the user's files. (A link
  // to a device, such as /dev/stdout, writes to the device, as below.)
  kReplaceLink,
  // The file the link names is replaced (the temporary file is made beside
  // it), and the link stays: the user's own files linked from elsewhere. A
  // link to nothing, or a loop of links, is an error naming the link.
  kFollowLink,
};

// A file written under a temporary name in the target's folder and renamed
// over the target by Commit, so that the target is either the old file or
// the complete new one. Writes are buffered; the first failure is kept and
// reported by Commit, naming the file and the reason. Destroying a writer
// that was not committed removes the temporary file and leaves the target
// untouched. A character device named by the path (/dev/null) is written as
// it is, never replaced; any other existing path that is not a regular file
// (a folder, a FIFO, a block device) is refused.
//
// The temporary file's name has a fixed length (24 characters), so that a target name of up to
// NAME_MAX characters can be written: a dot, "tlw-", a hash of the target's name and six random
// characters. A writer that is killed leaves its temporary file behind; the next writer of the same
// target removes those of its target's hash that are a day old or older and belong to this user.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path path,
                            FileAccess access = FileAccess::kKeepOrUmask,
                            Durability durability = Durability::kFlushed,
                            LinkPolicy links = LinkPolicy::kReplaceLink);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // Writes what is buffered, flushes (kFlushed), closes and renames.
  Status Commit();

 private:
  bool FlushBuffer();
  void Fail(const char* action, int error);
  void CreateTemporary(FileAccess access, std::optional<mode_t> replacedMode);

  std::filesystem::path path_;
  std::filesystem::path folder_;
  std::string temp_;
  Durability durability_;
  int fd_ = -1;
  bool device_ = false;
  std::string buffer_;
  Status failure_;
};

// Writes `bytes` to `path` through an AtomicFileWriter. On failure the old
// file is untouched and no temporary file is left.
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           FileAccess access = FileAccess::kKeepOrUmask,
                           Durability durability = Durability::kFlushed,
                           LinkPolicy links = LinkPolicy::kReplaceLink);

}  // namespace tlw
