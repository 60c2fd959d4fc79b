#pragma once

#include <cstdint>
#include <string>

namespace tlw::loggen {

// One moment (UTC) written the ways the layouts write it.
struct TimeText {
  std::string ncsa;         // 01/Mar/2024:09:05:07 +0000
  std::string isoDate;      // 2024-03-01
  std::string clock;        // 09:05:07
  std::string clockNoZero;  // 9:05:07
  std::string usShortDate;  // 03/01/24
  std::string usLongDate;   // 03/01/2024
};

TimeText MakeTimeText(std::int64_t secondsSinceEpoch);

}  // namespace tlw::loggen
