#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "base/log_record.h"

namespace tlw {

// The report period as the records give it: the timestamp text
// month "-" day "-" year " " hour ":" minute of the first completed record
// of a run (the start) and of the last one (the end), with the blanks that
// a layout keeps. Built in fixed buffers so that noting a record allocates
// nothing; the run copies the texts once, after the last record.
class PeriodTexts {
 public:
  // Notes one completed record: the first sets the start, every one the end.
  void Note(const LogRecord& record);

  bool HasRecords() const { return haveStart_; }
  std::string_view Start() const { return {start_.data(), startSize_}; }
  std::string_view End() const { return {end_.data(), endSize_}; }

 private:
  // Long enough for any real timestamp; a malformed line's text is cut.
  static constexpr std::size_t kCapacity = 96;
  static std::size_t Build(const LogRecord& record, std::array<char, kCapacity>& out);

  std::array<char, kCapacity> start_{};
  std::array<char, kCapacity> end_{};
  std::size_t startSize_ = 0;
  std::size_t endSize_ = 0;
  bool haveStart_ = false;
};

}  // namespace tlw
