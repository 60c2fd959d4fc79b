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
  bool address = false;       // written as an address: only a GeoIP look-up knows its country
};

// Classifies a host key (a resolved name, or the address when it was not
// resolved). Pure: callers may keep the result per distinct host.
HostFacts ClassifyHost(std::string_view hostKey);

// The `countries` key of a country code from a GeoIP database, so that an
// address and a host name in one country share a row: "GB" becomes "UK",
// the top-level domain. Empty for what names no country: the old databases'
// continents and markers ("EU", "AP", "A1" anonymous proxy, "A2" satellite,
// "O1" other), "ZZ" and "XX" for unknown, and anything but two letters.
std::string CountryKeyOfIsoCode(std::string_view isoCode);

// The code and name pairs of a country table file, in file order; empty when
// the file cannot be read (a missing table is not an error: codes then stay
// codes in the report).
std::vector<std::pair<std::string, std::string>> LoadCountryNames(
    const std::filesystem::path& file);

}  // namespace tlw
