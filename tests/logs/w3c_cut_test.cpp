#include <gtest/gtest.h>

#include "logs/line_parser.h"
#include "tests/logs/parse_helpers.h"

namespace tlw {
namespace {

constexpr LogFormat kW3c = LogFormat::W3cExtended;
constexpr const char* kIisFields =
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
    "cs(User-Agent) cs(Referer) sc-status sc-substatus sc-win32-status sc-bytes cs-bytes "
    "time-taken";

TEST(W3cCut, CutsADataLineByTheFieldDirective) {
  test::LineCutter cutter;
  LogRecord record;
  EXPECT_EQ(cutter.Cut(kW3c, kIisFields, record), ParseOutcome::Skipped);
  record = cutter.Record(kW3c,
                         "2015-01-13 00:32:17 100.79.192.81 GET /robots.txt - 80 - 157.55.39.146 "
                         "Mozilla/5.0+(compatible;+bingbot/2.0) http://www.bing.com/ 404 0 2 1405 "
                         "242 283");
  EXPECT_EQ(cutter.lastOutcome, ParseOutcome::Record);
  EXPECT_EQ(test::Describe(record),
            "157.55.39.146|-|13|01|2015|00|32|/robots.txt|404|1405|http://www.bing.com/|"
            "Mozilla/5.0+(compatible;+bingbot/2.0)");
  EXPECT_EQ(cutter.state.lineCounter, 1U);
}

TEST(W3cCut, DirectivesGiveNoRecordAndAreNotCounted) {
  test::LineCutter cutter;
  LogRecord record;
  for (const char* directive :
       {"#Software: Microsoft Internet Information Services 8.5", "#Version: 1.0",
        "#Date: 2015-01-13 00:32:17", kIisFields, "#Remark: restarted"}) {
    EXPECT_EQ(cutter.Cut(kW3c, directive, record), ParseOutcome::Skipped) << directive;
  }
  EXPECT_EQ(cutter.state.lineCounter, 0U);
}

TEST(W3cCut, ADataLineBeforeAnyFieldDirectiveIsCountedButHasNoHostOrUrl) {
  test::LineCutter cutter;
  LogRecord record = cutter.Record(kW3c, "2015-01-13 00:32:17 1.2.3.4 GET /a.html - 80");
  EXPECT_EQ(cutter.lastOutcome, ParseOutcome::Record);
  EXPECT_EQ(cutter.state.lineCounter, 1U);
  EXPECT_FALSE(CompleteRecord(record));
}

TEST(W3cCut, AFieldDirectiveWithoutDateEndsTheRun) {
  test::LineCutter cutter;
  LogRecord record;
  EXPECT_EQ(cutter.Cut(kW3c, "#Fields: time c-ip cs-uri-stem", record),
            ParseOutcome::MissingDateField);
  EXPECT_EQ(cutter.Cut(kW3c, "#Fields: Date time c-ip cs-uri-stem", record),
            ParseOutcome::MissingDateField);
  EXPECT_EQ(cutter.Cut(kW3c, "#Fields:", record), ParseOutcome::MissingDateField);
}

// IIS writes a new directive block after each restart, and a server whose
// logging fields changed writes other fields; every directive counts, also
// long after the start of the run.
TEST(W3cCut, EveryLaterFieldDirectiveRedefinesTheFields) {
  test::LineCutter cutter;
  LogRecord record;
  ASSERT_EQ(cutter.Cut(kW3c, "#Fields: date time c-ip cs-uri-stem sc-status", record),
            ParseOutcome::Skipped);
  for (int i = 0; i < 10; ++i) cutter.Record(kW3c, "2024-03-01 10:00:00 1.1.1.1 /a 200");
  ASSERT_EQ(cutter.state.lineCounter, 10U);

  ASSERT_EQ(cutter.Cut(kW3c, "#Fields: date time cs-uri-stem c-ip sc-bytes", record),
            ParseOutcome::Skipped);
  record = cutter.Record(kW3c, "2024-03-02 11:30:00 /b.html 2.2.2.2 512");
  EXPECT_EQ(test::Describe(record), "2.2.2.2|-|02|03|2024|11|30|/b.html||512||");

  // A shorter list replaces the longer one whole: no field of it is left over.
  ASSERT_EQ(cutter.Cut(kW3c, "#Fields: date c-ip", record), ParseOutcome::Skipped);
  record = cutter.Record(kW3c, "2024-03-03 3.3.3.3 /c.html 200");
  EXPECT_EQ(test::Describe(record), "3.3.3.3|-|03|03|2024|||||||");
}

struct UserNameCase {
  const char* name;
  const char* line;  // after the date, time and client address
  const char* user;
  const char* url;
  const char* status = "200";
  const char* fields = "#Fields: date time c-ip cs-username cs-method cs-uri-stem sc-status";
};

class W3cUserNameTest : public testing::TestWithParam<UserNameCase> {};

// With cs-username directly before cs-method, a user name may hold a blank:
// the word after the user is the method only if it names one and a request
// target follows it.
TEST_P(W3cUserNameTest, TellsTheMethodFromASecondWordOfTheUserName) {
  test::LineCutter cutter;
  LogRecord record;
  ASSERT_EQ(cutter.Cut(kW3c, GetParam().fields, record), ParseOutcome::Skipped);
  record = cutter.Record(kW3c, std::string("2024-03-01 10:00:00 1.2.3.4 ") + GetParam().line);
  EXPECT_EQ(record.user, GetParam().user);
  EXPECT_EQ(record.url, GetParam().url);
  EXPECT_EQ(record.status, GetParam().status);
  EXPECT_EQ(record.host, "1.2.3.4");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, W3cUserNameTest,
    testing::Values(
        UserNameCase{"Get", "john GET /a.html 200", "john", "/a.html"},
        UserNameCase{"TwoWordsThenGet", "john smith GET /a.html 200", "johnsmith", "/a.html"},
        UserNameCase{"CapitalsThenGet", "JOHN SMITH GET /x.html 200", "JOHNSMITH", "/x.html"},
        UserNameCase{"MixedCaseThenGet", "John Smith GET /x.html 200", "JohnSmith", "/x.html"},
        UserNameCase{"OneWordInCapitals", "JOHN GET /x.html 200", "JOHN", "/x.html"},
        UserNameCase{"AUserNamedGet", "GET GET /x.html 200", "GET", "/x.html"},
        UserNameCase{"SecondWordOfTheOldRule", "JOHN GREEN GET /x.html 200", "JOHNGREEN",
                     "/x.html"},
        UserNameCase{"SecondWordAMethodName", "MARY POST PUT /up 201", "MARYPOST", "/up", "201"},
        // A scheme starts with a letter: "9x:y" is no request target.
        UserNameCase{"DigitBeforeAColonIsNoScheme", "MARY POST 9x:y /up 201", "MARYPOST", "/up",
                     "201"},
        UserNameCase{"Post", "john POST /form.php 200", "john", "/form.php"},
        UserNameCase{"TwoWordsThenPost", "mary ann POST /x 200", "maryann", "/x"},
        UserNameCase{"Propfind", "john PROPFIND /dav/ 207", "john", "/dav/", "207"},
        UserNameCase{"Mkcol", "JOHN MKCOL /dav/new 201", "JOHN", "/dav/new", "201"},
        UserNameCase{"AnonymousOptions", "- OPTIONS * 200", "-", "*"},
        UserNameCase{"ProxyUrl", "- GET http://example.com/a 200", "-", "http://example.com/a"},
        UserNameCase{"Connect", "JOHN CONNECT example.com:443 200", "JOHN", "example.com:443"},
        UserNameCase{"Head", "- HEAD /h 200", "-", "/h"},
        // Without the URL field after the method, the method word alone decides.
        UserNameCase{"NoUrlFieldAfterTheMethod", "JOHN GET 200 /x.html", "JOHN", "/x.html", "200",
                     "#Fields: date time c-ip cs-username cs-method sc-status cs-uri-stem"}),
    [](const testing::TestParamInfo<UserNameCase>& row) { return row.param.name; });

TEST(W3cCut, MethodTokenRule) {
  for (const char* method : {"GET", "POST", "PUT", "DELETE", "HEAD", "OPTIONS", "PATCH", "PROPFIND",
                             "MKCOL", "CONNECT", "TRACE", "VERSION-CONTROL", "RPC_IN_DATA"}) {
    EXPECT_TRUE(IsW3cMethodToken(method)) << method;
  }
  // The old rule's letters still count, as old logs relied on them.
  EXPECT_TRUE(IsW3cMethodToken("Gates"));
  for (const char* word :
       {"smith", "Smith", "SMITH", "ann", "post", "", "X1", "-", "DOMAIN\\USER"}) {
    EXPECT_FALSE(IsW3cMethodToken(word)) << word;
  }
}

TEST(W3cCut, DateNeedNotComeFirstAndBlanksCollapse) {
  test::LineCutter cutter;
  LogRecord record;
  ASSERT_EQ(cutter.Cut(kW3c, "#Fields:  c-ip  date  time  cs-uri-stem  sc-status", record),
            ParseOutcome::Skipped);
  record = cutter.Record(kW3c, "64.103.37.2      2001-10-31     00:00:18.363   /a.gif    200");
  EXPECT_EQ(test::Describe(record), "64.103.37.2|-|31|10|2001|00|00|/a.gif|200|||");
}

TEST(W3cCut, MissingTrailingFieldsStayEmpty) {
  test::LineCutter cutter;
  LogRecord record;
  ASSERT_EQ(cutter.Cut(kW3c, "#Fields: date c-ip cs-uri-stem cs-bytes", record),
            ParseOutcome::Skipped);
  record = cutter.Record(kW3c, "2003-11-18 192.168.1.102 /images/address.gif");
  EXPECT_EQ(test::Describe(record), "192.168.1.102|-|18|11|2003|||/images/address.gif||||");
}

}  // namespace
}  // namespace tlw
