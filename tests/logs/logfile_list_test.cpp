#include "logs/logfile_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tlw {
namespace {

// 20 March 2001, 07:05:09, a Tuesday.
std::tm StartTime() {
  std::tm time{};
  time.tm_year = 101;
  time.tm_mon = 2;
  time.tm_mday = 20;
  time.tm_hour = 7;
  time.tm_min = 5;
  time.tm_sec = 9;
  time.tm_wday = 2;
  time.tm_yday = 78;
  return time;
}

// The names in order, then what was left unread.
std::vector<std::string> AllNames(std::string_view fileList, std::string_view setting,
                                  ListedNames listed, std::vector<std::string>* unread = nullptr) {
  LogfileNames names(fileList, setting, StartTime(), listed);
  std::vector<std::string> result;
  while (std::optional<std::string> name = names.Next()) result.push_back(*name);
  if (unread != nullptr) *unread = names.Unread();
  return result;
}

struct ListCase {
  const char* name;
  const char* fileList;
  const char* setting;
  std::vector<std::string> expected;
  ListedNames listed = ListedNames::kTyped;
  const char* unread = "";  // begins the one note of what was not read; "" for none
};

class LogfileNamesTest : public testing::TestWithParam<ListCase> {};

TEST_P(LogfileNamesTest, TakesTheNamesInOrder) {
  std::vector<std::string> unread;
  EXPECT_EQ(AllNames(GetParam().fileList, GetParam().setting, GetParam().listed, &unread),
            GetParam().expected);
  if (*GetParam().unread == '\0') {
    EXPECT_TRUE(unread.empty()) << unread.front();
  } else {
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_TRUE(unread[0].starts_with(GetParam().unread)) << unread[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, LogfileNamesTest,
    testing::Values(ListCase{"TwoNamesEachEnded",
                             "/l/a.log|/l/b.log|",
                             "/l/a.log|/l/b.log|",
                             {"/l/a.log", "/l/b.log"}},
                    ListCase{"BarOnlyBetweenReadsTheFirst",
                             "/l/a.log|/l/b.log",
                             "/l/a.log|/l/b.log",
                             {"/l/a.log"},
                             ListedNames::kTyped,
                             "The entry /l/b.log after the last \"|\""},
                    ListCase{"ShortNameIsNotRead",
                             "ab",
                             "ab",
                             {},
                             ListedNames::kTyped,
                             "The logfile ab was not read: a logfile name needs at least 3"},
                    ListCase{"SingleName", "/l/a.log", "/l/a.log", {"/l/a.log"}},
                    ListCase{"EmptyFirstEntryStandsForTheSetting",
                             "|/l/b.log|",
                             "|/l/b.log|",
                             {"|/l/b.log|", "/l/b.log"},
                             ListedNames::kTyped,
                             "The logfile list |/l/b.log| was read as one name"},
                    ListCase{"EmptyExpansionFallsBackToThePattern", "", "/l/*.log", {"/l/*.log"}},
                    ListCase{"ShortEntryEndsTheList",
                             "/l/a.log|ab|/l/c.log|",
                             "",
                             {"/l/a.log"},
                             ListedNames::kTyped,
                             "The logfile ab was not read, nor the names after it"},
                    ListCase{"EmptyEntryEndsTheList",
                             "/l/a.log||/l/c.log|",
                             "",
                             {"/l/a.log"},
                             ListedNames::kTyped,
                             "The logfile list ends at an empty entry: /l/c.log| was not read"},
                    ListCase{"OnlyTheFirstNameIsATimeFormat",
                             "/l/ex%y%m%d.log|/l/ex%y%m%d.log|",
                             "",
                             {"/l/ex010320.log", "/l/ex%y%m%d.log"}},
                    ListCase{"TheSettingIsATimeFormatToo",
                             "/logs/ex%y%m%d.log",
                             "/logs/ex%y%m%d.log",
                             {"/logs/ex010320.log"}},
                    // "%x" would give "03/20/01": a matched file's name is no format.
                    ListCase{"AMatchedNameIsNoTimeFormat",
                             "/l/%x|/l/b.log|",
                             "/l/*",
                             {"/l/%x", "/l/b.log"},
                             ListedNames::kMatched},
                    ListCase{"NoMatchFallsBackToTheTypedPatternAsAFormat",
                             "",
                             "/l/ex%y*",
                             {"/l/ex01*"},
                             ListedNames::kMatched}),
    [](const testing::TestParamInfo<ListCase>& row) { return row.param.name; });

struct TimeCodeCase {
  const char* pattern;
  const char* expected;
};

class ExpandTimeCodesTest : public testing::TestWithParam<TimeCodeCase> {};

TEST_P(ExpandTimeCodesTest, ReplacesDateAndTimeCodesOnly) {
  EXPECT_EQ(ExpandTimeCodes(GetParam().pattern, StartTime()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Patterns, ExpandTimeCodesTest,
                         testing::Values(TimeCodeCase{"u_ex%y%m%d.log", "u_ex010320.log"},
                                         TimeCodeCase{"%Y-%m-%d_%H%M%S", "2001-03-20_070509"},
                                         TimeCodeCase{"%b%a%j", "MarTue079"},
                                         TimeCodeCase{"day%#d-%#m-%#H", "day20-3-7"},
                                         TimeCodeCase{"%#M", "5"}, TimeCodeCase{"100%", "100%"},
                                         TimeCodeCase{"a%%d", "a%d"},
                                         TimeCodeCase{"/logs/%20space%q", "/logs/%20space%q"},
                                         TimeCodeCase{"%#q", "%#q"},
                                         TimeCodeCase{"C:\\logs\\in%y.log", "C:\\logs\\in01.log"}));

}  // namespace
}  // namespace tlw
