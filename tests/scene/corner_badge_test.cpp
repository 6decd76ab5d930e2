// The corner badge's timing: the 20-second wait, the frame that arms it, the
// 15-second cycles with a random image, and where it stands in a cycle.
#include <gtest/gtest.h>

#include "scene/corner_badge.h"

namespace {

class CornerBadgeTest : public ::testing::Test {
protected:
    BadgeFrame drawAt(uint32_t now) {
        clock.set(now);
        BadgeFrame frame;
        badge.drawBadge(frame);
        return frame;
    }
    ManualClock clock;
    RandomGenerator random;
    CornerBadge badge{clock.source(), random};
};

TEST_F(CornerBadgeTest, WaitsTwentySecondsArmsInOneFrameAndCyclesEveryFifteen) {
    random.seed(1);  // as main seeds it after the scene is built
    EXPECT_EQ(badge.badgeStartTick, 0u);
    EXPECT_EQ(drawAt(19999).shown, 0);
    EXPECT_EQ(badge.badgeArmed, 0);
    EXPECT_EQ(drawAt(20000).shown, 0);  // the arming frame draws nothing
    EXPECT_EQ(badge.badgeArmed, 1);
    // The next frame starts the first cycle: image 41 % 3 = 2, at rest.
    BadgeFrame first = drawAt(20016);
    EXPECT_EQ(badge.badgeStartTick, 20016u);
    EXPECT_EQ(first.shown, 1);
    EXPECT_EQ(first.index, 2);
    EXPECT_EQ(first.offset, -32.0f);
    // Rising to +32 (fully above the strip) at 1500 ms, back at rest at 3000.
    struct Step {
        uint32_t elapsed;
        float offset;
    };
    for (Step s : {Step{0, -32.0f}, Step{750, 0.0f}, Step{1500, 32.0f}, Step{2250, 0.0f}, Step{3000, -32.0f},
                   Step{3001, -32.0f}, Step{14999, -32.0f}}) {
        BadgeFrame frame = drawAt(20016 + s.elapsed);
        EXPECT_NEAR(frame.offset, s.offset, 0.05f) << s.elapsed;
        EXPECT_EQ(frame.index, 2);
    }
    EXPECT_EQ(badge.badgeStartTick, 20016u);
    // Next cycles: 18467 % 3 = 2 (the same image again), then 6334 % 3 = 1.
    BadgeFrame second = drawAt(20016 + 15000);
    EXPECT_EQ(badge.badgeStartTick, 35016u);
    EXPECT_EQ(second.index, 2);
    EXPECT_EQ(second.offset, -32.0f);
    EXPECT_EQ(drawAt(50100).index, 1);
}

TEST(CornerBadge, TheWaitCountsFromConstructionAcrossTheTickWrap) {
    ManualClock clock;
    RandomGenerator random;
    clock.set(0xffffff00u);
    CornerBadge badge(clock.source(), random);
    EXPECT_EQ(badge.badgeStartTick, 0xffffff00u);
    BadgeFrame frame;
    clock.set(0xffffff00u + 19999u);
    badge.drawBadge(frame);
    EXPECT_EQ(badge.badgeArmed, 0);
    clock.set(0xffffff00u + 20000u);
    badge.drawBadge(frame);
    EXPECT_EQ(badge.badgeArmed, 1);
}

}  // namespace
