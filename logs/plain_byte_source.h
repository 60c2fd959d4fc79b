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

  std::size_t Read(char* dest, std::size_t capacity) override;
  const SourceEnd& End() const override { return end_; }

 private:
  int fd_;
  std::string name_;
  SourceEnd end_;
  bool ended_ = false;
};

}  // namespace tlw
