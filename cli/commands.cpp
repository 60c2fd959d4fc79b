#include "cli/commands.h"

#include <array>

namespace tlw::cli {

std::span<const CommandFactory> AllCommands() {
  static constexpr std::array<CommandFactory, 8> kCommands{
      &AddReportCommand, &AddRunCommand,     &AddSitesCommand,  &AddAddCommand,
      &AddSetCommand,    &AddOptionsCommand, &AddDeleteCommand, &AddMailTestCommand};
  return kCommands;
}

}  // namespace tlw::cli
