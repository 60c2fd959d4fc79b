#include "engine/counting_digest.h"

#include <cstdlib>
#include <string_view>

#include <sys/stat.h>

#include "engine/run_files.h"
#include "stats/counting_archive.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tlw {
namespace {

// Appends a field and a separator no field holds.
void Add(std::string& text, std::string_view field) {
  text.append(field);
  text.push_back('\0');
}

// A data file as it is now: its name, size and time of change; a file
// replaced by a newer edition changes the digest.
void AddFile(std::string& text, const std::string& path) {
  Add(text, path);
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) {
    Add(text, "-");
    return;
  }
  Add(text, std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
                std::to_string(info.st_mtim.tv_nsec));
}

}  // namespace

std::uint64_t CountingDigest(const CountingOptions& options, const RunSettings& settings,
                             const std::string& logfileSetting, bool keepHistory) {
  std::string text;
  Add(text, TLW_VERSION);
  Add(text, std::to_string(CountingArchiveLayout()));
  Add(text, logfileSetting);
  Add(text, options.hostFilter);
  Add(text, options.extensionFilter);
  Add(text, options.directoryFilter);
  Add(text, options.processEntireLog ? "entire" : "range");
  if (!options.processEntireLog) {
    Add(text, std::to_string(options.reportFrom) + "-" + std::to_string(options.reportTo));
  }
  Add(text, options.homepageUrl);
  Add(text, std::to_string(options.topLastVisitors));
  Add(text, options.countAudience ? "audience" : "-");
  Add(text, settings.resolveHostnames ? "names" : "-");
  Add(text, keepHistory ? "history" : "-");
  Add(text, settings.geoipCountries ? "geoip" : "-");
  if (settings.geoipCountries) {
    AddFile(text, settings.geoipDatabase);
    AddFile(text, "/usr/share/GeoIP/GeoIP.dat");
    AddFile(text, "/usr/share/GeoIP/GeoIPv6.dat");
  }
  if (options.countAudience) {
    AddFile(text, InstalledDataFile(RunningProgramFolder(), "crawler-user-agents.json").string());
    AddFile(text, settings.robotPatternsFile);
  }
  // Local times decide days, hours and visits.
  const char* zone = std::getenv("TZ");
  Add(text, zone == nullptr ? "-" : zone);
  AddFile(text, "/etc/localtime");
  return XXH3_64bits(text.data(), text.size());
}

}  // namespace tlw
