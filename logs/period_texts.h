#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/log_record.h"

namespace tlw {

// The report period as the records give it: the timestamp text
// month "-" day "-" year " " hour ":" minute of the first completed record
// of a run (the start) and of the last one (the end), with the blanks that
// a layout keeps. Held in fixed buffers so that noting a record allocates
// nothing; the run copies the texts once, after the last record.
class PeriodTexts {
 public:
  // Notes one completed record: the first sets the start, every one the end.
  // Only the record's five timestamp fields are kept; the end text is
  // joined from the last of them when asked for.
  void Note(const LogRecord& record);

  bool HasRecords() const { return haveStart_; }
  std::string_view Start() const { return {start_.data(), startSize_}; }
  // Valid until the next call of Note or End.
  std::string_view End() const;
  // The month and day of the last record, as noted.
  std::string_view LastMonth() const { return LastPiece(0); }
  std::string_view LastDay() const { return LastPiece(1); }

 private:
  // Long enough for any real timestamp; a malformed line's text is cut.
  static constexpr std::size_t kCapacity = 96;
  static constexpr std::size_t kPieces = 5;  // month, day, year, hour, minute
  struct Pieces {
    std::array<std::array<char, kCapacity>, kPieces> text{};
    std::array<std::uint8_t, kPieces> size{};
  };
  static std::size_t Join(const Pieces& pieces, std::array<char, kCapacity>& out);
  std::string_view LastPiece(std::size_t i) const { return {last_.text[i].data(), last_.size[i]}; }

  Pieces last_;
  std::array<char, kCapacity> start_{};
  mutable std::array<char, kCapacity> end_{};
  std::size_t startSize_ = 0;
  bool haveStart_ = false;
};

}  // namespace tlw
