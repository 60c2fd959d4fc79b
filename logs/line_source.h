#pragma once

#include <span>

#include "logs/byte_source.h"

namespace tlw {

// The longest line the parser sees; the rest of a longer line is dropped.
inline constexpr std::size_t kMaxLineLength = 7999;

// Read buffers lent to a line source whose lines must outlive the next
// read: a line handed out from a buffer stays valid until the source gives
// that buffer back, and the pool decides when the buffer may be refilled.
// Used from the reading thread only.
class LineBufferPool {
 public:
  virtual ~LineBufferPool() = default;
  // The size of every buffer the pool lends.
  virtual std::size_t BufferSize() const = 0;
  // A buffer to read into; nullptr when reading should stop.
  virtual char* TakeBuffer() = 0;
  // The source has moved on from `buffer`: no more lines will be cut from
  // it, though the lines already handed out may still be in use.
  virtual void RetireBuffer(char* buffer) = 0;
};

// A logfile read line by line: a local file (plain or gzip) or one read
// over FTP, FTPS or SFTP.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // Sets `line` to the next line, without its line end (a trailing carriage
  // return is removed too) and cut to kMaxLineLength characters; the bytes
  // stay valid and writable until the next call (or, after KeepLines, until
  // their buffer is retired). Returns false at the end of the data; End()
  // then tells how it ended.
  virtual bool ReadLine(std::span<char>& line) = 0;
  virtual const SourceEnd& End() const = 0;
  // From now on reads into buffers of `pool`, so that lines stay valid
  // until their buffer is retired, with no copy. Call before the first
  // ReadLine. False when the source cannot (its lines then keep the rule of
  // ReadLine); a source whose lines never move may return true and never
  // use the pool.
  virtual bool KeepLines(LineBufferPool& pool) {
    static_cast<void>(pool);
    return false;
  }
};

}  // namespace tlw
