#pragma once

#include <cstdint>
#include <string>

#include "base/result.h"
#include "logs/content_edges.h"
#include "logs/local_logfile.h"

namespace tlw {

// What a run keeps of one logfile it read, so that the next run can tell
// whether the file only grew since (and read just the new bytes), or was
// replaced, truncated or rewritten, and can recognise it after a rotation
// gave it another name. Digests are of the file's content: for a gzip file
// the decompressed bytes, so that a plain file compressed later is still
// recognised.
struct LogfileFingerprint {
  std::string name;              // as the run listed it
  FileIdentity identity;         // device and inode of the file read
  bool compressed = false;       // gzip
  std::uint64_t fileSize = 0;    // size on disk when read (compressed size for gzip)
  std::int64_t modified = 0;     // st_mtime in nanoseconds when read
  std::uint64_t bytesRead = 0;   // content bytes counted from the file's start
  std::uint64_t headDigest = 0;  // XXH3 of content bytes [0, min(bytesRead, kDigestBytes))
  std::uint64_t tailDigest = 0;  // XXH3 of content [max(0, bytesRead - kDigestBytes), bytesRead)
  bool operator==(const LogfileFingerprint&) const = default;
};

// How many content bytes each digest covers: enough to tell two logs apart
// by their first and last lines, few enough to stay cheap.
inline constexpr std::uint64_t kDigestBytes = 4096;

// The fingerprint of the file `name` after a run counted its first
// `bytesRead` content bytes. A gzip file is decompressed from its start up
// to `bytesRead`, streaming. Fails, naming the file and the reason, when it
// cannot be opened or read, is not a regular file, or holds fewer than
// `bytesRead` content bytes.
Result<LogfileFingerprint> FingerprintLogfile(const std::string& name, std::uint64_t bytesRead);
// The same for a file the caller has open: the run fingerprints the very
// file it read, not whatever took its name since. `name` is for the
// fingerprint and messages only. The descriptor's offset is left alone.
Result<LogfileFingerprint> FingerprintOpenLogfile(int fd, const std::string& name,
                                                  std::uint64_t bytesRead);

// The fingerprint of the file open as `fd` that was just read in full, from
// the edges of its content taken while it was read (ContentEdges), without
// reading it again; `name` for messages.
Result<LogfileFingerprint> FingerprintReadLogfile(int fd, const std::string& name,
                                                  const ContentEdges& edges);

enum class LogfileChange {
  kUnchanged,   // same file, same counted content, nothing after it
  kGrown,       // same file, same counted content, more after it (gzip: members appended)
  kReplaced,    // another file (device and inode) under the name
  kTruncated,   // same file, now holding fewer content bytes than were counted (copytruncate)
  kRewritten,   // same file, long enough, but its counted content differs
  kGone,        // no file under the name
  kUnreadable,  // something is there but cannot be read (the reason says why)
};

struct LogfileComparison {
  LogfileChange change = LogfileChange::kUnchanged;
  std::uint64_t size = 0;  // size on disk now (0 when gone or unreadable)
  // One clause for the user that names the file, e.g. "the logfile
  // /var/log/a.log was replaced by another file".
  std::string reason;
};

// What became of the file read before under `saved.name`. Never fails: a
// file that cannot be read is kUnreadable. An unchanged gzip file (same
// identity, size and modification time) costs the decompression of its
// first kDigestBytes only.
LogfileComparison CompareLogfile(const LogfileFingerprint& saved);

// Whether the file `name` (plain or gzip, whatever its identity) begins
// with exactly the content `saved` counted: the same head digest, at least
// `saved.bytesRead` content bytes, and the same digest of the bytes ending
// there. Recognises a rotated file under its new name. Cheap when the head
// differs: only kDigestBytes are read (decompressed). False when the file
// cannot be read. A fingerprint of nothing counted is held by any file.
bool HoldsCountedContent(const std::string& name, const LogfileFingerprint& saved);

// Whether the file `name` starts with the gzip magic bytes; false when it
// cannot be read.
bool IsGzipLogfile(const std::string& name);

}  // namespace tlw
