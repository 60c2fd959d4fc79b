#include "stats/host_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "support/paths.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

struct HostCase {
  const char* name;
  const char* host;
  const char* domain;
  const char* countryKey;
  bool countDomain;
  bool countCountry;
};

class ClassifyHostTest : public testing::TestWithParam<HostCase> {};

TEST_P(ClassifyHostTest, GivesDomainAndCountry) {
  const HostCase& c = GetParam();
  const HostFacts facts = ClassifyHost(c.host);
  EXPECT_EQ(facts.domain, c.domain);
  EXPECT_EQ(facts.countryKey, c.countryKey);
  EXPECT_EQ(facts.countDomain, c.countDomain);
  EXPECT_EQ(facts.countCountry, c.countCountry);
}

constexpr const char* kUnresolved = "(UNRESOLVED HOSTS)";

INSTANTIATE_TEST_SUITE_P(
    Hosts, ClassifyHostTest,
    testing::Values(
        HostCase{"CountryDomain", "shop.example.co.uk", "co.uk", "UK", true, true},
        HostCase{"GenericCom", "mail.example.com", "example.com", "US", true, true},
        HostCase{"GenericNet", "a.b.net", "b.net", "US", true, true},
        HostCase{"GenericArpa", "x.in-addr.arpa", "in-addr.arpa", "US", true, true},
        HostCase{"GenericEdu", "www.mit.edu", "mit.edu", "US", true, true},
        HostCase{"GenericGov", "www.nasa.gov", "nasa.gov", "US", true, true},
        HostCase{"FourLetterDomainNoCountry", "host.example.info", "example.info", "INFO", true,
                 false},
        HostCase{"MilIsNotGeneric", "host.army.mil", "army.mil", "MIL", true, false},
        HostCase{"CaseKeptInDomain", "WWW.Example.ORG", "Example.ORG", "US", true, true},
        HostCase{"LowerCaseCountry", "www.example.de", "example.de", "DE", true, true},
        HostCase{"IPv4Address", "192.168.1.10", "1.10", kUnresolved, false, false},
        HostCase{"NameStartingWithDigit", "123.example.de", "example.de", kUnresolved, true, false},
        HostCase{"SingleLabel", "intranet", ".intranet", "INTRANET", true, false},
        HostCase{"SingleTwoLetterLabel", "de", ".de", "DE", true, true},
        HostCase{"TrailingDot", "host.example.net.", "example.net", "US", true, true},
        HostCase{"EmptyPiecesSkipped", "a..example..fr", "example.fr", "FR", true, true},
        HostCase{"ShortDomain", "x.b", "x.b", "B", true, false},
        HostCase{"Empty", "", ".", "", false, false},
        HostCase{"IPv6Loopback", "::1", ".::1", kUnresolved, false, false},
        HostCase{"IPv6Address", "2001:db8::1", ".2001:db8::1", kUnresolved, false, false},
        HostCase{"IPv6WithZone", "fe80::1%eth0", ".fe80::1%eth0", kUnresolved, false, false},
        HostCase{"IPv4MappedIPv6", "::ffff:10.0.0.1", "0.1", kUnresolved, false, false}),
    [](const testing::TestParamInfo<HostCase>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(LoadCountryNamesTest, MissingFileGivesNoNames) {
  test::TempDir dir;
  EXPECT_TRUE(LoadCountryNames(dir / "Country_Codes.dat").empty());
}

TEST(LoadCountryNamesTest, SkipsHeaderAndCutsNameAtComma) {
  test::TempDir dir;
  const auto file = dir.Write("Country_Codes.dat",
                              "US United States\n"
                              "DE Germany\n"
                              "FR France,Republic\n"
                              "GB  United Kingdom\n"
                              "  IT Italy\n"
                              "CH ,Switzerland\n");
  EXPECT_EQ(LoadCountryNames(file), (Pairs{{"DE", "Germany"},
                                           {"FR", "France"},
                                           {"GB", " United Kingdom"},
                                           {"IT", "Italy"},
                                           {"CH", "Switzerland"}}));
}

TEST(LoadCountryNamesTest, SkipsLinesWithoutCodeOrName) {
  test::TempDir dir;
  const auto file = dir.Write("Country_Codes.dat", "header\n\n   \nXX\nYY \nDE Germany");
  EXPECT_EQ(LoadCountryNames(file), (Pairs{{"DE", "Germany"}}));
}

TEST(LoadCountryNamesTest, ReadsWindowsLineEnds) {
  test::TempDir dir;
  const auto file = dir.Write("Country_Codes.dat", "header\r\nDE Germany\r\nFR France\r\n");
  EXPECT_EQ(LoadCountryNames(file), (Pairs{{"DE", "Germany"}, {"FR", "France"}}));
}

TEST(LoadCountryNamesTest, LooksAtNinetyNineCharactersOfALine) {
  test::TempDir dir;
  const std::string longName(120, 'n');
  const auto file = dir.Write("Country_Codes.dat", "header\nXX " + longName + "\nDE Germany\n");
  EXPECT_EQ(LoadCountryNames(file), (Pairs{{"XX", std::string(96, 'n')}, {"DE", "Germany"}}));
}

TEST(CountryTableFileTest, HoldsEveryCountryUnderAnUpperCaseCode) {
  const Pairs pairs = LoadCountryNames(test::SourceDir() / "data" / "Country_Codes.dat");
  ASSERT_GE(pairs.size(), 250u);

  std::map<std::string, std::string> byCode;
  std::set<std::string> names;
  for (const auto& [code, name] : pairs) {
    EXPECT_EQ(code.size(), 2u) << code;
    for (char c : code) EXPECT_TRUE(c >= 'A' && c <= 'Z') << code;
    EXPECT_FALSE(name.empty()) << code;
    EXPECT_NE(name.front(), ' ') << code;
    EXPECT_TRUE(byCode.emplace(code, name).second) << "code twice: " << code;
    // Two codes with one name would lose one count when the codes are renamed.
    EXPECT_TRUE(names.insert(name).second) << "name twice: " << name;
  }
  EXPECT_EQ(byCode.count("CODE"), 0u) << "the header line is not data";
  EXPECT_EQ(byCode["US"], "United States");
  EXPECT_EQ(byCode["UK"], "United Kingdom");
  EXPECT_EQ(byCode["DE"], "Germany");
  EXPECT_EQ(byCode["FR"], "France");
  EXPECT_EQ(byCode["JP"], "Japan");
  EXPECT_EQ(byCode["EU"], "European Union");
  EXPECT_EQ(byCode["AC"], "Ascension Island");
  EXPECT_EQ(byCode["SU"], "Soviet Union");
}

}  // namespace
}  // namespace tlw
