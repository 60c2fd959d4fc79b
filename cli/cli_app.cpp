#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/run_console.h"
#include "engine/library_versions.h"

namespace tlw::cli {
namespace {

constexpr const char* kProgram = "tallowick-cli";

// One line per message, whatever the texts inside it hold: a server's
// reply or a log's text never drives the terminal.
void PrintError(std::ostream& err, const std::string& message) {
  err << kProgram << ": error: " << ConsoleText(message) << '\n';
}

std::string CommandNames(const std::vector<std::unique_ptr<Command>>& commands) {
  std::string names;
  for (const auto& command : commands) {
    if (!names.empty()) names += ", ";
    names += command->Subcommand()->get_name();
  }
  return names;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Tallowick Web Statistics: web-server access logs into an HTML traffic report",
               kProgram};
  // Global options may also follow the command.
  app.fallthrough();
  app.require_subcommand(0, 1);
  std::string directory = ".";
  bool salvage = false;
  bool quiet = false;
  bool version = false;
  app.add_option("--dir", directory,
                 "Program directory that holds Tallowick.Settings (default: the current one; "
                 "made when missing)");
  app.add_flag("--salvage", salvage,
               "Go on with the sites read from a damaged settings file (a copy of the file is "
               "kept as Tallowick.Settings.damaged, or .damaged.1, .damaged.2 ... beside an "
               "earlier copy)");

  app.add_flag("--version", version,
               "Print the program's version and those of libcurl, GD and zlib, and exit");
  app.add_flag("-q,--quiet", quiet,
               "Print no progress lines and no \"Report:\" line, only warnings and errors "
               "(progress always goes to standard error)");

  std::vector<std::unique_ptr<Command>> commands;
  for (CommandFactory add : AllCommands()) commands.push_back(add(app));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
      return app.exit(e, out, err);
    PrintError(err, std::string(e.what()) + " (see " + kProgram + " --help)");
    return kExitUsage;
  }

  if (version) {
    out << VersionText(kProgram, TLW_VERSION);
    return kExitOk;
  }

  const CliContext context{directory, salvage, quiet, out, err};
  for (const auto& command : commands) {
    if (!command->Subcommand()->parsed()) continue;
    Status status = command->Run(context);
    if (status.ok()) return kExitOk;
    PrintError(err, status.message());
    return kExitFailed;
  }
  PrintError(err, std::string("a command is required: ") + CommandNames(commands) + " (see " +
                      kProgram + " --help)");
  return kExitUsage;
}

}  // namespace tlw::cli
