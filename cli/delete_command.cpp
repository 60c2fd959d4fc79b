#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"

namespace tlw::cli {
namespace {

class DeleteCommand : public Command {
 public:
  explicit DeleteCommand(CLI::App& app)
      : Command(app.add_subcommand("delete", "Remove sites, and save")) {
    Subcommand()
        ->add_option("rows", rows_, "Rows of the sites, as the list shows them")
        ->required();
  }

  // Every row names the list as it was before the command, so all are
  // checked first and removed from the last to the first.
  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    SiteProfiles& profiles = session->Profiles();
    std::vector<std::size_t> rows;
    for (const std::string& text : rows_) {
      Result<std::size_t> row = ParseRow(text, profiles.size());
      if (!row.ok()) return row.status();
      rows.push_back(*row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (std::size_t row : rows) {
      profiles.erase(profiles.begin() + static_cast<std::ptrdiff_t>(row));
    }
    if (Status status = session->Save(); !status.ok()) return status;
    context.out << "deleted " << rows.size() << (rows.size() == 1 ? " site" : " sites") << '\n';
    return Status::Ok();
  }

 private:
  std::vector<std::string> rows_;
};

}  // namespace

std::unique_ptr<Command> AddDeleteCommand(CLI::App& app) {
  return std::make_unique<DeleteCommand>(app);
}

}  // namespace tlw::cli
