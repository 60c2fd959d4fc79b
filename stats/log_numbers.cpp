#include "stats/log_numbers.h"

#include <algorithm>

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
  // Dates and times are mostly one or two plain digits.
  if (text.size() == 2 && IsDigit(text[0]) && IsDigit(text[1])) {
    return (text[0] - '0') * 10 + (text[1] - '0');
  }
  if (text.size() == 1 && IsDigit(text[0])) return text[0] - '0';
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
  // Mostly a plain number that cannot overflow: no blanks, sign or limit.
  if (!text.empty() && text.size() <= 18 && IsDigit(text[0])) {
    std::int64_t value = text[0] - '0';
    for (std::size_t i = 1; i < text.size() && IsDigit(text[i]); ++i) {
      value = value * 10 + (text[i] - '0');
    }
    return value;
  }
  std::size_t i = SkipBlanks(text);
  if (i < text.size() && text[i] == '+') ++i;
  // 18 digits always fit; a longer number saturates. No division per digit:
  // this runs twice for every record.
  std::int64_t value = 0;
  const std::size_t fitting = std::min(text.size(), i + 18);
  for (; i < fitting && IsDigit(text[i]); ++i) value = value * 10 + (text[i] - '0');
  if (i < text.size() && IsDigit(text[i])) {
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (value > (INT64_MAX - 9) / 10) return INT64_MAX;
      value = value * 10 + (text[i] - '0');
    }
  }
  return value;
}

int MonthNumber(std::string_view month) {
  const std::int64_t number = ReadLogNumber(month);
  constexpr std::int64_t kLimit = 1'000'000;
  if (number != 0)
    return static_cast<int>(number > kLimit ? kLimit : number < -kLimit ? -kLimit : number);
  if (month.size() != 3) return 0;
  static constexpr std::string_view kNames = "JanFebMarAprMayJunJulAugSepOctNovDec";
  for (std::size_t m = 0; m < 12; ++m) {
    if (month[0] == kNames[3 * m] && month[1] == kNames[3 * m + 1] &&
        month[2] == kNames[3 * m + 2]) {
      return static_cast<int>(m) + 1;
    }
  }
  return 0;
}

std::int64_t FullYear(std::int64_t year) {
  if (year >= 0 && year <= 84) return year + 2000;
  if (year >= 85 && year <= 99) return year + 1900;
  return year;
}

}  // namespace tlw
