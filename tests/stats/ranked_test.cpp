#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "stats/stat_table.h"

namespace tlw {
namespace {

// Builds a one-bucket table, so that iteration order is simply the reverse
// of the order in which the keys are added.
std::vector<std::string> RankedKeys(const std::vector<std::pair<std::string, int>>& added) {
  StatTable table(1);
  for (const auto& [key, count] : added) table.Add(key, count);
  std::vector<std::string> keys;
  for (const StatEntry& e : Ranked(table)) keys.emplace_back(e.key);
  return keys;
}

struct RankCase {
  const char* name;
  std::vector<std::pair<std::string, int>> added;  // in insertion order
  std::vector<std::string> ranked;
};

class RankedTieOrder : public testing::TestWithParam<RankCase> {};

TEST_P(RankedTieOrder, FollowsThePartitionExchangeSort) {
  EXPECT_EQ(RankedKeys(GetParam().added), GetParam().ranked);
}

// Each case is worked by hand on the iteration order (newest first):
// e.g. 5, 9, 5 iterates as C5 B9 A5; the pivot A5 swaps C and B, then moves
// between them: B A C.
INSTANTIATE_TEST_SUITE_P(
    Cases, RankedTieOrder,
    testing::Values(
        RankCase{"FiveNineFive", {{"A", 5}, {"B", 9}, {"C", 5}}, {"B", "A", "C"}},
        RankCase{"AllEqual",
                 {{"f", 1}, {"e", 1}, {"d", 1}, {"c", 1}, {"b", 1}, {"a", 1}},
                 {"d", "e", "f", "a", "c", "b"}},
        RankCase{"MixedTies",
                 {{"h", 3}, {"g", 2}, {"f", 1}, {"e", 3}, {"d", 2}, {"c", 3}, {"b", 1}, {"a", 3}},
                 {"c", "e", "h", "a", "g", "d", "b", "f"}},
        RankCase{"Distinct", {{"x", 1}, {"y", 3}, {"z", 2}}, {"y", "z", "x"}},
        RankCase{"Single", {{"only", 4}}, {"only"}}),
    [](const testing::TestParamInfo<RankCase>& param) { return param.param.name; });

TEST(Ranked, EmptyTableGivesEmptyList) { EXPECT_TRUE(Ranked(StatTable(100)).empty()); }

TEST(Ranked, CarriesTheCounts) {
  StatTable table(50);
  table.Add("low", 2);
  table.Add("high", 1ll << 40);
  const std::vector<StatEntry> ranked = Ranked(table);
  ASSERT_EQ(ranked.size(), 2u);
  EXPECT_EQ(ranked[0], (StatEntry{"high", 1ll << 40}));
  EXPECT_EQ(ranked[1], (StatEntry{"low", 2}));
}

TEST(Ranked, LargeTablesOfEqualAndDistinctCountsSortQuickly) {
  // Hosts seen once are the usual bulk of a table; many equal counts must
  // not make the sort quadratic, nor a deep recursion overflow the stack.
  StatTable table(50000);
  for (int i = 0; i < 300000; ++i) table.Add("h" + std::to_string(i), i % 1000 == 0 ? i : 1);
  const auto start = std::chrono::steady_clock::now();
  const std::vector<StatEntry> ranked = Ranked(table);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(ranked.size(), 300000u);
  for (std::size_t i = 1; i < ranked.size(); ++i) ASSERT_GE(ranked[i - 1].count, ranked[i].count);
  EXPECT_LT(elapsed, std::chrono::seconds(2));
}

}  // namespace
}  // namespace tlw
