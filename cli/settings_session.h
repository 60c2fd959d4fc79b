#pragma once

#include "base/result.h"
#include "cli/command.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace tlw::cli {

// The program settings and sites of one program directory, loaded for one
// command and saved by it when it changes them.
class SettingsSession {
 public:
  // Loads the settings file of context.directory. A first start creates the
  // file with the sample site and says so on context.err. Fails when the
  // file cannot be read, when the first start cannot write it, and when it
  // is damaged (unless context.salvage, and the damaged file was copied
  // aside; the damage is then reported on context.err).
  static Result<SettingsSession> Open(const CliContext& context);

  CSettings& Settings() { return settings_; }
  SiteProfiles& Profiles() { return profiles_; }

  // Writes the settings file; fails with "Error saving settings!" and why.
  Status Save() const { return SaveSettingsFile(settings_, profiles_); }

 private:
  SettingsSession() = default;

  CSettings settings_;
  SiteProfiles profiles_;
};

}  // namespace tlw::cli
