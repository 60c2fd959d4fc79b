#include <gtest/gtest.h>

#include "logs/line_parser.h"
#include "tests/logs/parse_helpers.h"

namespace tlw {
namespace {

struct DelimitedCase {
  const char* name;
  LogFormat format;
  const char* line;
  // host|user|day|month|year|hour|minute|url|status|bytes|referrer|agent
  const char* fields;
};

class DelimitedCutTest : public testing::TestWithParam<DelimitedCase> {};

TEST_P(DelimitedCutTest, CutsTheLineIntoTheRecordFields) {
  test::LineCutter cutter;
  const LogRecord record = cutter.Record(GetParam().format, GetParam().line);
  EXPECT_EQ(cutter.lastOutcome, ParseOutcome::Record);
  EXPECT_EQ(test::Describe(record), GetParam().fields);
  EXPECT_EQ(cutter.state.lineCounter, 1U);
}

// The comma layout keeps the blank after each comma in every field but the
// status; the tab layout reads an agent only after a referrer URL.
INSTANTIATE_TEST_SUITE_P(
    Lines, DelimitedCutTest,
    testing::Values(
        DelimitedCase{"CommaIisSample", LogFormat::CommaSeparated,
                      "192.168.114.201, -, 03/20/01, 7:55:20, W3SVC2, SERVER, 172.21.13.45, 4502, "
                      "163, 3223, 200, 0, GET, /DeptLogo.gif, -,",
                      "192.168.114.201| -|20| 03|01| 7|55|/DeptLogo.gif|200| 3223|| -"},
        DelimitedCase{"CommaWithUserAndParameters", LogFormat::CommaSeparated,
                      "10.0.0.9, jane, 12/31/99, 23:59:01, W3SVC1, WEB01, 10.0.0.5, 15, 420, "
                      "5120, 404, 2, POST, /cgi-bin/form.exe, name=value+pairs, "
                      "http://www.example.com/form.html,",
                      "10.0.0.9| jane|31| 12|99| 23|59|/cgi-bin/form.exe|404| 5120| "
                      "http://www.example.com/form.html| name=value+pairs"},
        DelimitedCase{"CommaCutShort", LogFormat::CommaSeparated, "10.0.0.9, -, 03/20/01",
                      "10.0.0.9| -|20| 03|01|||||||"},
        DelimitedCase{
            "TabWithReferrer", LogFormat::TabSeparated,
            "03/01/2024 00:00:01\t203.0.113.7\t-\tGET\t/sitemap.xml\t"
            "https://www.ecosia.org/search?q=widgets\tMozilla/5.0 (X11)\t200\t16199\t\t\t",
            "203.0.113.7|-|01|03|2024|00|00|/sitemap.xml|200|16199|"
            "https://www.ecosia.org/search?q=widgets|Mozilla/5.0 (X11)"},
        DelimitedCase{"TabWithoutReferrer", LogFormat::TabSeparated,
                      "03/01/2024 00:00:01\t203.0.113.7\t-\tGET\t/news.html\tMozilla/5.0 (X11)\t"
                      "200\t48838\t\t\t",
                      "203.0.113.7|-|01|03|2024|00|00|/news.html|200|48838|Mozilla/5.0 (X11)|"},
        DelimitedCase{"BangData", LogFormat::BangTabSeparated,
                      "03/01/24\t00:00:01\tOK\t93.108.45.215\t/news.html\t48838",
                      "93.108.45.215|-|01|03|24|00|00|/news.html|OK|48838||"},
        DelimitedCase{"BangUrlEndsAtABlank", LogFormat::BangTabSeparated,
                      "03/01/24\t00:00:01\tERR!\t10.0.0.1\t/a b.html\t12",
                      "10.0.0.1|-|01|03|24|00|00|/a|ERR!|b.html||"}),
    [](const testing::TestParamInfo<DelimitedCase>& row) { return row.param.name; });

TEST(BangTabCut, DirectiveLinesAreSkippedAndNotCounted) {
  test::LineCutter cutter;
  LogRecord record;
  EXPECT_EQ(cutter.Cut(LogFormat::BangTabSeparated, "!!LOG_FORMAT BANG 1.0", record),
            ParseOutcome::Skipped);
  EXPECT_EQ(cutter.Cut(LogFormat::BangTabSeparated, "!START 03/01/24", record),
            ParseOutcome::Skipped);
  EXPECT_EQ(cutter.state.lineCounter, 0U);
}

}  // namespace
}  // namespace tlw
