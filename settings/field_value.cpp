#include "settings/field_value.h"

#include <charconv>
#include <ctime>
#include <limits>

namespace tlw {
namespace {

// Parses the whole of `text` as a decimal number of type T; no sign for
// unsigned types, no spaces, no leading '+'.
template <typename T>
bool ParseWhole(std::string_view text, T& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

// Reads exactly `width` digits at `pos`.
bool ReadDigits(std::string_view text, std::size_t pos, std::size_t width, int& value) {
  if (pos + width > text.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + width; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

Status BadValue(std::string_view text, std::string_view field, std::string_view expected) {
  std::string message = "bad value '" + std::string(text) + "'";
  if (!field.empty()) message += " for " + std::string(field);
  return Status::Error(message + ": expected " + std::string(expected));
}

Result<FieldValue> ParseTime(std::string_view text, bool fileBound, std::string_view field) {
  std::int64_t seconds = 0;
  if (!ParseWhole(text, seconds)) {
    Result<std::int64_t> date = ParseLocalDateTime(text);
    if (!date.ok()) {
      return BadValue(text, field, "a local date YYYY-MM-DD[THH:MM[:SS]] or seconds since 1970");
    }
    seconds = *date;
  }
  if (fileBound && (seconds < std::numeric_limits<std::int32_t>::min() ||
                    seconds > std::numeric_limits<std::int32_t>::max())) {
    return BadValue(text, field,
                    "a time from 1901-12-13 to 2038-01-19, which the settings file can hold");
  }
  return FieldValue(seconds);
}

}  // namespace

Result<std::int64_t> ParseLocalDateTime(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const auto bad = Status::Error("not a date: " + std::string(text));
  if (!ReadDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' ||
      !ReadDigits(text, 5, 2, month) || text[7] != '-' || !ReadDigits(text, 8, 2, day)) {
    return bad;
  }
  if (text.size() > 10) {
    const bool separator = text[10] == 'T' || text[10] == ' ';
    if (!separator || text.size() < 16 || !ReadDigits(text, 11, 2, hour) || text[13] != ':' ||
        !ReadDigits(text, 14, 2, minute)) {
      return bad;
    }
    if (text.size() > 16 &&
        (text.size() != 19 || text[16] != ':' || !ReadDigits(text, 17, 2, second))) {
      return bad;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return bad;
  }
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  // mktime sets tm_wday only on success; -1 is also a valid result.
  local.tm_wday = -1;
  const std::time_t seconds = std::mktime(&local);
  if (local.tm_wday < 0) return bad;
  return static_cast<std::int64_t>(seconds);
}

Result<FieldValue> ParseFieldValue(FieldKind kind, std::string_view text, bool fileBound,
                                   std::string_view field) {
  switch (kind) {
    case FieldKind::Text:
      return FieldValue(std::string(text));
    case FieldKind::Flag:
      if (text == "0" || text == "1") return FieldValue(std::int64_t{text == "1"});
      return BadValue(text, field, "0 or 1");
    case FieldKind::Int: {
      std::int32_t number = 0;
      if (ParseWhole(text, number)) return FieldValue(std::int64_t{number});
      return BadValue(text, field, "a whole number from -2147483648 to 2147483647");
    }
    case FieldKind::Time:
      return ParseTime(text, fileBound, field);
    case FieldKind::Size: {
      std::uint64_t bytes = 0;
      if (ParseWhole(text, bytes)) return FieldValue(bytes);
      return BadValue(text, field, "a byte count");
    }
  }
  return BadValue(text, field, "a known kind of value");
}

std::string FieldValueText(const FieldValue& value) {
  if (const auto* text = std::get_if<FieldText>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  return std::to_string(std::get<std::uint64_t>(value));
}

}  // namespace tlw
