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
  Result<SettingsLock> lock = LockSettingsFile(context.directory);
  if (!lock.ok()) return lock.status();
  SettingsSession session;
  session.lock_ = std::move(*lock);
  Result<SettingsLoad> load = LoadSettingsFile(context.directory, session.settings_,
                                               session.profiles_, UserFoldersOfProcess().home);
  if (!load.ok()) return load.status();
  switch (load->state) {
    case SettingsLoadState::Loaded:
      break;
    case SettingsLoadState::FirstStart:
      if (!load->firstSave.ok()) return load->firstSave;
      context.err << "tallowick-cli: no settings file yet: created "
                  << SettingsFilePath(session.settings_).string() << " with a sample site\n";
      break;
    case SettingsLoadState::Damaged:
      if (!context.salvage) {
        return Status::Error(load->damage +
                             " (--salvage goes on with the sites read and saves them)");
      }
      if (!load->damagedCopyKept) {
        return Status::Error(load->damage + "; not salvaging without a copy of the file");
      }
      context.err << "tallowick-cli: warning: " << ConsoleText(load->damage) << '\n';
      session.salvaged_ = true;
      break;
  }
  Result<ExtensionSettingsLoad> extensions =
      LoadExtensionSettings(session.settings_.GetProgramDirectory());
  if (!extensions.ok()) {
    context.err << "tallowick-cli: warning: " << ConsoleText(extensions.message())
                << "; the extension settings keep their defaults\n";
  } else {
    session.extensions_ = extensions->values;
    for (const std::string& warning : extensions->warnings) {
      // Names the key as the file has it, which may be anything.
      context.err << "tallowick-cli: warning: " << ConsoleText(warning) << '\n';
    }
  }
  return session;
}

}  // namespace tlw::cli
