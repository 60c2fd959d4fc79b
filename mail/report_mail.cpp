#include "mail/report_mail.h"

#include "base/byte_amount.h"
#include "base/text_encoding.h"
#include "settings/settings.h"
#include "settings/site_profile.h"

namespace tlw {

std::string MailBodyText(std::string_view text) {
  std::string body;
  body.reserve(text.size());
  while (!text.empty()) {
    const LogCharacter c = FirstLogCharacter(text);
    text.remove_prefix(c.length);
    const bool control = c.codePoint < 0x20 || (c.codePoint >= 0x7F && c.codePoint < 0xA0);
    AppendUtf8(body, control ? U' ' : c.codePoint);
  }
  return body;
}

std::string ReportMailText(const CSiteProfile& profile) {
  const SiteStatistics& stats = profile.Statistics();
  std::string text =
      "Attached you will find a statistical document detailing all the visitor activity on "
      "your website.  Examine the tables of data to determine the affectiveness of your "
      "content, advertising, visitors and navigation. \r\n\r\n________________ _ ____ _ "
      ".\r\n+ Website: ";
  text += MailBodyText(profile.GetHomepageUrl());
  text += "\r\n+ Period from " + MailBodyText(profile.GetPeriodStart()) + " -> " +
          MailBodyText(profile.GetPeriodEnd());
  text += "\r\n+ Visitors: " + std::to_string(stats.uniqueHosts) + " unique visits, " +
          std::to_string(stats.homepageHits);
  text += " homepage hits.\r\n+ Data Transfered: " +
          ByteAmountText(static_cast<std::uint64_t>(stats.totalBytes));
  text += "\r\n+ Best Day: " + MailBodyText(profile.GetBusiestDayMail());
  text += "\r\n+ Generated on " + MailBodyText(profile.GetLastGenerated());
  text += "!\r\n---\r\n [-] via TLW (";
  text += kProductAddress;
  text += ") ";
  return text;
}

MailMessage ReportMailMessage(const CSiteProfile& profile, const std::string& fromAddress,
                              const std::string& attachmentPath) {
  MailMessage message;
  message.from = {"Your Visitor Statistics", fromAddress};
  AddRecipient(message, {"Websitemaster", profile.GetEmailAddress()});
  message.subject = "Web Statistics -/- " + profile.GetHomepageUrl();
  SetBody(message, ReportMailText(profile));
  MailAttachment attachment;
  LoadAttachment(attachment, attachmentPath);
  AddAttachment(message, std::move(attachment));
  return message;
}

Status SendReportMail(const CSiteProfile& profile, const RunSettings& settings,
                      const std::string& attachmentPath) {
  const std::string failure =
      "Cannot send the report to " + profile.GetEmailAddress() + " through " +
      (settings.smtpServer.empty() ? std::string("an SMTP server") : settings.smtpServer) + ": ";
  std::string host;
  int port = 25;
  if (settings.smtpServer.empty()) return Status::Error(failure + "no mail server is set");
  if (!SplitSmtpServer(settings.smtpServer, host, port)) {
    return Status::Error(failure + "the port is not a number from 1 to 65535");
  }
  SmtpConnection connection;
  connection.SetTimeouts(SmtpTimeouts{.connectMs = settings.connectSeconds * 1000,
                                      .replyMs = settings.smtpReplyMs,
                                      .sendMs = settings.serverSilenceSeconds * 1000});
  if (!connection.Connect(host, port)) {
    return Status::Error(failure + SmtpFailureText(connection));
  }
  const MailMessage message = ReportMailMessage(profile, settings.smtpFromAddress, attachmentPath);
  if (!connection.Send(message)) return Status::Error(failure + SmtpFailureText(connection));
  connection.Disconnect();
  return Status::Ok();
}

}  // namespace tlw
