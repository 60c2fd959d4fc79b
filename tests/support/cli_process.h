#pragma once

#include <string>

#include "support/temp_dir.h"

namespace tlw::test {

// What a run of the built tallowick-cli gave: its exit status and output.
struct ProcessRun {
  int code;
  std::string out;
  std::string err;
};

// Runs the built tallowick-cli through the shell with `dir` as the current
// directory; `args` is shell text.
ProcessRun RunCliProgram(const TempDir& dir, const std::string& args);

}  // namespace tlw::test
