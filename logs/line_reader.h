#pragma once

#include <cstdint>
#include <memory>

#include "logs/byte_source.h"
#include "logs/line_source.h"

namespace tlw {

// Cuts the bytes of a ByteSource into lines inside one reused 1 MiB buffer,
// or inside the buffers of a LineBufferPool after KeepLines: lines are
// handed out in place, never copied. A line longer than
// kMaxLineLength is cut there and the rest of it is skipped up to its line
// end. NUL bytes are dropped as they are read; invalid UTF-8 is left as it
// is.
class LineReader final : public LineSource {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1024} * 1024;

  explicit LineReader(std::unique_ptr<ByteSource> bytes);

  bool ReadLine(std::span<char>& line) override;
  const SourceEnd& End() const override { return bytes_->End(); }
  bool KeepLines(LineBufferPool& pool) override;
  // Lines handed out so far.
  std::uint64_t LinesRead() const { return linesRead_; }
  // Bytes taken from the source so far (decompressed bytes for gzip).
  std::uint64_t BytesTaken() const { return bytesTaken_; }

 private:
  // Moves the unread tail to the front (of a fresh pool buffer after
  // KeepLines) and reads more after it; false when the source has ended.
  bool Refill();
  // The buffer to read into next, with the unread tail moved there.
  char* NextBuffer(std::size_t unread);
  std::span<char> Emit(char* start, std::size_t length);

  std::unique_ptr<ByteSource> bytes_;
  // Not zero-filled: a small file touches only the pages it uses.
  std::unique_ptr<char[]> buffer_;
  LineBufferPool* pool_ = nullptr;
  char* base_;  // the buffer being read
  std::size_t capacity_ = kBufferSize;
  char* next_;  // first unread byte
  char* end_;   // end of the bytes read
  bool sourceEnded_ = false;
  bool skippingRest_ = false;  // inside the dropped rest of an over-long line
  std::uint64_t linesRead_ = 0;
  std::uint64_t bytesTaken_ = 0;
};

}  // namespace tlw
