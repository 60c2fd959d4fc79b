#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tlw {

// What one host key contributes to `domains` and `countries`.
struct HostFacts {
  std::string domain;         // organisation domain: the last two labels, case kept
  std::string countryKey;     // upper-case top-level domain, "US" for generic ones,
                              // "(UNRESOLVED HOSTS)" for a key starting with a digit
  bool countDomain = false;   // add `domain` to `domains`
  bool countCountry = false;  // add `countryKey` to `countries`
};

// Classifies a host key (a resolved name, or the address when it was not
// resolved). Pure: callers may keep the result per distinct host.
HostFacts ClassifyHost(std::string_view hostKey);

// The code and name pairs of a country table file, in file order; empty when
// the file cannot be read (a missing table is not an error: codes then stay
// codes in the report).
std::vector<std::pair<std::string, std::string>> LoadCountryNames(
    const std::filesystem::path& file);

}  // namespace tlw
