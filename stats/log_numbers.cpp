#include "stats/log_numbers.h"

#include <array>

namespace tlw {
namespace {

constexpr std::int64_t kNumberLimit = 1'000'000'000'000;

std::size_t SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int64_t ReadLogNumber(std::string_view text) {
  std::size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kNumberLimit) {
      value = kNumberLimit;
      break;
    }
  }
  return negative ? -value : value;
}

std::int64_t ReadByteCount(std::string_view text) {
  std::size_t i = SkipBlanks(text);
  if (i < text.size() && text[i] == '+') ++i;
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const int digit = text[i] - '0';
    if (value > (INT64_MAX - digit) / 10) return INT64_MAX;
    value = value * 10 + digit;
  }
  return value;
}

int MonthNumber(std::string_view month) {
  const std::int64_t number = ReadLogNumber(month);
  constexpr std::int64_t kLimit = 1'000'000;
  if (number != 0)
    return static_cast<int>(number > kLimit ? kLimit : number < -kLimit ? -kLimit : number);
  static constexpr std::array<std::string_view, 12> kNames = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (std::size_t m = 0; m < kNames.size(); ++m) {
    if (month == kNames[m]) return static_cast<int>(m) + 1;
  }
  return 0;
}

std::int64_t FullYear(std::int64_t year) {
  if (year >= 0 && year <= 84) return year + 2000;
  if (year >= 85 && year <= 99) return year + 1900;
  return year;
}

}  // namespace tlw
