#include "support/cli_process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/paths.h"

namespace tlw::test {
namespace {

// Every tallowick-cli a test starts, however it starts it, keeps its run
// histories under the build tree, never in the user's state folder.
[[maybe_unused]] const bool kHistoriesUnderBuildTree =
    ::setenv("XDG_STATE_HOME", TLW_BINARY_DIR "/tests/test_state", 1) == 0;

}  // namespace

ProcessRun RunCliProgram(const TempDir& dir, const std::string& args) {
  const std::string command = "cd '" + dir.path().string() + "' && '" + CliPath().string() + "' " +
                              args + " >'" + (dir / "stdout.txt").string() + "' 2>'" +
                              (dir / "stderr.txt").string() + "'";
  const int status = std::system(command.c_str());
  ProcessRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(dir / "stdout.txt"),
                 ReadFileBytes(dir / "stderr.txt")};
  std::filesystem::remove(dir / "stdout.txt");
  std::filesystem::remove(dir / "stderr.txt");
  return run;
}

}  // namespace tlw::test
