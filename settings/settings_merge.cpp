#include "settings/settings_merge.h"

#include <charconv>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>
#include <utility>

#include "settings/settings_lock.h"

namespace tlw {
namespace {

// Copies the saved fields of a profile: the run results (the Live ones),
// the configuration (the others), or both.
void CopySavedFields(CSiteProfile& to, const CSiteProfile& from, bool runResults,
                     bool configuration) {
#define TLW_COPY_SAVED(kind, name, Name, def, saved)                         \
  if ((saved) && (field_column::kind::kLive ? runResults : configuration)) { \
    to.Set##Name(from.Get##Name());                                          \
  }
  TLW_SITE_PROFILE_FIELDS(TLW_COPY_SAVED)
#undef TLW_COPY_SAVED
}

std::shared_ptr<CSiteProfile> SavedCopy(const CSiteProfile& from) {
  auto copy = std::make_shared<CSiteProfile>();
  CopySavedFields(*copy, from, true, true);
  return copy;
}

// Whether a saved configuration field (not a run result) differs.
bool ConfigurationDiffers(const CSiteProfile& a, const CSiteProfile& b) {
  bool differs = false;
#define TLW_COMPARE_CONFIGURATION(kind, name, Name, def, saved) \
  if ((saved) && !field_column::kind::kLive) differs = differs || !(a.Get##Name() == b.Get##Name());
  TLW_SITE_PROFILE_FIELDS(TLW_COMPARE_CONFIGURATION)
#undef TLW_COMPARE_CONFIGURATION
  return differs;
}

// Local time to the minute as one growing number (year, month, day, hour,
// minute), so that run times compare without a time zone conversion.
using MinuteKey = std::int64_t;

MinuteKey KeyOf(int year, int month, int day, int hour, int minute) {
  return (((std::int64_t{year} * 100 + month) * 100 + day) * 100 + hour) * 100 + minute;
}

std::optional<int> Digits(std::string_view text, std::size_t at) {
  int value = 0;
  if (at + 2 > text.size()) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + 2, value);
  if (error != std::errc() || end != text.data() + at + 2) return std::nullopt;
  return value;
}

// The finish time of a lastGenerated text ("%I:%M%p %a %m-%d-%y", such as
// "03:15PM Fri 03-01-24"); none for "never generated" or anything else.
std::optional<MinuteKey> GeneratedKey(std::string_view text) {
  if (text.size() != 20 || text[2] != ':' || text[7] != ' ' || text[11] != ' ' || text[14] != '-' ||
      text[17] != '-') {
    return std::nullopt;
  }
  const std::optional<int> hour = Digits(text, 0), minute = Digits(text, 3),
                           month = Digits(text, 12), day = Digits(text, 15),
                           year = Digits(text, 18);
  const std::string_view half = text.substr(5, 2);
  if (!hour || !minute || !month || !day || !year || *hour < 1 || *hour > 12 ||
      (half != "AM" && half != "PM")) {
    return std::nullopt;
  }
  const int hour24 = *hour % 12 + (half == "PM" ? 12 : 0);
  // Two-digit years as strptime reads them: 69 to 99 are 1969 to 1999.
  const int fullYear = *year + (*year < 69 ? 2000 : 1900);
  return KeyOf(fullYear, *month, *day, hour24, *minute);
}

std::optional<MinuteKey> LocalKey(FieldTime time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return std::nullopt;
  return KeyOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
}

// Whether the file's last run of a site is newer than the program's.
bool DiskRunIsNewer(const CSiteProfile& ours, const CSiteProfile& theirs) {
  const std::optional<MinuteKey> disk = GeneratedKey(theirs.GetLastGenerated());
  if (!disk) return false;
  const FieldTime ranAt = ours.GetLastRunTime();
  const std::optional<MinuteKey> own =
      ranAt > 0 ? LocalKey(ranAt) : GeneratedKey(ours.GetLastGenerated());
  return !own || *disk > *own;
}

// Puts into `merged` (a copy of ours) the fields theirs changed and ours did
// not; returns whether any value came from theirs.
bool MergeSite(const CSiteProfile& base, const CSiteProfile& ours, const CSiteProfile& theirs,
               CSiteProfile& merged) {
  const bool diskRunNewer = DiskRunIsNewer(ours, theirs);
  bool tookTheirs = false;
#define TLW_MERGE_SITE_FIELD(kind, name, Name, def, saved)                                \
  if (saved) {                                                                            \
    const auto& baseValue = base.Get##Name();                                             \
    const bool oursChanged = !(ours.Get##Name() == baseValue);                            \
    const bool theirsChanged = !(theirs.Get##Name() == baseValue);                        \
    if (theirsChanged && (!oursChanged || (field_column::kind::kLive && diskRunNewer)) && \
        !(theirs.Get##Name() == ours.Get##Name())) {                                      \
      merged.Set##Name(theirs.Get##Name());                                               \
      tookTheirs = true;                                                                  \
    }                                                                                     \
  }
  TLW_SITE_PROFILE_FIELDS(TLW_MERGE_SITE_FIELD)
#undef TLW_MERGE_SITE_FIELD
  return tookTheirs;
}

CSettings MergeProgramSettings(const CSettings& base, const CSettings& ours,
                               const CSettings& theirs) {
  CSettings merged = ours;
#define TLW_MERGE_SETTING(kind, name, Name, def, saved)  \
  if ((saved) && ours.Get##Name() == base.Get##Name()) { \
    merged.Set##Name(theirs.Get##Name());                \
  }
  TLW_SETTINGS_FIELDS(TLW_MERGE_SETTING)
#undef TLW_MERGE_SETTING
  return merged;
}

bool SameObject(const std::weak_ptr<const CSiteProfile>& a,
                const std::shared_ptr<CSiteProfile>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

// Whether a file site still has the name, logfile or report place of a base
// site.
bool SharesPlace(const CSiteProfile& a, const CSiteProfile& b) {
  const auto same = [](const std::string& x, const std::string& y) { return !x.empty() && x == y; };
  return same(a.GetHomepageUrl(), b.GetHomepageUrl()) ||
         same(a.GetLogfilePath(), b.GetLogfilePath()) || same(a.GetReportPath(), b.GetReportPath());
}

constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// For each base site, the row of its file site, or kNoMatch.
std::vector<std::size_t> MatchDiskSites(const SettingsBase& base, const SiteProfiles& disk) {
  std::vector<std::size_t> match(base.sites.size(), kNoMatch);
  std::vector<bool> taken(disk.size(), false);
  const auto pass = [&](auto matches) {
    for (std::size_t i = 0; i < base.sites.size(); ++i) {
      if (match[i] != kNoMatch) continue;
      const CSiteProfile& site = *base.sites[i].values;
      if (i < disk.size() && !taken[i] && matches(site, *disk[i])) {
        match[i] = i;
      }
      for (std::size_t row = 0; row < disk.size() && match[i] == kNoMatch; ++row) {
        if (!taken[row] && matches(site, *disk[row])) match[i] = row;
      }
      if (match[i] != kNoMatch) taken[match[i]] = true;
    }
  };
  pass([](const CSiteProfile& a, const CSiteProfile& b) { return a.IsSameSite(b); });
  pass(SharesPlace);
  return match;
}

// The save of ours alone, when there is no file to merge with.
SettingsMerge Unmerged(const CSettings& settings, const SiteProfiles& profiles) {
  return SettingsMerge{settings, profiles, profiles, {}};
}

Status SaveError(const std::string& reason) {
  return Status::Error(std::string(kErrorSavingSettings) + " " + reason);
}

}  // namespace

SettingsBase SnapshotSettings(const CSettings& settings, const SiteProfiles& profiles) {
  SettingsBase base{settings, {}};
  for (const auto& profile : profiles) base.sites.push_back({profile, SavedCopy(*profile)});
  return base;
}

SettingsMerge MergeSettings(const SettingsBase& base, const CSettings& settings,
                            const SiteProfiles& profiles, const CSettings& diskSettings,
                            const SiteProfiles& diskProfiles) {
  SettingsMerge merge;
  merge.settings = MergeProgramSettings(base.settings, settings, diskSettings);
  const std::vector<std::size_t> diskRow = MatchDiskSites(base, diskProfiles);
  std::vector<bool> known(diskProfiles.size(), false);
  for (std::size_t row : diskRow) {
    if (row != kNoMatch) known[row] = true;
  }

  for (const auto& profile : profiles) {
    std::size_t i = 0;
    while (i < base.sites.size() && !SameObject(base.sites[i].profile, profile)) ++i;
    if (i == base.sites.size()) {  // added by this program
      merge.profiles.push_back(profile);
      merge.records.push_back(profile);
      continue;
    }
    const CSiteProfile& saved = *base.sites[i].values;
    if (diskRow[i] == kNoMatch) {  // deleted in the file
      if (ConfigurationDiffers(saved, *profile)) {
        merge.profiles.push_back(profile);
        merge.records.push_back(profile);
      } else {
        merge.report.removed.push_back(profile);
      }
      continue;
    }
    auto record = SavedCopy(*profile);
    if (MergeSite(saved, *profile, *diskProfiles[diskRow[i]], *record)) {
      merge.report.updated.push_back(profile);
    }
    merge.profiles.push_back(profile);
    merge.records.push_back(std::move(record));
  }

  for (std::size_t row = 0; row < diskProfiles.size(); ++row) {
    if (known[row]) continue;
    merge.profiles.push_back(diskProfiles[row]);
    merge.records.push_back(diskProfiles[row]);
    merge.report.added.push_back(diskProfiles[row]);
  }
  return merge;
}

SettingsBase ApplySettingsMerge(const SettingsMerge& merge, CSettings& settings,
                                SiteProfiles& profiles) {
  settings = merge.settings;
  SettingsBase base{merge.settings, {}};
  for (std::size_t row = 0; row < merge.profiles.size(); ++row) {
    const std::shared_ptr<CSiteProfile>& profile = merge.profiles[row];
    const CSiteProfile& record = *merge.records[row];
    auto values = SavedCopy(record);
    if (&record != profile.get()) {
      // The run reads the configuration while it works: it changes with
      // the save after the run. Until then the base holds what the profile
      // holds, so that the file's values still count as changed there.
      const bool running = profile->GetRunning();
      CopySavedFields(*profile, record, true, !running);
      if (running) CopySavedFields(*values, *profile, false, true);
    }
    base.sites.push_back({profile, std::move(values)});
  }
  profiles = merge.profiles;
  return base;
}

Result<SettingsMergeReport> SaveSettingsMerged(CSettings& settings, SiteProfiles& profiles,
                                               SettingsBase& base) {
  const std::filesystem::path folder = settings.GetProgramDirectory();
  Result<SettingsLock> lock = LockSettingsFile(folder);
  if (!lock.ok()) return SaveError(lock.message());

  CSettings diskSettings;
  SiteProfiles diskProfiles;
  Result<std::optional<SettingsLoad>> read = RereadSettingsFile(folder, diskSettings, diskProfiles);
  if (!read.ok()) return SaveError(read.message());

  SettingsMerge merge;
  if (!read->has_value()) {
    merge = Unmerged(settings, profiles);
  } else if ((*read)->state == SettingsLoadState::Damaged) {
    if (!(*read)->damagedCopyKept) return SaveError((*read)->damage);
    merge = Unmerged(settings, profiles);
    merge.report.damage = (*read)->damage;
  } else {
    merge = MergeSettings(base, settings, profiles, diskSettings, diskProfiles);
  }

  if (Status saved = SaveSettingsFile(merge.settings, merge.records); !saved.ok()) return saved;
  base = ApplySettingsMerge(merge, settings, profiles);
  return std::move(merge.report);
}

}  // namespace tlw
