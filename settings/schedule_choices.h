#pragma once

#include <array>
#include <string_view>

namespace tlw {

// The schedule choices of a profile's `scheduleInterval`, in the order the
// Schedule page lists them. The field holds one of these texts exactly; the
// scheduler compares them byte for byte, so any other text never fires.
inline constexpr std::array<std::string_view, 9> kScheduleIntervals{
    "(only once)",   "every other hour", "every hour", "every 5 mins", "every 10 mins",
    "every 15 mins", "every 30 mins",    "once a day", "once a month"};

}  // namespace tlw
