#pragma once

#include "base/result.h"
#include "cli/command.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_lock.h"

namespace tlw::cli {

// The program settings and sites of one program directory, loaded for one
// command and saved by it when it changes them. The session holds the
// settings file's lock from the load until it goes (or Unlock()), so that
// commands running at the same time take turns at reading, changing and
// saving the file instead of saving over each other's changes.
class SettingsSession {
 public:
  // Creates a missing program directory (with its parents; said on
  // context.err), takes the lock and loads the settings file of
  // context.directory. A first start creates the file with the sample site
  // and says so on context.err. Fails when the folder cannot be made, the
  // lock cannot be taken, the file cannot be read, when the first start
  // cannot write it, and when it is damaged (unless context.salvage, and the
  // damaged file was copied aside; the damage is then reported on
  // context.err).
  static Result<SettingsSession> Open(const CliContext& context);

  CSettings& Settings() { return settings_; }
  // The extension settings beside the settings file; their damaged lines
  // were reported on context.err, and an unreadable file left the defaults.
  ExtensionSettings& Extensions() { return extensions_; }
  SiteProfiles& Profiles() { return profiles_; }
  // Whether the sites are those read before the damage of a damaged file.
  bool Salvaged() const { return salvaged_; }

  // Writes the settings file; fails with "Error saving settings!" and why.
  // Only while the lock is held.
  Status Save() const { return SaveSettingsFile(settings_, profiles_); }
  // Writes the extension settings file; only while the lock is held.
  Status SaveExtensions() const {
    return SaveExtensionSettings(settings_.GetProgramDirectory(), extensions_);
  }

  // Lets other commands change the file; this session saves no more.
  void Unlock() { lock_.Release(); }

 private:
  SettingsSession() = default;

  SettingsLock lock_;
  CSettings settings_;
  SiteProfiles profiles_;
  ExtensionSettings extensions_;
  bool salvaged_ = false;
};

}  // namespace tlw::cli
