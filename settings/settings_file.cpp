#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "base/atomic_file.h"
#include "settings/settings_archive.h"

namespace tlw {
namespace {

// The saved program settings in file order: X(name, Name).
#define TLW_SETTINGS_FILE_ORDER(X)          \
  X(openReportWhenDone, OpenReportWhenDone) \
  X(passiveFtp, PassiveFtp)                 \
  X(resolveHostnames, ResolveHostnames)     \
  X(smtpServer, SmtpServer)                 \
  X(smtpFromAddress, SmtpFromAddress)       \
  X(advancedSettings, AdvancedSettings)     \
  X(whoisLookups, WhoisLookups)             \
  X(fetchPageTitles, FetchPageTitles)       \
  X(deleteOversizedLog, DeleteOversizedLog) \
  X(oversizedLogLimitMb, OversizedLogLimitMb)

// The saved profile fields in file order (the profile's schema 5), which
// differs from the declaration order: the file order is the binding one.
#define TLW_PROFILE_FILE_ORDER(X)                   \
  X(homepageUrl, HomepageUrl)                       \
  X(remoteLogfile, RemoteLogfile)                   \
  X(logfilePath, LogfilePath)                       \
  X(logFtpServer, LogFtpServer)                     \
  X(logFtpUser, LogFtpUser)                         \
  X(logFtpPassword, LogFtpPassword)                 \
  X(uploadReport, UploadReport)                     \
  X(reportPath, ReportPath)                         \
  X(uploadFtpServer, UploadFtpServer)               \
  X(uploadFtpUser, UploadFtpUser)                   \
  X(uploadFtpPassword, UploadFtpPassword)           \
  X(lastGenerated, LastGenerated)                   \
  X(lastLogfileSize, LastLogfileSize)               \
  X(themeName, ThemeName)                           \
  X(scheduled, Scheduled)                           \
  X(scheduleInterval, ScheduleInterval)             \
  X(scheduleStartTime, ScheduleStartTime)           \
  X(showHostnames, ShowHostnames)                   \
  X(showDirectories, ShowDirectories)               \
  X(showHourlySummary, ShowHourlySummary)           \
  X(showMonthlySummary, ShowMonthlySummary)         \
  X(showDailyActivity, ShowDailyActivity)           \
  X(showLastVisitors, ShowLastVisitors)             \
  X(showDomains, ShowDomains)                       \
  X(showCountries, ShowCountries)                   \
  X(showFileRequests, ShowFileRequests)             \
  X(showFileTypes, ShowFileTypes)                   \
  X(showMostAccessedPages, ShowMostAccessedPages)   \
  X(showPathsThroughSite, ShowPathsThroughSite)     \
  X(showWebBrowsers, ShowWebBrowsers)               \
  X(showServerStatusCodes, ShowServerStatusCodes)   \
  X(showBrokenLinks, ShowBrokenLinks)               \
  X(showRefererPages, ShowRefererPages)             \
  X(showLeastAccessedPages, ShowLeastAccessedPages) \
  X(showEntryPages, ShowEntryPages)                 \
  X(showExitPages, ShowExitPages)                   \
  X(reservedFlag, ReservedFlag)                     \
  X(emailReport, EmailReport)                       \
  X(emailAddress, EmailAddress)                     \
  X(hostFilter, HostFilter)                         \
  X(directoryFilter, DirectoryFilter)               \
  X(extensionFilter, ExtensionFilter)               \
  X(topBrokenLinks, TopBrokenLinks)                 \
  X(topPathsThroughSite, TopPathsThroughSite)       \
  X(topCountries, TopCountries)                     \
  X(topDirectories, TopDirectories)                 \
  X(topDomains, TopDomains)                         \
  X(topFileRequests, TopFileRequests)               \
  X(topFileTypes, TopFileTypes)                     \
  X(topHostnames, TopHostnames)                     \
  X(topLastVisitors, TopLastVisitors)               \
  X(topRefererPages, TopRefererPages)               \
  X(topWebBrowsers, TopWebBrowsers)                 \
  X(topMostAccessedPages, TopMostAccessedPages)     \
  X(topLeastAccessedPages, TopLeastAccessedPages)   \
  X(topEntryPages, TopEntryPages)                   \
  X(topExitPages, TopExitPages)                     \
  X(includeGraphs, IncludeGraphs)                   \
  X(sectionOrder, SectionOrder)

// A settings file is a few kilobytes per site; anything near this size is
// not one, and reading it whole would only exhaust memory.
constexpr off_t kMaxSettingsFileBytes = off_t{256} << 20;

#define TLW_WRITE_FIELD(name, Name) out.Write(object.Get##Name());

void WriteSettingsRecord(ArchiveWriter& out, const CSettings& object) {
  TLW_SETTINGS_FILE_ORDER(TLW_WRITE_FIELD)
}

void WriteProfileRecord(ArchiveWriter& out, const CSiteProfile& object) {
  TLW_PROFILE_FILE_ORDER(TLW_WRITE_FIELD)
}

#undef TLW_WRITE_FIELD

// Reads one field into a value of the field's own type; the archive reader
// picks the encoding from that type.
#define TLW_READ_FIELD(name, Name)                                  \
  {                                                                 \
    std::decay_t<decltype(object.Get##Name())> value{};             \
    if (Status status = in.Read(value); !status.ok()) {             \
      return Status::Error(status.message() + ", in field " #name); \
    }                                                               \
    object.Set##Name(std::move(value));                             \
  }

Status ReadSettingsRecord(ArchiveReader& in, CSettings& object) {
  TLW_SETTINGS_FILE_ORDER(TLW_READ_FIELD)
  return Status::Ok();
}

Status ReadProfileRecord(ArchiveReader& in, CSiteProfile& object) {
  TLW_PROFILE_FILE_ORDER(TLW_READ_FIELD)
  return Status::Ok();
}

#undef TLW_READ_FIELD

enum class ReadOutcome { Read, Missing };

// What a file that is not a regular file is, for the message that refuses it.
std::string NotRegularText(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISFIFO(mode)) return "is not a regular file but a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is not a regular file but a device";
  return "is not a regular file";
}

// Reads the whole of the regular file `path` (`what` names it in messages).
// Only a file that does not exist is Missing; every other failure is an
// error, so that an unreadable file is never mistaken for a missing one and
// replaced. The open does not block, so a pipe or device in the file's place
// is refused at once instead of waiting for a writer for ever.
Result<ReadOutcome> ReadRegularFile(const std::filesystem::path& path, std::string_view what,
                                    std::string& bytes) {
  const std::string name = std::string(what) + " " + path.string();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      // A link to nothing is no missing file: it would be taken for a first
      // start and replaced, and the file it should lead to never found.
      std::error_code linkError;
      const std::filesystem::path target = std::filesystem::read_symlink(path, linkError);
      if (linkError) return ReadOutcome::Missing;
      return Status::Error(name + " is a link to " + target.string() + ", which does not exist");
    }
    return Status::Error("cannot open " + name + ": " + std::strerror(errno));
  }
  struct stat info {};
  std::string error;
  if (::fstat(fd, &info) != 0) {
    error = "cannot open " + name + ": " + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    error = name + " " + NotRegularText(info.st_mode);
  } else if (info.st_size > kMaxSettingsFileBytes) {
    error =
        name + " is too large (" + std::to_string(info.st_size) + " bytes) to be a settings file";
  } else {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    // The file may shrink while it is read; it never grows past its size.
    while (done < bytes.size()) {
      const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        error = "cannot read " + name + ": " + std::strerror(errno);
        break;
      }
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
  }
  ::close(fd);
  if (!error.empty()) return Status::Error(error);
  return ReadOutcome::Read;
}

// Keeps the bytes of a damaged settings file in the first of
// Tallowick.Settings.damaged, .damaged.1, .damaged.2 ... that is free or
// already holds these very bytes. An earlier copy that differs is never
// replaced: it may be the only record of sites lost to an earlier damage.
Result<std::filesystem::path> KeepDamagedCopy(const std::filesystem::path& folder,
                                              std::string_view bytes) {
  constexpr int kMaxCopies = 1000;
  for (int number = 0; number < kMaxCopies; ++number) {
    std::string name(kDamagedSettingsFileName);
    if (number > 0) name += "." + std::to_string(number);
    const std::filesystem::path copy = folder / name;
    std::string existing;
    Result<ReadOutcome> read = ReadRegularFile(copy, "damaged copy", existing);
    if (read.ok() && *read == ReadOutcome::Missing) {
      if (Status written = WriteFileAtomically(copy, bytes, FileAccess::kOwnerOnly);
          !written.ok()) {
        return written;
      }
      return copy;
    }
    if (read.ok() && existing == bytes) return copy;
  }
  return Status::Error("there are already " + std::to_string(kMaxCopies) + " copies named " +
                       (folder / kDamagedSettingsFileName).string() + "...");
}

std::string SitesText(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " site" : " sites");
}

}  // namespace

