#include "stats/filter_list.h"

namespace tlw {
namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace

bool MatchesFilterList(std::string_view value, std::string_view list) {
  if (value.size() < 2 || list.size() < 3) return false;
  while (!list.empty()) {
    const std::size_t bar = list.find('|');
    const std::string_view entry = list.substr(0, bar);
    if (!entry.empty() && EqualsIgnoringCase(value, entry)) return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

}  // namespace tlw
