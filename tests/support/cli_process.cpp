#include "support/cli_process.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/paths.h"

namespace tlw::test {

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
