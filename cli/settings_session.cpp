#include "cli/settings_session.h"

#include <filesystem>
#include <system_error>

#include "base/user_folders.h"
#include "cli/run_console.h"

namespace tlw::cli {
namespace {

// A program directory named on the command line that does not exist yet is
// made, so that a first start can put its settings file there.
Status MakeProgramDirectory(const CliContext& context) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(context.directory, error);
  if (status.type() != std::filesystem::file_type::not_found) return Status::Ok();
  std::filesystem::create_directories(context.directory, error);
  if (error) {
    return Status::Error("cannot create folder " + context.directory.string() + ": " +
                         error.message());
  }
  context.err << "tallowick-cli: created folder " << context.directory.string() << '\n';
  return Status::Ok();
}

}  // namespace

Result<SettingsSession> SettingsSession::Open(const CliContext& context) {
  if (Status made = MakeProgramDirectory(context); !made.ok()) return made;
  Result<SiteSession> opened = SiteSession::Open(context.directory, UserFoldersOfProcess().home,
                                                 SiteSession::Lock::kUntilUnlock);
  if (!opened.ok()) return opened.status();
  SettingsSession session(std::move(*opened));
  const SessionLoad& load = session.Loaded();
  switch (load.state) {
    case SettingsLoadState::Loaded:
      break;
    case SettingsLoadState::FirstStart:
      if (!load.firstSave.ok()) return load.firstSave;
      context.err << "tallowick-cli: no settings file yet: created "
                  << SettingsFilePath(session.Settings()).string() << " with a sample site\n";
      break;
    case SettingsLoadState::Damaged:
      if (!context.salvage) {
        return Status::Error(load.damage +
                             " (--salvage goes on with the sites read and saves them)");
      }
      if (!load.damagedCopyKept) {
        return Status::Error(load.damage + "; not salvaging without a copy of the file");
      }
      context.err << "tallowick-cli: warning: " << ConsoleText(load.damage) << '\n';
      break;
  }
  if (!load.extensionsRead.ok()) {
    context.err << "tallowick-cli: warning: " << ConsoleText(load.extensionsRead.message())
                << "; the extension settings keep their defaults\n";
  }
  for (const std::string& warning : load.extensionWarnings) {
    // Names the key as the file has it, which may be anything.
    context.err << "tallowick-cli: warning: " << ConsoleText(warning) << '\n';
  }
  return session;
}

}  // namespace tlw::cli
