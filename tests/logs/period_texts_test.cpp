#include "logs/period_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace tlw {
namespace {

LogRecord Stamp(std::string_view month, std::string_view day, std::string_view year,
                std::string_view hour, std::string_view minute) {
  LogRecord record;
  record.month = month;
  record.day = day;
  record.year = year;
  record.hour = hour;
  record.minute = minute;
  return record;
}

TEST(PeriodTexts, StartIsTheFirstRecordAndEndTheLast) {
  PeriodTexts period;
  EXPECT_FALSE(period.HasRecords());
  EXPECT_EQ(period.End(), "");
  // The fields are kept by copy: the texts they came from are gone.
  std::string line = "Mar 01 2024 09 05";
  period.Note(Stamp(std::string_view(line).substr(0, 3), std::string_view(line).substr(4, 2),
                    std::string_view(line).substr(7, 4), std::string_view(line).substr(12, 2),
                    std::string_view(line).substr(15, 2)));
  line.assign(line.size(), '#');
  EXPECT_EQ(period.Start(), "Mar-01-2024 09:05");
  EXPECT_EQ(period.End(), "Mar-01-2024 09:05");
  // Fields of every length from 0 to 9 characters, then one longer than
  // the whole text, which is cut at 96 characters.
  period.Note(Stamp("", "1", "24", "abcdefgh", "123456789"));
  EXPECT_EQ(period.End(), "-1-24 abcdefgh:123456789");
  period.Note(Stamp("March", "001", "2024", "1234567", "x"));
  EXPECT_EQ(period.End(), "March-001-2024 1234567:x");
  const std::string longMinute(200, 'm');
  period.Note(Stamp("Mar", "02", "2024", "10", longMinute));
  EXPECT_EQ(period.End(), "Mar-02-2024 10:" + std::string(96 - 15, 'm'));
  EXPECT_EQ(period.Start(), "Mar-01-2024 09:05");
}

}  // namespace
}  // namespace tlw
