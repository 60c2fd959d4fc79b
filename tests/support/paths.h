#pragma once

#include <filesystem>

namespace tlw::test {

// The repository's source folder (data/ holds the sample log and tables).
std::filesystem::path SourceDir();
// The build folder (holds the programs and the copied run-time data).
std::filesystem::path BinaryDir();
// The real access logs shared with the project; may be absent.
std::filesystem::path RealLogsDir();
// Path of the built tallowick-cli program.
std::filesystem::path CliPath();

}  // namespace tlw::test

// Skips the current test when the real logs are not beside the repository.
#define TLW_REQUIRE_REALLOGS()                                                 \
  do {                                                                         \
    if (!std::filesystem::exists(::tlw::test::RealLogsDir())) {                \
      GTEST_SKIP() << "real logs not found at " << ::tlw::test::RealLogsDir(); \
    }                                                                          \
  } while (false)
