#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/log_record.h"

namespace tlw {

// A run's duration as "%Hh %Mm %Ss" with the hours in full: a run of 25
// hours reads "25h 00m 00s", never "01h 00m 00s". Negative durations (the
// clock was set back) read as 0.
std::string TimeTakenText(std::int64_t seconds);

// A day of the reporting range as the report period shows it: month "-"
// day "-" year of the local date of `time`, without leading zeros
// ("3-20-2001").
std::string RangeDayText(std::int64_t time);

// The finish time a front end records as `lastGenerated` when a run
// finishes: the local time formatted "%I:%M%p %a %m-%d-%y".
std::string FinishTimeText(std::int64_t time);

// The day of the last completed record: month "-" day, the month without
// its leading blanks ("Oct-10"). Kept in a fixed buffer so noting a record
// allocates nothing.
class DayKey {
 public:
  void Note(std::string_view month, std::string_view day);
  std::string_view Text() const { return {text_.data(), size_}; }

 private:
  // Real keys are a few characters; a malformed line's key is cut.
  std::array<char, 48> text_{};
  std::size_t size_ = 0;
};

// The prefix of the run's graph file names: listIndex "_" day key. The key
// comes from the log, so only its letters, digits, "-" and "_" are kept and
// every other byte becomes "_" (FileNamePart): the prefix stays one file
// name and can never end the image tag's URL.
std::string GraphFilePrefixOf(int listIndex, std::string_view dayKey);

}  // namespace tlw
