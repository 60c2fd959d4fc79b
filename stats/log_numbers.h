#pragma once

#include <cstdint>
#include <string_view>

namespace tlw {

// Reads a decimal number the way the statistics read log texts: leading
// blanks skipped, an optional sign, then the leading digits; no digits give
// 0. The result is clamped to +/-10^12 so later arithmetic cannot overflow.
std::int64_t ReadLogNumber(std::string_view text);

// Reads a byte count: leading blanks and a "+" skipped, then the leading
// digits; "-", empty, negative or non-numeric text gives 0 (a byte count is
// never negative). Saturates at the largest 64-bit value.
std::int64_t ReadByteCount(std::string_view text);

// Adds without overflowing: the sum saturates at the largest 64-bit value.
inline std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

// The month number of a log's month text: the number when the text is a
// non-zero number, else "Jan" to "Dec" (exact case) give 1 to 12, else 0.
int MonthNumber(std::string_view month);

// The calendar year of a log's year text read as a number: two-digit years
// 0 to 84 are 2000 to 2084, 85 to 99 are 1985 to 1999; others as written.
std::int64_t FullYear(std::int64_t year);

}  // namespace tlw
