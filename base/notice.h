#pragma once

#include <string>

#include "base/run_host.h"

namespace tlw {

// A message box that a run shows through its RunNotifier: the engine only
// composes it, the front end decides how to show it.
struct Notice {
  std::string text;
  std::string caption = kApplicationTitle;
};

}  // namespace tlw
