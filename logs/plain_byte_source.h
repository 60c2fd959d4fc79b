#pragma once

#include <string>

#include "logs/byte_source.h"

namespace tlw {

// The bytes of an open file descriptor, as they are on disk. Does not own
// the descriptor.
class PlainByteSource final : public ByteSource {
 public:
  // `name` is the file's name for messages.
  PlainByteSource(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  // Only the bytes [from, to) of the file, read at their offsets, so that
  // several sources may share one descriptor.
  PlainByteSource(int fd, std::string name, std::uint64_t from, std::uint64_t to)
      : fd_(fd), name_(std::move(name)), ranged_(true), at_(from), to_(to) {}

  std::size_t Read(char* dest, std::size_t capacity) override;
  const SourceEnd& End() const override { return end_; }

 private:
  int fd_;
  std::string name_;
  SourceEnd end_;
  bool ended_ = false;
  bool ranged_ = false;
  std::uint64_t at_ = 0;  // with a range: the next offset to read, and its end
  std::uint64_t to_ = 0;
};

}  // namespace tlw
