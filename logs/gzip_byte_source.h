#pragma once

#include <memory>
#include <string>
#include <vector>

#include "logs/byte_source.h"

namespace tlw {

// The version of the zlib in use (zlibVersion()).
std::string ZlibVersion();

// The decompressed bytes of a gzip file read from an open descriptor (not
// owned), without unpacking it to disk. Several gzip members one after the
// other, as `cat a.gz b.gz` makes them, read as one stream; bytes after the
// last member that do not start another member are ignored, as gzip does.
// Broken or truncated data ends the stream as Damaged, after the bytes
// that decompressed correctly.
class GzipByteSource final : public ByteSource {
 public:
  GzipByteSource(int fd, std::string name);
  // The same over compressed bytes that arrive from another source (a file
  // read over the network); a failure of that source ends this one.
  GzipByteSource(std::unique_ptr<ByteSource> compressed, std::string name);
  ~GzipByteSource() override;
  GzipByteSource(const GzipByteSource&) = delete;
  GzipByteSource& operator=(const GzipByteSource&) = delete;

  std::size_t Read(char* dest, std::size_t capacity) override;
  const SourceEnd& End() const override { return end_; }

 private:
  struct Stream;

  // Refills the compressed input; false at the end of the file or on error.
  bool FillInput();
  // After the end of one member: whether another member follows.
  bool NextMemberFollows();
  void Finish(SourceEnd::Kind kind, std::string message);

  int fd_;
  std::unique_ptr<ByteSource> compressed_;
  std::string name_;
  std::unique_ptr<Stream> stream_;
  std::vector<unsigned char> input_;
  bool inputAtEof_ = false;
  bool ended_ = false;
  SourceEnd end_;
};

}  // namespace tlw
