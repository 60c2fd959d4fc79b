#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "stats/country_lookup.h"

namespace tlw {

// Where the country of an address comes from.
struct GeoIpSources {
  // A MaxMind or DB-IP country (or city) database in .mmdb form; empty for
  // none. Asked first when it opens.
  std::string mmdbFile;
  // The folder of Debian's geoip-database: GeoIP.dat (IPv4) and
  // GeoIPv6.dat (IPv6), read through libGeoIP.
  std::string debianFolder = "/usr/share/GeoIP";
};

// The countries of addresses from a GeoIP database. The databases are
// opened (memory-mapped) at the first question, so a run whose hosts are all
// names never touches them. A named .mmdb that is missing or damaged gives
// one warning and the look-up falls back to Debian's databases; when those
// are missing too, a second warning says that addresses count under no
// country. One object per run: it is not shared between threads.
class GeoIpCountries final : public CountryLookup {
 public:
  explicit GeoIpCountries(GeoIpSources sources);
  ~GeoIpCountries() override;
  GeoIpCountries(const GeoIpCountries&) = delete;
  GeoIpCountries& operator=(const GeoIpCountries&) = delete;

  std::string_view CountryOf(std::string_view text) override;

  // What went wrong in opening the databases, one line each naming the file.
  const std::vector<std::string>& Warnings() const { return warnings_; }

 private:
  struct Databases;
  void Open();

  GeoIpSources sources_;
  std::unique_ptr<Databases> databases_;  // null until the first question
  std::vector<std::string> warnings_;
  char code_[3] = {};
};

// Whether `mmdbFile` opens as a MaxMind DB file; fails with a message naming
// the file and what is wrong with it.
Status CheckMmdbDatabase(const std::string& mmdbFile);

}  // namespace tlw
