// The tuned counting (pending counts, packed visits, its own hash tables,
// prefetching, click paths counted on a second thread) against the plain
// reference counter, on generated logs of every layout and on real logs:
// every table must hold the same entries with the same counts. A log of one
// file with the default options is also counted by a whole run, which
// reads a file of 1 MiB or more on a second thread, hashes each record's
// keys there and loads the tables ahead of the counting.

#include "tests/reference/reference_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/run_files.h"
#include "engine/run_site.h"
#include "logs/local_logfile.h"
#include "logs/log_format.h"
#include "logs/logfile_records.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "stats/add_record.h"
#include "stats/country_lookup.h"
#include "stats/host_rules.h"
#include "stats/site_statistics.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "tools/loggen/log_generator.h"
#include "tools/loggen/site_model.h"

namespace tlw {
namespace {

// A country for some addresses, none for others, and a code that names no
// country.
class FakeCountries : public CountryLookup {
 public:
  std::string_view CountryOf(std::string_view address) override {
    if (address.starts_with('1')) return "GB";
    if (address.starts_with('2')) return "ZZ";
    return address.find(':') != std::string_view::npos ? "DE" : "";
  }
};

// Names some addresses, leaves others: several addresses share a name, and
// one name is a key of three characters, whose visits never end early.
std::string FakeName(std::string_view address) {
  const char last = address.empty() ? ' ' : address.back();
  if (last == '0') return "ab0";
  if (last == '2' || last == '4') return std::string("pool-") + last + ".isp.example.co.uk";
  if (last == '6') return "crawl.search.example.com";
  return "";
}

enum class Options {
  kDefault,   // as a run counts without filters
  kNarrowed,  // filters, a reporting range, named hosts, countries, a short visitor list
};

CountingOptions MakeOptions(Options kind, FakeCountries& countries) {
  CountingOptions options;
  options.homepageUrl = std::string(loggen::kSiteOrigin);
  if (kind == Options::kNarrowed) {
    options.hostFilter = "ab0|crawl.search.example.com|NOSUCH";
    options.extensionFilter = "css|Svg";
    options.directoryFilter = "/blog/2023/11|/downloads";
    options.processEntireLog = false;
    options.reportFrom = 1709337600 + 13 * 3600;  // 2024-03-02, any time of that day
    options.reportTo = 1709510400;                // 2024-03-04
    options.topLastVisitors = 7;
    options.countryLookup = &countries;
    options.nameHost = FakeName;
  }
  return options;
}

struct CountCase {
  const char* name;
  std::optional<loggen::Layout> layout;  // a generated log, else `file`
  const char* file;  // relative to the source tree; ending in "/": its files in name order;
                     // null: kEdges
  Options options;
  std::optional<loggen::Layout> then = std::nullopt;  // a second generated log, same run
};

// What real logs do now and then: a host of three characters whose visit
// outlives its idle time, pages holding "!", a page asked for twice, a day
// that comes back, a month that is no month, a date past the month's end,
// statuses that are no numbers, bytes of "-", a user, a search phrase, a
// later day as busy as the busiest (which stays the earlier one), an
// agent written as a W3C log writes it (counted before a W3C log that
// sends the same text, which is then described again).
constexpr const char* kEdges =
    R"log(abc - - [01/Mar/2024:10:00:00 +0000] "GET /a.html HTTP/1.0" 200 100 "-" "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0"
abc - - [01/Mar/2024:11:00:00 +0000] "GET /b!x.html HTTP/1.0" 200 100 "-" "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0"
abc - - [01/Mar/2024:11:05:00 +0000] "GET /c.html HTTP/1.0" 200 100 "-" "-"
10.0.0.1 - alice [01/Mar/2024:10:00:00 +0000] "GET /x!y.php HTTP/1.0" 404 - "https://www.google.com/search?q=blue+widgets" "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"
10.0.0.1 - alice [01/Mar/2024:10:10:00 +0000] "GET /x!y.php HTTP/1.0" 200 5 "-" "-"
10.0.0.1 - alice [01/Mar/2024:10:50:00 +0000] "GET /!z.htm HTTP/1.0" 500 7 "-" "-"
10.0.0.1 - alice [01/Mar/2024:10:52:00 +0000] "GET /index.html HTTP/1.0" 200 7 "-" "-"
10.0.0.1 - - [01/Foo/2024:10:55:00 +0000] "GET /q.html HTTP/1.0" 200 9 "-" "-"
host.example.de - - [02/Mar/2024:00:00:00 +0000] "GET / HTTP/1.0" 304 0 "-" "-"
host.example.de - - [02/Mar/2024:00:01:00 +0000] "GET /docs/ HTTP/1.0" abc 0 "-" "-"
host.example.de - - [01/Mar/2024:23:59:00 +0000] "GET /late.html HTTP/1.0" 2 10 "-" "-"
host.example.de - - [01/Mar/2024:23:59:00 +0000] "GET /late.html HTTP/1.0" 200 10 "-" "-"
host.example.de - - [31/Feb/2023:23:59:00 +0000] "GET /feb.html HTTP/1.0" 200 10 "-" "-"
host.example.de - - [31/Feb/2023:23:59:00 +0000] "GET /feb2.html HTTP/1.0" 200 10 "-" "-"
host.example.de - - [01/Mar/2024:00:02:00 +0000] "GET /docs/ HTTP/1.0" 200 0 "-" "Mozilla/5.0+(Windows+NT+10.0;+Win64;+x64)+AppleWebKit/537.36+(KHTML,+like+Gecko)+Chrome/122.0.0.0+Safari/537.36+Edg/122.0.2365.66"
tie.example.com - - [03/Mar/2024:08:00:00 +0000] "GET /t0.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:01:00 +0000] "GET /t1.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:02:00 +0000] "GET /t2.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:03:00 +0000] "GET /t3.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:04:00 +0000] "GET /t4.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:05:00 +0000] "GET /t5.html HTTP/1.1" 200 1 "-" "-"
tie.example.com - - [03/Mar/2024:08:06:00 +0000] "GET /t6.html HTTP/1.1" 200 1 "-" "-"
)log";

