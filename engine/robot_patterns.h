#pragma once

#include <memory>
#include <string>
#include <vector>

#include "stats/audience.h"

namespace tlw {

// What a run tells robots by.
struct RunRobots {
  std::shared_ptr<RobotLookup> lookup;  // null: only requests for /robots.txt tell robots
  std::vector<std::string> warnings;    // one line each, naming the file and the problem
};

// The robot patterns installed with the programs (InstalledDataFile) with
// the user's own pattern file (`userFile`; empty for none). They are
// compiled once per process and shared by every run that names the same
// files, unchanged since: a catalog is only read once made, and the
// desktop program runs sites side by side and again on a schedule.
RunRobots RobotsForRun(const std::string& userFile);

}  // namespace tlw
