#include "engine/run_texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/run_stages.h"

namespace tlw {
namespace {

struct TimeTakenCase {
  std::int64_t seconds;
  const char* text;
};

class TimeTakenTest : public ::testing::TestWithParam<TimeTakenCase> {};

TEST_P(TimeTakenTest, ShowsHoursInFull) {
  EXPECT_EQ(TimeTakenText(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Durations, TimeTakenTest,
                         ::testing::Values(TimeTakenCase{0, "00h 00m 00s"},
                                           TimeTakenCase{65, "00h 01m 05s"},
                                           TimeTakenCase{23 * 3600 + 59 * 60 + 59, "23h 59m 59s"},
                                           TimeTakenCase{25 * 3600, "25h 00m 00s"},
                                           TimeTakenCase{100 * 3600 + 1, "100h 00m 01s"},
                                           TimeTakenCase{-30, "00h 00m 00s"}));

TEST(RunTexts, RangeDayHasNoLeadingZeros) {
  EXPECT_EQ(RangeDayText(983404800), "3-1-2001");   // 2001-03-01 00:00 UTC
  EXPECT_EQ(RangeDayText(985996799), "3-30-2001");  // one second before 3-31
  EXPECT_EQ(RangeDayText(1009843199), "12-31-2001");
  EXPECT_EQ(RangeDayText(-1), "12-31-1969");
  // Years past 32 bits: the C library's year plus 1900 no longer fits an
  // int, and later ones it cannot represent at all.
  EXPECT_EQ(RangeDayText(67767976233532800), "1-1-2147483648");
  EXPECT_EQ(RangeDayText(126227745838047600), "3-1-4000000000");
  EXPECT_EQ(RangeDayText(INT64_MAX), "12-4-292277026596");
  EXPECT_EQ(RangeDayText(INT64_MIN), "1-27--292277022657");
}

TEST(RunTexts, FinishTimeIsTwelveHourWithWeekday) {
  EXPECT_EQ(FinishTimeText(971186136), "01:55PM Tue 10-10-00");  // 2000-10-10 13:55:36 UTC
  EXPECT_EQ(FinishTimeText(971136000), "12:00AM Tue 10-10-00");
}

TEST(DayKey, KeepsTheLastRecordsMonthAndDay) {
  DayKey key;
  EXPECT_EQ(key.Text(), "");
  key.Note("Oct", "10");
  EXPECT_EQ(key.Text(), "Oct-10");
  key.Note("  3", "20");  // the comma layout keeps the blank after the comma
  EXPECT_EQ(key.Text(), "3-20");
  const std::string longMonth(100, 'x');
  key.Note(longMonth, "1");
  EXPECT_EQ(key.Text().size(), 48u);
}

TEST(GraphFilePrefix, IsRowAndDayAsOneFileName) {
  EXPECT_EQ(GraphFilePrefixOf(0, "Oct-10"), "0_Oct-10");
  EXPECT_EQ(GraphFilePrefixOf(12, ""), "12_");
  EXPECT_EQ(GraphFilePrefixOf(1, "a/b\\c"), "1_a_b_c");
  // A forged date cannot add attributes to the image tag or leave the folder.
  EXPECT_EQ(GraphFilePrefixOf(0, "15 onerror=with(document)title=7331133 x-Mar"),
            "0_15_onerror_with_document_title_7331133_x-Mar");
  EXPECT_EQ(GraphFilePrefixOf(2, "..\"'>\xC3\xA9-1"), "2________-1");
}

TEST(RunStages, TextsAndEndsFollowTheTable) {
  EXPECT_EQ(StageText(kStageReading), "Reading Logfile...");
  EXPECT_EQ(StageText(kStageFinished), "Finished: ");
  EXPECT_EQ(StageText(kStageResolving), "DNS: IP addr -> hostname");
  EXPECT_EQ(StageText(99), "Unknown");
  for (const RunStage& stage : kRunStages) {
    const bool ends = stage.number == 4 || stage.number == 5 || stage.number == 10 ||
                      stage.number == kStageReportError;
    EXPECT_EQ(StageEndsRun(stage.number), ends) << stage.number;
  }
}

}  // namespace
}  // namespace tlw
