#pragma once

#include <string_view>

namespace tlw {

// Whether `value` is excluded by a filter list of entries separated by "|":
// true when the value has at least 2 characters, the list at least 3, and
// the value equals one of the list's non-empty entries, both compared in
// upper case (ASCII letters only: the texts are single-byte).
bool MatchesFilterList(std::string_view value, std::string_view list);

}  // namespace tlw
