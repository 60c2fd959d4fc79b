#include <unistd.h>
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/commands.h"
#include "cli/settings_session.h"
#include "cli/site_listing.h"

namespace tlw::cli {
namespace {

class SitesCommand : public Command {
 public:
  explicit SitesCommand(CLI::App& app)
      : Command(app.add_subcommand("sites",
                                   "List the sites, one line each: row, site, logfile, "
                                   "report, schedule, last generated")) {
    Subcommand()->add_flag("--json", json_,
                           "Print every saved field of the program settings and of each site");
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    if (json_) {
      context.out << SettingsJson(session->Settings(), session->Profiles()) << '\n';
      return Status::Ok();
    }
    const SiteProfiles& profiles = session->Profiles();
    // A person reading the list gets its column names; a script reading it
    // through a pipe gets the sites only.
    if (&context.out == &std::cout && isatty(STDOUT_FILENO) != 0) {
      context.out << kSiteListHeading << '\n';
    }
    for (std::size_t row = 0; row < profiles.size(); ++row) {
      context.out << SiteLine(row, *profiles[row]) << '\n';
    }
    return Status::Ok();
  }

 private:
  bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> AddSitesCommand(CLI::App& app) {
  return std::make_unique<SitesCommand>(app);
}

}  // namespace tlw::cli
