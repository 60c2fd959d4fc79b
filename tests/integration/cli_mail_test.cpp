#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "tests/mail/scripted_smtp_server.h"

namespace tlw {
namespace {

using test::Reply;
using ::testing::HasSubstr;

// A user trying the mail settings learns what the server said, and a
// server that takes the message gets the report as it was written last.
TEST(CliMailTest, SendsTheLastReportOrPrintsTheServersReply) {
  test::TempDir dir;
  const std::string refusal = "550 5.1.1 <webmaster@example.com>: Recipient address rejected";
  {
    test::ScriptedSmtpServer server({{"220 mx ESMTP\r\n"}}, [&](const std::string& line) {
      return line.starts_with("RCPT") ? Reply{{refusal + "\r\n"}} : Reply{};
    });
    ASSERT_EQ(
        test::RunCliProgram(dir, "options smtpServer=127.0.0.1:" + std::to_string(server.Port()))
            .code,
        0);
    const test::ProcessRun refused = test::RunCliProgram(dir, "mail-test 0");
    EXPECT_NE(refused.code, 0);
    EXPECT_THAT(refused.err, HasSubstr(": the server answered \"" + refusal + "\""));
    EXPECT_THAT(server.Lines(), ::testing::Not(::testing::Contains("DATA")));
  }
  dir.Write("stats.html", "<html>last report</html>");
  test::ScriptedSmtpServer server({{"220 mx ESMTP\r\n"}});
  ASSERT_EQ(test::RunCliProgram(
                dir, "set 0 reportPath=" + (dir / "stats.html").string() + " uploadReport=0")
                .code,
            0);
  ASSERT_EQ(
      test::RunCliProgram(dir, "options smtpServer=127.0.0.1:" + std::to_string(server.Port()))
          .code,
      0);
  const test::ProcessRun sent = test::RunCliProgram(dir, "mail-test 0");
  EXPECT_EQ(sent.code, 0) << sent.err;
  EXPECT_THAT(server.Data(),
              HasSubstr("filename=stats.html\r\n\r\nPGh0bWw+bGFzdCByZXBvcnQ8L2h0bWw+\r\n"));
}

}  // namespace
}  // namespace tlw
