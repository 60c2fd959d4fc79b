#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "base/user_folders.h"
#include "settings/extension_settings.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_lock.h"
#include "settings/settings_merge.h"

namespace tlw {

// What opening a session found, for the front end to tell the user.
struct SessionLoad {
  SettingsLoadState state = SettingsLoadState::Loaded;
  // FirstStart: whether the new file with the sample site was written.
  Status firstSave;
  // Damaged: what is wrong with the file and whether a copy was kept aside.
  std::string damage;
  bool damagedCopyKept = false;
  // The extension settings file could not be read: the defaults are used.
  Status extensionsRead;
  // Lines of the extension settings file that were left out.
  std::vector<std::string> extensionWarnings;
};

// The program settings, the extension settings and the sites of one program
// directory, as both front ends hold them. Two ways of saving:
// - the command line loads, changes and saves while it holds the settings
//   file's lock (Lock::kUntilUnlock), so commands running at the same
//   time take turns;
// - the window keeps its sites for hours and saves by merging what other
//   programs saved meanwhile (SaveMerged), taking the lock for each save.
class SiteSession {
 public:
  enum class Lock { kUntilUnlock, kWhileLoading };

  // No file yet: no sites, and nothing to save until one is opened.
  SiteSession() = default;

  // Takes the lock and reads the settings file of `directory`; a first
  // start writes it with the sample site, reporting into `homeFolder`.
  // Fails when the lock cannot be taken or the file cannot be read; a
  // damaged file loads the sites before the damage (see Loaded()).
  static Result<SiteSession> Open(const std::filesystem::path& directory,
                                  const std::string& homeFolder, Lock lock);

  const SessionLoad& Loaded() const { return loaded_; }
  CSettings& Settings() { return settings_; }
  const CSettings& Settings() const { return settings_; }
  ExtensionSettings& Extensions() { return extensions_; }
  const ExtensionSettings& Extensions() const { return extensions_; }
  SiteProfiles& Profiles() { return profiles_; }
  const SiteProfiles& Profiles() const { return profiles_; }

  // A damaged file whose copy could not be kept, or one the user chose to
  // keep, is never saved over: the sites after the damage would be lost.
  void RefuseSaving() { saveRefused_ = true; }

  // Writes the settings file; fails with "Error saving settings!" and why.
  // Only while the lock is held.
  Status Save() const;
  // Writes the extension settings file; only while the lock is held.
  Status SaveExtensions() const;
  // Lets other programs change the file; the session saves no more by Save().
  void Unlock() { lock_.Release(); }

  // Under the lock, merges what another program saved since the last load
  // or save into this session's sites and writes the result.
  Result<SettingsMergeReport> SaveMerged();
  // Under the lock, writes only the extension keys that differ from this
  // session's, so a change another program saved meanwhile stays. On
  // failure the session still takes `values` (its runs follow them).
  Status SaveExtensionChanges(const ExtensionSettings& values);

 private:
  SettingsLock lock_;
  CSettings settings_;
  SiteProfiles profiles_;
  ExtensionSettings extensions_;
  SessionLoad loaded_;
  // The settings and sites as last loaded or saved: the base on which a
  // merged save takes in what others saved meanwhile.
  SettingsBase base_;
  bool saveRefused_ = false;
};

// What the runs read of `settings`, `extensions` and the user's `folders`
// (the cache for staged archives, the home folder's SSH keys, the CA
// bundle), taken when a run starts; without a program directory of its own
// a run works in the current folder.
RunSettings RunSettingsFor(const CSettings& settings, const ExtensionSettings& extensions,
                           const UserFolders& folders);

}  // namespace tlw
