#include "net/ftp_listing.h"

#include <fnmatch.h>

namespace tlw {

namespace {

// A name that a file inside the listed folder can have: no folder part, no
// "|" (which separates the names of a logfile list) and no control
// characters. A server may list anything; other names are not used.
bool PlainFileName(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || c == '|' || byte < 0x20 || byte == 0x7f) return false;
  }
  return true;
}

}  // namespace

std::string ListedFileName(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  if (line.empty()) return {};
  std::size_t pos = 0;
  auto field = [&line, &pos]() {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ') ++pos;
    return line.substr(start, pos - start);
  };
  auto rest = [&line, &pos]() {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    return line.substr(pos);
  };
  const char first = line.front();
  if (first >= '0' && first <= '9') {  // 01-31-24  10:00AM  <DIR>  name
    (void)field();
    (void)field();
    if (field() == "<DIR>") return {};
    const std::string_view name = rest();
    return PlainFileName(name) ? std::string(name) : std::string();
  }
  if (first != '-' && first != 'l') return {};  // folders, devices, "total"
  for (int i = 0; i < 8; ++i) (void)field();
  std::string_view name = rest();
  if (first == 'l') name = name.substr(0, name.find(" -> "));
  return PlainFileName(name) ? std::string(name) : std::string();
}

std::vector<std::string> MatchListing(std::string_view listing, const std::string& folder,
                                      const std::string& namePattern) {
  std::vector<std::string> matches;
  std::size_t start = 0;
  while (start < listing.size()) {
    std::size_t end = listing.find('\n', start);
    if (end == std::string_view::npos) end = listing.size();
    const std::string name = ListedFileName(listing.substr(start, end - start));
    start = end + 1;
    if (name.empty() || name == "." || name == "..") continue;
    if (fnmatch(namePattern.c_str(), name.c_str(), FNM_PERIOD) == 0)
      matches.push_back(folder + name);
  }
  return matches;
}

}  // namespace tlw
