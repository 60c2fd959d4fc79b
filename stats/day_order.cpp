#include "stats/day_order.h"

#include <algorithm>

#include "stats/log_numbers.h"
#include "stats/partition_sort.h"

namespace tlw {

std::int64_t DateKeyValue(std::string_view dateKey) {
  const std::size_t firstDash = dateKey.find('-');
  const std::string_view month = dateKey.substr(0, firstDash);
  std::string_view rest =
      firstDash == std::string_view::npos ? std::string_view() : dateKey.substr(firstDash + 1);
  const std::size_t secondDash = rest.find('-');
  const std::string_view day = rest.substr(0, secondDash);
  const std::string_view year =
      secondDash == std::string_view::npos ? std::string_view() : rest.substr(secondDash + 1);

  // Month and day (never negative: they hold no "-") are kept below 10^4 and
  // the year within +/-9*10^9, so the
  // packed value fits 64 bits and orders by year, then month, then day.
  const auto clamp = [](std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return std::min(std::max(v, lo), hi);
  };
  const std::int64_t y = clamp(FullYear(ReadLogNumber(year)), -9'000'000'000, 9'000'000'000);
  const std::int64_t m = clamp(MonthNumber(month), 0, 9'999);
  const std::int64_t d = clamp(ReadLogNumber(day), 0, 9'999);
  return y * 100'000'000 + m * 10'000 + d;
}

std::vector<StatEntry> DaysByDate(const StatTable& table) {
  std::vector<StatEntry> entries = table.Entries();
  std::vector<std::int64_t> dates;
  dates.reserve(entries.size());
  for (const StatEntry& e : entries) dates.push_back(DateKeyValue(e.key));
  PartitionExchangeSort(entries, std::move(dates));
  return entries;
}

}  // namespace tlw
