#include "engine/run_files.h"

#include <array>
#include <system_error>

namespace tlw {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCountryTableName = "Country_Codes.dat";

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

}  // namespace

fs::path RunningProgramFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return program.parent_path();
}

fs::path InstalledDataFile(const fs::path& programFolder, const std::string& name) {
  if (programFolder.empty()) return {};
  const fs::path up = programFolder.parent_path();
  for (const fs::path& candidate :
       std::array{programFolder / name, up / name, up / "share" / "tallowick" / name}) {
    if (IsFile(candidate)) return candidate;
  }
  return {};
}

fs::path CountryTablePath(const std::string& programDirectory) {
  if (!programDirectory.empty()) {
    const fs::path inProgramDirectory = fs::path(programDirectory) / kCountryTableName;
    if (IsFile(inProgramDirectory)) return inProgramDirectory;
  }
  return InstalledDataFile(RunningProgramFolder(), kCountryTableName);
}

}  // namespace tlw
