#include "engine/run_plan.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace tlw {
namespace {

RunPlan FullRun(std::string why) { return RunPlan::Full(std::move(why)); }

// How a listed file goes on from a saved one it was found to hold.
LogfileStart StartFrom(const SavedLogfile& saved, LogfileChange change) {
  LogfileStart start;
  start.skip = change == LogfileChange::kUnchanged;
  if (!start.skip) {
    start.offset = saved.file.bytesRead;
    start.format = saved.format;
  }
  start.counted = saved;
  return start;
}

RunPlan PlanSameFiles(const RunStateHeader& saved, const std::vector<std::string>& listed) {
  const std::vector<SavedLogfile>& files = saved.files;
  for (std::size_t i = 0; i < listed.size() && i < files.size(); ++i) {
    if (listed[i] != files[i].file.name) {
      return FullRun("the logfiles listed are not those of the last run (" + listed[i] +
                     " in place of " + files[i].file.name + ")");
    }
  }
  if (listed.size() > files.size()) {
    return FullRun("the logfile " + listed[files.size()] + " is new since the last run");
  }
  if (listed.size() < files.size()) {
    return FullRun("the logfile " + files[listed.size()].file.name +
                   " read by the last run is no longer listed");
  }
  RunPlan plan = RunPlan::Resumed();
  std::uint64_t appended = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const LogfileComparison now = CompareLogfile(files[i].file);
    if (now.change == LogfileChange::kGrown) {
      if (i + 1 != files.size()) {
        return FullRun("the logfile " + files[i].file.name +
                       " grew, and logfiles after it were read after it");
      }
      if (files[i].format == LogFormat::Unsupported) {
        return FullRun("the layout of " + files[i].file.name +
                       " was found from fewer than two lines");
      }
      appended = now.size - files[i].file.bytesRead;
    } else if (now.change != LogfileChange::kUnchanged) {
      return FullRun(now.reason);
    }
    plan.starts.push_back(StartFrom(files[i], now.change));
  }
  plan.note = appended == 0 ? "Nothing appended since the last run: its counts are reported"
                            : "Reading on: " + std::to_string(appended) + " bytes appended to " +
                                  files.back().file.name + " since the last run";
  return plan;
}

RunPlan PlanWithHistory(const RunStateHeader& saved, const std::vector<std::string>& listed) {
  std::vector<SavedLogfile> known = saved.files;
  known.insert(known.end(), saved.history.begin(), saved.history.end());
  std::vector<bool> matched(known.size(), false);
  RunPlan plan = RunPlan::Resumed();
  std::size_t read = 0;
  for (const std::string& name : listed) {
    std::optional<LogfileStart> start;
    // The file read under this name before, when it is still that file.
    for (std::size_t k = 0; k < known.size() && !start; ++k) {
      if (matched[k] || known[k].file.name != name) continue;
      const LogfileComparison now = CompareLogfile(known[k].file);
      if (now.change == LogfileChange::kUnchanged || now.change == LogfileChange::kGrown) {
        matched[k] = true;
        start = StartFrom(known[k], now.change);
      }
    }
    // A file rotated to this name, perhaps compressed since.
    for (std::size_t k = 0; k < known.size() && !start; ++k) {
      if (matched[k] || !HoldsCountedContent(name, known[k].file)) continue;
      matched[k] = true;
      // A compressed copy is taken as the file that was counted, whole: it
      // cannot be read from the middle.
      std::error_code error;
      const std::uintmax_t size = std::filesystem::file_size(name, error);
      start = StartFrom(known[k], IsGzipLogfile(name) || error || size <= known[k].file.bytesRead
                                      ? LogfileChange::kUnchanged
                                      : LogfileChange::kGrown);
    }
    if (!start) start = LogfileStart{};
    if (!start->skip) ++read;
    plan.starts.push_back(*start);
  }
  for (std::size_t k = 0; k < known.size(); ++k) {
    if (!matched[k]) plan.history.push_back(known[k]);
  }
  plan.note = "History kept: the counts of the earlier runs go on, " + std::to_string(read) +
              " of the " + std::to_string(listed.size()) +
              " logfiles listed hold lines not counted yet";
  return plan;
}

}  // namespace

RunPlan PlanRun(const RunStateHeader& saved, std::uint64_t settingsDigest,
                const std::vector<std::string>& listed, bool keepHistory) {
  if (saved.settingsDigest != settingsDigest) {
    return FullRun("settings that change the counting differ from the last run's");
  }
  return keepHistory ? PlanWithHistory(saved, listed) : PlanSameFiles(saved, listed);
}

}  // namespace tlw
