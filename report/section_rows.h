#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/theme.h"
#include "stats/stat_table.h"

namespace tlw {

// One entry of a ranked statistics table: its key and its count.
using RankedRow = StatEntry;

// The ranked entries of one table, highest count first, in the table's
// fixed tie order.
using RankedRows = std::vector<RankedRow>;

// The column heading of a section table: two white labels on the theme's
// header colour.
std::string ColumnHeading(const ThemeColors& colors, std::string_view first,
                          std::string_view second);

// Appends " bgcolor=#" and the theme's shade for the shaded rows of a table
// (the second, fourth, ... row: `r` odd); nothing for the others.
void AppendRowShade(std::string& out, std::size_t r, const ThemeColors& colors);

// Appends a row count as decimal text.
void AppendCount(std::string& out, std::int64_t count);

}  // namespace tlw
