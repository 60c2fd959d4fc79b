#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "base/run_host.h"
#include "engine/remote_logfile.h"
#include "logs/line_source.h"
#include "report/report_assembly.h"

namespace tlw {

class CSiteProfile;

// Uploads the written report (`report.reportFile`, under the name
// `report.finalReportFileName`) and its graphs to the upload FTP server:
// posts stage 2, connects, posts 6, creates the report folder (and its
// "images" folder with graphs), puts the report, then posts 12 and puts
// each graph of the table whose section is shown from the program
// directory (`graphFilePrefix` before its name). Each file is uploaded
// under a name of its own and renamed over the old one (PutFile). The
// local graphs (`report.graphFiles`) are deleted however publishing ends.
// All of it goes over one connection with one login (FtpSession). A
// connection or upload that fails or breaks off is tried again twice
// (WithRetries, `access.retryPauseMs`); a refused login or a file the
// server refuses fails at once, naming the server and the file. A
// `modernViewFile` given goes up after the report, beside it under the
// report's name with "-modern" (ModernViewPathOf).
Status PublishReport(const CSiteProfile& profile, const ReportOutcome& report,
                     const std::string& graphFilePrefix, const RunHost& host,
                     const RemoteAccess& access, const std::string& modernViewFile = {});

}  // namespace tlw
