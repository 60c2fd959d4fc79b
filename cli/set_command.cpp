#include <CLI/CLI.hpp>
#include <iostream>

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
    Subcommand()->add_option("assignments", assignments_, "Fields to set, as FIELD=VALUE");
    AddPasswordOptions(*Subcommand(), passwords_);
    Subcommand()->footer(FieldNamesHelp(CSiteProfile::Fields()));
    Subcommand()->parse_complete_callback([this] {
      if (assignments_.empty() && passwords_.empty()) {
        throw CLI::RequiredError("assignments (FIELD=VALUE), --password-file or --password-stdin");
      }
    });
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    Result<std::size_t> row = ParseRow(row_, session->Profiles().size());
    if (!row.ok()) return row.status();
    CSiteProfile& profile = *session->Profiles()[*row];
    Result<std::vector<std::string>> passwords = PasswordAssignments(passwords_, std::cin);
    if (!passwords.ok()) return passwords.status();
    std::vector<std::string> assignments = assignments_;
    assignments.insert(assignments.end(), passwords->begin(), passwords->end());
    if (Status status = ApplyProfileAssignments(profile, assignments); !status.ok()) {
      return status;
    }
    if (Status status = session->Save(); !status.ok()) return status;
    context.out << "changed row " << *row << '\n';
    return Status::Ok();
  }

 private:
  std::string row_;
  std::vector<std::string> assignments_;
  PasswordOptions passwords_;
};

}  // namespace

std::unique_ptr<Command> AddSetCommand(CLI::App& app) { return std::make_unique<SetCommand>(app); }

}  // namespace tlw::cli
