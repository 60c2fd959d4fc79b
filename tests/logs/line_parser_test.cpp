#include "logs/line_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/logs/parse_helpers.h"
#include "tools/loggen/random.h"

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

// Lines of random bytes drawn mostly from the characters the layouts cut at:
// whatever they hold, every field stays inside its line.
TEST(ParseLine, ArbitraryBytesNeverLeadOutsideTheLine) {
  constexpr std::string_view kAlphabet = " -[]/.:\"\\,\t!#0aGET\xff\r";
  loggen::Random random(11);
  test::LineCutter cutter;
  LogRecord record;
  ASSERT_EQ(cutter.Cut(LogFormat::W3cExtended,
                       "#Fields: date time c-ip cs-username cs-method cs-uri-stem sc-status "
                       "cs(Referer) cs(User-Agent) sc-bytes",
                       record),
            ParseOutcome::Skipped);
  for (int i = 0; i < 20000; ++i) {
    std::string line(random.Below(120), '\0');
    for (char& c : line) {
      c = random.Chance(900) ? kAlphabet[random.Below(kAlphabet.size())]
                             : static_cast<char>(random.Below(256));
    }
    for (const LogFormat format :
         {LogFormat::Ncsa, LogFormat::W3cExtended, LogFormat::CommaSeparated,
          LogFormat::TabSeparated, LogFormat::BangTabSeparated}) {
      std::string copy = line;
      const std::span<char> span(copy.data(), copy.size());
      if (ParseLine(format, span, cutter.state, record) != ParseOutcome::Record) continue;
      CompleteRecord(record);
      for (const std::string_view field :
           {record.host, record.day, record.month, record.year, record.hour, record.minute,
            record.url, record.status, record.bytes, record.referrer, record.agent}) {
        if (field.empty()) continue;
        ASSERT_GE(field.data(), copy.data()) << line;
        ASSERT_LE(field.data() + field.size(), copy.data() + copy.size()) << line;
      }
    }
  }
}

}  // namespace
}  // namespace tlw
