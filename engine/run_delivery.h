#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "base/run_host.h"
#include "logs/line_source.h"
#include "report/report_assembly.h"

namespace tlw {

class CSiteProfile;

// The steps of a run that talk to servers. Each is one seam: the run calls
// it where its step belongs, and it fails with a message naming the server
// until its protocol is built, so that a site that needs it ends with an
// error instead of a "Finished" that did not happen.

// The file list of a remote logfile setting with "*" wildcards, listed on
// the logfile FTP server.
Result<std::string> ExpandRemoteWildcards(const CSiteProfile& profile);

// Opens the remote logfile `name` on the logfile FTP server for reading
// line by line.
Result<std::unique_ptr<LineSource>> OpenRemoteLogfile(const CSiteProfile& profile,
                                                      const std::string& name);

// Uploads the written report (`report.reportFile`, under the name
// `report.finalReportFileName`) and its graphs to the upload FTP server.
Status PublishReport(const CSiteProfile& profile, const ReportOutcome& report, const RunHost& host);

// The FTP address a user recognises: "ftp://" server "/" path.
std::string FtpAddress(const std::string& server, const std::string& path);

}  // namespace tlw
