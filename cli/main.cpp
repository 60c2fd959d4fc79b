#include <iostream>

#include "base/local_zone.h"
#include "base/memory_policy.h"
#include "cli/cli_app.h"

int main(int argc, char** argv) {
  tlw::ReturnLargeBlocksToTheSystem();
  tlw::KeepTheLocalZoneLoaded();
  return tlw::cli::RunCli(argc, argv, std::cout, std::cerr);
}
