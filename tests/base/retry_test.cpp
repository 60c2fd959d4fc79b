#include "base/retry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace tlw {
namespace {

// Each case: what the attempts return in turn (true: fails and may pass
// if made again; false: fails for good), and how many are made.
TEST(RetryTest, TriesAgainOnlyWhatMayPass) {
  struct Case {
    std::vector<int> outcomes;  // 0 succeeds, 1 fails transiently, 2 fails for good
    int made;
    bool ok;
  };
  const Case cases[] = {
      {{0}, 1, true},           {{1, 0}, 2, true},  {{1, 1, 0}, 3, true},
      {{1, 1, 1, 0}, 3, false}, {{2, 0}, 1, false}, {{1, 2, 0}, 2, false},
  };
  for (const Case& c : cases) {
    int made = 0;
    const auto start = std::chrono::steady_clock::now();
    const Status status = WithRetries(20, {}, [&](bool& transient) {
      const int outcome = c.outcomes[static_cast<std::size_t>(made++)];
      transient = outcome == 1;
      return outcome == 0 ? Status::Ok() : Status::Error("attempt " + std::to_string(made));
    });
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(status.ok(), c.ok);
    if (!c.ok) {
      EXPECT_EQ(status.message(), "attempt " + std::to_string(made));
    }
    // The pauses grow: 20 ms before the second attempt, 40 before the third.
    const auto waited = std::chrono::steady_clock::now() - start;
    const int pauses = made == 1 ? 0 : made == 2 ? 20 : 60;
    EXPECT_GE(waited, std::chrono::milliseconds(pauses));
  }
}

TEST(RetryTest, AStopEndsThePause) {
  int made = 0;
  const auto start = std::chrono::steady_clock::now();
  const Status status = WithRetries(
      60'000, [] { return true; },
      [&](bool& transient) {
        ++made;
        transient = true;
        return Status::Error("down");
      });
  EXPECT_EQ(made, 1);
  EXPECT_EQ(status.message(), "down");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace tlw
