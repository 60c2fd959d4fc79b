#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/settings_session.h"

namespace tlw::cli {
namespace {

class AddCommand : public Command {
 public:
  explicit AddCommand(CLI::App& app)
      : Command(app.add_subcommand("add",
                                   "Append a site with the default settings plus the "
                                   "given values, and save")) {
    Subcommand()->add_option("--site", site_, "Homepage URL, also the site's name")->required();
    Subcommand()->add_option("--log", log_, "Logfile path (wildcards allowed)")->required();
    Subcommand()->add_option("--report", report_, "Path of the HTML report")->required();
    Subcommand()->add_option("assignments", assignments_, "More fields to set, as FIELD=VALUE");
    AddPasswordOptions(*Subcommand(), passwords_);
    Subcommand()->footer(FieldNamesHelp(CSiteProfile::Fields()));
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    auto profile = std::make_shared<CSiteProfile>();
    profile->SetHomepageUrl(site_);
    profile->SetLogfilePath(log_);
    profile->SetReportPath(report_);
    Result<std::vector<std::string>> passwords = PasswordAssignments(passwords_, std::cin);
    if (!passwords.ok()) return passwords.status();
    std::vector<std::string> assignments = assignments_;
    assignments.insert(assignments.end(), passwords->begin(), passwords->end());
    if (Status status = ApplyProfileAssignments(*profile, assignments); !status.ok()) {
      return status;
    }
    SiteProfiles& profiles = session->Profiles();
    profiles.push_back(std::move(profile));
    if (Status status = session->Save(); !status.ok()) return status;
    context.out << "added row " << profiles.size() - 1 << '\n';
    return Status::Ok();
  }

 private:
  std::string site_;
  std::string log_;
  std::string report_;
  std::vector<std::string> assignments_;
  PasswordOptions passwords_;
};

}  // namespace

std::unique_ptr<Command> AddAddCommand(CLI::App& app) { return std::make_unique<AddCommand>(app); }

}  // namespace tlw::cli
