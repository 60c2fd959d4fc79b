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

// The robots of `data` and `userFile`, under the cache's lock.
RunRobots RobotsFor(const fs::path& data, const std::string& userFile,
                    const std::lock_guard<std::mutex>& lock) {
  (void)lock;
  static std::map<std::pair<std::string, std::string>, CachedCatalog> cache;
  const auto key = std::pair(data.string(), userFile);
  const fs::file_time_type dataChanged = ChangeTimeOf(key.first);
  const fs::file_time_type userChanged = ChangeTimeOf(userFile);
  const auto found = cache.find(key);
  if (found != cache.end() && found->second.dataChanged == dataChanged &&
      found->second.userChanged == userChanged) {
    return RunRobots{found->second.catalog, found->second.warnings};
  }
  Result<std::unique_ptr<RobotCatalog>> loaded = LoadRobotCatalog(key.first, userFile);
  if (!loaded.ok() && !userFile.empty()) {
    // The user's file is mended later; the installed patterns serve meanwhile.
    RunRobots installed = RobotsFor(data, "", lock);
    installed.warnings.insert(
        installed.warnings.begin(),
        loaded.message() + "; the run uses the installed robot patterns alone");
    return installed;
  }
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
  const std::lock_guard lock(guard);
  return RobotsFor(data, userFile, lock);
}

}  // namespace tlw
