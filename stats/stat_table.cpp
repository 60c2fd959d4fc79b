#include "stats/stat_table.h"

#include "stats/partition_sort.h"

namespace tlw {

std::vector<StatEntry> StatTable::Entries() const {
  std::vector<StatEntry> entries;
  entries.reserve(Count());
  ForEach([&](std::string_view key, std::int64_t count) { entries.push_back({key, count}); });
  return entries;
}

std::vector<StatEntry> Ranked(const StatTable& table) {
  std::vector<StatEntry> entries = table.Entries();
  PartitionExchangeSortBy(entries, [](const StatEntry& e) { return e.count; });
  return entries;
}

}  // namespace tlw
