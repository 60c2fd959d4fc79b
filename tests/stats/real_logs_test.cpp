#include <gtest/gtest.h>

#include <fstream>
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

// Counts a whole log; returns the number of records handed over.
std::int64_t CountLog(SiteStatistics& s, const std::filesystem::path& file) {
  std::ifstream in(file);
  EXPECT_TRUE(in) << file;
  s.Prepare();
  CountingOptions options;
  options.homepageUrl = "http://www.nosuchsite.example";
  std::string line;
  std::int64_t records = 0;
  LogRecord r;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!CutNcsa(line, r)) continue;
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

}  // namespace
}  // namespace tlw
