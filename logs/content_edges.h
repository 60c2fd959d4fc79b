#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tlw {

// The first and the last bytes of a stream as it is read, and its length:
// what a logfile's fingerprint needs of a file read once, so that a gzip
// file is not decompressed a second time to take it.
class ContentEdges {
 public:
  static constexpr std::size_t kEdgeBytes = 4096;

  void Add(const char* data, std::size_t size) {
    length_ += size;
    if (headSize_ < kEdgeBytes) {
      const std::size_t take = std::min(size, kEdgeBytes - headSize_);
      std::memcpy(head_.data() + headSize_, data, take);
      headSize_ += take;
    }
    if (size >= kEdgeBytes) {
      std::memcpy(tail_.data(), data + size - kEdgeBytes, kEdgeBytes);
      tailSize_ = kEdgeBytes;
      return;
    }
    const std::size_t keep = std::min(tailSize_, kEdgeBytes - size);
    std::memmove(tail_.data(), tail_.data() + tailSize_ - keep, keep);
    std::memcpy(tail_.data() + keep, data, size);
    tailSize_ = keep + size;
  }

  std::uint64_t Length() const { return length_; }
  std::string_view Head() const { return {head_.data(), headSize_}; }
  std::string_view Tail() const { return {tail_.data(), tailSize_}; }

 private:
  std::array<char, kEdgeBytes> head_{};
  std::array<char, kEdgeBytes> tail_{};
  std::size_t headSize_ = 0;
  std::size_t tailSize_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace tlw
