#include "engine/line_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/parse_helpers.h"

namespace tlw {
namespace {

TEST(ParseLine, ALineStartingWithABlankIsSkippedInEveryLayout) {
  for (const LogFormat format :
       {LogFormat::Ncsa, LogFormat::W3cExtended, LogFormat::CommaSeparated, LogFormat::TabSeparated,
        LogFormat::BangTabSeparated, LogFormat::Unsupported}) {
    test::LineCutter cutter;
    LogRecord record;
    EXPECT_EQ(
        cutter.Cut(format, " 10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET / HTTP/1.1\"", record),
        ParseOutcome::Skipped);
    EXPECT_EQ(cutter.state.lineCounter, 0U);
  }
}

TEST(ParseLine, AnUnsupportedLayoutEndsTheRunAtTheFirstLine) {
  test::LineCutter cutter;
  LogRecord record;
  EXPECT_EQ(cutter.Cut(LogFormat::Unsupported, "anything", record),
            ParseOutcome::UnsupportedFormat);
  EXPECT_EQ(cutter.state.lineCounter, 0U);
}

TEST(ParseLine, CountsEveryCutLineAcrossCallsIncludingOnesCompletionDrops) {
  test::LineCutter cutter;
  cutter.Record(LogFormat::Ncsa,
                "10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET / HTTP/1.1\" 200 1");
  cutter.Record(LogFormat::Ncsa, "10.0.0.1");
  cutter.Record(LogFormat::Ncsa, "");
  EXPECT_EQ(cutter.state.lineCounter, 3U);
}

TEST(ParseLine, NulBytesAndInvalidUtf8AreOrdinaryBytes) {
  test::LineCutter cutter;
  const std::string line =
      std::string("10.0.0.1 - - [01/Mar/2024:00:00:01 +0000] \"GET /\xff\xfe") + '\0' +
      "x HTTP/1.1\" 200 1 \"-\" \"\xc3\x28\"";
  const LogRecord record = cutter.Record(LogFormat::Ncsa, line);
  EXPECT_EQ(record.url, std::string("/\xff\xfe") + '\0' + "x");
  EXPECT_EQ(record.status, "200");
  EXPECT_EQ(record.agent, "\xc3\x28");
}

struct CompletionCase {
  const char* name;
  LogRecord input;
  bool kept;
  const char* referrer;
  const char* agent;
};

class CompleteRecordTest : public testing::TestWithParam<CompletionCase> {};

TEST_P(CompleteRecordTest, DropsRecordsWithoutHostOrUrlAndEmptiesShortTexts) {
  LogRecord record = GetParam().input;
  ASSERT_EQ(CompleteRecord(record), GetParam().kept);
  if (!GetParam().kept) return;
  EXPECT_EQ(record.referrer, GetParam().referrer);
  EXPECT_EQ(record.agent, GetParam().agent);
}

LogRecord With(std::string_view host, std::string_view url, std::string_view referrer,
               std::string_view agent) {
  LogRecord record;
  record.host = host;
  record.url = url;
  record.referrer = referrer;
  record.agent = agent;
  return record;
}

INSTANTIATE_TEST_SUITE_P(
    Records, CompleteRecordTest,
    testing::Values(CompletionCase{"NoHost", With("", "/a", "", ""), false, "", ""},
                    CompletionCase{"NoUrl", With("h", "", "", ""), false, "", ""},
                    CompletionCase{"DashReferrerAndShortAgent", With("h", "/a", "-", "abc"), true,
                                   "", ""},
                    CompletionCase{"BlankReferrer", With("h", "/a", " ", "Lynx"), true, "", ""},
                    CompletionCase{"FiveCharReferrerSixCharAgent",
                                   With("h", "/a", "a.com", "Lynx/2"), true, "", "Lynx/2"},
                    CompletionCase{"SixCharReferrerFiveCharAgent",
                                   With("h", "/a", "http:/", "Lynx/"), true, "http:/", "Lynx/"}),
    [](const testing::TestParamInfo<CompletionCase>& row) { return row.param.name; });

TEST(CompleteRecord, KeepsAtMost299CharactersOfTheHost) {
  const std::string host(400, 'h');
  LogRecord record = With(host, "/a", "", "");
  ASSERT_TRUE(CompleteRecord(record));
  EXPECT_EQ(record.host.size(), 299U);
}

}  // namespace
}  // namespace tlw
