#include "cli/commands.h"

#include <array>

namespace tlw::cli {

std::span<const CommandFactory> AllCommands() {
  static constexpr std::array<CommandFactory, 9> kCommands{
      &AddReportCommand,  &AddRunCommand,    &AddSitesCommand,    &AddAddCommand,    &AddSetCommand,
      &AddOptionsCommand, &AddDeleteCommand, &AddMailTestCommand, &AddHistoryCommand};
  return kCommands;
}

}  // namespace tlw::cli
