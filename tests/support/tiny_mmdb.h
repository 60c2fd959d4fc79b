#pragma once

#include <string>

namespace tlw::test {

// The bytes of a minimal IPv4 MaxMind DB country database: addresses below
// 128.0.0.0 are in country `low`, the others in `high` (ISO codes, as
// country.iso_code). Tests that need a .mmdb write it, since no country
// database in that form ships with the system.
std::string TinyCountryMmdb(const std::string& low, const std::string& high);

}  // namespace tlw::test
