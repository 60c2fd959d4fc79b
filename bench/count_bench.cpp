// Throughput and memory of counting: records per second through AddRecord
// over generated traffic shaped like a busy site's log (many hosts coming
// back in visits, pages with their images, external and search referrers,
// a long tail of user agents), at two log sizes so that the growth of time
// and memory with the log is visible. Run:
//   build/bench/count_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/log_record.h"
#include "stats/add_record.h"
#include "stats/counting_state.h"
#include "stats/day_order.h"

namespace tlw {
namespace {

// Small deterministic generator (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  // Skewed towards small indices, as popularity is on real sites.
  std::uint32_t Popular(std::uint32_t n) {
    const double u = static_cast<double>(Next() >> 11) * 0x1.0p-53;
    return static_cast<std::uint32_t>(static_cast<double>(n) * u * u * u);
  }
  bool Chance(int percent) { return Below(100) < static_cast<std::uint32_t>(percent); }

 private:
  std::uint64_t state_;
};

// One generated record: indices into the traffic's text pools.
struct CompactRecord {
  std::uint32_t host;
  std::uint32_t path;
  std::uint32_t referrer;  // 0: none
  std::uint32_t agent;
  std::uint32_t minute;  // minutes since the log's start
  std::uint16_t status;
  std::uint16_t bytes;
};

struct Traffic {
  std::vector<std::string> hosts, paths, referrers, agents, statuses, bytes;
  std::vector<std::string> days, months, years, hours, minutes;  // per day / per value
  std::vector<CompactRecord> records;

