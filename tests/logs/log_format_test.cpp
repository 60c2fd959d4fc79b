#include "logs/log_format.h"

#include <gtest/gtest.h>

namespace tlw {
namespace {

struct DetectionCase {
  const char* name;
  const char* probeLine;
  LogFormat expected;
};

class DetectLogFormatTest : public testing::TestWithParam<DetectionCase> {};

TEST_P(DetectLogFormatTest, RecognisesTheLayoutOfTheProbeLine) {
  EXPECT_EQ(DetectLogFormat(GetParam().probeLine), GetParam().expected);
}

// Each row also pins the order of the rules: a line that several rules
// would accept gets the layout of the first.
INSTANTIATE_TEST_SUITE_P(
    Rules, DetectLogFormatTest,
    testing::Values(
        DetectionCase{"NcsaAnonymous",
                      "127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.gif HTTP/1.0\" 200 2326",
                      LogFormat::Ncsa},
        DetectionCase{"NcsaAuthenticatedUser",
                      "127.0.0.1 - frank [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 2326",
                      LogFormat::Ncsa},
        DetectionCase{"NcsaTwoBlanksBetweenDashes",
                      "127.0.0.1 -  - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 2",
                      LogFormat::Ncsa},
        DetectionCase{"W3cVersionDirective", "#Version: 1.0", LogFormat::W3cExtended},
        DetectionCase{"W3cDirectiveWithDashes", "#Remark: a - - b", LogFormat::Ncsa},
        DetectionCase{"CommaWithDashUser",
                      "192.168.114.201, -, 03/20/01, 7:55:20, W3SVC2, SERVER, 172.21.13.45, "
                      "4502, 163, 3223, 200, 0, GET, /DeptLogo.gif, -,",
                      LogFormat::CommaSeparated},
        DetectionCase{"CommaWithUserAndService",
                      "192.168.114.201, jane, 03/20/01, 7:55:20, W3SVC2, SERVER, 172.21.13.45, "
                      "4502, 163, 3223, 200, 0, GET, /DeptLogo.gif, a=1,",
                      LogFormat::CommaSeparated},
        DetectionCase{"CommaWithoutDashOrW3", "a, b, c", LogFormat::Unsupported},
        DetectionCase{"CommaBeforeBlankDash", "a, -, b - c", LogFormat::CommaSeparated},
        DetectionCase{"ThreeTabs", "03/01/2024 00:00:01\t1.2.3.4\t\t\t/x", LogFormat::TabSeparated},
        DetectionCase{"TwoTabsOnly", "03/01/2024 00:00:01\t1.2.3.4\t\t/x", LogFormat::Unsupported},
        DetectionCase{"BlankDashBlankAnywhere", "x - y", LogFormat::Ncsa},
        DetectionCase{"BangDirective", "!!LOG_FORMAT BANG 1.0", LogFormat::BangTabSeparated},
        DetectionCase{"EmptyLine", "", LogFormat::Unsupported},
        DetectionCase{"Binary", "\x1f\x8b\x08\x00", LogFormat::Unsupported}),
    [](const testing::TestParamInfo<DetectionCase>& row) { return row.param.name; });

TEST(LogFormatNotices, CarryTheTextsTheUserSees) {
  const Notice detection = DetectionFailedNotice();
  EXPECT_EQ(detection.caption, "Error Auto-detecting logfile...");
  EXPECT_TRUE(detection.text.starts_with(
      "Sorry,\n\n The logfile you have selected is either not a web server logfile,\n\n\t\t-OR-"));
  // It names the layouts read and how to look at a file, and asks for no mail.
  for (const char* part : {"NCSA common or combined", "W3C extended", "IIS comma-separated",
                           "tab-separated", "head -n 3"}) {
    EXPECT_NE(detection.text.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(detection.text.find('@'), std::string::npos);

  const Notice unsupported = UnsupportedLogfileNotice("/var/log/odd.log");
  EXPECT_EQ(unsupported.text, "Unsupported Log File!\n\nFilename: /var/log/odd.log");
  EXPECT_EQ(unsupported.caption, kApplicationTitle);

  EXPECT_EQ(MissingDateFieldNotice().text,
            "This logfile is missing important data fields!\nPlease add all items such as date "
            "and time.");
}

}  // namespace
}  // namespace tlw
