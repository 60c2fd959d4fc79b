#include "report/bar_graph_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "report/bar_graph_palette.h"

namespace tlw {
namespace {

struct ScaleCase {
  std::int64_t max;
  std::uint64_t scale;
  std::array<const char*, kAxisTicks> labels;
};

class GraphScaleTable : public testing::TestWithParam<ScaleCase> {};

TEST_P(GraphScaleTable, GivesScaleAndAxisLabels) {
  const ScaleCase& c = GetParam();
  const std::uint64_t scale = GraphScale(c.max);
  EXPECT_EQ(scale, c.scale);
  const auto labels = AxisLabels(scale);
  for (std::size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labels[i], c.labels[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Maxima, GraphScaleTable,
    testing::Values(
        ScaleCase{0, 5, {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
        ScaleCase{1, 5, {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
        ScaleCase{5, 5, {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}},
        ScaleCase{6, 10, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
        ScaleCase{10, 10, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}},
        ScaleCase{37, 50, {"0", "5", "10", "15", "20", "25", "30", "35", "40", "45", "50"}},
        ScaleCase{50, 50, {"0", "5", "10", "15", "20", "25", "30", "35", "40", "45", "50"}},
        ScaleCase{73, 100, {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}},
        ScaleCase{
            2999,
            5000,
            {"0", "0.5k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k", "4.5k", "5.0k"}},
        ScaleCase{
            3000,
            5000,
            {"0", "0.5k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k", "4.5k", "5.0k"}},
        ScaleCase{
            4500,
            5000,
            {"0", "0.5k", "1.0k", "1.5k", "2.0k", "2.5k", "3.0k", "3.5k", "4.0k", "4.5k", "5.0k"}},
        ScaleCase{
            600000,
            1000000,
            {"0", "0.1M", "0.2M", "0.3M", "0.4M", "0.5M", "0.6M", "0.7M", "0.8M", "0.9M", "1.0M"}},
        ScaleCase{
            4000000,
            5000000,
            {"0", "0.5M", "1.0M", "1.5M", "2.0M", "2.5M", "3.0M", "3.5M", "4.0M", "4.5M", "5.0M"}},
        ScaleCase{40000000,
                  50000000,
                  {"0", "5000000", "10000000", "15000000", "20000000", "25000000", "30000000",
                   "35000000", "40000000", "45000000", "50000000"}},
        // Counts past 32 bits keep their digits.
        ScaleCase{std::numeric_limits<std::int64_t>::max(),
                  10000000000000000000ull,
                  {"0", "1000000000000000000", "2000000000000000000", "3000000000000000000",
                   "4000000000000000000", "5000000000000000000", "6000000000000000000",
                   "7000000000000000000", "8000000000000000000", "9000000000000000000",
                   "10000000000000000000"}}));

struct LengthCase {
  std::int64_t value;
  std::uint64_t scale;
  int length;
};

class BarLengthTable : public testing::TestWithParam<LengthCase> {};

TEST_P(BarLengthTable, RoundsUpOnlyPastARemainderOfFour) {
  const LengthCase& c = GetParam();
  EXPECT_EQ(BarLength(c.value, c.scale), c.length);
}

INSTANTIATE_TEST_SUITE_P(Values, BarLengthTable,
                         testing::Values(LengthCase{37, 50, 182},  // 9065 / 50 = 181 remainder 15
                                         LengthCase{20, 50, 98}, LengthCase{5, 50, 25},
                                         LengthCase{50, 50, 245}, LengthCase{1, 5, 49},
                                         LengthCase{204, 1000, 50},  // 49980: remainder 980
                                         LengthCase{208, 1000, 51},
                                         // The remainder is compared with 4 whatever the scale,
                                         // so any positive count shows at least one pixel.
                                         LengthCase{1, 100, 3},    // 245 / 100 = 2 remainder 45
                                         LengthCase{1, 10000, 1},  // 245 / 10000 = 0 remainder 245
                                         LengthCase{4, 245, 4},    // 980 / 245 = 4 remainder 0
                                         LengthCase{2, 98, 5},     // 490 / 98 = 5 remainder 0
                                         LengthCase{4, 196, 5},    // 980 / 196 = 5 remainder 0
                                         LengthCase{3, 146, 6},    // 735 / 146 = 5 remainder 5
                                         LengthCase{std::numeric_limits<std::int64_t>::max(),
                                                    10000000000000000000ull, 226}));

TEST(BarCount, LimitsToThirtyAndStopsAtTheFirstEmptyEntry) {
  std::vector<BarGraphEntry> entries(40, BarGraphEntry{"x", 3});
  EXPECT_EQ(BarCount(entries), 30);
  entries.resize(7);
  EXPECT_EQ(BarCount(entries), 7);
  entries[4].value = 0;
  EXPECT_EQ(BarCount(entries), 4);
  entries[1].value = -2;
  EXPECT_EQ(BarCount(entries), 1);
  EXPECT_EQ(BarCount({}), 0);
}

TEST(GraphHeight, GrowsBySeventeenPerBar) {
  EXPECT_EQ(GraphHeight(0), 106);
  EXPECT_EQ(GraphHeight(3), 157);
  EXPECT_EQ(GraphHeight(30), 616);
}

struct PlacementCase {
  int length;
  std::size_t chars;
  int x;
  bool inside;
};

class LabelPlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(LabelPlacement, GoesInsideOnlyWhenTheBarIsLongerThanTheText) {
  const PlacementCase& c = GetParam();
  const BarLabelPlacement place = PlaceBarLabel(c.length, c.chars);
  EXPECT_EQ(place.inside, c.inside);
  EXPECT_EQ(place.x, c.x);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LabelPlacement,
    testing::Values(PlacementCase{50, 10, 111, false}, PlacementCase{51, 10, 48, true},
                    PlacementCase{182, 11, 174, true}, PlacementCase{0, 0, 61, false},
                    PlacementCase{245, 48, 52, true}, PlacementCase{245, 49, 306, false},
                    PlacementCase{245, 1u << 30, 306, false}));

TEST(BarColors, SchemesOutsideTheTableDrawBlue) {
  EXPECT_EQ(BarColorsOf(1).face.red, 241);
  EXPECT_EQ(BarColorsOf(4).face.blue, 203);
  EXPECT_EQ(BarColorsOf(0).face.green, 105);
  EXPECT_EQ(BarColorsOf(6).face.green, 105);
  EXPECT_EQ(BarColorsOf(-1).dark.blue, 100);
}

}  // namespace
}  // namespace tlw
