#include "logs/logfile_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logs/local_logfile.h"
#include "support/temp_dir.h"
#include "tests/logs/gzip_helpers.h"
#include "tests/logs/parse_helpers.h"

namespace tlw {
namespace {

struct FileRun {
  std::vector<std::string> urls;  // of the completed records, in order
  RecordStep last = RecordStep::End;
  std::size_t steps = 0;
  bool detectionFailed = false;
  LogFormat format = LogFormat::Unsupported;
  std::string endMessage;
};

// Reads one file to its end with the run's parse state.
FileRun ReadFile(const test::TempDir& dir, std::string_view name, std::string_view content,
                 ParseState& state) {
  const auto path = dir.Write(name, content);
  auto file = LocalLogfile::Open(path.string());
  EXPECT_TRUE(file.ok());
  FileRun run;
  LogfileRecords records(**file, state);
  LogRecord record;
  while (true) {
    const RecordStep step = records.Next(record);
    ++run.steps;
    if (step == RecordStep::Record) {
      run.urls.emplace_back(record.url);
    } else if (step != RecordStep::Skipped) {
      run.last = step;
      break;
    }
  }
  run.detectionFailed = records.DetectionFailed();
  run.format = records.Format();
  run.endMessage = records.SourceEndState().message;
  EXPECT_EQ(records.Next(record), RecordStep::End);
  return run;
}

std::string NcsaLine(std::string_view url, std::string_view time = "01/Mar/2024:10:00:01") {
  return "10.0.0.1 - - [" + std::string(time) + " +0000] \"GET " + std::string(url) +
         " HTTP/1.1\" 200 512 \"-\" \"Mozilla/5.0\"\n";
}

using Urls = std::vector<std::string>;

TEST(LogfileRecords, NoNcsaRequestIsLostToDetection) {
  test::TempDir dir;
  ParseState state;
  const FileRun run =
      ReadFile(dir, "a.log", NcsaLine("/1") + NcsaLine("/2") + NcsaLine("/3"), state);
  EXPECT_EQ(run.format, LogFormat::Ncsa);
  EXPECT_EQ(run.urls, (Urls{"/1", "/2", "/3"}));
  EXPECT_EQ(run.last, RecordStep::End);
  EXPECT_EQ(state.lineCounter, 3U);
}

TEST(LogfileRecords, OneAndTwoLineFilesGiveTheirRecords) {
  test::TempDir dir;
  ParseState state;
  EXPECT_EQ(ReadFile(dir, "one.log", NcsaLine("/only"), state).urls, (Urls{"/only"}));
  EXPECT_EQ(ReadFile(dir, "two.log", NcsaLine("/a") + NcsaLine("/b"), state).urls,
            (Urls{"/a", "/b"}));
  const FileRun empty = ReadFile(dir, "empty.log", "", state);
  EXPECT_TRUE(empty.urls.empty());
  EXPECT_FALSE(empty.detectionFailed);
  EXPECT_EQ(empty.last, RecordStep::End);
}

TEST(LogfileRecords, AFirstLineOfAnotherLayoutIsNotParsed) {
  test::TempDir dir;
  ParseState state;
  const FileRun run = ReadFile(
      dir, "headed.log", "host ident user time request status bytes\n" + NcsaLine("/a"), state);
  EXPECT_EQ(run.urls, (Urls{"/a"}));
  EXPECT_EQ(state.lineCounter, 1U);
}

TEST(LogfileRecords, W3cDirectivesAreReadButNotCounted) {
  test::TempDir dir;
  ParseState state;
  const FileRun run =
      ReadFile(dir, "u_ex240301.log",
               "#Software: Microsoft Internet Information Services 10.0\r\n#Version: 1.0\r\n"
               "#Date: 2024-03-01 00:00:00\r\n"
               "#Fields: date time c-ip cs-method cs-uri-stem sc-status\r\n"
               "2024-03-01 00:00:01 10.0.0.1 GET /a.html 200\r\n"
               "#Fields: date time cs-uri-stem c-ip sc-status\r\n"
               "2024-03-01 00:05:00 /b.html 10.0.0.2 404\r\n",
               state);
  EXPECT_EQ(run.format, LogFormat::W3cExtended);
  EXPECT_EQ(run.urls, (Urls{"/a.html", "/b.html"}));
  EXPECT_EQ(state.lineCounter, 2U);
}

TEST(LogfileRecords, AFieldDirectiveOnTheFirstLineIsUsed) {
  test::TempDir dir;
  ParseState state;
  const FileRun run = ReadFile(dir, "fields-first.log",
                               "#Fields: date time c-ip cs-uri-stem sc-status\n#Date: 2024-03-01\n"
                               "2024-03-01 00:00:01 10.0.0.1 /a.html 200\n",
                               state);
  EXPECT_EQ(run.urls, (Urls{"/a.html"}));
}

TEST(LogfileRecords, AFieldDirectiveWithoutDateEndsTheRun) {
  test::TempDir dir;
  ParseState state;
  const FileRun run = ReadFile(dir, "nodate.log",
                               "#Software: IIS\n#Fields: time c-ip cs-uri-stem\n"
                               "00:00:01 10.0.0.1 /a.html\n",
                               state);
  EXPECT_EQ(run.last, RecordStep::MissingDateField);
  EXPECT_TRUE(run.urls.empty());
}

TEST(LogfileRecords, AnUnrecognisedFileFailsDetectionAndEndsAtItsFirstLine) {
  test::TempDir dir;
  ParseState state;
  const FileRun run = ReadFile(dir, "odd.txt", "hello\nworld\nmore\n", state);
  EXPECT_TRUE(run.detectionFailed);
  EXPECT_EQ(run.last, RecordStep::UnsupportedFormat);
  EXPECT_EQ(run.steps, 1U);
}

TEST(LogfileRecords, EachCallHandlesOneLineSoTheRunCanStopBetweenLines) {
  test::TempDir dir;
  ParseState state;
  // Detection reads two lines but hands them out one per call; the blank
  // line and the one that has no URL still take a call each.
  const FileRun run = ReadFile(
      dir, "steps.log",
      NcsaLine("/a") + NcsaLine("/b") + " continuation\n10.0.0.9\n" + NcsaLine("/c"), state);
  EXPECT_EQ(run.urls, (Urls{"/a", "/b", "/c"}));
  EXPECT_EQ(run.steps, 6U);
  EXPECT_EQ(state.lineCounter, 4U);
}

TEST(LogfileRecords, ThePeriodRunsFromTheFirstToTheLastRecordOfTheRun) {
  test::TempDir dir;
  ParseState state;
  ReadFile(dir, "day1.log",
           NcsaLine("/a", "01/Mar/2024:00:00:07") + NcsaLine("/b", "01/Mar/2024:09:30:00"), state);
  // A line without a request gives no record and does not move the end.
  ReadFile(dir, "day2.log",
           NcsaLine("/c", "02/Mar/2024:23:59:59") + "10.0.0.1 - - [03/Mar/2024:00:00:01 +0000]\n",
           state);
  EXPECT_TRUE(state.period.HasRecords());
  EXPECT_EQ(state.period.Start(), "Mar-01-2024 00:00");
  EXPECT_EQ(state.period.End(), "Mar-02-2024 23:59");
}

TEST(LogfileRecords, ARunWithoutRecordsHasNoPeriod) {
  ParseState state;
  EXPECT_FALSE(state.period.HasRecords());
}

TEST(LogfileRecords, TheLinesBeforeGzipDamageCount) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += NcsaLine("/p" + std::to_string(i));
  const std::string packed = test::Gzip(text);
  ParseState state;
  const FileRun run =
      ReadFile(dir, "access.log.1.gz", packed.substr(0, packed.size() * 3 / 4), state);
  EXPECT_EQ(run.last, RecordStep::Damaged);
  ASSERT_GT(run.urls.size(), 10000U);
  EXPECT_EQ(run.urls.front(), "/p0");
  EXPECT_EQ(run.urls.back(), "/p" + std::to_string(run.urls.size() - 1));
  EXPECT_NE(run.endMessage.find("after line " + std::to_string(run.urls.size()) + ","),
            std::string::npos)
      << run.endMessage;
}

// Data that breaks off inside the second line leaves the first line
// complete: it is counted, as the message says, though no probe line
// followed it.
TEST(LogfileRecords, AFirstLineBeforeGzipDamageInTheSecondCounts) {
  test::TempDir dir;
  std::string noise;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245U + 12345U;
    noise += static_cast<char>('a' + (seed >> 16) % 26);
  }
  const std::string packed =
      test::Gzip(NcsaLine("/first") + NcsaLine("/" + noise) + NcsaLine("/third"));
  ParseState state;
  const FileRun run = ReadFile(dir, "cut.log.gz", packed.substr(0, packed.size() / 2), state);
  EXPECT_EQ(run.last, RecordStep::Damaged);
  EXPECT_EQ(run.urls, (Urls{"/first"}));
  EXPECT_EQ(state.lineCounter, 1U);
  EXPECT_NE(run.endMessage.find("after line 1,"), std::string::npos) << run.endMessage;

  // Damage after a first line of no known layout ends the file quietly.
  const std::string headed = test::Gzip("host ident user time request\n" + NcsaLine("/" + noise));
  const FileRun unknown =
      ReadFile(dir, "headed.log.gz", headed.substr(0, headed.size() / 2), state);
  EXPECT_EQ(unknown.last, RecordStep::Damaged);
  EXPECT_FALSE(unknown.detectionFailed);
}

}  // namespace
}  // namespace tlw
