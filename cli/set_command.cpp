#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"

namespace tlw::cli {
namespace {

class SetCommand : public Command {
 public:
  explicit SetCommand(CLI::App& app)
      : Command(app.add_subcommand("set", "Change saved fields of one site, and save")) {
    Subcommand()->add_option("row", row_, "Row of the site (0 is the first)")->required();
    Subcommand()
        ->add_option("assignments", assignments_, "Fields to set, as FIELD=VALUE")
        ->required();
    Subcommand()->footer(FieldNamesHelp(CSiteProfile::Fields()));
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    Result<std::size_t> row = ParseRow(row_, session->Profiles().size());
    if (!row.ok()) return row.status();
    CSiteProfile& profile = *session->Profiles()[*row];
    if (Status status = ApplyProfileAssignments(profile, assignments_); !status.ok()) {
      return status;
    }
    if (Status status = session->Save(); !status.ok()) return status;
    context.out << "changed row " << *row << '\n';
    return Status::Ok();
  }

 private:
  std::string row_;
  std::vector<std::string> assignments_;
};

}  // namespace

std::unique_ptr<Command> AddSetCommand(CLI::App& app) { return std::make_unique<SetCommand>(app); }

}  // namespace tlw::cli
