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
  std::vector<std::int64_t> counts;
  counts.reserve(entries.size());
  for (const StatEntry& e : entries) counts.push_back(e.count);
  PartitionExchangeSort(entries, std::move(counts));
  return entries;
}

}  // namespace tlw
