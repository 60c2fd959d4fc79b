// Robot recognition: the time and heap memory to load and compile the robot
// patterns, and the time to classify each distinct agent of the real logs
// (counting asks once per distinct agent of a run). Before the benchmarks
// it prints what the real logs hold: distinct agents, robots among them by
// kind, the commonest families, and the agents that say "bot", "crawler" or
// "spider" but match no pattern. With TLW_ROBOTS_LIST=FILE it also writes
// every distinct agent with its family and kind (empty for a person), one
// tab-separated line each, to compare with other analysers. Run:
//   build/ci/bench/robots_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/run_files.h"
#include "logs/local_logfile.h"
#include "logs/logfile_list.h"
#include "logs/logfile_records.h"
#include "robots/robot_catalog.h"

namespace tlw {
namespace {

std::string DataFile() {
  return InstalledDataFile(RunningProgramFolder(), std::string(kRobotPatternsFileName)).string();
}

// The real logs: $TLW_REALLOGS_DIR, else ../shared/reallogs beside the
// repository this file was built from.
std::filesystem::path RealLogsDir() {
  if (const char* dir = std::getenv("TLW_REALLOGS_DIR"); dir != nullptr && *dir != '\0') return dir;
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "shared" /
         "reallogs";
}

// The real logs that record agents, by the name printed for them.
constexpr std::array<std::pair<const char*, const char*>, 5> kAgentLogs = {{
    {"elastic", "ncsa-combined/elastic_examples_apache_logs"},
    {"zanbil", "ncsa-combined/zanbil_ir_jan2019_1000.log"},
    {"logstalgia", "ncsa-combined/logstalgia_example.log"},
    {"waikolai", "w3c-iis/waikolai_iis70_W3SVC20/u_ex*.log"},
    {"webknowit", "w3c-iis/webknowit_iis85_W3SVC1/u_ex*.log"},
}};

// The distinct agents of every file that `setting` names.
std::set<std::string> AgentsOf(const std::string& setting) {
  std::set<std::string> agents;
  const LocalFiles files = LocalFileList(setting);
  LogfileNames names(files.fileList, setting, std::tm{}, files.listed);
  ParseState state;
  while (std::optional<std::string> name = names.Next()) {
    auto file = LocalLogfile::Open(*name);
    if (!file.ok()) continue;
    LogfileRecords records(**file, state);
    LogRecord record;
    for (RecordStep step = records.Next(record);; step = records.Next(record)) {
      if (step == RecordStep::Record) {
        if (!record.agent.empty() && record.agent != "-") agents.emplace(record.agent);
      } else if (step != RecordStep::Skipped) {
        break;
      }
    }
  }
  return agents;
}

const std::vector<std::string>& AllAgents() {
  static const std::vector<std::string> agents = [] {
    std::set<std::string> all;
    for (const auto& [name, relative] : kAgentLogs) {
      all.merge(AgentsOf((RealLogsDir() / relative).string()));
    }
    return std::vector<std::string>(all.begin(), all.end());
  }();
  return agents;
}

bool SaysRobot(std::string agent) {
  std::transform(agent.begin(), agent.end(), agent.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return agent.find("bot") != std::string::npos || agent.find("crawl") != std::string::npos ||
         agent.find("spider") != std::string::npos;
}

void PrintSummary(RobotCatalog& catalog) {
  for (const auto& [name, relative] : kAgentLogs) {
    const std::set<std::string> agents = AgentsOf((RealLogsDir() / relative).string());
    std::array<int, kRobotKindCount> kinds{};
    std::map<std::string, int> families;
    std::vector<std::string> missed;
    for (const std::string& agent : agents) {
      const std::optional<RobotMatch> match = catalog.RobotOf(agent);
      if (match) {
        ++kinds[static_cast<std::size_t>(match->kind)];
        ++families[std::string(match->family)];
      } else if (SaysRobot(agent)) {
        missed.push_back(agent);
      }
    }
    int robots = 0;
    for (int count : kinds) robots += count;
    std::printf("%-10s %5zu distinct agents, %4d robots (", name, agents.size(), robots);
    for (std::size_t kind = 0; kind < kRobotKindCount; ++kind) {
      std::printf("%s%s %d", kind == 0 ? "" : ", ", kRobotKindNames[kind].data(), kinds[kind]);
    }
    std::printf(") in %zu families\n", families.size());
    std::vector<std::pair<int, std::string>> top;
    for (const auto& [family, count] : families) top.emplace_back(-count, family);
    std::sort(top.begin(), top.end());
    std::printf("           commonest:");
    for (std::size_t i = 0; i < std::min<std::size_t>(top.size(), 8); ++i) {
      std::printf(" %s (%d)", top[i].second.c_str(), -top[i].first);
    }
    std::printf("\n           say bot/crawl/spider but match no pattern: %zu\n", missed.size());
    for (const std::string& agent : missed) std::printf("             %.110s\n", agent.c_str());
  }
}

void WriteList(RobotCatalog& catalog, const char* file) {
  std::FILE* out = std::fopen(file, "w");
  if (out == nullptr) {
    std::perror(file);
    return;
  }
  for (const std::string& agent : AllAgents()) {
    const std::optional<RobotMatch> match = catalog.RobotOf(agent);
    const std::string family = match ? std::string(match->family) : std::string();
    const std::string_view kind =
        match ? kRobotKindNames[static_cast<std::size_t>(match->kind)] : "";
    std::fprintf(out, "%s\t%s\t%.*s\n", agent.c_str(), family.c_str(),
                 static_cast<int>(kind.size()), kind.data());
  }
  std::fclose(out);
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void BM_LoadCatalog(benchmark::State& state) {
  std::size_t heap = 0;
  std::size_t entries = 0;
  for (auto _ : state) {
    const std::size_t before = HeapInUse();
    Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(DataFile(), "");
    if (!catalog) {
      state.SkipWithError(catalog.message().c_str());
      return;
    }
    heap = HeapInUse() - before;
    entries = (*catalog)->Entries().size();
  }
  state.counters["entries"] = static_cast<double>(entries);
  state.counters["heap_MiB"] = static_cast<double>(heap) / (1 << 20);
}
BENCHMARK(BM_LoadCatalog)->Unit(benchmark::kMillisecond)->UseRealTime();

// All distinct agents of the real logs once per iteration, through a
// catalog whose DFA is warm (as it is after a run's first agents).
void BM_ClassifyDistinctAgents(benchmark::State& state) {
  Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(DataFile(), "");
  if (!catalog || AllAgents().empty()) {
    state.SkipWithError("no catalog or no real logs");
    return;
  }
  const std::size_t before = HeapInUse();
  std::size_t robots = 0;
  for (auto _ : state) {
    robots = 0;
    for (const std::string& agent : AllAgents()) robots += (*catalog)->RobotOf(agent).has_value();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(AllAgents().size()));
  state.counters["agents"] = static_cast<double>(AllAgents().size());
  state.counters["robots"] = static_cast<double>(robots);
  state.counters["dfa_growth_MiB"] = static_cast<double>(HeapInUse() - before) / (1 << 20);
}
BENCHMARK(BM_ClassifyDistinctAgents)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first classification of each agent by a fresh catalog, whose DFA
// states are still to be built: what one run that loads its own pays.
void BM_ClassifyWithFreshCatalog(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Result<std::unique_ptr<RobotCatalog>> catalog = LoadRobotCatalog(DataFile(), "");
    state.ResumeTiming();
    if (!catalog) {
      state.SkipWithError(catalog.message().c_str());
      return;
    }
    for (const std::string& agent : AllAgents()) {
      benchmark::DoNotOptimize((*catalog)->RobotOf(agent));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(AllAgents().size()));
}
BENCHMARK(BM_ClassifyWithFreshCatalog)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tlw

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tlw::Result<std::unique_ptr<tlw::RobotCatalog>> catalog =
      tlw::LoadRobotCatalog(tlw::DataFile(), "");
  if (!catalog) {
    std::fprintf(stderr, "robots_bench: %s\n", catalog.message().c_str());
    return 1;
  }
  if (std::filesystem::exists(tlw::RealLogsDir())) {
    tlw::PrintSummary(**catalog);
    if (const char* list = std::getenv("TLW_ROBOTS_LIST"); list != nullptr && *list != '\0') {
      tlw::WriteList(**catalog, list);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
