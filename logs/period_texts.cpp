#include "logs/period_texts.h"

#include <algorithm>
#include <cstring>

namespace tlw {
namespace {

// Copies n bytes, n at most a few for a timestamp's field: two overlapping
// loads and stores instead of a library call.
void CopyShort(char* to, const char* from, std::size_t n) {
  if (n >= 4 && n <= 8) {
    std::uint32_t head = 0;
    std::uint32_t tail = 0;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n >= 2 && n < 4) {
    std::uint16_t head = 0;
    std::uint16_t tail = 0;
    std::memcpy(&head, from, 2);
    std::memcpy(&tail, from + n - 2, 2);
    std::memcpy(to, &head, 2);
    std::memcpy(to + n - 2, &tail, 2);
  } else if (n == 1) {
    *to = *from;
  } else if (n > 8) {
    std::memcpy(to, from, n);
  }
}

}  // namespace

void PeriodTexts::Note(const LogRecord& record) {
  const std::array<std::string_view, kPieces> pieces = {record.month, record.day, record.year,
                                                        record.hour, record.minute};
  for (std::size_t i = 0; i < kPieces; ++i) {
    const std::size_t n = std::min(pieces[i].size(), kCapacity);
    CopyShort(last_.text[i].data(), pieces[i].data(), n);
    last_.size[i] = static_cast<std::uint8_t>(n);
  }
  if (!haveStart_) {
    startSize_ = Join(last_, start_);
    haveStart_ = true;
  }
}

std::string_view PeriodTexts::End() const {
  if (!haveStart_) return {};
  return {end_.data(), Join(last_, end_)};
}

std::size_t PeriodTexts::Join(const Pieces& pieces, std::array<char, kCapacity>& out) {
  static constexpr std::array<char, kPieces> kBefore = {'\0', '-', '-', ' ', ':'};
  std::size_t size = 0;
  const auto append = [&](const char* text, std::size_t length) {
    const std::size_t n = std::min(length, kCapacity - size);
    std::copy_n(text, n, out.data() + size);
    size += n;
  };
  for (std::size_t i = 0; i < kPieces; ++i) {
    if (kBefore[i] != '\0') append(&kBefore[i], 1);
    append(pieces.text[i].data(), pieces.size[i]);
  }
  return size;
}

}  // namespace tlw
