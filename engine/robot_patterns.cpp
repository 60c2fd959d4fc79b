#include "engine/robot_patterns.h"

#include <malloc.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

#include "engine/run_files.h"
#include "robots/robot_catalog.h"

namespace tlw {
namespace {

namespace fs = std::filesystem;

// A file's last change, to tell a catalog made before it from a current one.
fs::file_time_type ChangeTimeOf(const std::string& file) {
  std::error_code error;
  return file.empty() ? fs::file_time_type{} : fs::last_write_time(file, error);
}

struct CachedCatalog {
  fs::file_time_type dataChanged;
  fs::file_time_type userChanged;
  std::shared_ptr<RobotCatalog> catalog;
  std::vector<std::string> warnings;
};

}  // namespace

RunRobots RobotsForRun(const std::string& userFile) {
  const fs::path data =
      InstalledDataFile(RunningProgramFolder(), std::string(kRobotPatternsFileName));
  if (data.empty()) {
    return RunRobots{nullptr,
                     {"The robot patterns (" + std::string(kRobotPatternsFileName) +
                      ") are not installed beside the program: robots are told only by their "
                      "requests for /robots.txt"}};
  }
  static std::mutex guard;
  static std::map<std::pair<std::string, std::string>, CachedCatalog> cache;
  const std::lock_guard lock(guard);
  const auto key = std::pair(data.string(), userFile);
  const fs::file_time_type dataChanged = ChangeTimeOf(key.first);
  const fs::file_time_type userChanged = ChangeTimeOf(userFile);
  const auto found = cache.find(key);
  if (found != cache.end() && found->second.dataChanged == dataChanged &&
      found->second.userChanged == userChanged) {
    return RunRobots{found->second.catalog, found->second.warnings};
  }
  Result<std::unique_ptr<RobotCatalog>> loaded = LoadRobotCatalog(key.first, userFile);
  if (!loaded.ok()) {
    // Not kept: the next run tries again, after the user mended the file.
    return RunRobots{
        nullptr, {loaded.message() + "; robots are told only by their requests for /robots.txt"}};
  }
  // Reading the file left its texts and parse buffers free in the run
  // thread's heap: given back, they do not add to the run's peak.
  malloc_trim(0);
  CachedCatalog& cached = cache[key];
  cached.dataChanged = dataChanged;
  cached.userChanged = userChanged;
  cached.warnings = (*loaded)->Warnings();
  cached.catalog = std::shared_ptr<RobotCatalog>(std::move(*loaded));
  return RunRobots{cached.catalog, cached.warnings};
}

}  // namespace tlw
