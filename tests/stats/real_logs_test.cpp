#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "stats/add_record.h"
#include "stats/day_order.h"
#include "tests/support/paths.h"

namespace tlw {
namespace {

// A tolerant cut of an NCSA common or combined line, enough to feed the
// statistics with real traffic; the engine's parser is tested elsewhere.
bool CutNcsa(std::string_view line, LogRecord& r) {
  const auto take = [&](char end) {
    const std::size_t at = line.find(end);
    std::string_view piece = line.substr(0, at);
    line = at == std::string_view::npos ? std::string_view() : line.substr(at + 1);
    return piece;
  };
  r = LogRecord{};
  r.host = take(' ');
  take(' ');
  r.user = take(' ');
  take('[');
  r.day = take('/');
  r.month = take('/');
  r.year = take(':');
  r.hour = take(':');
  r.minute = take(':');
  take('"');
  std::string_view request = take('"');
  request = request.substr(request.find(' ') + 1);
  r.url = request.substr(0, request.find(' '));
  take(' ');
  r.status = take(' ');
  r.bytes = take(' ');
  if (line.size() > 1 && line[0] == '"') {
    line.remove_prefix(1);
    r.referrer = take('"');
    take('"');
    r.agent = take('"');
  }
  if (r.referrer == "-" || r.referrer.size() < 6) r.referrer = {};
  if (r.agent.size() < 5) r.agent = {};
  return !r.host.empty() && !r.url.empty();
}

std::int64_t Sum(const StatTable& table) {
  std::int64_t sum = 0;
  table.ForEach([&](std::string_view, std::int64_t count) { sum += count; });
  return sum;
}

// Counts a whole log; returns the number of records handed over. With
// `rename`, each record's host is replaced by the name it gives (when not
// empty) before it is counted.
std::int64_t CountLog(SiteStatistics& s, const std::filesystem::path& file,
                      CountingOptions options = {},
                      const std::function<std::string(std::string_view)>& rename = {}) {
  std::ifstream in(file);
  EXPECT_TRUE(in) << file;
  s.Prepare();
  options.homepageUrl = "http://www.nosuchsite.example";
  std::string line;
  std::string name;
  std::int64_t records = 0;
  LogRecord r;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!CutNcsa(line, r)) continue;
    if (rename && !(name = rename(r.host)).empty()) r.host = name;
    AddRecord(s, options, r);
    ++records;
  }
  FinishRecords(s);
  return records;
}

// Holds for any log counted without filters.
void ExpectConsistentTotals(const SiteStatistics& s, std::int64_t records) {
  EXPECT_EQ(Sum(s.hostnames), records);
  EXPECT_EQ(Sum(s.hours), records);
  EXPECT_EQ(Sum(s.months), records);
  EXPECT_EQ(s.uniqueHosts, static_cast<std::int64_t>(s.hostnames.Count()));
  EXPECT_EQ(Sum(s.entryPages), static_cast<std::int64_t>(s.clickPaths.Count()));
  EXPECT_EQ(Sum(s.exitPages), static_cast<std::int64_t>(s.clickPaths.Count()));
  EXPECT_LE(Sum(s.weekdays), records);
  EXPECT_LE(static_cast<std::int64_t>(s.lastVisitors.size()), 20);
  EXPECT_EQ(s.days.Count(), s.dayBytes.Count());
  EXPECT_EQ(s.days.Count(), s.dayNewVisitors.Count());
  EXPECT_EQ(s.openVisits.Count(), 0u);
}

TEST(RealLogs, NasaCountsMatchIndependentTallies) {
  TLW_REQUIRE_REALLOGS();
  SiteStatistics s;
  const std::int64_t records =
      CountLog(s, test::RealLogsDir() / "ncsa-common" / "nasa_kennedy_aug95_first20000.log");
  ASSERT_EQ(records, 20000);
  ExpectConsistentTotals(s, records);
  // Tallied with awk and grep over the file.
  EXPECT_EQ(s.uniqueHosts, 1656);
  EXPECT_EQ(Sum(s.brokenLinks), 187);
  EXPECT_EQ(s.days.Get("01-Aug-1995"), std::nullopt);
  EXPECT_EQ(s.days.Get("Aug-01-1995"), 20000);
  EXPECT_EQ(s.busiestDay, "Aug-01");
  // One day, read in one run: its bytes are all the bytes, its new
  // visitors all the hosts.
  EXPECT_EQ(s.dayBytes.Get("Aug-01-1995"), s.totalBytes);
  EXPECT_EQ(s.dayNewVisitors.Get("Aug-01-1995"), s.uniqueHosts);
  EXPECT_GT(s.clickPaths.Count(), 100u);
  EXPECT_EQ(Sum(s.weekdays), s.weekdays.Get("Tuesday"));  // 1 August 1995
}

TEST(RealLogs, ElasticCombinedLogCountsAgentsReferrersAndVisits) {
  TLW_REQUIRE_REALLOGS();
  SiteStatistics s;
  const std::int64_t records =
      CountLog(s, test::RealLogsDir() / "ncsa-combined" / "elastic_examples_apache_logs");
  ASSERT_GT(records, 9900);
  ExpectConsistentTotals(s, records);
  EXPECT_GT(s.browsers.Count(), 10u);
  EXPECT_GT(s.referers.Count(), 100u);
  EXPECT_GT(s.clickPaths.Count(), 10u);
  // The counting is deterministic down to the tie order.
  SiteStatistics again;
  CountLog(again, test::RealLogsDir() / "ncsa-combined" / "elastic_examples_apache_logs");
  EXPECT_EQ(Ranked(s.hostnames), Ranked(again.hostnames));
  EXPECT_EQ(Ranked(s.clickPaths), Ranked(again.clickPaths));
  EXPECT_EQ(DaysByDate(s.days), DaysByDate(again.days));
}

// Hosts counted under names that counting asks for itself, once per
// address, come out as if every record had carried its name: a fifth of
// the addresses keep no name, and the others share 300 names between them,
// so that hosts of several addresses gather their counts and visits.
TEST(RealLogs, HostsNamedWhileCountedMatchRecordsRenamedBeforehand) {
  TLW_REQUIRE_REALLOGS();
  const auto nameOf = [](std::string_view address) -> std::string {
    const std::size_t hash = std::hash<std::string_view>()(address);
    if (hash % 5 == 0) return {};
    return "host" + std::to_string(hash % 300) + ".example.net";
  };
  const auto log = test::RealLogsDir() / "ncsa-combined" / "elastic_examples_apache_logs";
  SiteStatistics renamed;
  const std::int64_t records = CountLog(renamed, log, {}, nameOf);

  SiteStatistics named;
  std::map<std::string, int, std::less<>> asked;
  CountingOptions options;
  options.nameHost = [&](std::string_view address) {
    ++asked[std::string(address)];
    return nameOf(address);
  };
  ASSERT_EQ(CountLog(named, log, options), records);

  ASSERT_GT(named.hostnames.Count(), 200u);
  ASSERT_LT(named.hostnames.Count(), asked.size());
  for (const auto& [address, times] : asked) EXPECT_EQ(times, 1) << address;
  for (const SiteStatistics::TableRef& ref : SiteStatistics::Tables()) {
    EXPECT_EQ(Ranked(named.*ref.table), Ranked(renamed.*ref.table)) << ref.name;
  }
  EXPECT_EQ(named.uniqueHosts, renamed.uniqueHosts);
  EXPECT_EQ(named.lastVisitors.Texts(), renamed.lastVisitors.Texts());
}

}  // namespace
}  // namespace tlw
