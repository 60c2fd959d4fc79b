#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "logs/byte_source.h"

namespace tlw::fuzz {

// The input handed out in pieces of `piece` bytes at most, so that readers
// see their data arrive in parts; ends clean.
class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(std::string_view data, std::size_t piece)
      : data_(data), piece_(std::max<std::size_t>(piece, 1)) {}

  std::size_t Read(char* dest, std::size_t capacity) override {
    const std::size_t n = std::min({piece_, capacity, data_.size()});
    std::copy_n(data_.data(), n, dest);
    data_.remove_prefix(n);
    return n;
  }
  const SourceEnd& End() const override { return end_; }

 private:
  std::string_view data_;
  std::size_t piece_;
  SourceEnd end_;
};

}  // namespace tlw::fuzz
