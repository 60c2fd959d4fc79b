#include "engine/run_texts.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/file_name_part.h"

namespace tlw {
namespace {

std::tm LocalTime(std::int64_t time) {
  const auto t = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_r(&t, &local);
  return local;
}

}  // namespace

std::string TimeTakenText(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  char text[48];
  std::snprintf(text, sizeof text, "%02lldh %02lldm %02llds",
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string RangeDayText(std::int64_t time) {
  const std::tm local = LocalTime(time);
  return std::to_string(local.tm_mon + 1) + "-" + std::to_string(local.tm_mday) + "-" +
         std::to_string(local.tm_year + 1900);
}

std::string FinishTimeText(std::int64_t time) {
  const std::tm local = LocalTime(time);
  char text[64];
  // The two-digit year is the format the site list has always shown.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
  const std::size_t size = std::strftime(text, sizeof text, "%I:%M%p %a %m-%d-%y", &local);
#pragma GCC diagnostic pop
  return std::string(text, size);
}

void DayKey::Note(const LogRecord& record) {
  std::string_view month = record.month;
  month.remove_prefix(std::min(month.find_first_not_of(' '), month.size()));
  const std::size_t monthSize = std::min(month.size(), text_.size() - 1);
  std::copy_n(month.data(), monthSize, text_.data());
  text_[monthSize] = '-';
  const std::size_t daySize = std::min(record.day.size(), text_.size() - monthSize - 1);
  std::copy_n(record.day.data(), daySize, text_.data() + monthSize + 1);
  size_ = monthSize + 1 + daySize;
}

std::string GraphFilePrefixOf(int listIndex, std::string_view dayKey) {
  return std::to_string(listIndex) + "_" + FileNamePart(dayKey);
}

}  // namespace tlw
