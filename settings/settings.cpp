#include "settings/settings.h"

#include <array>

namespace tlw {

std::span<const FieldInfo> CSettings::Fields() {
#define TLW_FIELD_INFO(kind, name, Name, def, saved) FieldInfo{#name, FieldKind::kind, saved},
  static constexpr std::array kFields{TLW_SETTINGS_FIELDS(TLW_FIELD_INFO)};
#undef TLW_FIELD_INFO
  return kFields;
}

RunSettings RunSettingsOf(const CSettings& settings, const std::string& currentFolder) {
  RunSettings run;
  run.programDirectory =
      settings.GetProgramDirectory().empty() ? currentFolder : settings.GetProgramDirectory();
  run.resolveHostnames = settings.GetResolveHostnames() != 0;
  run.deleteOversizedLog = settings.GetDeleteOversizedLog() != 0;
  run.oversizedLogLimitMb = settings.GetOversizedLogLimitMb();
  run.whoisLookups = settings.GetWhoisLookups() != 0;
  run.fetchPageTitles = settings.GetFetchPageTitles() != 0;
  run.passiveFtp = settings.GetPassiveFtp() != 0;
  run.openReportWhenDone = settings.GetOpenReportWhenDone() != 0;
  run.smtpServer = settings.GetSmtpServer();
  run.smtpFromAddress = settings.GetSmtpFromAddress();
  return run;
}

void ApplyUserFolders(const UserFolders& folders, RunSettings& run) {
  run.cacheFolder = folders.cache;
  run.homeFolder = folders.home;
  run.caBundle = folders.caBundle;
}

}  // namespace tlw
