// Reading, parsing and completing records: lines per second for each log
// layout over a generated file (warm page cache), plain and gzip, plus the
// real logs beside the repository; and how many allocations each line costs
// (the target is none). Run:
//   build/bench/parse_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <vector>

#include <zlib.h>

#include "bench/support/allocation_counter.h"
#include "logs/local_logfile.h"
#include "logs/logfile_list.h"
#include "logs/logfile_records.h"
#include "tools/loggen/log_generator.h"

namespace tlw {
namespace {

constexpr std::uint64_t kGeneratedRequests = 1'000'000;

// Generated logs live in one temporary folder for the whole program.
class GeneratedLogs {
 public:
  GeneratedLogs() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tlw-bench-XXXXXX").string();
    folder_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
  }
  ~GeneratedLogs() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // The file of `layout`, written on first use.
  const std::string& Plain(loggen::Layout layout) {
    auto found = plain_.find(layout);
    if (found != plain_.end()) return found->second;
    const std::string path = folder_ + "/" + std::string(loggen::LayoutName(layout)) + ".log";
    loggen::Options options;
    options.layout = layout;
    options.requests = kGeneratedRequests;
    if (!loggen::WriteLog(path, options).ok()) std::abort();
    return plain_.emplace(layout, path).first->second;
  }

  // The combined log, gzipped.
  const std::string& Gzipped() {
    if (!gzipped_.empty()) return gzipped_;
    const std::string source = Plain(loggen::Layout::NcsaCombined);
    gzipped_ = source + ".gz";
    std::FILE* in = std::fopen(source.c_str(), "rb");
    gzFile out = gzopen(gzipped_.c_str(), "wb6");
    if (in == nullptr || out == nullptr) std::abort();
    std::vector<char> chunk(1 << 20);
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0;) {
      if (gzwrite(out, chunk.data(), static_cast<unsigned>(n)) != static_cast<int>(n)) std::abort();
    }
    std::fclose(in);
    if (gzclose(out) != Z_OK) std::abort();
    return gzipped_;
  }

 private:
  std::string folder_;
  std::map<loggen::Layout, std::string> plain_;
  std::string gzipped_;
};

GeneratedLogs& Logs() {
  static GeneratedLogs logs;
  return logs;
}

struct Totals {
  std::uint64_t lines = 0;  // records and skipped lines
  std::uint64_t records = 0;
  std::uint64_t bytes = 0;
  std::uint64_t allocations = 0;
};

// Reads every logfile that `setting` names, as a run does.
Totals ReadSetting(const std::string& setting) {
  Totals totals;
  const std::tm start{};
  const LocalFiles files = LocalFileList(setting);
  LogfileNames names(files.fileList, setting, start, files.listed);
  ParseState state;
  while (std::optional<std::string> name = names.Next()) {
    auto file = LocalLogfile::Open(*name);
    if (!file.ok()) std::abort();
    totals.bytes += (*file)->Size();
    LogfileRecords records(**file, state);
    LogRecord record;
    const std::uint64_t before = bench::AllocationCount();
    for (RecordStep step = records.Next(record);; step = records.Next(record)) {
      if (step == RecordStep::Record) {
        ++totals.records;
        benchmark::DoNotOptimize(record);
      } else if (step != RecordStep::Skipped) {
        break;
      }
      ++totals.lines;
    }
    totals.allocations += bench::AllocationCount() - before;
  }
  return totals;
}

void Report(benchmark::State& state, const Totals& totals) {
  const auto iterations = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(totals.lines) * state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(totals.bytes) * state.iterations());
  state.counters["lines"] = static_cast<double>(totals.lines);
  state.counters["records"] = static_cast<double>(totals.records);
  state.counters["allocs_per_line"] =
      static_cast<double>(totals.allocations) / iterations / static_cast<double>(totals.lines);
}

// Reads `setting` once per iteration and reports the last pass's counts
// with the allocations of all passes.
void Measure(benchmark::State& state, const std::string& setting) {
  Totals totals;
  Totals sum;
  for (auto _ : state) {
    totals = ReadSetting(setting);
    sum.allocations += totals.allocations;
  }
  totals.allocations = sum.allocations;
  Report(state, totals);
}

void BM_GeneratedLayout(benchmark::State& state) {
  const auto layout = static_cast<loggen::Layout>(state.range(0));
  const std::string& path = Logs().Plain(layout);
  state.SetLabel(std::string(loggen::LayoutName(layout)));
  ReadSetting(path);  // warm the page cache
  Measure(state, path);
}
BENCHMARK(BM_GeneratedLayout)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_GzipCombined(benchmark::State& state) {
  const std::string& path = Logs().Gzipped();
  state.SetLabel("combined.gz");
  Measure(state, path);
}
BENCHMARK(BM_GzipCombined)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The real logs: $TLW_REALLOGS_DIR, else ../shared/reallogs beside the
// repository this file was built from.
std::filesystem::path RealLogsDir() {
  if (const char* dir = std::getenv("TLW_REALLOGS_DIR"); dir != nullptr && *dir != '\0') return dir;
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "shared" /
         "reallogs";
}

// The real logs beside the repository; skipped when they are absent.
void BM_RealLog(benchmark::State& state, const char* relative) {
  const std::filesystem::path logs = RealLogsDir();
  const std::string setting = (logs / relative).string();
  if (!std::filesystem::exists(logs)) {
    state.SkipWithError("real logs not found");
    return;
  }
  state.SetLabel(relative);
  Measure(state, setting);
}
BENCHMARK_CAPTURE(BM_RealLog, nasa, "ncsa-common/nasa_kennedy_aug95_first20000.log")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RealLog, elastic, "ncsa-combined/elastic_examples_apache_logs")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RealLog, waikolai_509_files, "w3c-iis/waikolai_iis70_W3SVC20/u_ex*.log")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tlw

BENCHMARK_MAIN();
