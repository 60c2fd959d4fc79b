#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace tlw {

// Holds the bytes of table keys in large blocks, so that a new key costs no
// heap allocation of its own. Keys stay where they are until Clear().
class KeyArena {
 public:
  // Copies `text` into the arena; the view stays valid until Clear().
  std::string_view Store(std::string_view text);
  // Frees every block.
  void Clear();
  // Bytes held in blocks.
  std::size_t Capacity() const { return capacity_; }

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t left_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace tlw