Result<std::string> EncodeSettingsFile(const CSettings& settings, const SiteProfiles& profiles) {
  ArchiveWriter out;
  WriteSettingsRecord(out, settings);
  for (const auto& profile : profiles) WriteProfileRecord(out, *profile);
  return std::move(out).Finish();
}

Status DecodeSettingsFile(std::string_view bytes, CSettings& settings, SiteProfiles& profiles) {
  ArchiveReader in(bytes);
  if (Status status = ReadSettingsRecord(in, settings); !status.ok()) {
    return Status::Error(status.message() + " of the program settings");
  }
  std::size_t row = 0;
  while (!in.AtEnd()) {
    if (row == kMaxSettingsFileSites) {
      return Status::Error("more than " + std::to_string(kMaxSettingsFileSites) +
                           " sites follow, more than a settings file may hold, from site " +
                           std::to_string(row));
    }
    auto profile = std::make_shared<CSiteProfile>();
    if (Status status = ReadProfileRecord(in, *profile); !status.ok()) {
      return Status::Error(status.message() + " of site " + std::to_string(row));
    }
    profiles.push_back(std::move(profile));
    ++row;
  }
  return Status::Ok();
}

std::span<const char* const> SettingsRecordFieldOrder() {
#define TLW_FIELD_NAME(name, Name) #name,
  static constexpr std::array kNames{TLW_SETTINGS_FILE_ORDER(TLW_FIELD_NAME)};
  return kNames;
}

