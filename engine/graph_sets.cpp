#include "engine/graph_sets.h"

#include <string>
#include <system_error>

#include "report/section_catalog.h"

namespace tlw {
namespace {

bool IsDayPart(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9') && c != '-' && c != '_') return false;
  }
  return true;
}

// The report graph name that `name` ends with after a row prefix and a day
// part, or empty.
std::string_view GraphNameOf(std::string_view name, std::string_view rowPrefix) {
  if (!name.starts_with(rowPrefix)) return {};
  for (const ReportSection& section : ReportSections()) {
    const std::string_view graph = section.graphFile;
    if (graph.empty() || name.size() < rowPrefix.size() + graph.size() || !name.ends_with(graph)) {
      continue;
    }
    const std::size_t daySize = name.size() - rowPrefix.size() - graph.size();
    if (IsDayPart(name.substr(rowPrefix.size(), daySize))) return graph;
  }
  return {};
}

}  // namespace

std::vector<std::filesystem::path> RemoveEarlierGraphSets(const std::filesystem::path& imagesFolder,
                                                          int listIndex,
                                                          std::string_view currentPrefix) {
  const std::string rowPrefix = std::to_string(listIndex) + "_";
  std::vector<std::filesystem::path> removed;
  std::error_code error;
  for (std::filesystem::directory_iterator it(imagesFolder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::string_view graph = GraphNameOf(name, rowPrefix);
    if (graph.empty()) continue;
    if (std::string_view(name).substr(0, name.size() - graph.size()) == currentPrefix) continue;
    std::error_code kindError;
    if (!it->is_regular_file(kindError) || it->is_symlink(kindError)) continue;
    std::error_code removeError;
    if (std::filesystem::remove(it->path(), removeError)) removed.push_back(it->path());
  }
  return removed;
}

}  // namespace tlw
