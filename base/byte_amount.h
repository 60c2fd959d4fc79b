#pragma once

#include <cstdint>
#include <string>

namespace tlw {

// A byte amount as users see it: up to 6 decimal digits followed by
// " bytes"; a longer number loses its last 6 digits (decimal millions,
// truncated) and gets " MB".
std::string ByteAmountText(std::uint64_t bytes);

// The size of the logfile last opened as the site list shows it: "remote"
// for 0 (a logfile read over FTP has no size taken), else ByteAmountText.
std::string LogSizeText(std::uint64_t bytes);

}  // namespace tlw
