#include "stats/day_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tlw {
namespace {

std::vector<std::string> DayKeys(const StatTable& table) {
  std::vector<std::string> keys;
  for (const StatEntry& e : DaysByDate(table)) keys.emplace_back(e.key);
  return keys;
}

TEST(DaysByDate, OrdersAcrossTheCenturyNewestFirst) {
  StatTable days(400);
  for (const char* key : {"Dec-31-1999", "1-1-00", "12-30-99", "Feb-1-2000", "Jan-2-2000"}) {
    days.Add(key);
  }
  EXPECT_EQ(DayKeys(days), (std::vector<std::string>{"Feb-1-2000", "Jan-2-2000", "1-1-00",
                                                     "Dec-31-1999", "12-30-99"}));
}

struct DateCase {
  const char* key;
  std::int64_t value;
};

class DateKeyValueTest : public testing::TestWithParam<DateCase> {};

TEST_P(DateKeyValueTest, ReadsMonthDayAndYear) {
  EXPECT_EQ(DateKeyValue(GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateKeyValueTest,
    testing::Values(DateCase{"Oct-10-2000", 2000'0010'0010}, DateCase{"10-10-2000", 2000'0010'0010},
                    DateCase{"3-7-84", 2084'0003'0007},      // 0-84: 2000s
                    DateCase{"3-7-85", 1985'0003'0007},      // 85-99: 1900s
                    DateCase{"3-7-100", 100'0003'0007},      // other years as written
                    DateCase{"oct-1-2000", 2000'0000'0001},  // month names are exact case
                    DateCase{"Oct-1", 2000'0010'0001},       // a missing year reads 0: 2000
                    DateCase{"", 2000'0000'0000}));

TEST(DaysByDate, NumericAndNamedMonthsInterleave) {
  StatTable days(400);
  for (const char* key : {"Mar-5-2001", "3-6-2001", "02-28-2001", "Mar-4-2001"}) days.Add(key);
  EXPECT_EQ(DayKeys(days),
            (std::vector<std::string>{"3-6-2001", "Mar-5-2001", "Mar-4-2001", "02-28-2001"}));
}

TEST(DaysByDate, EmptyTableGivesEmptyList) { EXPECT_TRUE(DaysByDate(StatTable(400)).empty()); }

}  // namespace
}  // namespace tlw
