#include "engine/wildcard_expansion.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/local_logfile.h"

namespace tlw {
namespace {

constexpr std::size_t kMinPatternLength = 2;

// "*" and "?" matching with backtracking to the last star: linear for the
// patterns people type.
bool GlobMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (name.starts_with('.') && !pattern.starts_with('.')) return false;
  if (GlobMatch(pattern, name)) return true;
  return pattern.ends_with(".*") && GlobMatch(pattern.substr(0, pattern.size() - 2), name);
}

std::string ExpandLocalWildcards(std::string_view logfileSetting) {
  std::string_view pattern = logfileSetting.substr(0, logfileSetting.find('|'));
  if (pattern.size() < kMinPatternLength) pattern = logfileSetting;
  const std::string path = LocalPath(pattern);

  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string namePattern = slash == std::string::npos ? path : path.substr(slash + 1);

  std::vector<std::string> names;
  std::error_code error;
  const std::filesystem::path listed = folder.empty() ? "." : folder;
  for (std::filesystem::directory_iterator it(listed, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!MatchesWildcard(namePattern, name)) continue;
    std::error_code statusError;
    if (it->is_directory(statusError)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  std::string fileList;
  for (const std::string& name : names) {
    fileList += folder;
    fileList += name;
    fileList += '|';
  }
  return fileList;
}

}  // namespace tlw
