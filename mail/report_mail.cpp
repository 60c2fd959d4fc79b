#include "mail/report_mail.h"

#include "base/byte_amount.h"
#include "base/retry.h"
#include "base/text_encoding.h"
#include "mail/mail_password.h"
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
  message.messageId = NewMessageId(fromAddress);
  MailAttachment attachment;
  // The local copy of an uploaded report has no extension; the reader's
  // mail program opens it as a web page only by its name.
  if (LoadAttachment(attachment, attachmentPath) && profile.GetUploadReport() != 0 &&
      !attachment.name.ends_with(".html") && !attachment.name.ends_with(".htm")) {
    attachment.name += ".html";
  }
  AddAttachment(message, std::move(attachment));
  return message;
}

Status SendReportMail(const CSiteProfile& profile, const RunSettings& settings,
                      const std::string& attachmentPath) {
  const std::string failure =
      "Cannot send the report to " + profile.GetEmailAddress() + " through " +
      (settings.smtpServer.empty() ? std::string("an SMTP server") : settings.smtpServer) + ": ";
  SmtpTlsLogin tlsLogin;
  if (!ParseSmtpSecurity(settings.smtpSecurity, tlsLogin.security)) {
    return Status::Error(failure + "smtpSecurity \"" + settings.smtpSecurity +
                         "\" is not none, starttls or tls");
  }
  std::string host;
  int port = 25;
  if (settings.smtpServer.empty()) return Status::Error(failure + "no mail server is set");
  if (!SplitSmtpServer(settings.smtpServer, host, port, DefaultSmtpPort(tlsLogin.security))) {
    return Status::Error(failure + "the port is not a number from 1 to 65535");
  }
  tlsLogin.caFile = settings.caBundle;
  tlsLogin.user = settings.smtpUser;
  if (!tlsLogin.user.empty()) {
    Result<std::string> password =
        ReadMailPassword(settings.smtpPasswordFile, settings.smtpPasswordCommand);
    if (!password.ok()) return Status::Error(failure + password.status().message());
    tlsLogin.password = std::move(*password);
  }
  const MailMessage message = ReportMailMessage(profile, settings.smtpFromAddress, attachmentPath);
  return WithRetries(settings.retryPauseMs, {}, [&](bool& transient) {
    SmtpConnection connection;
    connection.SetTlsLogin(tlsLogin);
    connection.SetTimeouts(SmtpTimeouts{.connectMs = settings.connectSeconds * 1000,
                                        .replyMs = settings.smtpReplyMs,
                                        .sendMs = settings.serverSilenceSeconds * 1000});
    if (!connection.Connect(host, port) || !connection.Send(message)) {
      transient = connection.FailureIsTransient();
      return Status::Error(failure + SmtpFailureText(connection));
    }
    connection.Disconnect();
    return Status::Ok();
  });
}

}  // namespace tlw
