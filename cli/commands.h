#pragma once

#include <span>

#include "cli/command.h"

namespace tlw::cli {

// Each command lives in a file of its own and is listed once in AllCommands().
std::unique_ptr<Command> AddSitesCommand(CLI::App& app);
std::unique_ptr<Command> AddAddCommand(CLI::App& app);
std::unique_ptr<Command> AddSetCommand(CLI::App& app);
std::unique_ptr<Command> AddOptionsCommand(CLI::App& app);
std::unique_ptr<Command> AddDeleteCommand(CLI::App& app);
std::unique_ptr<Command> AddRunCommand(CLI::App& app);
std::unique_ptr<Command> AddReportCommand(CLI::App& app);
std::unique_ptr<Command> AddMailTestCommand(CLI::App& app);
std::unique_ptr<Command> AddHistoryCommand(CLI::App& app);

// The commands in the order the help lists them.
std::span<const CommandFactory> AllCommands();

}  // namespace tlw::cli
