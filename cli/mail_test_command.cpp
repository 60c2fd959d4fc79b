#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/user_folders.h"
#include "cli/commands.h"
#include "cli/field_assignment.h"
#include "cli/run_console.h"
#include "cli/settings_session.h"
#include "cli/site_runs.h"
#include "frontend/site_session.h"
#include "mail/report_mail.h"
#include "report/report_assembly.h"
#include "settings/site_profile.h"

namespace tlw::cli {
namespace {

namespace fs = std::filesystem;

// The report a test mail attaches, found as a run writes it: the local copy
// of a report to be uploaded, else the report path with a relative folder
// (or none) taken in the program directory. A mail without its report would
// tell the user nothing of the settings they try, so a report that is
// missing or cannot be read is an error naming the file.
Result<std::string> ReportToAttach(const CSiteProfile& profile,
                                   const std::string& programDirectory) {
  const bool uploaded = profile.GetUploadReport() != 0;
  if (!uploaded && IsDatedReportName(profile.GetReportPath())) {
    // The date comes from the last run's period, which is not kept.
    return Status::Error("cannot attach the report " + profile.GetReportPath() +
                         ": its name ends in %d and gets the date of each run's period, so "
                         "there is no one report to send");
  }
  const std::string file =
      uploaded ? (fs::path(programDirectory) / ("Report" + std::to_string(profile.GetListIndex())))
                     .string()
               : LocalReportPlaceOf(profile.GetReportPath(), "", programDirectory).file;
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (!fs::exists(status)) {
    return Status::Error("cannot attach the report " + file + ": there is no such file " +
                         (uploaded ? "(the local copy of an uploaded report is removed once "
                                     "it is uploaded)"
                                   : "(run the site to write it)"));
  }
  if (!fs::is_regular_file(status)) {
    return Status::Error("cannot attach the report " + file + ": it is not a regular file");
  }
  if (std::ifstream readable(file, std::ios::binary); !readable) {
    return Status::Error("cannot attach the report " + file + ": " + std::strerror(errno));
  }
  return file;
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
    const Result<std::string> attachment = ReportToAttach(profile, settings.programDirectory);
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
