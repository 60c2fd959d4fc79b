#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "mail/smtp.h"

namespace tlw {

class CSiteProfile;
struct RunSettings;

// Shown in the last line of every report e-mail.
inline constexpr const char* kProductAddress = "https://tallowick.example/";

// `text` (from a log or a setting) as text of the e-mail's body, which is
// UTF-8: valid UTF-8 is kept, any other byte is read as Windows-1252, and
// every control character (CR, LF, tab, escape, C1) becomes a blank, so
// the text can neither break a line of the message nor end its data.
std::string MailBodyText(std::string_view text);

// The summary of the period that the report e-mail carries (not yet
// dot-stuffed): site, period, visitors, bytes, busiest day and when the
// report was last generated, each text through MailBodyText.
std::string ReportMailText(const CSiteProfile& profile);

// The report e-mail from `fromAddress` to the profile's address, with the
// file at `attachmentPath` attached. A file that cannot be read gives an
// attachment with no name and no data, so the message keeps its layout.
MailMessage ReportMailMessage(const CSiteProfile& profile, const std::string& fromAddress,
                              const std::string& attachmentPath);

// Sends the report e-mail through `settings.smtpServer` ("host" or
// "host:port", port 25 by default). The error names the address, the server
// and the server's last reply or the socket layer's reason.
Status SendReportMail(const CSiteProfile& profile, const RunSettings& settings,
                      const std::string& attachmentPath);

}  // namespace tlw
