#pragma once

#include <string>

#include "base/result.h"
#include "mail/smtp.h"

namespace tlw {

class CSiteProfile;
struct RunSettings;

// Shown in the last line of every report e-mail.
inline constexpr const char* kProductAddress = "https://tallowick.example/";

// The summary of the period that the report e-mail carries (not yet
// dot-stuffed): site, period, visitors, bytes, busiest day and when the
// report was last generated.
std::string ReportMailText(const CSiteProfile& profile);

// The report e-mail from `fromAddress` to the profile's address, with the
// file at `attachmentPath` attached. A file that cannot be read gives an
// attachment with no name and no data, so the message keeps its layout.
MailMessage ReportMailMessage(const CSiteProfile& profile, const std::string& fromAddress,
                              const std::string& attachmentPath);

// The file a report e-mail attaches when no run has just written one: the
// local copy of a report to be uploaded, else the report written last, else
// the report path as entered.
std::string LastReportFile(const CSiteProfile& profile, const std::string& programDirectory);

// Sends the report e-mail through `settings.smtpServer` ("host" or
// "host:port", port 25 by default). The error names the address, the server
// and the server's last reply or the socket layer's reason.
Status SendReportMail(const CSiteProfile& profile, const RunSettings& settings,
                      const std::string& attachmentPath);

}  // namespace tlw
