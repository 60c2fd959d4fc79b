#include "engine/period_texts.h"

#include <algorithm>

namespace tlw {

std::size_t PeriodTexts::Build(const LogRecord& record, std::array<char, kCapacity>& out) {
  std::size_t size = 0;
  const auto append = [&](std::string_view piece) {
    const std::size_t n = std::min(piece.size(), kCapacity - size);
    std::copy_n(piece.data(), n, out.data() + size);
    size += n;
  };
  append(record.month);
  append("-");
  append(record.day);
  append("-");
  append(record.year);
  append(" ");
  append(record.hour);
  append(":");
  append(record.minute);
  return size;
}

void PeriodTexts::Note(const LogRecord& record) {
  endSize_ = Build(record, end_);
  if (!haveStart_) {
    start_ = end_;
    startSize_ = endSize_;
    haveStart_ = true;
  }
}

}  // namespace tlw
