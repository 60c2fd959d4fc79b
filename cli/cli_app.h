#pragma once

namespace tlw::cli {

// Parses the command line, runs the command and returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace tlw::cli