std::vector<std::pair<std::string, std::int64_t>> EntriesOf(const SiteStatistics& statistics,
                                                            const SiteStatistics::TableRef& ref) {
  std::vector<std::pair<std::string, std::int64_t>> entries;
  for (const StatEntry& e : Ranked(statistics.*ref.table)) {
    entries.emplace_back(ref.pageNumberKeys ? statistics.ClickPathText(e.key) : std::string(e.key),
                         e.count);
  }
  return entries;
}

// Every counter and table of `tuned` as the reference counted them.
void ExpectSameCounts(const SiteStatistics& tuned, const reference::ReferenceStatistics& expected) {
  EXPECT_EQ(tuned.uniqueHosts, expected.uniqueHosts);
  EXPECT_EQ(tuned.homepageHits, expected.homepageHits);
  EXPECT_EQ(tuned.successfulRequests, expected.successfulRequests);
  EXPECT_EQ(tuned.totalBytes, expected.totalBytes);
  EXPECT_EQ(tuned.busiestDay, expected.busiestDay);
  EXPECT_EQ(tuned.lastVisitors.Texts(), expected.lastVisitors);
  for (const SiteStatistics::TableRef& ref : SiteStatistics::Tables()) {
    const auto entries = EntriesOf(tuned, ref);
    const auto found = expected.tables.find(ref.name);
    const reference::Counts none;
    const reference::Counts& want = found == expected.tables.end() ? none : found->second;
    // Entry by entry; the ranking itself is Ranked's, tested with it.
    const reference::Counts got(entries.begin(), entries.end());
    EXPECT_EQ(got, want) << ref.name;
    EXPECT_EQ(got.size(), entries.size()) << ref.name << ": a key twice";
  }
}

// A run's host that shows nothing.
class NoHost final : public ProgressSink, public RunNotifier, public ShellOpener {
 public:
  void Post(int, int) override {}
  void ShowMessage(const std::string&, const std::string&) override {}
  void Open(const std::string&) override {}
  const RunHost& Host() const { return host_; }

 private:
  RunHost host_{this, this, this};
};

class ReferenceCounterTest : public testing::TestWithParam<CountCase> {};

