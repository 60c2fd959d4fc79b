#include "engine/run_delivery.h"

#include "settings/site_profile.h"

namespace tlw {

std::string FtpAddress(const std::string& server, const std::string& path) {
  std::string address = "ftp://" + server;
  if (path.empty() || path.front() != '/') address += '/';
  return address + path;
}

Result<std::string> ExpandRemoteWildcards(const CSiteProfile& profile) {
  return Status::Error("Cannot list " +
                       FtpAddress(profile.GetLogFtpServer(), profile.GetLogfilePath()) +
                       ": reading logfiles over FTP is not supported yet");
}

Result<std::unique_ptr<LineSource>> OpenRemoteLogfile(const CSiteProfile& profile,
                                                      const std::string& name) {
  return Status::Error("Cannot read " + FtpAddress(profile.GetLogFtpServer(), name) +
                       ": reading logfiles over FTP is not supported yet");
}

Status PublishReport(const CSiteProfile& profile, const ReportOutcome& report,
                     const RunHost& /*host*/) {
  return Status::Error("Cannot publish the report to " +
                       FtpAddress(profile.GetUploadFtpServer(), report.finalReportFileName) +
                       ": publishing over FTP is not supported yet");
}

}  // namespace tlw
