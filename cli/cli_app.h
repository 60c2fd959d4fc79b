#pragma once

#include <ostream>

namespace tlw::cli {

// Exit statuses of tallowick-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command failed: bad value, row, field or file
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

// Parses the command line, runs the chosen command and returns the exit
// status. Results go to `out`; messages go to `err`, one line each.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tlw::cli
