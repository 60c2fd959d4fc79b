#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/state_archive.h"

namespace tlw {

// A list of texts, newest first, that keeps at most a given number of
// entries: inserting at the front drops the oldest entry beyond the limit.
// Storage is a ring whose strings are reused, so a steady stream of
// insertions allocates nothing once the ring is full.
class RecentList {
 public:
  // Puts `text` at the front and trims the list to `limit` entries (a limit
  // of 0 or less keeps nothing).
  void PushFront(std::string_view text, long long limit);
  // Number of entries.
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The entry at `index`, 0 being the newest.
  const std::string& operator[](std::size_t index) const;
  // The entries, newest first.
  std::vector<std::string> Texts() const;
  void Clear();
  void Save(StateWriter& out) const;
  bool Load(StateReader& in);

 private:
  void Resize(std::size_t limit);

  std::vector<std::string> ring_;  // capacity slots once full; grows up to the limit
  std::size_t limit_ = 0;
  std::size_t newest_ = 0;  // slot of the newest entry
  std::size_t size_ = 0;
};

}  // namespace tlw
