#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/user_folders.h"
#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/run_console.h"
#include "cli/settings_session.h"
#include "cli/site_runs.h"
#include "frontend/last_report.h"
#include "frontend/site_session.h"
#include "mail/report_mail.h"
#include "settings/site_profile.h"

namespace tlw::cli {
namespace {

// The report a test mail attaches, found as "Open Report" finds it (see
// FindLastReport). A mail without its report would tell the user nothing of
// the settings they try, so a report that is missing or cannot be read is an
// error naming the file.
Result<std::string> ReportToAttach(const CSiteProfile& profile, int row,
                                   const std::string& programDirectory) {
  const LastReport last = FindLastReport(profile, row, programDirectory);
  if (!last.found) {
    return Status::Error("cannot attach the report " +
                         (last.file.empty() ? profile.GetReportPath() : last.file) + ": " +
                         last.reason);
  }
  if (std::ifstream readable(last.file, std::ios::binary); !readable) {
    return Status::Error("cannot attach the report " + last.file + ": " + std::strerror(errno));
  }
  return last.file;
}

// Sends a site's report e-mail for the report it has now, so that a user
// can try the mail settings without a run. What the server answered is in
// the failure's message.
class MailTestCommand : public Command {
 public:
  explicit MailTestCommand(CLI::App& app)
      : Command(app.add_subcommand(
            "mail-test",
            "Send a site's e-mail for its last report now, to test the mail settings")) {
    Subcommand()->add_option("row", row_, "Row of the site, as the list shows it")->required();
  }

  Status Run(const CliContext& context) override {
    Result<SettingsSession> session = SettingsSession::Open(context);
    if (!session.ok()) return session.status();
    Result<std::size_t> row = ParseRow(row_, session->Profiles().size());
    if (!row.ok()) return row.status();
    // Nothing is saved: the file is free for others while the mail goes.
    session->Unlock();
    CSiteProfile& profile = *session->Profiles()[*row];
    profile.SetListIndex(static_cast<int>(*row));
    const RunSettings settings =
        RunSettingsFor(session->Settings(), session->Extensions(), UserFoldersOfProcess());
    const Result<std::string> attachment =
        ReportToAttach(profile, static_cast<int>(*row), settings.programDirectory);
    if (!attachment.ok()) return attachment.status();
    if (Status sent = SendReportMail(profile, settings, *attachment); !sent.ok()) return sent;
    context.out << ConsoleText("Sent " + *attachment + " to " + profile.GetEmailAddress() +
                               " through " + settings.smtpServer)
                << '\n';
    return Status::Ok();
  }

 private:
  std::string row_;
};

}  // namespace

std::unique_ptr<Command> AddMailTestCommand(CLI::App& app) {
  return std::make_unique<MailTestCommand>(app);
}

}  // namespace tlw::cli
