#include "stats/key_arena.h"

#include <cstring>

namespace tlw {

std::string_view KeyArena::Store(std::string_view text) {
  if (text.empty()) return std::string_view();
  if (text.size() > left_) {
    // A key longer than a quarter block gets a block of its own, so that a
    // few very long keys do not waste the rest of the current block.
    if (text.size() > kBlockSize / 4) {
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
      capacity_ += text.size();
      std::memcpy(blocks_.back().get(), text.data(), text.size());
      return std::string_view(blocks_.back().get(), text.size());
    }
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    capacity_ += kBlockSize;
    next_ = blocks_.back().get();
    left_ = kBlockSize;
  }
  char* at = next_;
  std::memcpy(at, text.data(), text.size());
  next_ += text.size();
  left_ -= text.size();
  return std::string_view(at, text.size());
}

void KeyArena::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  next_ = nullptr;
  left_ = 0;
  capacity_ = 0;
}

}  // namespace tlw
