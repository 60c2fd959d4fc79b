#include "frontend/site_session.h"

#include <system_error>

namespace tlw {

Result<SiteSession> SiteSession::Open(const std::filesystem::path& directory,
                                      const std::string& homeFolder, Lock lock) {
  Result<SettingsLock> held = LockSettingsFile(directory);
  if (!held.ok()) return held.status();
  SiteSession session;
  Result<SettingsLoad> load =
      LoadSettingsFile(directory, session.settings_, session.profiles_, homeFolder);
  if (!load.ok()) return load.status();
  session.loaded_.state = load->state;
  session.loaded_.firstSave = load->firstSave;
  session.loaded_.damage = load->damage;
  session.loaded_.damagedCopyKept = load->damagedCopyKept;
  session.saveRefused_ = load->state == SettingsLoadState::Damaged && !load->damagedCopyKept;

  Result<ExtensionSettingsLoad> extensions =
      LoadExtensionSettings(session.settings_.GetProgramDirectory());
  if (!extensions.ok()) {
    session.loaded_.extensionsRead = extensions.status();
  } else {
    session.extensions_ = extensions->values;
    session.loaded_.extensionWarnings = extensions->warnings;
  }
  session.base_ = SnapshotSettings(session.settings_, session.profiles_);
  if (lock == Lock::kUntilUnlock) session.lock_ = std::move(*held);
  return session;
}

Status SiteSession::Save() const { return SaveSettingsFile(settings_, profiles_); }

Status SiteSession::SaveExtensions() const {
  return SaveExtensionSettings(settings_.GetProgramDirectory(), extensions_);
}

Result<SettingsMergeReport> SiteSession::SaveMerged() {
  if (saveRefused_) {
    return Status::Error(std::string(kErrorSavingSettings) +
                         " The damaged settings file could not be copied aside, so it is "
                         "not overwritten.");
  }
  return SaveSettingsMerged(settings_, profiles_, base_);
}

Status SiteSession::SaveExtensionChanges(const ExtensionSettings& values) {
  const std::filesystem::path directory = settings_.GetProgramDirectory();
  Result<ExtensionSettings> saved = [&]() -> Result<ExtensionSettings> {
    Result<SettingsLock> held = LockSettingsFile(directory);
    if (!held.ok()) return held.status();
    return SaveExtensionSettingsChanges(directory, extensions_, values);
  }();
  if (!saved.ok()) {
    extensions_ = values;
    return Status::Error(std::string(kErrorSavingSettings) + " " + saved.message());
  }
  extensions_ = *saved;
  return Status::Ok();
}

RunSettings RunSettingsFor(const CSettings& settings, const ExtensionSettings& extensions,
                           const UserFolders& folders) {
  std::error_code error;  // an unknown folder leaves relative paths as they are
  RunSettings run = RunSettingsOf(settings, std::filesystem::current_path(error).string());
  ApplyUserFolders(folders, run);
  ApplyExtensionSettings(extensions, run);
  return run;
}

}  // namespace tlw
