#pragma once

#include <string>
#include <utility>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {

// Replaces country codes in `countries` by their names: for each (code,
// name) pair in order whose code is a key of the table, the code's entry is
// removed and the name's entry set to the code's count (created, or
// overwritten when an earlier pair gave the same name). Codes without a
// pair stay as they are. `pairs` is what LoadCountryNames read.
void NameCountries(StatTable& countries,
                   const std::vector<std::pair<std::string, std::string>>& pairs);

}  // namespace tlw
