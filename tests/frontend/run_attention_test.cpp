#include <gtest/gtest.h>

#include "frontend/run_attention.h"

namespace tlw {
namespace {

constexpr WindowPresence kActive = WindowPresence::kActive;
constexpr WindowPresence kInactive = WindowPresence::kInactive;
constexpr WindowPresence kHidden = WindowPresence::kHidden;

struct AttentionCase {
  const char* name;
  RunWatch watch;
  MessageRoute message;
  bool notifiesFinish;
  bool notifiesStop;
};

class RunAttentionTest : public ::testing::TestWithParam<AttentionCase> {};

TEST_P(RunAttentionTest, BoxOrNotification) {
  const AttentionCase& c = GetParam();
  EXPECT_EQ(RouteOfMessage(c.watch), c.message);
  EXPECT_EQ(NotifiesEnd(c.watch, RunOutcome::kFinished), c.notifiesFinish);
  EXPECT_EQ(NotifiesEnd(c.watch, RunOutcome::kFailed), c.notifiesFinish);
  EXPECT_EQ(NotifiesEnd(c.watch, RunOutcome::kStopped), c.notifiesStop);
}

constexpr MessageRoute kBox = MessageRoute::kMessageBox;
constexpr MessageRoute kNote = MessageRoute::kNotification;

INSTANTIATE_TEST_SUITE_P(
    Cases, RunAttentionTest,
    ::testing::Values(
        AttentionCase{"UserRunWatched", {kActive, false, true}, kBox, false, false},
        AttentionCase{"ScheduledRunWatched", {kActive, true, true}, kBox, false, false},
        AttentionCase{"UserRunWindowBehindOthers", {kInactive, false, true}, kBox, true, false},
        AttentionCase{
            "ScheduledRunWindowBehindOthers", {kInactive, true, true}, kNote, true, false},
        AttentionCase{"UserRunInTray", {kHidden, false, true}, kNote, true, false},
        AttentionCase{"ScheduledRunInTray", {kHidden, true, true}, kNote, true, false},
        AttentionCase{"NoTrayScheduled", {kInactive, true, false}, kBox, false, false},
        AttentionCase{"NoTrayHidden", {kHidden, true, false}, kBox, false, false}),
    [](const ::testing::TestParamInfo<AttentionCase>& param) { return param.param.name; });

TEST(RunAttentionTest, NoticeSaysWhatHappenedToWhichSite) {
  const EndNotice finished = EndNoticeOf("shop.example.com", RunOutcome::kFinished, "", true);
  EXPECT_EQ(finished.title, "Finished: shop.example.com");
  EXPECT_EQ(finished.body, "Click to open the report.");
  const EndNotice failed =
      EndNoticeOf("shop.example.com", RunOutcome::kFailed, "Error reading logfile: x.log", false);
  EXPECT_EQ(failed.title, "Failed: shop.example.com");
  EXPECT_EQ(failed.body, "Error reading logfile: x.log");
}

}  // namespace
}  // namespace tlw