TEST_P(ReferenceCounterTest, TunedCountingFillsEveryTableAsTheReference) {
  const CountCase& c = GetParam();
  test::TempDir dir;
  std::vector<std::filesystem::path> logs;
  if (c.file != nullptr && std::string_view(c.file).ends_with('/')) {
    for (const auto& entry : std::filesystem::directory_iterator(test::SourceDir() / c.file)) {
      logs.push_back(entry.path());
    }
    std::sort(logs.begin(), logs.end());
  } else if (c.file != nullptr) {
    logs.push_back(test::SourceDir() / c.file);
  }
  if (!c.layout && c.file == nullptr) logs.push_back(dir.Write("edges.log", kEdges));
  for (const auto layout : {c.layout, c.then}) {
    if (!layout) continue;
    loggen::Options generated;
    generated.layout = *layout;
    generated.requests = 30000;
    generated.seed = 11 + logs.size();
    generated.maxGapSeconds = 25;  // about four days, visits that end and start again
    logs.push_back(dir / ("generated" + std::to_string(logs.size()) + ".log"));
    ASSERT_TRUE(loggen::WriteLog(logs.back().string(), generated).ok());
  }
  FakeCountries countries;
  CountingOptions options = MakeOptions(c.options, countries);
  reference::ReferenceCounter plain(options);
  SiteStatistics tuned;
  tuned.Prepare();

  std::int64_t counted = 0;
  for (const std::filesystem::path& log : logs) {
    auto file = LocalLogfile::Open(log.string());
    ASSERT_TRUE(file.ok()) << file.message();
    ParseState state;
    LogfileRecords records(**file, state);
    LogRecord record;
    for (RecordStep step = records.Next(record); step != RecordStep::End;
         step = records.Next(record)) {
      if (step == RecordStep::Skipped) continue;
      if (step != RecordStep::Record) break;  // a damaged file ends where it is damaged
      options.w3cLog = records.Format() == LogFormat::W3cExtended;
      plain.SetW3cLog(options.w3cLog);
      AddRecord(tuned, options, record);
      plain.Add(record);
      ++counted;
    }
  }
  FinishRecords(tuned);
  const reference::ReferenceStatistics expected = plain.Finish();
  ASSERT_GT(counted, 10);

  ExpectSameCounts(tuned, expected);
  if (c.options == Options::kDefault && logs.size() == 1) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetHomepageUrl(options.homepageUrl);
    profile->SetTopLastVisitors(options.topLastVisitors);
    profile->SetLogfilePath(logs.front().string());
    profile->SetReportPath((dir / "report" / "stats.html").string());
    RunSettings settings;
    settings.programDirectory = dir.path().string();
    settings.geoipCountries = false;
    // The run names the countries from the country table before it shows
    // its statistics.
    reference::ReferenceStatistics named = expected;
    reference::Counts& byName = named.tables["countries"];
    for (const auto& [code, name] : LoadCountryNames(CountryTablePath(settings.programDirectory))) {
      if (const auto found = byName.find(code); found != byName.end()) {
        const std::int64_t count = found->second;
        byName.erase(found);
        byName[name] = count;
      }
    }
    RunOptions run;
    bool snapshot = false;
    run.onStatistics = [&](const CSiteProfile& done) {
      snapshot = true;
      ExpectSameCounts(done.Statistics(), named);
    };
    NoHost host;
    CDNSCache cache;
    EXPECT_TRUE(RunSite(profile, settings, host.Host(), cache, run).Finished());
    EXPECT_TRUE(snapshot);
  }
  // Most tables have something to compare (some layouts have no agents or
  // referrers, most logs no logons), visits always.
  EXPECT_GE(std::count_if(expected.tables.begin(), expected.tables.end(),
                          [](const auto& table) { return !table.second.empty(); }),
            14);
  EXPECT_FALSE(expected.tables.at("clickPaths").empty());
}

constexpr auto kDefault = Options::kDefault;
constexpr auto kNarrowed = Options::kNarrowed;
using loggen::Layout;

INSTANTIATE_TEST_SUITE_P(
    Logs, ReferenceCounterTest,
    testing::Values(
        CountCase{"GeneratedCommon", Layout::NcsaCommon, nullptr, kDefault},
        CountCase{"GeneratedCombined", Layout::NcsaCombined, nullptr, kDefault},
        CountCase{"GeneratedW3c", Layout::W3cExtended, nullptr, kDefault},
        CountCase{"GeneratedComma", Layout::CommaSeparated, nullptr, kDefault},
        CountCase{"GeneratedTab", Layout::TabSeparated, nullptr, kDefault},
        CountCase{"GeneratedBang", Layout::BangTabSeparated, nullptr, kDefault},
        CountCase{"GeneratedCombinedNarrowed", Layout::NcsaCombined, nullptr, kNarrowed},
        CountCase{"GeneratedW3cNarrowed", Layout::W3cExtended, nullptr, kNarrowed},
        CountCase{"GeneratedW3cThenCombined", Layout::W3cExtended, nullptr, kDefault,
                  Layout::NcsaCombined},
        CountCase{"RealElasticCombined", std::nullopt,
                  "tests/golden/logs/elastic_examples_apache_logs", kDefault},
        CountCase{"RealLnavW3c", std::nullopt, "tests/golden/logs/lnav_iis85_w3c_big.log",
                  kDefault},
        CountCase{"SampleLog", std::nullopt, "data/sample_access.log", kDefault},
        // Hundreds of small hostile logs in one run: cut lines, stray bytes,
        // months and dates that are no dates, mixed layouts.
        CountCase{"FuzzCorpus", std::nullopt, "tests/fuzz/corpus/log_lines/", kDefault},
        CountCase{"Edges", std::nullopt, nullptr, kDefault},
        CountCase{"EdgesThenGeneratedW3c", std::nullopt, nullptr, kDefault, Layout::W3cExtended}),
    [](const testing::TestParamInfo<CountCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tlw
