// Runs the real access logs beside the repository through the reader and
// the parser, as a run reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "logs/local_logfile.h"
#include "logs/logfile_list.h"
#include "logs/logfile_records.h"
#include "support/paths.h"

namespace tlw {
namespace {

struct RunTally {
  std::uint64_t files = 0;
  std::uint64_t records = 0;
  std::uint64_t withoutStatus = 0;
  std::uint64_t withoutBytes = 0;
  std::uint64_t withAgent = 0;
  std::uint64_t withCarriageReturn = 0;
  std::uint64_t withQuoteInUrl = 0;
  RecordStep lastStep = RecordStep::End;
  std::vector<std::string> names;
  ParseState state;
};

// Reads every logfile that `setting` names, in the run's order.
RunTally ReadSetting(const std::string& setting) {
  RunTally tally;
  const std::time_t now = std::time(nullptr);
  std::tm start{};
  localtime_r(&now, &start);
  const LocalFiles files = LocalFileList(setting);
  LogfileNames names(files.fileList, setting, start, files.listed);
  while (std::optional<std::string> name = names.Next()) {
    auto file = LocalLogfile::Open(*name);
    EXPECT_TRUE(file.ok()) << file.message();
    if (!file.ok()) break;
    ++tally.files;
    tally.names.push_back(*name);
    LogfileRecords records(**file, tally.state);
    LogRecord record;
    for (RecordStep step = records.Next(record);; step = records.Next(record)) {
      if (step == RecordStep::Skipped) continue;
      if (step != RecordStep::Record) {
        tally.lastStep = step;
        break;
      }
      ++tally.records;
      tally.withoutStatus += record.status.empty();
      tally.withoutBytes += record.bytes.empty();
      tally.withAgent += !record.agent.empty();
      tally.withQuoteInUrl += record.url.find('"') != std::string_view::npos;
      for (const std::string_view field : {record.host, record.url, record.status, record.bytes,
                                           record.referrer, record.agent, record.minute}) {
        if (field.find('\r') != std::string_view::npos) ++tally.withCarriageReturn;
      }
    }
    if (tally.lastStep != RecordStep::End) break;
  }
  return tally;
}

std::string RealLog(const std::string& relative) {
  return (test::RealLogsDir() / relative).string();
}

TEST(RealLogs, NasaEveryLineIsARecordHttp09Included) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("ncsa-common/nasa_kennedy_aug95_first20000.log"));
  EXPECT_EQ(tally.lastStep, RecordStep::End);
  EXPECT_EQ(tally.records, 20000U);
  EXPECT_EQ(tally.withoutStatus, 0U);
  EXPECT_EQ(tally.withoutBytes, 0U);
  EXPECT_EQ(tally.withQuoteInUrl, 0U);
  EXPECT_EQ(tally.state.lineCounter, 20000U);
  EXPECT_EQ(tally.state.period.Start(), "Aug-01-1995 00:00");
}

TEST(RealLogs, MonitorwareCrlfLinesLoseTheirCarriageReturns) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("ncsa-common/monitorware_twiki_mar2004_access_log"));
  EXPECT_EQ(tally.records, 1535U);
  EXPECT_EQ(tally.withCarriageReturn, 0U);
  EXPECT_EQ(tally.withoutBytes, 0U);
}

TEST(RealLogs, CombinedLogsGiveOneRecordPerLineWithAgents) {
  TLW_REQUIRE_REALLOGS();
  struct Expected {
    const char* file;
    std::uint64_t records;
  };
  for (const Expected& expected : {Expected{"ncsa-combined/elastic_examples_apache_logs", 10000},
                                   Expected{"ncsa-combined/zanbil_ir_jan2019_1000.log", 1000},
                                   Expected{"ncsa-combined/logstalgia_example.log", 3260}}) {
    const RunTally tally = ReadSetting(RealLog(expected.file));
    EXPECT_EQ(tally.records, expected.records) << expected.file;
    EXPECT_EQ(tally.withoutStatus, 0U) << expected.file;
    EXPECT_GT(tally.withAgent, expected.records * 9 / 10) << expected.file;
    EXPECT_EQ(tally.withQuoteInUrl, 0U) << expected.file;
  }
}

TEST(RealLogs, IisLogWithRepeatedDirectiveBlocks) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("w3c-iis/lnav_iis85_w3c_big.log"));
  EXPECT_EQ(tally.lastStep, RecordStep::End);
  EXPECT_EQ(tally.records, 210U);
  EXPECT_EQ(tally.withoutStatus, 0U);
}

TEST(RealLogs, AYearOfDailyIisFilesByWildcardInNameOrder) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("w3c-iis/waikolai_iis70_W3SVC20/u_ex*.log"));
  EXPECT_EQ(tally.lastStep, RecordStep::End);
  EXPECT_EQ(tally.files, 509U);
  EXPECT_TRUE(std::is_sorted(tally.names.begin(), tally.names.end()));
  EXPECT_EQ(tally.records, 22308U);
  EXPECT_EQ(tally.withCarriageReturn, 0U);
  EXPECT_EQ(tally.withoutBytes, 0U);
  EXPECT_EQ(tally.state.period.Start(), "08-17-2009 05:30");
}

TEST(RealLogs, IisFilesWithoutByteFieldsHaveEmptyBytes) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("w3c-iis/webknowit_iis85_W3SVC1/*.*"));
  EXPECT_EQ(tally.lastStep, RecordStep::End);
  EXPECT_EQ(tally.files, 368U);
  EXPECT_EQ(tally.records, 14318U);
  EXPECT_EQ(tally.withoutBytes, tally.records);
}

TEST(RealLogs, IisLogWithoutDateFieldEndsTheRun) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("fixtures/plaso_iis_without_date.log"));
  EXPECT_EQ(tally.lastStep, RecordStep::MissingDateField);
  EXPECT_EQ(tally.records, 0U);
}

TEST(RealLogs, IisCommaSampleWithCrlf) {
  TLW_REQUIRE_REALLOGS();
  const RunTally tally = ReadSetting(RealLog("fixtures/logparser_doc_ex010320.iis-native.log"));
  EXPECT_EQ(tally.records, 2U);
  EXPECT_EQ(tally.withCarriageReturn, 0U);
}

}  // namespace
}  // namespace tlw