std::span<const char* const> ProfileRecordFieldOrder() {
  static constexpr std::array kNames{TLW_PROFILE_FILE_ORDER(TLW_FIELD_NAME)};
  return kNames;
#undef TLW_FIELD_NAME
}

std::shared_ptr<CSiteProfile> MakeSampleProfile(const std::string& homeFolder) {
  auto profile = std::make_shared<CSiteProfile>();
  profile->SetHomepageUrl("http://www.example.com - Sample#1 Remote");
  profile->SetRemoteLogfile(1);
  profile->SetLogfilePath("/pub/access.log");
  profile->SetLogFtpServer("ftp.example.net");
  profile->SetLogFtpUser("anonymous");
  profile->SetLogFtpPassword("visitor@");
  profile->SetReportPath(DefaultReportPath(homeFolder));
  return profile;
}

std::string DefaultReportPath(const std::string& homeFolder) {
  return (homeFolder.empty() ? std::string() : homeFolder + "/") + "WebStats/stats.html";
}

std::filesystem::path SettingsFilePath(const CSettings& settings) {
  return std::filesystem::path(settings.GetProgramDirectory()) / kSettingsFileName;
}

Result<std::optional<SettingsLoad>> RereadSettingsFile(const std::filesystem::path& directory,
                                                       CSettings& settings,
                                                       SiteProfiles& profiles) {
  std::error_code error;
  std::filesystem::path absolute =
      std::filesystem::absolute(directory.empty() ? "." : directory, error);
  if (error)
    return Status::Error("cannot resolve folder " + directory.string() + ": " + error.message());
  absolute = absolute.lexically_normal();
  std::string folder = absolute.string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  settings.SetProgramDirectory(folder);

  const std::filesystem::path path = SettingsFilePath(settings);
  std::string bytes;
  Result<ReadOutcome> read = ReadRegularFile(path, "settings file", bytes);
  if (!read.ok()) return read.status();
  if (*read == ReadOutcome::Missing) return std::optional<SettingsLoad>();

  SettingsLoad load;
  const std::size_t before = profiles.size();
  Status decoded = DecodeSettingsFile(bytes, settings, profiles);
  if (decoded.ok()) return std::optional(load);

  load.state = SettingsLoadState::Damaged;
  Result<std::filesystem::path> copy = KeepDamagedCopy(folder, bytes);
  load.damagedCopyKept = copy.ok();
  load.damage = "settings file " + path.string() + " is damaged: " + decoded.message() + "; " +
                SitesText(profiles.size() - before) + " read before the damage; ";
  load.damage += copy.ok() ? "a copy of the damaged file is kept as " + copy->string()
                           : "it could not be copied aside (" + copy.message() + ")";
  return std::optional(load);
}

Result<SettingsLoad> LoadSettingsFile(const std::filesystem::path& directory, CSettings& settings,
                                      SiteProfiles& profiles, const std::string& homeFolder) {
  Result<std::optional<SettingsLoad>> read = RereadSettingsFile(directory, settings, profiles);
  if (!read.ok()) return read.status();
  if (read->has_value()) return **read;

  SettingsLoad load;
  load.state = SettingsLoadState::FirstStart;
  profiles.push_back(MakeSampleProfile(homeFolder));
  load.firstSave = SaveSettingsFile(settings, profiles);
  return load;
}

Status SaveSettingsFile(const CSettings& settings, const SiteProfiles& profiles) {
  Result<std::string> bytes = EncodeSettingsFile(settings, profiles);
  // Saved where a link in the file's place leads: the user keeps the file
  // elsewhere (a synchronised folder, a dot-files repository).
  Status written =
      bytes.ok() ? WriteFileAtomically(SettingsFilePath(settings), *bytes, FileAccess::kOwnerOnly,
                                       Durability::kFlushed, LinkPolicy::kFollowLink)
                 : bytes.status();
  if (written.ok()) return written;
  return Status::Error(std::string(kErrorSavingSettings) + " " + written.message());
}

}  // namespace tlw
