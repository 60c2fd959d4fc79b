#pragma once

#include <filesystem>
#include <memory>
#include <ostream>

#include "base/result.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tlw::cli {

// What every command gets: the global options and where to print.
struct CliContext {
  std::filesystem::path directory;  // program directory holding the settings file
  bool salvage = false;             // go on with the sites read from a damaged file
  bool quiet = false;               // no progress lines: only warnings and errors
  std::ostream& out;
  std::ostream& err;
};

// One subcommand. Its Add function registers the subcommand and binds its
// options to the object it returns; Run is called once the command line has
// chosen it.
class Command {
 public:
  explicit Command(CLI::App* subcommand) : subcommand_(subcommand) {}
  virtual ~Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  CLI::App* Subcommand() const { return subcommand_; }
  // Carries the command out; a failure's message is printed as one line.
  virtual Status Run(const CliContext& context) = 0;

 private:
  CLI::App* subcommand_;
};

// Adds one subcommand to `app` and returns the object that runs it.
using CommandFactory = std::unique_ptr<Command> (*)(CLI::App& app);

}  // namespace tlw::cli
