#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

namespace tlw::cli {

int RunCli(int argc, char** argv) {
  CLI::App app{"Tallowick Web Statistics: web-server access logs into an HTML traffic report"};
  app.require_subcommand(1);
  app.add_subcommand("sites", "List the site profiles");
  CLI11_PARSE(app, argc, argv);
  return 0;
}

}  // namespace tlw::cli
