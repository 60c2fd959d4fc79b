#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "logs/byte_source.h"
#include "logs/content_edges.h"
#include "logs/line_reader.h"
#include "logs/line_source.h"

namespace tlw {

// Which file a name led to when it was opened: a log rotated meanwhile
// leaves another file under the same name.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A local logfile open for reading, line by line. A file that starts with
// the gzip magic bytes is decompressed on the fly, whatever its name.
class LocalLogfile final : public LineSource {
 public:
  ~LocalLogfile() override;
  LocalLogfile(const LocalLogfile&) = delete;
  LocalLogfile& operator=(const LocalLogfile&) = delete;

  // Opens `name` for reading; other processes may go on writing it (a web
  // server appends to its log while we read). A "\" in the name is read as
  // "/". Fails with "Local logfile (<name>) not found!" when there is no
  // such file, with "... is a directory!" or "... is not a regular file: it
  // is <kind>!" for anything but a regular file (a named pipe or a device is
  // never opened for a blocking read), and with the system's reason
  // otherwise.
  static Result<std::unique_ptr<LocalLogfile>> Open(const std::string& name);
  // The process's standard input (`zcat access.log.*.gz | ... -`), named
  // kStandardInputName in messages. Its size is unknown (0); gzip data is
  // told by its first two bytes, read ahead, as for a file. Fails when
  // standard input is a terminal, which would wait for typed lines.
  static Result<std::unique_ptr<LocalLogfile>> OpenStandardInput();

  // Size of the file on disk in bytes (compressed size for a gzip file).
  std::uint64_t Size() const { return size_; }
  bool Compressed() const { return compressed_; }
  const std::string& Name() const { return name_; }
  // The file that was opened, whatever has become of its name since.
  FileIdentity Identity() const { return identity_; }
  // Its descriptor, for reading the file again without its name.
  int Descriptor() const { return fd_; }
  // Bytes read so far (decompressed bytes for gzip).
  std::uint64_t BytesRead() const { return lines_->BytesTaken(); }
  // For a gzip file, the edges of its content read so far (for its
  // fingerprint); null for a plain file, whose bytes can be read again.
  const ContentEdges* Edges() const { return edges_.get(); }

  // The bytes [from, to) of this plain file as a logfile of their own, read
  // at their offsets through a copy of the descriptor: what was appended
  // since an earlier run, or an unfinished last line apart from the lines
  // before it. Its Size() is the whole file's.
  Result<std::unique_ptr<LocalLogfile>> Part(std::uint64_t from, std::uint64_t to) const;
  // Just past the last line end ("\n") in the bytes [from, Size()) of this
  // plain file; `from` when they hold none.
  Result<std::uint64_t> CompleteLinesEnd(std::uint64_t from) const;
  // Whether the bytes [0, end) of this plain file hold `count` line ends.
  Result<bool> HasLineEnds(std::uint64_t end, int count) const;

  bool ReadLine(std::span<char>& line) override;
  bool KeepLines(LineBufferPool& pool) override { return lines_->KeepLines(pool); }
  // After the last line: how the file ended. A damaged or truncated gzip
  // file ends as Damaged with a message that says after which line.
  const SourceEnd& End() const override { return end_; }

 private:
  LocalLogfile(int fd, std::string name, std::uint64_t size, FileIdentity identity, bool compressed,
               std::unique_ptr<ByteSource> bytes);

  int fd_;
  std::string name_;
  std::uint64_t size_;
  FileIdentity identity_;
  bool compressed_;
  std::unique_ptr<LineReader> lines_;
  std::shared_ptr<ContentEdges> edges_;
  SourceEnd end_;
  bool ended_ = false;
};

// What standard input is called in messages.
inline constexpr std::string_view kStandardInputName = "standard input";

// The local path that a name typed with Windows separators means.
std::string LocalPath(std::string_view name);

}  // namespace tlw
