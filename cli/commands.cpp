#include "cli/commands.h"

#include <array>

namespace tlw::cli {

std::span<const CommandFactory> AllCommands() {
  static constexpr std::array<CommandFactory, 7> kCommands{
      &AddReportCommand, &AddRunCommand,     &AddSitesCommand, &AddAddCommand,
      &AddSetCommand,    &AddOptionsCommand, &AddDeleteCommand};
  return kCommands;
}

}  // namespace tlw::cli
