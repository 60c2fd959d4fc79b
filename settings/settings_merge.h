#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/site_profile.h"

namespace tlw {

// Saving a settings file that other programs change too.
//
// The desktop program keeps its settings and sites in memory for hours while
// tallowick-cli (from cron, or a script) stores run results and adds, sets
// or deletes sites in the same file. Before it saves, the program reads the
// file again under the lock and merges three states: the base (what it last
// loaded or saved), ours (what it holds now) and theirs (the file as it is).
//
// Program settings: per saved field, ours where ours changed it since the
// base, else theirs.
//
// Sites are matched by identity, not by row:
// - ours and base by object: the base remembers the program's own profile
//   objects (a weak reference, so a deleted profile's address is never
//   taken by a new one while the base exists);
// - base and theirs by configuration: first a file site that IsSameSite as
//   the base site (at the same row if that one matches, else the first one
//   in file order not matched yet); then, for the base sites left, one that
//   still has the same non-empty name, logfile path or report path (a
//   script set the others). A base site with no match was deleted in the
//   file; a file site with no match was added there.
//
// The site list after the merge:
// - ours's sites in ours's order, as the same objects (runs may hold them);
// - a site deleted in ours stays deleted, whatever the file did with it;
// - a site deleted in the file goes, unless ours changed its configuration
//   (a saved field other than the run results lastGenerated and
//   lastLogfileSize) since the base: then ours keeps it;
// - a site added in ours stays as it is;
// - sites added in the file come last, in file order, as new objects.
// Per saved field of a site both hold, ours where ours changed it since the
// base, else theirs. The run results (lastGenerated, lastLogfileSize)
// changed on both sides come from the newer run: ours's run time is its
// lastRunTime (when set, else its lastGenerated), theirs's is its
// lastGenerated, compared to the minute in local time; a tie keeps ours.
//
// A site that is running keeps its configuration in memory while its run
// owns it: the file gets the merged values at once, the profile only the
// merged run results, and the base is kept so that the next save after the
// run brings the file's configuration into the profile.

// One site as the program last loaded or saved it.
struct SavedSite {
  std::weak_ptr<const CSiteProfile> profile;   // the program's own object
  std::shared_ptr<const CSiteProfile> values;  // its saved fields then
};

// The base of the next merge: what the program last loaded or saved.
struct SettingsBase {
  CSettings settings;
  std::vector<SavedSite> sites;
};

// The base for `settings` and `profiles` as they are now: take it right
// after loading the settings file.
SettingsBase SnapshotSettings(const CSettings& settings, const SiteProfiles& profiles);

// What a merge did to the program's site list, for the window to show.
struct SettingsMergeReport {
  // Sites another program added: new objects, at the end of the list.
  SiteProfiles added;
  // The program's sites that another program deleted: out of the list.
  SiteProfiles removed;
  // The program's sites that took values from the file (rows to redraw).
  SiteProfiles updated;
  // Not empty when the file was damaged: the message of the damage. The
  // file was then not merged but replaced by the program's settings and
  // sites, after a copy of it was kept (see LoadSettingsFile).
  std::string damage;
};

// A merge worked out without changing the program's state.
struct SettingsMerge {
  CSettings settings;     // the program settings to save and keep
  SiteProfiles profiles;  // the site list after the merge, in row order
  SiteProfiles records;   // per row of `profiles`, the saved fields to write
  SettingsMergeReport report;
};

// Merges `settings` and `profiles` (ours) with `diskSettings` and
// `diskProfiles` (theirs, read from the file) on `base`, by the rules above.
// Changes none of its arguments; new sites in the result are objects of
// `diskProfiles`.
SettingsMerge MergeSettings(const SettingsBase& base, const CSettings& settings,
                            const SiteProfiles& profiles, const CSettings& diskSettings,
                            const SiteProfiles& diskProfiles);

// Makes `settings` and `profiles` those of `merge` once it was saved (a
// running site keeps its configuration, see above) and returns the base of
// the next merge.
SettingsBase ApplySettingsMerge(const SettingsMerge& merge, CSettings& settings,
                                SiteProfiles& profiles);

// The program's save: takes the lock of the settings file in
// settings.GetProgramDirectory(), reads the file again, merges it with
// `settings` and `profiles` on `base`, writes the result and applies it to
// `settings`, `profiles` and `base`. A missing file is written from ours
// alone. A damaged file is copied aside and replaced by ours (reported in
// `damage`); when no copy could be kept nothing is written. Fails with
// "Error saving settings!" and the reason (lock, read, write), changing
// nothing in memory.
Result<SettingsMergeReport> SaveSettingsMerged(CSettings& settings, SiteProfiles& profiles,
                                               SettingsBase& base);

}  // namespace tlw
