#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/cli_process.h"
#include "support/temp_dir.h"
#include "support/test_servers.h"
#include "tests/mail/scripted_smtp_server.h"

namespace tlw {
namespace {

using test::Reply;
using ::testing::HasSubstr;
using ::testing::Not;

std::string UseServer(int port) {
  return "--dir program options smtpServer=127.0.0.1:" + std::to_string(port);
}

// A user trying the mail settings learns what the server said, shown as
// text, and a server that takes the message gets the report as the site's
// runs write it: a relative report path is in the program directory, not in
// the folder mail-test was started from.
TEST(CliMailTest, SendsTheLastReportOrPrintsTheServersReply) {
  test::TempDir dir;
  dir.Write("program/reports/stats.html", "<html>last report</html>");
  ASSERT_EQ(
      test::RunCliProgram(dir, "--dir program set 0 reportPath=reports/stats.html uploadReport=0")
          .code,
      0);
  const std::string refusal = "550 5.1.1 <webmaster@example.com>: Recipient \x1b[2Jrejected";
  {
    test::ScriptedSmtpServer server({{"220 mx ESMTP\r\n"}}, [&](const std::string& line) {
      return line.starts_with("RCPT") ? Reply{{refusal + "\r\n"}} : Reply{};
    });
    ASSERT_EQ(test::RunCliProgram(dir, UseServer(server.Port())).code, 0);
    const test::ProcessRun refused = test::RunCliProgram(dir, "--dir program mail-test 0");
    EXPECT_EQ(refused.code, 1);
    EXPECT_THAT(refused.err,
                HasSubstr(": the server answered \"550 5.1.1 <webmaster@example.com>: Recipient "
                          "?[2Jrejected\""));
    EXPECT_THAT(server.Lines(), Not(::testing::Contains("DATA")));
  }
  test::ScriptedSmtpServer server({{"220 mx ESMTP\r\n"}});
  ASSERT_EQ(test::RunCliProgram(dir, UseServer(server.Port())).code, 0);
  const test::ProcessRun sent = test::RunCliProgram(dir, "--dir program mail-test 0");
  EXPECT_EQ(sent.code, 0) << sent.err;
  EXPECT_THAT(server.Data(),
              HasSubstr("filename=stats.html\r\n\r\nPGh0bWw+bGFzdCByZXBvcnQ8L2h0bWw+\r\n"));
}

// Without its report the test mail would say nothing of the settings: the
// missing file is named and no mail goes out.
TEST(CliMailTest, MissingReportIsAnErrorNamingIt) {
  test::TempDir dir;
  ASSERT_EQ(
      test::RunCliProgram(dir, "--dir program set 0 reportPath=stats.html uploadReport=0").code, 0);
  ASSERT_EQ(test::RunCliProgram(dir, UseServer(test::FreeLoopbackPort())).code, 0);
  const test::ProcessRun missing = test::RunCliProgram(dir, "--dir program mail-test 0");
  EXPECT_EQ(missing.code, 1);
  EXPECT_THAT(missing.err,
              HasSubstr("cannot attach the report " + (dir / "program" / "stats.html").string() +
                        ": there is no such file"));
  EXPECT_EQ(missing.out, "");
}

}  // namespace
}  // namespace tlw
