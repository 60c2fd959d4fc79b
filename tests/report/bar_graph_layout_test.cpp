#include "report/bar_graph_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace tlw {
namespace {

struct ScaleCase {
  std::int64_t max;
  std::uint64_t scale;
};

class GraphScaleTable : public testing::TestWithParam<ScaleCase> {};

TEST_P(GraphScaleTable, IsTheSmallestPowerOfTenOrItsHalfThatReachesTheMaximum) {
  EXPECT_EQ(GraphScale(GetParam().max), GetParam().scale);
}

INSTANTIATE_TEST_SUITE_P(
    Maxima, GraphScaleTable,
    testing::Values(ScaleCase{0, 5}, ScaleCase{5, 5}, ScaleCase{6, 10}, ScaleCase{10, 10},
                    ScaleCase{37, 50}, ScaleCase{50, 50}, ScaleCase{51, 100}, ScaleCase{73, 100},
                    ScaleCase{3000, 5000}, ScaleCase{4500, 5000}, ScaleCase{5001, 10000},
                    ScaleCase{std::numeric_limits<std::int64_t>::max(), 10000000000000000000ull}));

// The picture tests check whole label rows for the common scales; these
// are the boundaries between the number formats.
struct LabelCase {
  std::uint64_t t;
  std::uint64_t scale;
  const char* text;
};

class AxisLabelTable : public testing::TestWithParam<LabelCase> {};

TEST_P(AxisLabelTable, FormatsByScale) {
  EXPECT_EQ(AxisLabel(GetParam().t, GetParam().scale), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AxisLabelTable,
    testing::Values(LabelCase{0, 5000, "0"}, LabelCase{500, 5000, "0.5k"},
                    LabelCase{1000, 1000, "1000"}, LabelCase{50000, 500000, "50.0k"},
                    LabelCase{500000, 500000, "500.0k"}, LabelCase{0, 1000000, "0"},
                    LabelCase{100000, 1000000, "0.1M"}, LabelCase{5000000, 5000000, "5.0M"},
                    LabelCase{5000000, 50000000, "5000000"},
                    // Counts past 32 bits keep their digits.
                    LabelCase{10000000000000000000ull, 10000000000000000000ull,
                              "10000000000000000000"}));

TEST(AxisLabels, StepByATenthOfTheScaleInWholeNumbers) {
  const auto five = AxisLabels(5);
  for (const std::string& label : five) EXPECT_EQ(label, "0");
  const auto fifty = AxisLabels(50);
  EXPECT_EQ(fifty[1], "5");
  EXPECT_EQ(fifty[10], "50");
}

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

}  // namespace
}  // namespace tlw
