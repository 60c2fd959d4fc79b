#include "logs/wildcard_expansion.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "logs/local_logfile.h"

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

// Where a file stands among the rotations of one log. logrotate keeps the
// live log under its own name and renames older ones either to NAME.1,
// NAME.2.gz, ... (the larger the number, the older) or, with dated names, to
// NAME-20240301.gz.
struct RotationPlace {
  enum Kind { kDated, kNumbered, kLive };
  std::string_view base;  // the live log's name
  Kind kind = kLive;
  std::uint64_t number = 0;  // the date or the rotation number
};

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

RotationPlace RotationPlaceOf(std::string_view name) {
  std::string_view stem = name;
  for (const std::string_view compressed : {".gz", ".bz2", ".xz", ".zip"}) {
    if (stem.ends_with(compressed)) {
      stem.remove_suffix(compressed.size());
      break;
    }
  }
  const std::size_t cut = stem.find_last_of(".-");
  if (cut == std::string_view::npos || cut == 0) return {name};
  const std::string_view suffix = stem.substr(cut + 1);
  if (!AllDigits(suffix)) return {name};
  std::uint64_t number = 0;
  std::from_chars(suffix.data(), suffix.data() + suffix.size(), number);
  if (suffix.size() == 8) return {stem.substr(0, cut), RotationPlace::kDated, number};
  // Short numbers after a dot are rotation numbers; anything else (serials,
  // other dates) sorts by name.
  if (stem[cut] == '.' && suffix.size() <= 4 && number > 0) {
    return {stem.substr(0, cut), RotationPlace::kNumbered, number};
  }
  return {name};
}

// Time order for a folder of logs: names in name order (daily names such as
// u_ex090817.log sort by date), except that the rotations of one log come
// oldest first and the live log last.
bool ComesEarlier(const std::string& a, const std::string& b) {
  const RotationPlace placeA = RotationPlaceOf(a);
  const RotationPlace placeB = RotationPlaceOf(b);
  if (placeA.base != placeB.base) return placeA.base < placeB.base;
  if (placeA.kind != placeB.kind) return placeA.kind < placeB.kind;
  if (placeA.number != placeB.number) {
    // Dates grow with time; rotation numbers grow with age.
    return placeA.kind == RotationPlace::kDated ? placeA.number < placeB.number
                                                : placeA.number > placeB.number;
  }
  return a < b;
}

}  // namespace

bool NamesWildcard(std::string_view logfileSetting) {
  std::string_view pattern = logfileSetting.substr(0, logfileSetting.find('|'));
  if (pattern.size() < kMinPatternLength) pattern = logfileSetting;
  const std::size_t lastSeparator = pattern.find_last_of("/\\");
  const std::size_t nameStart = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
  return pattern.find_first_of("*?", nameStart) != std::string_view::npos;
}

bool IsListableFileName(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '|' || c == '\\' || byte < 0x20 || byte == 0x7f) return false;
  }
  return true;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (name.starts_with('.') && !pattern.starts_with('.')) return false;
  if (GlobMatch(pattern, name)) return true;
  return pattern.ends_with(".*") && GlobMatch(pattern.substr(0, pattern.size() - 2), name);
}

WildcardMatches ExpandLocalWildcards(std::string_view logfileSetting) {
  std::string_view pattern = logfileSetting.substr(0, logfileSetting.find('|'));
  if (pattern.size() < kMinPatternLength) pattern = logfileSetting;
  const std::string path = LocalPath(pattern);

  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string namePattern = slash == std::string::npos ? path : path.substr(slash + 1);

  WildcardMatches matches;
  std::vector<std::string> names;
  std::error_code error;
  const std::filesystem::path listed = folder.empty() ? "." : folder;
  for (std::filesystem::directory_iterator it(listed, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!MatchesWildcard(namePattern, name)) continue;
    // Folders are no logfiles, and neither are named pipes, sockets or
    // devices: a run would refuse them and end.
    std::error_code statusError;
    if (!it->is_regular_file(statusError)) continue;
    if (!IsListableFileName(name)) {
      matches.leftOut.push_back(folder + name);
      continue;
    }
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), ComesEarlier);
  std::sort(matches.leftOut.begin(), matches.leftOut.end());

  for (const std::string& name : names) {
    matches.fileList += folder;
    matches.fileList += name;
    matches.fileList += '|';
  }
  return matches;
}

}  // namespace tlw
