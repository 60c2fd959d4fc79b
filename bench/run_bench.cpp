// A whole site run over a generated combined log of 1M lines (warm page
// cache): lines per second from the first line to the statistics, and with
// the HTML report and its graphs written as well; plus the allocations the
// run makes per line (new table keys allocate, repeated ones must not); and
// the run without the report once more with host names resolved through a
// warm cache (every address already known, as on a second run in a
// session), against a resolver that answers at once. Run:
//   build/bench/run_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "bench/support/allocation_counter.h"
#include "engine/run_site.h"
#include "settings/settings.h"
#include "settings/site_profile.h"
#include "tools/loggen/log_generator.h"

namespace tlw {
namespace {

constexpr std::uint64_t kRequests = 1'000'000;

// One folder with the generated log and the reports, for the whole program.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tlw-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    loggen::Options options;
    options.layout = loggen::Layout::NcsaCombined;
    options.requests = kRequests;
    if (!loggen::WriteLog(Log(), options).ok()) std::abort();
    settings_.programDirectory = folder_;
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Log() const { return folder_ + "/access.log"; }
  std::string Report() const { return folder_ + "/report/stats.html"; }
  const RunSettings& Settings() const { return settings_; }

 private:
  std::string folder_;
  RunSettings settings_;
};

BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

std::string FakeName(std::string_view address) {
  return "client-" + std::string(address) + ".dsl.example.net";
}

void RunWholeSite(benchmark::State& state, bool report, bool resolve = false) {
  BenchFolder& folder = Folder();
  RunSettings settings = folder.Settings();
  settings.resolveHostnames = resolve;
  CDNSCache cache;
  bool warm = !resolve;
  std::uint64_t lines = 0;
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetListIndex(0);
    profile->SetHomepageUrl("https://www.example.com/");
    profile->SetLogfilePath(folder.Log());
    profile->SetReportPath(folder.Report());
    RunProgress progress;
    RunOptions options;
    options.progress = &progress;
    options.resolver = &FakeName;
    // Stopping the run once its statistics are complete skips the report.
    if (!report) options.onStatistics = [&](const CSiteProfile&) { profile->SetRunning(false); };
    if (!warm) {
      // Fills the cache; not timed.
      state.PauseTiming();
      (void)RunSite(profile, settings, {}, cache, options);
      profile->SetRunning(true);
      state.ResumeTiming();
      warm = true;
    }
    const std::uint64_t before = bench::AllocationCount();
    const RunResult result = RunSite(profile, settings, {}, cache, options);
    allocations += bench::AllocationCount() - before;
    if (report && !result.Finished()) state.SkipWithError(result.message.c_str());
    lines += progress.linesRead.load();
  }
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
  state.counters["allocs/line"] =
      static_cast<double>(allocations) / static_cast<double>(lines == 0 ? 1 : lines);
}

void BM_RunWithoutReport(benchmark::State& state) { RunWholeSite(state, false); }
void BM_RunWithReport(benchmark::State& state) { RunWholeSite(state, true); }
void BM_RunWithoutReportResolving(benchmark::State& state) { RunWholeSite(state, false, true); }

BENCHMARK(BM_RunWithoutReport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunWithReport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunWithoutReportResolving)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tlw

BENCHMARK_MAIN();
