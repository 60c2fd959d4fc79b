#pragma once

#include <cstddef>
#include <string>

namespace tlw {

// How a stream of logfile bytes or lines ended.
struct SourceEnd {
  enum class Kind {
    Clean,    // the whole file was read
    Damaged,  // compressed data broken or cut short: the file ends, the run goes on
    Failed,   // the system reported a read error: the run ends
  };
  Kind kind = Kind::Clean;
  // What went wrong, for the user; empty for a clean end.
  std::string message;
};

// A stream of raw logfile bytes: a plain file, or one decompressed on the
// fly. Read in large chunks; lines are cut elsewhere.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills up to `capacity` bytes of `dest` and returns how many; 0 means
  // the stream has ended, and End() then tells how.
  virtual std::size_t Read(char* dest, std::size_t capacity) = 0;
  virtual const SourceEnd& End() const = 0;
};

}  // namespace tlw
