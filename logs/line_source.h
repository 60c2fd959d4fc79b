#pragma once

#include <span>

#include "logs/byte_source.h"

namespace tlw {

// The longest line the parser sees; the rest of a longer line is dropped.
inline constexpr std::size_t kMaxLineLength = 7999;

// A logfile read line by line: a local file (plain or gzip) or, later, one
// read over FTP.
class LineSource {
 public:
  virtual ~LineSource() = default;
  // Sets `line` to the next line, without its line end (a trailing carriage
  // return is removed too) and cut to kMaxLineLength characters; the bytes
  // stay valid and writable until the next call. Returns false at the end
  // of the data; End() then tells how it ended.
  virtual bool ReadLine(std::span<char>& line) = 0;
  virtual const SourceEnd& End() const = 0;
};

}  // namespace tlw
