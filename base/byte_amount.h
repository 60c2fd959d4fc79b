#pragma once

#include <cstdint>
#include <string>

namespace tlw {

// A byte amount as users see it: up to 6 decimal digits followed by
// " bytes"; a longer number loses its last 6 digits (decimal millions,
// truncated) and gets " MB".
std::string ByteAmountText(std::uint64_t bytes);

}  // namespace tlw
