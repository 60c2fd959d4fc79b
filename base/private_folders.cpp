#include "base/private_folders.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include <sys/stat.h>

namespace tlw {

Status MakePrivateFolders(const std::filesystem::path& folder, int privateLevels,
                          std::string_view what) {
  std::vector<std::filesystem::path> steps;
  std::filesystem::path step = folder;
  for (int level = 0; level < privateLevels; ++level) {
    steps.insert(steps.begin(), step);
    step = step.parent_path();
  }
  std::error_code ignored;
  std::filesystem::create_directories(step, ignored);
  for (const std::filesystem::path& made : steps) {
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      return Status::Error("Cannot create the " + std::string(what) + " folder " + made.string() +
                           ": " + std::generic_category().message(errno));
    }
  }
  return Status::Ok();
}

}  // namespace tlw
