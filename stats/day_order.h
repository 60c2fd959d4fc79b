#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {

// The calendar date of a date key (month "-" day "-" year, as the log wrote
// them) packed so that a later date compares greater: the month is a number
// or "Jan" to "Dec" (anything else 0), day and year decimal, and two-digit
// years are 2000 to 2084 (0-84) or 1985 to 1999 (85-99).
std::int64_t DateKeyValue(std::string_view dateKey);

// The entries of a day-keyed table (in practice `days`) by calendar date,
// newest first. Equal dates come out in the order of the table's
// partition-exchange sort on its iteration order.
std::vector<StatEntry> DaysByDate(const StatTable& table);

}  // namespace tlw