  LogRecord View(const CompactRecord& c) const {
    const std::uint32_t day = c.minute / 1440;
    LogRecord r;
    r.host = hosts[c.host];
    r.user = "-";
    r.day = days[day];
    r.month = months[day];
    r.year = years[day];
    r.hour = hours[c.minute % 1440 / 60];
    r.minute = minutes[c.minute % 60];
    r.url = paths[c.path];
    r.status = statuses[c.status];
    r.bytes = bytes[c.bytes];
    r.referrer = referrers[c.referrer];
    r.agent = agents[c.agent];
    return r;
  }
};

std::string Pad2(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

void BuildPools(Traffic& t, std::size_t recordCount, Random& random) {
  // Distinct keys grow with the log as they do on a real site: new hosts
  // keep arriving, pages and agents much less so.
  const std::size_t hostCount = recordCount / 25;
  static constexpr std::array<const char*, 10> kTlds = {"com", "net", "de",     "co.uk", "org",
                                                        "fr",  "edu", "com.au", "jp",    "nl"};
  for (std::size_t i = 0; i < hostCount; ++i) {
    if (random.Chance(45)) {
      t.hosts.push_back(
          std::to_string(random.Below(223) + 1) + "." + std::to_string(random.Below(256)) + "." +
          std::to_string(random.Below(256)) + "." + std::to_string(random.Below(254) + 1));
    } else {
      t.hosts.push_back("dial" + std::to_string(i) + ".pool" + std::to_string(random.Below(90)) +
                        ".isp" + std::to_string(random.Below(400)) + "." +
                        kTlds[random.Below(kTlds.size())]);
    }
  }
  static constexpr std::array<const char*, 8> kSections = {
      "products", "support", "news", "docs", "shop", "about", "blog", "download"};
  t.paths = {"/", "/index.html"};
  for (int s = 0; s < 8; ++s) {
    for (int p = 0; p < 150; ++p) {
      t.paths.push_back(std::string("/") + kSections[s] + "/page" + std::to_string(p) + ".html");
    }
  }
  for (int p = 0; p < 3000; ++p) t.paths.push_back("/shop/item.php?id=" + std::to_string(p));
  for (int p = 0; p < 400; ++p) {
    t.paths.push_back("/images/pic" + std::to_string(p) + (p % 3 ? ".gif" : ".jpg"));
  }
  t.paths.push_back("/style/site.css");

  t.referrers.push_back("");
  for (int i = 0; i < 400; ++i) {
    t.referrers.push_back("http://www.mysite.example/" + t.paths[2 + static_cast<std::size_t>(i)]);
  }
  for (int i = 0; i < 6000; ++i) {
    t.referrers.push_back("http://www.partner" + std::to_string(i % 900) + ".example.com/links/" +
                          std::to_string(i) + ".html");
  }
  static constexpr std::array<const char*, 6> kWords = {"web",      "statistics", "log",
                                                        "analyzer", "free",       "download"};
  for (int i = 0; i < 3000; ++i) {
    const std::string phrase = std::string(kWords[i % 6]) + "+" + kWords[i / 6 % 6] +
                               (i >= 36 ? "+" + std::to_string(i) : "");
    switch (i % 3) {
      case 0:
        t.referrers.push_back("http://search.yahoo.com/bin/search?p=" + phrase + "&hc=0");
        break;
      case 1:
        t.referrers.push_back("http://www.altavista.com/cgi-bin/query?q=" + phrase);
        break;
      default:
        t.referrers.push_back("http://search.msn.com/results.asp?RS=CHECKED&MT=" + phrase +
                              "&co=20");
    }
  }
  for (int i = 0; i < 600; ++i) {
    switch (i % 4) {
      case 0:
        t.agents.push_back("Mozilla/4.0 (compatible; MSIE " + std::to_string(4 + i % 3) + "." +
                           std::to_string(i % 100) + "; Windows " + (i % 8 < 4 ? "98" : "NT") +
                           "; DigExt; build " + std::to_string(i) + ")");
        break;
      case 1:
        t.agents.push_back("Mozilla/4." + std::to_string(i % 80) + " [en] (Win95; U; rev " +
                           std::to_string(i) + ")");
        break;
      case 2:
        t.agents.push_back("Mozilla/5.0 (X11; Linux i686; rv:" + std::to_string(i) +
                           ") Gecko/20100101 Firefox/" + std::to_string(i % 90) + ".0");
        break;
      default:
        t.agents.push_back("Crawler-" + std::to_string(i) + "/1.0 (+http://bot.example/)");
    }
  }
  t.statuses = {"200", "304", "404", "302", "500"};
  for (int i = 0; i < 1000; ++i) t.bytes.push_back(std::to_string(200 + i * 97 % 60000));
  t.bytes.push_back("-");

  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static constexpr std::array<int, 12> kMonthDays = {31, 29, 31, 30, 31, 30,
                                                     31, 31, 30, 31, 30, 31};
  int month = 9, day = 1, year = 2000;
  for (int d = 0; d < 2000; ++d) {
    t.days.push_back(Pad2(day));
    t.months.push_back(kMonths[static_cast<std::size_t>(month)]);
    t.years.push_back(std::to_string(year));
    if (++day > kMonthDays[static_cast<std::size_t>(month)]) {
      day = 1;
      if (++month == 12) month = 0, ++year;
    }
  }
  for (int h = 0; h < 24; ++h) t.hours.push_back(Pad2(h));
  for (int m = 0; m < 60; ++m) t.minutes.push_back(Pad2(m));
}

// Visitors arrive, read a few pages with their images within minutes of
// each other, and leave; some come back later in a new visit.
std::unique_ptr<Traffic> Generate(std::size_t recordCount) {
  auto t = std::make_unique<Traffic>();
  Random random(20001010);
  BuildPools(*t, recordCount, random);
  struct Session {
    std::uint32_t host, agent, referrer, pagesLeft;
  };
  constexpr std::uint32_t kPages = 2 + 8 * 150 + 3000;  // pages come before the images
  constexpr std::size_t kConcurrent = 150;
  std::vector<Session> sessions(kConcurrent);
  const auto fresh = [&]() {
    Session s;
    s.host = random.Popular(static_cast<std::uint32_t>(t->hosts.size()));
    s.agent = random.Popular(static_cast<std::uint32_t>(t->agents.size()));
    const std::uint32_t kind = random.Below(100);
    s.referrer =
        kind < 40 ? 0 : 1 + random.Below(static_cast<std::uint32_t>(t->referrers.size() - 1));
    s.pagesLeft = 1 + random.Below(8);
    return s;
  };
  for (Session& s : sessions) s = fresh();
  // About 70 records a minute: the 2-million log spans some three weeks.
  std::uint64_t clock = 0;
  t->records.reserve(recordCount);
  const auto status = [&]() {
    const std::uint32_t roll = random.Below(100);
    return static_cast<std::uint16_t>(roll < 86   ? 0
                                      : roll < 94 ? 1
                                      : roll < 97 ? 2
                                      : roll < 99 ? 3
                                                  : 4);
  };
  const auto bytes = [&](std::uint16_t code) {
    return static_cast<std::uint16_t>(code == 1 ? t->bytes.size() - 1 : random.Below(1000));
  };
  const std::uint32_t imageCount = static_cast<std::uint32_t>(t->paths.size()) - kPages;
  while (t->records.size() < recordCount) {
    // A page, then the images it shows, fetched right after it by the same
    // client with the page as referrer (the own-site referrers come first in
    // the pool, one per page).
    Session& s = sessions[random.Below(kConcurrent)];
    CompactRecord page{};
    page.host = s.host;
    page.agent = s.agent;
    page.minute = static_cast<std::uint32_t>(clock / 70);
    page.path = random.Popular(kPages);
    page.referrer = s.referrer;
    page.status = status();
    page.bytes = bytes(page.status);
    t->records.push_back(page);
    ++clock;
    const std::uint32_t images = random.Below(6);
    for (std::uint32_t i = 0; i < images && t->records.size() < recordCount; ++i) {
      CompactRecord image = page;
      image.path = kPages + random.Popular(imageCount);
      image.referrer = 1 + page.path % 400;
      image.status = status();
      image.bytes = bytes(image.status);
      t->records.push_back(image);
      ++clock;
    }
    // Later pages of the visit name the previous page as referrer.
    s.referrer = 1 + page.path % 400;
    if (--s.pagesLeft == 0) s = fresh();
  }
  return t;
}

const Traffic& TrafficOf(std::size_t recordCount) {
  static std::map<std::size_t, std::unique_ptr<Traffic>> cache;
  auto& slot = cache[recordCount];
  if (!slot) slot = Generate(recordCount);
  return *slot;
}

double ResidentMb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double PeakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

CountingOptions BenchOptions() {
  CountingOptions options;
  options.homepageUrl = "http://www.mysite.example";
  options.extensionFilter = "EXE|ZIP";
  return options;
}

// A run hands AddRecord fields that the parser has just cut out of the line
// buffer, so they are in cache. A batch renders records the same way: the
// texts of consecutive records side by side in one buffer.
class RecordBatch {
 public:
  static constexpr std::size_t kRecords = 1024;

  // Renders records [first, first + kRecords) of the traffic.
  void Render(const Traffic& traffic, std::size_t first) {
    const std::size_t end = std::min(first + kRecords, traffic.records.size());
    text_.clear();
    offsets_.clear();
    for (std::size_t i = first; i < end; ++i) {
      const LogRecord source = traffic.View(traffic.records[i]);
      for (std::string_view field : Fields(source)) {
        offsets_.push_back(text_.size());
        text_.append(field);
        text_.push_back(' ');
      }
    }
    records_.clear();
    std::size_t next = 0;
    for (std::size_t i = first; i < end; ++i) {
      LogRecord r;
      std::string_view* fields[] = {&r.host,   &r.user, &r.day,    &r.month, &r.year,     &r.hour,
                                    &r.minute, &r.url,  &r.status, &r.bytes, &r.referrer, &r.agent};
      for (std::string_view* field : fields) {
        const std::size_t at = offsets_[next++];
        const std::size_t stop = next < offsets_.size() ? offsets_[next] - 1 : text_.size() - 1;
        *field = std::string_view(text_).substr(at, stop - at);
      }
      records_.push_back(r);
    }
  }
  const std::vector<LogRecord>& Records() const { return records_; }

 private:
  static std::array<std::string_view, 12> Fields(const LogRecord& r) {
    return {r.host,   r.user, r.day,    r.month, r.year,     r.hour,
            r.minute, r.url,  r.status, r.bytes, r.referrer, r.agent};
  }
  std::string text_;
  std::vector<std::size_t> offsets_;
  std::vector<LogRecord> records_;
};

void CountAll(SiteStatistics& statistics, const Traffic& traffic) {
  const CountingOptions options = BenchOptions();
  for (const CompactRecord& c : traffic.records) AddRecord(statistics, options, traffic.View(c));
}

// Records per second through AddRecord, and the memory the statistics hold
// afterwards (resident growth while counting into fresh tables).
void BM_AddRecord(benchmark::State& state) {
  const Traffic& traffic = TrafficOf(static_cast<std::size_t>(state.range(0)));
  auto statistics = std::make_unique<SiteStatistics>();
  CountingOptions options = BenchOptions();
  // The second argument counts people and robots too, as for the modern view.
  options.countAudience = state.range(1) != 0;
  RecordBatch batch;
  double statsMb = 0;
  bool first = true;
  for (auto _ : state) {
    state.PauseTiming();
    statistics->Clear();
    malloc_trim(0);
    const double before = ResidentMb();
    statistics->Prepare();
    state.ResumeTiming();
    for (std::size_t at = 0; at < traffic.records.size(); at += RecordBatch::kRecords) {
      state.PauseTiming();
      batch.Render(traffic, at);
      state.ResumeTiming();
      for (const LogRecord& r : batch.Records()) AddRecord(*statistics, options, r);
    }
    state.PauseTiming();
    if (first) statsMb = ResidentMb() - before;
    first = false;
    state.ResumeTiming();
  }
  const auto n = static_cast<double>(traffic.records.size());
  state.counters["records/s"] =
      benchmark::Counter(n * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["hosts"] = static_cast<double>(statistics->hostnames.Count());
  state.counters["referers"] = static_cast<double>(statistics->referers.Count());
  state.counters["stats_MB"] = statsMb;
  state.counters["aud_hosts"] = static_cast<double>(statistics->Counting().audience.hosts.size());
  state.counters["aud_paths"] = static_cast<double>(statistics->Counting().audience.paths.size());
  state.counters["fam_hosts"] =
      static_cast<double>(statistics->Counting().audience.familyHosts.size());
  state.counters["peak_MB"] = PeakResidentMb();
}
BENCHMARK(BM_AddRecord)
    ->Args({200'000, 0})
    ->Args({200'000, 1})
    ->Args({2'000'000, 0})
    ->Args({2'000'000, 1})
    ->Unit(benchmark::kMillisecond);

// The end of a run: closing visits, entry and exit pages, and ranking every
// table as the report does.
void BM_FinishAndRank(benchmark::State& state) {
  const Traffic& traffic = TrafficOf(static_cast<std::size_t>(state.range(0)));
  auto statistics = std::make_unique<SiteStatistics>();
  std::size_t rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    statistics->Prepare();
    CountAll(*statistics, traffic);
    state.ResumeTiming();
    FinishRecords(*statistics);
    for (const auto& ref : SiteStatistics::Tables())
      rows += Ranked((*statistics).*ref.table).size();
    rows += DaysByDate(statistics->days).size();
  }
  benchmark::DoNotOptimize(rows);
  state.counters["click_paths"] = static_cast<double>(statistics->clickPaths.Count());
}
BENCHMARK(BM_FinishAndRank)->Arg(200'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tlw

BENCHMARK_MAIN();
