#include "mail/report_mail.h"

#include <gtest/gtest.h>

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
