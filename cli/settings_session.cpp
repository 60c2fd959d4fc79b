#include "cli/settings_session.h"

namespace tlw::cli {

Result<SettingsSession> SettingsSession::Open(const CliContext& context) {
  SettingsSession session;
  Result<SettingsLoad> load =
      LoadSettingsFile(context.directory, session.settings_, session.profiles_);
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
      context.err << "tallowick-cli: warning: " << load->damage << '\n';
      break;
  }
  return session;
}

}  // namespace tlw::cli
