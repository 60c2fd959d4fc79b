#include <gtest/gtest.h>

#include <string>

#include "logs/local_logfile.h"
#include "logs/logfile_records.h"
#include "support/paths.h"
#include "support/temp_dir.h"
#include "tools/loggen/log_generator.h"

namespace tlw {
namespace {

struct Tally {
  std::uint64_t records = 0;
  std::uint64_t withAgent = 0;
  std::uint64_t ipv6Hosts = 0;
  std::uint64_t crawlers = 0;
  std::uint64_t searchReferrers = 0;
  std::uint64_t notFound = 0;
  bool timeOrdered = true;
  RecordStep lastStep = RecordStep::End;
};

int Number(std::string_view digits) {
  int value = 0;
  for (const char c : digits) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

Tally ReadGenerated(const std::string& path) {
  Tally tally;
  auto file = LocalLogfile::Open(path);
  EXPECT_TRUE(file.ok()) << file.message();
  ParseState state;
  LogfileRecords records(**file, state);
  LogRecord record;
  int previousMinute = -1;
  for (RecordStep step = records.Next(record);; step = records.Next(record)) {
    if (step == RecordStep::Skipped) continue;
    if (step != RecordStep::Record) {
      tally.lastStep = step;
      break;
    }
    ++tally.records;
    tally.withAgent += !record.agent.empty();
    tally.ipv6Hosts += record.host.find(':') != std::string_view::npos;
    tally.crawlers += record.agent.find("bot") != std::string_view::npos;
    tally.searchReferrers += record.referrer.find("q=") != std::string_view::npos;
    tally.notFound += record.status == "404" || record.status == "ERR!";
    const int minute = Number(record.day) * 1440 + Number(record.hour) * 60 + Number(record.minute);
    if (minute < previousMinute) tally.timeOrdered = false;
    previousMinute = minute;
  }
  return tally;
}

class GeneratedLogTest : public testing::TestWithParam<loggen::Layout> {};

TEST_P(GeneratedLogTest, EveryRequestLineBecomesARecordInTimeOrder) {
  test::TempDir dir;
  loggen::Options options;
  options.layout = GetParam();
  options.requests = 6000;
  options.seed = 7;
  const std::string path = (dir / "generated.log").string();
  ASSERT_TRUE(loggen::WriteLog(path, options).ok());

  const Tally tally = ReadGenerated(path);
  EXPECT_EQ(tally.lastStep, RecordStep::End);
  EXPECT_EQ(tally.records, options.requests);
  EXPECT_TRUE(tally.timeOrdered);
  EXPECT_GT(tally.ipv6Hosts, 0U);
  EXPECT_GT(tally.notFound, 0U);
  if (GetParam() == loggen::Layout::NcsaCombined || GetParam() == loggen::Layout::W3cExtended) {
    EXPECT_EQ(tally.withAgent, tally.records);
    EXPECT_GT(tally.crawlers, 0U);
    EXPECT_GT(tally.searchReferrers, 0U);
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, GeneratedLogTest, testing::ValuesIn(loggen::AllLayouts()),
                         [](const testing::TestParamInfo<loggen::Layout>& row) {
                           return std::string(loggen::LayoutName(row.param));
                         });

TEST(LogGenerator, TheSameSeedGivesTheSameLog) {
  loggen::Options options;
  options.requests = 500;
  EXPECT_EQ(loggen::GenerateLog(options), loggen::GenerateLog(options));
  loggen::Options other = options;
  other.seed = 2;
  EXPECT_NE(loggen::GenerateLog(options), loggen::GenerateLog(other));
}

TEST(LogGenerator, LayoutNamesRoundTrip) {
  for (const loggen::Layout layout : loggen::AllLayouts()) {
    EXPECT_EQ(loggen::LayoutByName(loggen::LayoutName(layout)), layout);
  }
  EXPECT_FALSE(loggen::LayoutByName("xml").has_value());
}

// data/sample_access.log is this generator's output; regenerate it with
// tallowick-loggen --format combined --lines 5000 --seed 1 --max-gap 480
//   --output data/sample_access.log
TEST(LogGenerator, TheSampleLogIsReproducible) {
  const std::string sample = test::ReadFileBytes(test::SourceDir() / "data/sample_access.log");
  loggen::Options options;
  options.layout = loggen::Layout::NcsaCombined;
  options.requests = 5000;
  options.seed = 1;
  options.maxGapSeconds = 480;
  EXPECT_EQ(sample, loggen::GenerateLog(options));
  EXPECT_EQ(ReadGenerated((test::SourceDir() / "data/sample_access.log").string()).records, 5000U);
}

}  // namespace
}  // namespace tlw
