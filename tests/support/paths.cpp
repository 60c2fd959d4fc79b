#include "support/paths.h"

namespace tlw::test {

std::filesystem::path SourceDir() { return TLW_SOURCE_DIR; }
std::filesystem::path BinaryDir() { return TLW_BINARY_DIR; }
std::filesystem::path RealLogsDir() { return TLW_REALLOGS_DIR; }
std::filesystem::path CliPath() { return TLW_CLI_PATH; }

}  // namespace tlw::test
