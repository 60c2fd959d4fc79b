#include <CLI/CLI.hpp>

#include "base/user_folders.h"
#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/run_console.h"
#include "cli/settings_session.h"
#include "frontend/run_history.h"
#include "settings/site_profile.h"

namespace tlw::cli {
namespace {

// Prints the last runs of a site, newest first, as the window's Run History
// shows them: one line per run, the fields separated by tabs.
class HistoryCommand : public Command {
 public:
  explicit HistoryCommand(CLI::App& app)
      : Command(app.add_subcommand(
            "history",
            "Print a site's last runs, newest first: start, time taken, outcome, "
            "message (tab-separated)")) {
    Subcommand()->add_option("row", row_, "Row of the site, as the list shows it")->required();
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    Result<std::size_t> row = ParseRow(row_, session->Profiles().size());
    if (!row.ok()) return row.status();
    session->Unlock();
    const RunHistory history =
        RunHistory::Load(RunHistory::FileFor(UserFoldersOfProcess().state, context.directory));
    if (!history.Warning().empty()) {
      context.err << "tallowick-cli: " << ConsoleText(history.Warning()) << '\n';
    }
    const std::vector<RunRecord> runs = history.RunsOf(session->Profiles()[*row]->GetHomepageUrl());
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      const std::vector<std::string> cells = RunCells(*run);
      for (std::size_t i = 0; i < cells.size(); ++i) {
        context.out << (i == 0 ? "" : "\t") << ConsoleText(cells[i]);
      }
      context.out << '\n';
    }
    return Status::Ok();
  }

 private:
  std::string row_;
};

}  // namespace

std::unique_ptr<Command> AddHistoryCommand(CLI::App& app) {
  return std::make_unique<HistoryCommand>(app);
}

}  // namespace tlw::cli
