#include "logs/logfile_list.h"

#include <array>

#include "logs/wildcard_expansion.h"

namespace tlw {
namespace {

constexpr std::size_t kMinFirstNameLength = 3;
constexpr std::size_t kMinNameLength = 3;

// The conversions that stand for a part of a date or time; anything else
// after a "%" is kept literally rather than left to the C library.
constexpr std::string_view kTimeCodes = "aAbBcdHIjmMpSUwWxXyYZ";
// The numeric ones, whose leading zeros "%#" drops.
constexpr std::string_view kNumericCodes = "dHIjmMSUwWyY";

std::string FormatOne(char code, const std::tm& time) {
  const std::array<char, 3> format{'%', code, '\0'};
  std::array<char, 128> out{};
  // The format is one conversion checked against kTimeCodes above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const std::size_t size = std::strftime(out.data(), out.size(), format.data(), &time);
#pragma GCC diagnostic pop
  return std::string(out.data(), size);
}

}  // namespace

std::string ExpandTimeCodes(std::string_view name, const std::tm& time) {
  std::string result;
  result.reserve(name.size() + 8);
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '%' || i + 1 == name.size()) {
      result += name[i];
      continue;
    }
    if (name[i + 1] == '%') {
      result += '%';
      ++i;
      continue;
    }
    const bool dropZeros = name[i + 1] == '#' && i + 2 < name.size();
    const char code = dropZeros ? name[i + 2] : name[i + 1];
    if (kTimeCodes.find(code) == std::string_view::npos) {
      result += name[i];
      continue;
    }
    std::string value = FormatOne(code, time);
    if (dropZeros && kNumericCodes.find(code) != std::string_view::npos) {
      const std::size_t firstNonZero = value.find_first_not_of('0');
      value.erase(0, firstNonZero == std::string::npos ? value.size() - 1 : firstNonZero);
    }
    result += value;
    i += dropZeros ? 2 : 1;
  }
  return result;
}

LogfileNames::LogfileNames(std::string_view fileList, std::string_view logfileSetting,
                           const std::tm& startTime, ListedNames listed) {
  const std::size_t bar = fileList.find('|');
  std::string_view first;
  if (bar != std::string_view::npos) {
    first = fileList.substr(0, bar);
    remainder_ = fileList.substr(bar + 1);
  }
  if (first.size() < kMinFirstNameLength) {
    if (bar != std::string_view::npos && logfileSetting.size() >= kMinNameLength) {
      unread_.push_back("The logfile list " + std::string(logfileSetting) +
                        " was read as one name: its first entry has fewer than " +
                        std::to_string(kMinFirstNameLength) + " characters");
    }
    first = logfileSetting;
    listed = ListedNames::kTyped;
  }
  current_ = listed == ListedNames::kTyped ? ExpandTimeCodes(first, startTime) : std::string(first);
}

std::optional<std::string> LogfileNames::Next() {
  if (current_.size() < kMinNameLength) {
    if (current_.empty() && !remainder_.empty()) {
      unread_.push_back("The logfile list ends at an empty entry: " + remainder_ + " was not read");
    } else if (!current_.empty()) {
      unread_.push_back("The logfile " + current_ + " was not read" +
                        (remainder_.empty() ? "" : ", nor the names after it") +
                        ": a logfile name needs at least " + std::to_string(kMinNameLength) +
                        " characters");
    }
    current_.clear();
    remainder_.clear();
    return std::nullopt;
  }
  std::string name = std::move(current_);
  const std::size_t bar = remainder_.find('|');
  if (bar == std::string::npos) {
    if (!remainder_.empty()) {
      unread_.push_back("The entry " + remainder_ +
                        " after the last \"|\" of the logfile list was not read: end every "
                        "entry of a list with \"|\"");
    }
    current_.clear();
    remainder_.clear();
  } else {
    current_ = remainder_.substr(0, bar);
    remainder_.erase(0, bar + 1);
  }
  return name;
}

LocalFiles LocalFileList(std::string_view logfileSetting) {
  if (!NamesWildcard(logfileSetting)) return {std::string(logfileSetting), ListedNames::kTyped, {}};
  WildcardMatches matches = ExpandLocalWildcards(logfileSetting);
  return {std::move(matches.fileList), ListedNames::kMatched, std::move(matches.leftOut)};
}

}  // namespace tlw
