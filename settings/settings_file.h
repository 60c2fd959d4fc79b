#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw {

inline constexpr std::string_view kSettingsFileName = "Tallowick.Settings";
// A damaged settings file is copied aside under this name before anything
// can overwrite it; a later damage that differs gets ".1", ".2" ... after it.
inline constexpr std::string_view kDamagedSettingsFileName = "Tallowick.Settings.damaged";
// The message of every failed save; the reason follows it.
inline constexpr std::string_view kErrorSavingSettings = "Error saving settings!";

// The site list in row order. Runs hold shared ownership of their profile, so
// a site deleted while it runs stays alive until the run lets go of it.
using SiteProfiles = std::vector<std::shared_ptr<CSiteProfile>>;

// The settings file as bytes: the settings record, then one profile record
// per site in row order. Fails only for a text too long to store (4 GB).
Result<std::string> EncodeSettingsFile(const CSettings& settings, const SiteProfiles& profiles);

// Reads the settings record into `settings` and appends one profile per
// following record to `profiles`. On a read error (a record cut short, a
// text length larger than the rest of the file) the settings fields and the
// profiles read completely before it are kept, the partly read profile is
// dropped, and the message names the place of the damage. A file that goes
// on past kMaxSettingsFileSites sites is damaged there too.
Status DecodeSettingsFile(std::string_view bytes, CSettings& settings, SiteProfiles& profiles);

// The file has no record count: its end ends the site list, and a site of
// empty fields takes under 200 bytes of it, while every site read keeps its
// statistics' counting state in memory (some 25 KB). Without a limit a
// damaged file of a few hundred MB (a run of zero bytes) would ask for tens
// of gigabytes.
inline constexpr std::size_t kMaxSettingsFileSites = 10'000;

// Names of the saved fields in the order the settings file stores them.
std::span<const char* const> SettingsRecordFieldOrder();
std::span<const char* const> ProfileRecordFieldOrder();

// The profile a first start creates: a remote logfile on an example FTP
// server, read anonymously, with the report at WebStats/stats.html in
// `homeFolder` (in the program directory when that is empty).
std::shared_ptr<CSiteProfile> MakeSampleProfile(const std::string& homeFolder);

// Where a report goes unless the user says otherwise: WebStats/stats.html
// in `homeFolder` (in the program directory when that is empty). The sample
// site, a new site and the replacement of an invalid report path all use it.
std::string DefaultReportPath(const std::string& homeFolder);

// Where the settings file of this program directory lives.
std::filesystem::path SettingsFilePath(const CSettings& settings);

enum class SettingsLoadState {
  Loaded,      // the file was read completely
  FirstStart,  // there was no file: the sample profile was created and saved
  Damaged,     // the file ended in a read error: the sites before it were kept
};

struct SettingsLoad {
  SettingsLoadState state = SettingsLoadState::Loaded;
  // FirstStart: whether the new file could be written ("Error saving
  // settings!" and the reason when not).
  Status firstSave;
  // Damaged: what is wrong, how many sites were kept, and where the copy of
  // the damaged file is (or why it could not be made).
  std::string damage;
  // Damaged: the damaged file was copied aside (kDamagedSettingsFileName,
  // or the first numbered copy that was free or held the same bytes).
  bool damagedCopyKept = false;
};

// Sets programDirectory to `directory` made absolute, then reads its
// settings file into `settings` and `profiles` (which should be empty). A
// missing file is a first start, whose sample site reports into
// `homeFolder` (MakeSampleProfile). A damaged file is copied aside before the
// caller can overwrite it, never over an earlier copy that differs. Fails,
// changing no file, when the file exists but cannot be read (permissions, a
// directory, a pipe or device, too large); the open never blocks. Callers
// that may save afterwards hold the LockSettingsFile lock from here on.
Result<SettingsLoad> LoadSettingsFile(const std::filesystem::path& directory, CSettings& settings,
                                      SiteProfiles& profiles, const std::string& homeFolder);

// Reads the settings file of `directory` again, for a program that loaded
// it earlier and is about to save: as LoadSettingsFile, except that a missing
// file is no first start. Gives no load (and fills nothing) when there is no
// file; a damaged file is copied aside as LoadSettingsFile does.
Result<std::optional<SettingsLoad>> RereadSettingsFile(const std::filesystem::path& directory,
                                                       CSettings& settings, SiteProfiles& profiles);

// Writes the settings file of settings.GetProgramDirectory() so that it is
// either the old file or the complete new one, readable by its owner only
// (mode 0600: it holds FTP passwords). Fails with "Error saving settings!"
// followed by the reason; the old file is then untouched.
Status SaveSettingsFile(const CSettings& settings, const SiteProfiles& profiles);

}  // namespace tlw
