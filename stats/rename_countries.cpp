#include "stats/rename_countries.h"

namespace tlw {

void NameCountries(StatTable& countries,
                   const std::vector<std::pair<std::string, std::string>>& pairs) {
  for (const auto& [code, name] : pairs) {
    const std::optional<std::int64_t> count = countries.Get(code);
    if (!count) continue;
    countries.Remove(code);
    countries.Set(name, *count);
  }
}

}  // namespace tlw
