#include "geo/geoip_countries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "support/tiny_mmdb.h"

namespace tlw {
namespace {

using ::testing::HasSubstr;

// Debian's geoip-database; the tests that read it skip without it.
bool HaveDebianDatabase() {
  const GeoIpSources sources;
  return std::filesystem::exists(std::filesystem::path(sources.debianFolder) / "GeoIP.dat") &&
         std::filesystem::exists(std::filesystem::path(sources.debianFolder) / "GeoIPv6.dat");
}

std::string CountryOf(GeoIpCountries& countries, const char* address) {
  return std::string(countries.CountryOf(address));
}

struct AddressCase {
  const char* name;
  const char* address;
  const char* country;  // empty: no country
};

class DebianDatabase : public testing::TestWithParam<AddressCase> {};

// Networks whose country has not moved in years, so the test holds for the
// packaged data (2019) and for newer data alike.
TEST_P(DebianDatabase, FindsTheCountryOfPublicAddressesOnly) {
  if (!HaveDebianDatabase()) GTEST_SKIP() << "geoip-database is not installed";
  GeoIpCountries countries(GeoIpSources{});
  EXPECT_EQ(CountryOf(countries, GetParam().address), GetParam().country);
  EXPECT_TRUE(countries.Warnings().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DebianDatabase,
    testing::Values(
        AddressCase{"GooglePublicDns", "8.8.8.8", "US"},
        AddressCase{"BritishNetwork", "81.2.69.160", "GB"},
        AddressCase{"RipeNcc", "193.0.6.139", "NL"},
        AddressCase{"UniversityOfTokyo", "133.11.0.1", "JP"},
        AddressCase{"MappedIPv4", "::ffff:8.8.8.8", "US"},
        AddressCase{"GoogleIPv6", "2001:4860:4860::8888", "US"},
        AddressCase{"WideIPv6", "2001:200::1", "JP"}, AddressCase{"JanetIPv6", "2001:630::1", "GB"},
        AddressCase{"Private10", "10.1.2.3", ""}, AddressCase{"Private172", "172.16.5.4", ""},
        AddressCase{"Private192", "192.168.1.1", ""}, AddressCase{"Loopback", "127.0.0.1", ""},
        AddressCase{"LinkLocal", "169.254.10.1", ""}, AddressCase{"IPv6Loopback", "::1", ""},
        AddressCase{"IPv6LinkLocal", "fe80::1", ""},
        AddressCase{"IPv6UniqueLocal", "fd12:3456::1", ""},
        AddressCase{"MappedPrivate", "::ffff:192.168.0.1", ""},
        AddressCase{"HostName", "www.example.co.uk", ""}, AddressCase{"ShortAddress", "8.8.8", ""},
        AddressCase{"OctetTooLarge", "8.8.8.256", ""}, AddressCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<AddressCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

// A named .mmdb is asked instead of Debian's database: its answer differs
// from Debian's for 193.0.6.139. Private addresses stay without a country
// although the database covers every address.
TEST(MmdbDatabase, AnswersInsteadOfDebiansDatabase) {
  test::TempDir dir;
  const auto file = dir.Write("tiny.mmdb", test::TinyCountryMmdb("GB", "SE"));
  ASSERT_TRUE(CheckMmdbDatabase(file.string()).ok()) << CheckMmdbDatabase(file.string()).message();
  GeoIpCountries countries(GeoIpSources{.mmdbFile = file.string()});
  EXPECT_EQ(CountryOf(countries, "81.2.69.160"), "GB");
  EXPECT_EQ(CountryOf(countries, "193.0.6.139"), "SE");
  EXPECT_EQ(CountryOf(countries, "::ffff:193.0.6.139"), "SE");
  EXPECT_EQ(CountryOf(countries, "10.0.0.1"), "");
  EXPECT_EQ(CountryOf(countries, "2001:630::1"), "");  // an IPv4 database knows no IPv6
  EXPECT_TRUE(countries.Warnings().empty());
}

struct BadMmdb {
  const char* name;
  const char* content;  // null: no file
  const char* reason;
};

class UnusableMmdb : public testing::TestWithParam<BadMmdb> {};

TEST_P(UnusableMmdb, WarnsOnceAndFallsBackToDebiansDatabase) {
  if (!HaveDebianDatabase()) GTEST_SKIP() << "geoip-database is not installed";
  test::TempDir dir;
  const std::string file = (dir / "countries.mmdb").string();
  if (GetParam().content != nullptr) dir.Write("countries.mmdb", GetParam().content);
  GeoIpCountries countries(GeoIpSources{.mmdbFile = file});
  EXPECT_TRUE(countries.Warnings().empty());  // nothing opened before the first question
  EXPECT_EQ(CountryOf(countries, "193.0.6.139"), "NL");
  EXPECT_EQ(CountryOf(countries, "2001:200::1"), "JP");
  EXPECT_EQ(CountryOf(countries, "8.8.8.8"), "US");
  ASSERT_EQ(countries.Warnings().size(), 1u);
  EXPECT_THAT(countries.Warnings()[0], HasSubstr("The GeoIP database " + file));
  EXPECT_THAT(countries.Warnings()[0], HasSubstr(GetParam().reason));
  EXPECT_THAT(countries.Warnings()[0], HasSubstr("come from Debian's GeoIP database instead"));
  EXPECT_EQ(CheckMmdbDatabase(file).message(),
            countries.Warnings()[0].substr(0, CheckMmdbDatabase(file).message().size()));
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableMmdb,
                         testing::Values(BadMmdb{"Missing", nullptr, "does not exist"},
                                         BadMmdb{"Damaged", "not a MaxMind database\n",
                                                 "cannot be read: "},
                                         BadMmdb{"Empty", "", "cannot be read: "}),
                         [](const testing::TestParamInfo<BadMmdb>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

TEST(GeoIpCountries, WithoutAnyDatabaseWarnsOnceAndFindsNoCountry) {
  test::TempDir dir;
  GeoIpCountries countries(GeoIpSources{.mmdbFile = {}, .debianFolder = dir.path().string()});
  EXPECT_EQ(CountryOf(countries, "8.8.8.8"), "");
  EXPECT_EQ(CountryOf(countries, "2001:200::1"), "");
  ASSERT_EQ(countries.Warnings().size(), 1u);
  EXPECT_THAT(countries.Warnings()[0],
              HasSubstr("No GeoIP country database in " + dir.path().string()));
}

}  // namespace
}  // namespace tlw
