#include "stats/add_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "stats/log_numbers.h"
#include "stats/rename_countries.h"
#include "stats/text_hash.h"
#include "tests/stats/test_records.h"

namespace tlw {
namespace {

using testing_records::Contents;
using testing_records::Counts;
using testing_records::OwnedRecord;

using R = OwnedRecord;

// OwnedRecord's defaults with the fields given changed.
OwnedRecord Record(std::initializer_list<std::pair<std::string R::*, std::string>> fields) {
  OwnedRecord r;
  for (const auto& [field, value] : fields) r.*field = value;
  return r;
}

// Options that leave out what `entries` lists in the filter `list`.
CountingOptions Filter(std::string CountingOptions::*list, std::string entries) {
  CountingOptions options;
  options.*list = std::move(entries);
  return options;
}

SiteStatistics& Count(SiteStatistics& s, const std::vector<OwnedRecord>& records,
                      const CountingOptions& options = {}) {
  s.Prepare();
  for (const OwnedRecord& r : records) AddRecord(s, options, r.View());
  SettleCounts(s);
  return s;
}

// What one request contributes to the request-level tables.
struct PathCase {
  const char* name;
  const char* url;
  const char* status;
  int homepageHits;
  bool page;
  bool fileRequest;
  const char* fileType;   // "" when none
  const char* directory;  // "" when not counted in `dirs`
  bool brokenLink;
};

class PathClassification : public testing::TestWithParam<PathCase> {};

TEST_P(PathClassification, CountsInTheRightTables) {
  const PathCase& c = GetParam();
  SiteStatistics s;
  Count(s, {Record({{&R::url, c.url}, {&R::status, c.status}})});
  const auto one = [](bool present, const char* key) {
    return present ? Counts{{key, 1}} : Counts{};
  };
  EXPECT_EQ(s.homepageHits, c.homepageHits);
  EXPECT_EQ(Contents(s.webPages), one(c.page, c.url));
  EXPECT_EQ(Contents(s.fileRequests), one(c.fileRequest, c.url));
  EXPECT_EQ(Contents(s.fileTypes), one(*c.fileType != '\0', c.fileType));
  EXPECT_EQ(Contents(s.dirs), one(*c.directory != '\0', c.directory));
  EXPECT_EQ(Contents(s.brokenLinks), one(c.brokenLink, c.url));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathClassification,
    testing::Values(
        PathCase{"IndexHtml", "/index.html", "200", 1, true, true, ".HTML", "/", false},
        PathCase{"CapitalIndexIsNoHomePage", "/Index.html", "200", 0, true, true, ".HTML", "/",
                 false},
        PathCase{"AspWith404", "/shop/cart.asp?id=3", "404", 0, true, false, "", "", true},
        PathCase{"DirectoryPath", "/docs/", "200", 0, false, false, "", "/docs/", false},
        PathCase{"DotBeforeLastSlash", "/a.b/readme", "200", 0, false, false, "", "/a.b/", false},
        PathCase{"NotModified", "/img/logo.gif", "304", 0, false, true, ".GIF", "/img/", false},
        PathCase{"MissingPage", "/missing.html", "404", 0, false, false, "", "", true},
        PathCase{"HtmlWithServerError", "/x.htm", "500", 0, true, false, "", "", false},
        PathCase{"PhpVariant", "/a/b.php3?x=1", "200", 0, true, true, ".PHP3", "/a/", false},
        PathCase{"CgiWhateverTheStatus", "/cgi-bin/x.cgi", "503", 0, true, false, "", "", false},
        PathCase{"RootNotFoundIsBroken", "/", "404", 0, false, false, "", "", true},
        PathCase{"RootIsHomePage", "/", "200", 1, false, false, "", "/", false},
        PathCase{"NeitherSlashNorDot", "index", "200", 0, false, true, ".INDEX", "/", false},
        PathCase{"SlashInQueryHidesExtension", "/x.html?next=/a", "200", 0, false, false, "",
                 "/x.html?next=/", false},
        PathCase{"ExtensionCutAtPlus", "/a/file.txt+x", "200", 0, false, true, ".TXT", "/a/",
                 false},
        PathCase{"DoubleSlashDirectoryStays", "//b.gif", "200", 0, false, true, ".GIF", "/",
                 false}),
    [](const testing::TestParamInfo<PathCase>& param) { return param.param.name; });

TEST(AddRecord, CountsStatusSuccessAndBytes) {
  SiteStatistics s;
  std::vector<OwnedRecord> records;
  for (const char* status : {"200", "302", "404", "2", "OK", "20x", "", "304"}) {
    records.push_back(Record({{&R::url, "/p.html"}, {&R::status, status}}));
  }
  const char* bytes[] = {"2000000000", "-", " 56", "12abc", "", "+3", "2000000000", "0"};
  for (std::size_t i = 0; i < records.size(); ++i) records[i].bytes = bytes[i];
  Count(s, records);
  EXPECT_EQ(Contents(s.retCodes),
            (Counts{{"200", 1}, {"302", 1}, {"304", 1}, {"404", 1}, {"20x", 1}}));
  EXPECT_EQ(s.successfulRequests, 5);  // 200, 302, 304, "2", "20x"
  EXPECT_EQ(s.totalBytes, 4'000'000'071);
  // All on one day: the day's bytes pass 4 GB without wrapping.
  EXPECT_EQ(Contents(s.dayBytes), (Counts{{"Oct-10-2000", 4'000'000'071}}));
  // Up to 18 digits always fit; longer numbers are read to the last digit
  // that fits and saturate beyond.
  EXPECT_EQ(ReadByteCount("123456789012345678"), 123'456'789'012'345'678);
  EXPECT_EQ(ReadByteCount("12345678901234567x9"), 12'345'678'901'234'567);
  EXPECT_EQ(ReadByteCount("1234567890123456789"), 1'234'567'890'123'456'789);
  EXPECT_EQ(ReadByteCount(" 99999999999999999999"), INT64_MAX);
  // A field ends where its view ends, even with digits right behind it in
  // the line buffer.
  const std::string_view line = "56789 +4321 12345678901234567890123";
  EXPECT_EQ(ReadByteCount(line.substr(0, 2)), 56);
  EXPECT_EQ(ReadByteCount(line.substr(5, 4)), 43);
  EXPECT_EQ(ReadByteCount(line.substr(12, 19)), 1'234'567'890'123'456'789);
}

TEST(AddRecord, CountsTimeKeysHostsAndLogons) {
  SiteStatistics s;
  Count(s, {Record({{&R::user, "bob"}}),
            Record({{&R::host, "other.example.org"}, {&R::user, "ab"}, {&R::hour, ""}}),
            Record({{&R::user, "bob"}, {&R::day, "11"}})});
  EXPECT_EQ(Contents(s.hours), (Counts{{"13", 2}, {"", 1}}));
  EXPECT_EQ(Contents(s.days), (Counts{{"Oct-10-2000", 2}, {"Oct-11-2000", 1}}));
  EXPECT_EQ(Contents(s.months), (Counts{{"Oct 2000", 3}}));
  EXPECT_EQ(Contents(s.hostnames), (Counts{{"client.example.com", 2}, {"other.example.org", 1}}));
  EXPECT_EQ(s.uniqueHosts, 2);
  EXPECT_EQ(Contents(s.dayNewVisitors), (Counts{{"Oct-10-2000", 2}, {"Oct-11-2000", 0}}));
  EXPECT_EQ(Contents(s.logons), (Counts{{"bob", 2}}));
}

// Hosts get their `hostnames` entries when the counts are settled, made in
// the order the hosts were first counted, also across settlings in the
// middle of a run: the table iterates as if each entry had been made at
// its host's first counted record.
TEST(AddRecord, HostnamesKeepTheOrderOfFirstCountedRecords) {
  // Pairs of hosts that share a bucket of `hostnames`, whose order within
  // the bucket shows the order their entries were made.
  std::vector<std::string> hosts;
  std::map<std::uint32_t, std::string> firstInBucket;
  for (int n = 0; hosts.size() < 300; ++n) {
    const std::string host = "h" + std::to_string(n) + ".net";
    const auto [it, added] = firstInBucket.emplace(TableHash(host) % 50000, host);
    if (!added && !it->second.empty()) {
      hosts.push_back(it->second);
      hosts.push_back(host);
      it->second.clear();
    }
  }
  hosts.push_back("h919.net");
  hosts.push_back("h838.net");
  CountingOptions options;
  options.hostFilter = "h919.net|h838.net";  // filtered hosts are never counted
  options.extensionFilter = "gif";
  const auto counted = [](const std::string& host) {
    return host != "h919.net" && host != "h838.net";
  };
  // Settled now and then, or held back: the last hosts are seen first
  // with filtered requests only, so they are counted after hosts made later.
  for (const bool heldBack : {false, true}) {
    SCOPED_TRACE(heldBack ? "held back" : "settled now and then");
    SiteStatistics s;
    s.Prepare();
    if (heldBack) {
      for (std::size_t i = hosts.size() - 100; i < hosts.size(); ++i) {
        AddRecord(s, options, Record({{&R::host, hosts[i]}, {&R::url, "/x.gif"}}).View());
      }
    }
    StatTable expected(50000);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
      const OwnedRecord r = Record({{&R::host, hosts[i]}});
      // Every fifth host comes twice.
      for (std::size_t times = i % 5 == 0 ? 2 : 1; times > 0; --times) {
        AddRecord(s, options, r.View());
        if (counted(hosts[i])) expected.Add(hosts[i]);
      }
      if (!heldBack && i % 97 == 0) SettleCounts(s);
    }
    FinishRecords(s);
    ASSERT_FALSE(expected.Get("h838.net").has_value());
    EXPECT_EQ(s.hostnames.Entries(), expected.Entries());
    EXPECT_EQ(s.uniqueHosts, static_cast<std::int64_t>(expected.Count()));
    // Counting on after the run was finished: a host already in
    // `hostnames` is not new again.
    AddRecord(s, options, Record({{&R::host, hosts[0]}}).View());
    FinishRecords(s);
    EXPECT_EQ(s.uniqueHosts, static_cast<std::int64_t>(expected.Count()));
    EXPECT_EQ(s.hostnames.Get(hosts[0]), *expected.Get(hosts[0]) + 1);
  }
}

TEST(AddRecord, ShortDateKeysMakeNoDayButStillCount) {
  SiteStatistics s;
  Count(s, {Record({{&R::day, "1"}, {&R::month, ""}, {&R::year, "00"}})});  // "-1-00": 5 characters
  EXPECT_TRUE(Contents(s.days).empty());
  EXPECT_TRUE(Contents(s.dayBytes).empty());
  EXPECT_TRUE(Contents(s.months).empty());
  EXPECT_EQ(Contents(s.hostnames), (Counts{{"client.example.com", 1}}));
  EXPECT_EQ(Contents(s.dayNewVisitors), (Counts{{"-1-00", 1}}));
}

TEST(AddRecord, RecordWithoutHostCountsNowhere) {
  SiteStatistics s;
  Count(s, {OwnedRecord{}, Record({{&R::host, ""}})});
  EXPECT_EQ(Contents(s.hours), (Counts{{"13", 1}}));
  EXPECT_EQ(s.busiestDay, "today");  // the hostless record is no second hit of the day
}

struct FilterCase {
  const char* name;
  CountingOptions options;
  std::vector<std::pair<std::string, std::string>> hostAndUrl;
  Counts counted;  // `hostnames` afterwards
};

class Filters : public testing::TestWithParam<FilterCase> {};

TEST_P(Filters, DropMatchingRecords) {
  std::vector<OwnedRecord> records;
  for (const auto& [host, url] : GetParam().hostAndUrl)
    records.push_back(Record({{&R::host, host}, {&R::url, url}}));
  SiteStatistics s;
  Count(s, records, GetParam().options);
  EXPECT_EQ(Contents(s.hostnames), GetParam().counted);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Filters,
    testing::Values(
        FilterCase{"HostInAnyCaseAndAddress",
                   Filter(&CountingOptions::hostFilter, "WWW.EXAMPLE.COM|10.0.0.1"),
                   {{"www.example.com", "/a"},
                    {"Www.Example.Com", "/a"},
                    {"10.0.0.1", "/a"},
                    {"10.0.0.12", "/a"}},
                   {{"10.0.0.12", 1}}},
        FilterCase{"Extensions",
                   Filter(&CountingOptions::extensionFilter, "GIF|JPG"),
                   {{"a", "/x.gif"}, {"b", "/y.Jpg"}, {"c", "/z.png"}, {"d", "/gif"}},
                   {{"c", 1}, {"d", 1}}},
        FilterCase{"DirectoryOnlyItself",
                   Filter(&CountingOptions::directoryFilter, "/images"),
                   {{"a", "/images/a.gif"}, {"b", "/images/sub/b.gif"}, {"c", "/IMAGES/c.gif"}},
                   {{"b", 1}}},
        FilterCase{"OneCharacterValueNeverMatches",
                   Filter(&CountingOptions::extensionFilter, "C|GIF"),
                   {{"a", "/prog.c"}},
                   {{"a", 1}}},
        FilterCase{"ShortListFiltersNothing",
                   Filter(&CountingOptions::hostFilter, "ab"),
                   {{"ab", "/"}},
                   {{"ab", 1}}},
        FilterCase{"EmptyEntriesIgnored",
                   Filter(&CountingOptions::hostFilter, "||a.b||"),
                   {{"a.b", "/"}, {"c.d", "/"}},
                   {{"c.d", 1}}}),
    [](const testing::TestParamInfo<FilterCase>& param) { return param.param.name; });

TEST(AddRecord, FilteredRecordsStillCountAsTheDaysHits) {
  SiteStatistics s;
  const OwnedRecord kept;
  const OwnedRecord dropped = Record({{&R::host, "robot.example.net"}, {&R::bytes, "1000"}});
  Count(s, {kept, dropped, kept}, Filter(&CountingOptions::hostFilter, "robot.example.net"));
  EXPECT_EQ(s.busiestDay, "Oct-10");
  EXPECT_EQ(Contents(s.hostnames), (Counts{{"client.example.com", 2}}));
  // The day's bytes include the dropped record: the day run counts every
  // record handed over.
  EXPECT_EQ(Contents(s.dayBytes), (Counts{{"Oct-10-2000", 1200}}));
  EXPECT_EQ(s.totalBytes, 200);
}

std::int64_t LocalTime(int year, int month, int day, int hour) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

OwnedRecord OnDate(std::string month, std::string day, std::string year) {
  return Record(
      {{&R::day, std::move(day)}, {&R::month, std::move(month)}, {&R::year, std::move(year)}});
}

TEST(AddRecord, DateRangeIncludesBothEndDays) {
  CountingOptions range;
  range.processEntireLog = false;
  // The ends name days; the times of day stored with them do not matter.
  range.reportFrom = LocalTime(2001, 3, 1, 15);
  range.reportTo = LocalTime(2001, 3, 31, 9);
  SiteStatistics s;
  Count(s,
        {OnDate("Feb", "28", "2001"), OnDate("Mar", "1", "2001"), OnDate("3", "15", "01"),
         OnDate("Mar", "31", "2001"), OnDate("Apr", "1", "2001"), OnDate("Foo", "2", "2001")},
        range);
  EXPECT_EQ(Contents(s.days), (Counts{{"Mar-1-2001", 1}, {"3-15-01", 1}, {"Mar-31-2001", 1}}));

  range.processEntireLog = true;
  Count(s, {OnDate("Feb", "28", "2001"), OnDate("Foo", "2", "2001")}, range);
  EXPECT_EQ(s.hostnames.Get("client.example.com"), 2);
}

TEST(AddRecord, CountsDomainsCountriesAndDropsUnresolvedHostsKey) {
  std::vector<OwnedRecord> records;
  for (const char* host : {"mail.example.com", "shop.example.co.uk", "192.168.1.10",
                           "host.example.info", "(Unresolved Hosts)", "www.example.com"}) {
    records.push_back(Record({{&R::host, host}}));
  }
  SiteStatistics s;
  Count(s, records);
  EXPECT_EQ(s.domains.Get(".(Unresolved Hosts)"), 1);
  FinishRecords(s);
  EXPECT_EQ(Contents(s.domains), (Counts{{"example.com", 2}, {"co.uk", 1}, {"example.info", 1}}));
  EXPECT_EQ(Contents(s.countries), (Counts{{"US", 2}, {"UK", 1}}));
}

// Answers from a table, and counts the questions.
class TableCountries final : public CountryLookup {
 public:
  std::string_view CountryOf(std::string_view address) override {
    ++questions[std::string(address)];
    const auto found = codes.find(std::string(address));
    return found == codes.end() ? std::string_view() : std::string_view(found->second);
  }
  std::map<std::string, std::string> codes;
  std::map<std::string, int> questions;
};

TEST(AddRecord, CountsAddressesUnderTheirGeoIpCountryOnce) {
  TableCountries lookup;
  lookup.codes = {{"81.2.69.160", "GB"},
                  {"2001:200::1", "JP"},
                  {"193.0.6.139", "EU"},
                  {"198.51.100.7", "--"},
                  {"shop.example.co.uk", "FR"}};
  CountingOptions options;
  options.countryLookup = &lookup;
  options.hostFilter = "203.0.113.9";
  std::vector<OwnedRecord> records;
  for (const char* host :
       {"81.2.69.160", "shop.example.co.uk", "2001:200::1", "81.2.69.160", "193.0.6.139",
        "198.51.100.7", "203.0.113.9", "10.0.0.1", "mail.example.com", "2001:200::1"}) {
    records.push_back(Record({{&R::host, host}}));
  }
  SiteStatistics s;
  Count(s, records, options);
  FinishRecords(s);
  // GB shares the row of the .uk domain; continents and unknown codes are
  // no country; addresses still have no domain.
  EXPECT_EQ(Contents(s.countries), (Counts{{"UK", 3}, {"JP", 2}, {"US", 1}}));
  EXPECT_EQ(Contents(s.domains), (Counts{{"co.uk", 1}, {"example.com", 1}}));
  // Each distinct address is asked once; names and filtered hosts never.
  EXPECT_EQ(lookup.questions, (std::map<std::string, int>{{"81.2.69.160", 1},
                                                          {"2001:200::1", 1},
                                                          {"193.0.6.139", 1},
                                                          {"198.51.100.7", 1},
                                                          {"10.0.0.1", 1}}));
}

TEST(AddRecord, CountsAgentsPerLogKind) {
  const OwnedRecord ncsa = Record({{&R::agent, "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)"}});
  const OwnedRecord w3c = Record({{&R::agent, "Mozilla/4.0+(compatible;+MSIE+5.5;+Windows+98)"}});
  SiteStatistics s;
  s.Prepare();
  CountingOptions options;
  AddRecord(s, options, ncsa.View());
  options.w3cLog = true;
  AddRecord(s, options, w3c.View());
  SettleCounts(s);
  AddRecord(s, options, w3c.View());
  options.w3cLog = false;
  AddRecord(s, options, ncsa.View());
  SettleCounts(s);
  EXPECT_EQ(Contents(s.browsers), (Counts{{"Microsoft Internet Explorer 5.01", 2},
                                          {"Microsoft Internet Explorer 5.5", 2}}));
  EXPECT_EQ(Contents(s.platforms), (Counts{{"Windows NT", 2}, {"Windows 98", 2}}));
}

TEST(AddRecord, CountsReferrersAndPhrasesButNotTheOwnSite) {
  CountingOptions options;
  options.homepageUrl = "http://www.mysite.com";
  const OwnedRecord search =
      Record({{&R::referrer, "http://search.yahoo.com/bin/search?p=web+stats&hc=0"}});
  const OwnedRecord own = Record({{&R::referrer, "http://www.mysite.com/page.html"}});
  SiteStatistics s;
  Count(s, {search, own, search}, options);
  EXPECT_EQ(Contents(s.referers), (Counts{{search.referrer, 2}}));
  EXPECT_EQ(Contents(s.keywords), (Counts{{"web+stats", 2}}));
}

TEST(AddRecord, CountsEachClientsAgentAndReferrerWhileClientsInterleave) {
  // Each client's last agent and referrer are remembered; records of two
  // clients taking turns, one of them changing both, and a second run of
  // the same statistics must still be counted under the texts they carry.
  const auto record = [](const char* host, const std::string& agent, const std::string& referrer) {
    return Record({{&R::host, host}, {&R::referrer, referrer}, {&R::agent, agent}});
  };
  const std::string ie501 = "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)";
  const std::string ie55 = "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)";
  const std::string refA = "http://a.example/links.html";
  const std::string refB = "http://b.example/list.html";
  const std::vector<OwnedRecord> records = {
      record("one.example", ie501, refA), record("two.example", ie55, refB),
      record("one.example", ie501, refA), record("two.example", ie55, refB),
      record("one.example", ie55, refB),  record("two.example", ie55, refB),
      record("one.example", ie55, refA),  record("one.example", ie501, refA)};
  SiteStatistics s;
  for (int run = 0; run < 2; ++run) {
    s.Clear();
    Count(s, records, CountingOptions{});
    EXPECT_EQ(Contents(s.browsers), (Counts{{"Microsoft Internet Explorer 5.01", 3},
                                            {"Microsoft Internet Explorer 5.5", 5}}));
    EXPECT_EQ(Contents(s.referers), (Counts{{refA, 4}, {refB, 4}}));
  }
}

TEST(NameCountries, RenamesCodesInFileOrder) {
  StatTable countries(500);
  countries.Add("DE", 3);
  countries.Add("FR", 2);
  countries.Add("AT", 4);
  countries.Add("JP", 1);
  NameCountries(countries, {{"DE", "Germany"},
                            {"FR", "France"},
                            {"XX", "Nowhere"},
                            {"AT", "Germanic"},
                            {"JP", "Germanic"}});
  // Two codes named alike leave the name with the later code's count.
  EXPECT_EQ(Contents(countries), (Counts{{"Germany", 3}, {"France", 2}, {"Germanic", 1}}));
}

TEST(SiteStatistics, ClearEmptiesEverything) {
  SiteStatistics s;
  const OwnedRecord r = Record({{&R::agent, "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)"}});
  Count(s, {r, r});
  s.Clear();
  EXPECT_EQ(s.uniqueHosts + s.homepageHits + s.successfulRequests + s.totalBytes, 0);
  for (const auto& ref : SiteStatistics::Tables())
    EXPECT_EQ((s.*ref.table).Count(), 0u) << ref.name;
  EXPECT_EQ(s.openVisits.Count(), 0u);
  EXPECT_EQ(s.busiestDay, "today");
  EXPECT_TRUE(s.lastVisitors.empty());
  // Counting again after a clear starts from nothing.
  Count(s, {r});
  EXPECT_EQ(s.uniqueHosts, 1);
  EXPECT_EQ(Contents(s.dayNewVisitors), (Counts{{"Oct-10-2000", 1}}));
}

}  // namespace
}  // namespace tlw
