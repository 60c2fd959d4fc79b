#pragma once

#include <atomic>
#include <span>
#include <string>
#include <utility>

#include "base/cache_line.h"
#include "settings/field_kind.h"
#include "stats/site_statistics.h"

namespace tlw {

// The configuration fields of a site profile, in declaration order:
// X(kind, name, Name, default, saved). One table drives the members, their
// get and set operations, the field names the command line and JSON use, and
// the defaults of a new profile. The settings file has its own field order.
// A Live kind (see field_column) marks the run's bookkeeping: fields that a
// run or the site list writes while the window shows them or the property
// sheet is open. They read as copies from any thread, and copying the
// sheet's values back leaves them alone.
#define TLW_SITE_PROFILE_FIELDS(X)                                                              \
  X(LiveInt, listIndex, ListIndex, -1, false)                                                   \
  X(Text, homepageUrl, HomepageUrl, "", true)                                                   \
  X(Flag, remoteLogfile, RemoteLogfile, 0, true)                                                \
  X(Text, logfilePath, LogfilePath, "", true)                                                   \
  X(Text, logFtpServer, LogFtpServer, "", true)                                                 \
  X(Text, logFtpUser, LogFtpUser, "", true)                                                     \
  X(Text, logFtpPassword, LogFtpPassword, "", true)                                             \
  X(Flag, uploadReport, UploadReport, 0, true)                                                  \
  X(Text, reportPath, ReportPath, "", true)                                                     \
  X(Text, uploadFtpServer, UploadFtpServer, "", true)                                           \
  X(Text, uploadFtpUser, UploadFtpUser, "", true)                                               \
  X(Text, uploadFtpPassword, UploadFtpPassword, "", true)                                       \
  X(LiveSize, lastLogfileSize, LastLogfileSize, 0, true)                                        \
  X(Text, themeName, ThemeName, "(default)", true)                                              \
  X(Flag, includeGraphs, IncludeGraphs, 1, true)                                                \
  X(Flag, scheduled, Scheduled, 0, true)                                                        \
  X(LiveTime, lastRunTime, LastRunTime, 0, false)                                               \
  X(LiveText, lastGenerated, LastGenerated, "never generated", true)                            \
  X(Flag, showHostnames, ShowHostnames, 1, true)                                                \
  X(Flag, showDirectories, ShowDirectories, 1, true)                                            \
  X(Flag, showHourlySummary, ShowHourlySummary, 1, true)                                        \
  X(Flag, showMonthlySummary, ShowMonthlySummary, 1, true)                                      \
  X(Flag, showDailyActivity, ShowDailyActivity, 1, true)                                        \
  X(Flag, showLastVisitors, ShowLastVisitors, 1, true)                                          \
  X(Flag, showDomains, ShowDomains, 1, true)                                                    \
  X(Flag, showCountries, ShowCountries, 1, true)                                                \
  X(Flag, showFileRequests, ShowFileRequests, 1, true)                                          \
  X(Flag, showFileTypes, ShowFileTypes, 1, true)                                                \
  X(Flag, showMostAccessedPages, ShowMostAccessedPages, 1, true)                                \
  X(Flag, showPathsThroughSite, ShowPathsThroughSite, 1, true)                                  \
  X(Flag, showWebBrowsers, ShowWebBrowsers, 1, true)                                            \
  X(Flag, showServerStatusCodes, ShowServerStatusCodes, 1, true)                                \
  X(Flag, showBrokenLinks, ShowBrokenLinks, 1, true)                                            \
  X(Flag, showRefererPages, ShowRefererPages, 1, true)                                          \
  X(Flag, reservedFlag, ReservedFlag, 0, true)                                                  \
  X(Flag, showLeastAccessedPages, ShowLeastAccessedPages, 1, true)                              \
  X(Flag, showEntryPages, ShowEntryPages, 1, true)                                              \
  X(Flag, showExitPages, ShowExitPages, 1, true)                                                \
  X(Int, topBrokenLinks, TopBrokenLinks, 5, true)                                               \
  X(Int, topPathsThroughSite, TopPathsThroughSite, 10, true)                                    \
  X(Int, topCountries, TopCountries, 15, true)                                                  \
  X(Int, topDirectories, TopDirectories, 10, true)                                              \
  X(Int, topDomains, TopDomains, 15, true)                                                      \
  X(Int, topFileRequests, TopFileRequests, 25, true)                                            \
  X(Int, topFileTypes, TopFileTypes, 10, true)                                                  \
  X(Int, topHostnames, TopHostnames, 10, true)                                                  \
  X(Int, topLastVisitors, TopLastVisitors, 20, true)                                            \
  X(Int, topRefererPages, TopRefererPages, 30, true)                                            \
  X(Int, topWebBrowsers, TopWebBrowsers, 5, true)                                               \
  X(Int, topMostAccessedPages, TopMostAccessedPages, 10, true)                                  \
  X(Int, topLeastAccessedPages, TopLeastAccessedPages, 5, true)                                 \
  X(Int, topEntryPages, TopEntryPages, 10, true)                                                \
  X(Int, topExitPages, TopExitPages, 10, true)                                                  \
  X(Text, sectionOrder, SectionOrder, "1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|", true) \
  X(Text, hostFilter, HostFilter, "", true)                                                     \
  X(Text, extensionFilter, ExtensionFilter, "", true)                                           \
  X(Text, directoryFilter, DirectoryFilter, "", true)                                           \
  X(Text, scheduleInterval, ScheduleInterval, "(only once)", true)                              \
  X(Time, scheduleStartTime, ScheduleStartTime, 0, true)                                        \
  X(Flag, processEntireLog, ProcessEntireLog, 1, false)                                         \
  X(Time, reportFrom, ReportFrom, 0, false)                                                     \
  X(Time, reportTo, ReportTo, 0, false)                                                         \
  X(Flag, emailReport, EmailReport, 0, true)                                                    \
  X(Text, emailAddress, EmailAddress, "webmaster@example.com", true)                            \
  X(LiveText, timeTaken, TimeTaken, "", false)

// Run-time texts that a run leaves in the profile for the window to show,
// each at the end of the step that makes it; never saved. The end-of-run
// reset restores the period texts and the first busiest-day copy. The run
// writes them while the window shows them, so every one of them is held as
// the Live form of its kind.
#define TLW_SITE_PROFILE_RUN_FIELDS(X)                    \
  X(Text, periodStart, PeriodStart, "00-00-00", false)    \
  X(Text, periodEnd, PeriodEnd, "00-00-00", false)        \
  X(Text, busiestDayReport, BusiestDayReport, "-", false) \
  X(Text, busiestDayMail, BusiestDayMail, "", false)      \
  X(Text, reportFolder, ReportFolder, "", false)          \
  X(Text, finalReportFileName, FinalReportFileName, "", false)

// One website profile: where its logs are, where its report goes, which
// sections it shows, its filters and schedule; and the working area of the
// site's run (statistics and run-time texts). The site list owns profiles;
// a run borrows one. While it runs, the window may read the running flag
// and the Live fields from its own thread; the statistics and the other
// fields belong to whichever thread has the profile at the time.
class CSiteProfile {
 public:
  CSiteProfile() = default;
  CSiteProfile(const CSiteProfile&) = delete;
  CSiteProfile& operator=(const CSiteProfile&) = delete;

