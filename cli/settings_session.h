#pragma once

#include "base/result.h"
#include "cli/command.h"
#include "frontend/site_session.h"

namespace tlw::cli {

// The program settings and sites of one program directory, loaded for one
// command and saved by it when it changes them. The session holds the
// settings file's lock from the load until it goes (or Unlock()), so that
// commands running at the same time take turns at reading, changing and
// saving the file instead of saving over each other's changes.
class SettingsSession : public SiteSession {
 public:
  // Creates a missing program directory (with its parents; said on
  // context.err), takes the lock and loads the settings file of
  // context.directory. A first start creates the file with the sample site
  // and says so on context.err. Fails when the folder cannot be made, the
  // lock cannot be taken, the file cannot be read, when the first start
  // cannot write it, and when it is damaged (unless context.salvage, and the
  // damaged file was copied aside; the damage is then reported on
  // context.err). Damaged lines of the extension settings are reported on
  // context.err; an unreadable file leaves the defaults.
  static Result<SettingsSession> Open(const CliContext& context);

  // Whether the sites are those read before the damage of a damaged file.
  bool Salvaged() const { return Loaded().state == SettingsLoadState::Damaged; }

 private:
  explicit SettingsSession(SiteSession session) : SiteSession(std::move(session)) {}
};

}  // namespace tlw::cli
