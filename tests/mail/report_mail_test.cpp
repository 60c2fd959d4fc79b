#include "mail/report_mail.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>

#include "mail/mail_password.h"
#include "settings/site_profile.h"
#include "support/temp_dir.h"

namespace tlw {
namespace {

TEST(ReportMailTest, SummaryWritesLargeCountersInFull) {
  CSiteProfile profile;
  profile.SetHomepageUrl("www.example.com");
  profile.SetPeriodStart("Oct-01-2026");
  profile.SetPeriodEnd("Oct-31-2026 23:59");
  profile.SetBusiestDayMail("Oct-12");
  profile.Statistics().uniqueHosts = 5'000'000'001;
  profile.Statistics().homepageHits = 4'294'967'297;
  profile.Statistics().totalBytes = 12'345'678'901;
  EXPECT_EQ(ReportMailText(profile),
            "Attached you will find a statistical document detailing all the visitor activity "
            "on your website.  Examine the tables of data to determine the affectiveness of your "
            "content, advertising, visitors and navigation. \r\n\r\n________________ _ ____ _ "
            ".\r\n+ Website: www.example.com\r\n+ Period from Oct-01-2026 -> Oct-31-2026 23:59"
            "\r\n+ Visitors: 5000000001 unique visits, 4294967297 homepage hits."
            "\r\n+ Data Transfered: 12345 MB\r\n+ Best Day: Oct-12"
            "\r\n+ Generated on never generated!\r\n---\r\n [-] via TLW (" +
                std::string(kProductAddress) + ") ");
}

// Log text in the body is UTF-8 on one line: a bare CR (which some servers
// take for a line end, so that "." after it would end the data) and every
// other control character become blanks; Windows-1252 bytes become their
// characters.
TEST(ReportMailTest, LogTextBecomesOneLineOfUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"Oct-10-2000\r.\r\nQUIT", "Oct-10-2000 .  QUIT"},
      {"\x1b[2J\t\x7f", " [2J  "},
      {"M\xe4r \x80 \x9d", "M\xc3\xa4r \xe2\x82\xac \xef\xbf\xbd"},
      {"M\xc3\xa4r \xe2\x82\xac", "M\xc3\xa4r \xe2\x82\xac"},
      {"C1 \xc2\x9b[2J", "C1  [2J"},
      {"\xc3", "\xc3\x83"},
  };
  for (const auto& [text, body] : cases) EXPECT_EQ(MailBodyText(text), body) << text;
}

TEST(ReportMailTest, UnreadableReportGivesAnEmptyAttachmentPart) {
  test::TempDir dir;
  CSiteProfile profile;
  const MailMessage message =
      ReportMailMessage(profile, "stats@example.org", (dir / "stats-%d.html").string());
  ASSERT_EQ(message.attachments.size(), 1u);
  EXPECT_EQ(message.attachments[0].name, "");
  EXPECT_EQ(message.attachments[0].base64, "");
  EXPECT_EQ(message.recipients[0].address, "webmaster@example.com");
}

// The local copy of an uploaded report has no extension of its own; the
// attachment is named as the web page it is. Each message has its own id.
TEST(ReportMailTest, UploadedReportIsAttachedAsAPageWithAMessageId) {
  test::TempDir dir;
  CSiteProfile profile;
  profile.SetUploadReport(1);
  const std::string copy = dir.Write("Report3", "<html></html>").string();
  const MailMessage message = ReportMailMessage(profile, "stats@example.org", copy);
  EXPECT_EQ(message.attachments[0].name, "Report3.html");
  EXPECT_THAT(message.messageId, ::testing::MatchesRegex("<[0-9a-f]{32}@example\\.org>"));
  EXPECT_NE(ReportMailMessage(profile, "stats@example.org", copy).messageId, message.messageId);
  EXPECT_THAT(ComposeHeader(message),
              ::testing::HasSubstr("\r\nMessage-ID: " + message.messageId + "\r\n"));
  EXPECT_THAT(NewMessageId("webmaster@"), ::testing::EndsWith("@tallowick.invalid>"));
  EXPECT_THAT(NewMessageId("a@b.example>\r\nBcc: x"), ::testing::EndsWith("@tallowick.invalid>"));
}

// The mail password comes from a file only its owner can read, or from a
// command's first line of output; every other case names what is wrong.
TEST(ReportMailTest, PasswordComesFromAPrivateFileOrACommand) {
  test::TempDir dir;
  const std::string secret = dir.Write("secret", "pa ss\r\nsecond line\n").string();
  const std::string open = dir.Write("open", "pass\n").string();
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0644), 0);
  struct Case {
    std::string file;
    std::string command;
    std::string password;  // empty: fails with `error`
    std::string error;
  };
  const Case cases[] = {
      {secret, "", "pa ss", ""},
      {open, "", "", "others may read or change it (mode 0644); make it the owner's alone"},
      {(dir / "none").string(), "", "", "mail password file " + (dir / "none").string()},
      {"", "printf 'from command\\nx'", "from command", ""},
      {"", "echo pass; exit 3", "", "it ended with status 3"},
      {"", "true", "", "it printed no password"},
      // A command that waits (for a passphrase, a lock) gets no input and a
      // deadline.
      {"", "read line || echo eof", "eof", ""},
      {"", "sleep 30; echo late", "", "it printed no password within 0.20 seconds"},
      {secret, "echo x", "", "both smtpPasswordFile and smtpPasswordCommand"},
      {"", "", "", "neither smtpPasswordFile nor smtpPasswordCommand"},
  };
  for (const Case& c : cases) {
    const Result<std::string> password =
        ReadMailPassword(c.file, c.command, std::chrono::milliseconds(200));
    if (c.password.empty()) {
      ASSERT_FALSE(password.ok()) << c.file << c.command;
      EXPECT_THAT(password.status().message(), ::testing::HasSubstr(c.error));
    } else {
      ASSERT_TRUE(password.ok()) << password.status().message();
      EXPECT_EQ(*password, c.password);
    }
  }
}

}  // namespace
}  // namespace tlw
