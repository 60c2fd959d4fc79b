#include "cli/commands.h"

#include <array>

namespace tlw::cli {

std::span<const CommandFactory> AllCommands() {
  static constexpr std::array<CommandFactory, 5> kCommands{
      &AddSitesCommand, &AddAddCommand, &AddSetCommand, &AddOptionsCommand, &AddDeleteCommand};
  return kCommands;
}

}  // namespace tlw::cli
