#include "mail/report_mail.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

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

}  // namespace
}  // namespace tlw