  // Copies the configuration fields (saved or not) from `other`, as the
  // property sheet does after OK. The run's bookkeeping (the Live fields:
  // listIndex, lastRunTime, timeTaken, lastGenerated, lastLogfileSize) and
  // the run-time state stay as they are: a run may have changed them while
  // the sheet was open.
  void CopyConfigurationFrom(const CSiteProfile& other);

  // Whether `other` describes the same site: the same name, logfile and
  // report place. A run finds its site again by these in a site list that
  // other commands changed while it ran.
  bool IsSameSite(const CSiteProfile& other) const;

#define TLW_DECLARE_FIELD(kind, name, Name, def, saved)                                    \
  field_column::kind::Read Get##Name() const { return field_column::kind::Load(name##_); } \
  void Set##Name(field_column::kind::Value value) {                                        \
    field_column::kind::Store(name##_, std::move(value));                                  \
  }
#define TLW_DECLARE_RUN_FIELD(kind, name, Name, def, saved) \
  TLW_DECLARE_FIELD(Live##kind, name, Name, def, saved)
  TLW_SITE_PROFILE_FIELDS(TLW_DECLARE_FIELD)
  TLW_SITE_PROFILE_RUN_FIELDS(TLW_DECLARE_RUN_FIELD)
#undef TLW_DECLARE_RUN_FIELD
#undef TLW_DECLARE_FIELD

  // Whether a run of this site is active. The run sets it first; clearing it
  // from another thread asks the run to stop.
  bool GetRunning() const { return running_.load(std::memory_order_acquire); }
  void SetRunning(bool value) { running_.store(value, std::memory_order_release); }

  SiteStatistics& Statistics() { return statistics_; }
  const SiteStatistics& Statistics() const { return statistics_; }

  // "remote" for size 0; up to 6 digits followed by " bytes"; otherwise the
  // number with its last 6 digits cut off followed by " MB".
  std::string LogSizeText() const;

  // End-of-run reset: not running, statistics emptied, period texts
  // "00-00-00", first busiest-day copy "-". Saved fields are untouched.
  void ResetAfterRun();

  // The configuration fields, in declaration order.
  static std::span<const FieldInfo> Fields();

 private:
#define TLW_MEMBER_FIELD(kind, name, Name, def, saved) field_column::kind::Stored name##_{def};
#define TLW_MEMBER_RUN_FIELD(kind, name, Name, def, saved) \
  TLW_MEMBER_FIELD(Live##kind, name, Name, def, saved)
  // Every field starts at its table default, "" for a text among them.
  TLW_SITE_PROFILE_FIELDS(TLW_MEMBER_FIELD)  // NOLINT(readability-redundant-string-init)
  TLW_SITE_PROFILE_RUN_FIELDS(TLW_MEMBER_RUN_FIELD)
#undef TLW_MEMBER_RUN_FIELD
#undef TLW_MEMBER_FIELD

  // On a cache line of its own: the reading thread tests it before every
  // line while the counting thread writes the counters that follow, and
  // sharing a line with them made each test a cache miss.
  alignas(kCacheLineSize) std::atomic<bool> running_{false};
  alignas(kCacheLineSize) SiteStatistics statistics_;
};

}  // namespace tlw
