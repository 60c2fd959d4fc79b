#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/user_folders.h"
#include "settings/field_kind.h"

namespace tlw {

// The program settings, in declaration order: X(kind, name, Name, default,
// saved). The settings file has its own field order.
#define TLW_SETTINGS_FIELDS(X)                                  \
  X(Text, programDirectory, ProgramDirectory, "", false)        \
  X(Flag, openReportWhenDone, OpenReportWhenDone, 0, true)      \
  X(Flag, passiveFtp, PassiveFtp, 0, true)                      \
  X(Flag, resolveHostnames, ResolveHostnames, 0, true)          \
  X(Flag, advancedSettings, AdvancedSettings, 1, true)          \
  X(Flag, whoisLookups, WhoisLookups, 0, true)                  \
  X(Flag, fetchPageTitles, FetchPageTitles, 0, true)            \
  X(Flag, deleteOversizedLog, DeleteOversizedLog, 0, true)      \
  X(Int, oversizedLogLimitMb, OversizedLogLimitMb, 100, true)   \
  X(Text, priorityLevel, PriorityLevel, "Normal", false)        \
  X(Text, smtpFromAddress, SmtpFromAddress, "webmaster@", true) \
  X(Text, smtpServer, SmtpServer, "", true)

// The options that apply to every site. There is one per program, owned and
// written by the front end; a run never reads it, only the RunSettings copy
// it is given when it starts.
class CSettings {
 public:
  CSettings() = default;

#define TLW_DECLARE_FIELD(kind, name, Name, def, saved)    \
  const Field##kind& Get##Name() const { return name##_; } \
  void Set##Name(Field##kind value) { name##_ = std::move(value); }
  TLW_SETTINGS_FIELDS(TLW_DECLARE_FIELD)
#undef TLW_DECLARE_FIELD

  // The fields, in declaration order.
  static std::span<const FieldInfo> Fields();

 private:
#define TLW_MEMBER_FIELD(kind, name, Name, def, saved) Field##kind name##_ = def;
  // Every field starts at its table default, "" for a text among them.
  TLW_SETTINGS_FIELDS(TLW_MEMBER_FIELD)  // NOLINT(readability-redundant-string-init)
#undef TLW_MEMBER_FIELD
};

// What a run reads of the program settings: a copy made when it starts, so
// the front end may change its settings while runs go on. The defaults are
// those of CSettings.
struct RunSettings {
  // Holds the country table, report paths without a folder or with a
  // relative one, and the local copy of a report to be uploaded.
  std::string programDirectory;
  // The user's cache folder, under which archives are staged.
  std::string cacheFolder;
  bool resolveHostnames = false;
  // The oversized-logfile rule (IsOversizedLogfile).
  bool deleteOversizedLog = false;
  std::int32_t oversizedLogLimitMb = 100;
  // Each adds a stage to the report.
  bool whoisLookups = false;
  bool fetchPageTitles = false;
  bool passiveFtp = false;
  bool openReportWhenDone = false;
  std::string smtpServer;
  std::string smtpFromAddress = "webmaster@";
  // Countries of numeric hosts from a GeoIP database (the extension
  // settings): Debian's, or the named .mmdb file.
  bool geoipCountries = true;
  std::string geoipDatabase;
  // The mail server's protection ("none", "starttls", "tls") and login
  // (the extension settings). The password is read when a mail is sent,
  // from a file only its owner may read or from a command's output.
  std::string smtpSecurity = "none";
  std::string smtpUser{};
  std::string smtpPasswordFile{};
  std::string smtpPasswordCommand{};
  // An SSH private key offered to SFTP servers before the user's own.
  std::string sshKeyFile{};
  // A saved site's run writes the modern view beside its report; the
  // user's own robot patterns (empty: the installed ones alone).
  bool modernView = true;
  std::string robotPatternsFile{};
  // A saved site's counts go on across log rotation: what was counted of a
  // logfile rotated away stays in its reports (see RunOptions::incremental).
  bool keepLogHistory = false;
  // The user's home folder (~/.ssh keys and known_hosts) and the
  // certificate authorities to trust instead of the system's (empty: the
  // system's), as the front end found them in its environment.
  std::string homeFolder{};
  std::string caBundle{};
  // The largest copy of a remote archive staged (it also stops short of
  // filling the disk).
  std::uint64_t stagedArchiveLimitBytes = std::uint64_t{4} << 30;
  // How long a run waits on a server or the resolver before it gives up.
  // Not settings of the user; tests shorten them.
  std::int32_t connectSeconds = 30;  // opening an FTP, FTPS, SFTP or SMTP connection
  std::int32_t serverSilenceSeconds =
      60;                             // FTP: no reply, no data; SMTP: a send that moves nothing
  std::int32_t smtpReplyMs = 2000;    // each SMTP reply (each piece restarts it)
  std::int32_t hostLookupMs = 10000;  // one reverse look-up of a client address
  // Pause before the first retry of a failed upload or mail; the second
  // waits twice as long.
  std::int32_t retryPauseMs = 3000;

  bool operator==(const RunSettings&) const = default;
};

// Hands the run what the front end found in its environment: the cache and
// home folders and the certificate authorities.
void ApplyUserFolders(const UserFolders& folders, RunSettings& run);

// The run's copy of `settings`. A program directory the settings leave
// empty becomes `currentFolder`, the folder the front end works in.
RunSettings RunSettingsOf(const CSettings& settings, const std::string& currentFolder);

}  // namespace tlw
