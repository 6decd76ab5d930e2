// Frame pacing driven by a simulated clock: frames take a given time to draw
// and present, the pacer answers with waits, and the test checks the rate.
#include "app/frame_pacer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int64_t millisecond = 1'000'000;
constexpr int64_t period = 1'000'000'000 / 60;

// Runs frames whose draw-and-present takes frameCost(i) ns, sleeping as the
// pacer asks; the first frame begins startUp ns after the pacer started (the
// scene and music start-up). Returns each frame's start time.
template <class Cost>
std::vector<int64_t> runFrames(FramePacer& pacer, int count, Cost frameCost, int64_t startUp = 0) {
    std::vector<int64_t> starts;
    int64_t now = startUp;
    for (int i = 0; i < count; ++i) {
        starts.push_back(now);
        now += frameCost(i);
        now += pacer.waitAfterPresent(now);
    }
    return starts;
}

TEST(FramePacer, RefusedVsyncCapsFastFramesAtTheRefreshRate) {
    FramePacer pacer;
    pacer.start(period, false, 0);
    auto starts = runFrames(pacer, 600, [](int) { return 2 * millisecond; });
    EXPECT_TRUE(pacer.capping());
    // 600 frames at 60 Hz take ten seconds, give or take a frame.
    EXPECT_NEAR(static_cast<double>(starts.back()), 599.0 * period, period);
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 1], period - 1);
}

TEST(FramePacer, SlowFramesAreNotDelayedAndDoNotBurstAfterwards) {
    FramePacer pacer;
    pacer.start(period, false, 0);
    auto starts = runFrames(pacer, 100, [](int i) { return (i < 30 ? 40 : 1) * millisecond; });
    for (size_t i = 1; i < 31; ++i) EXPECT_EQ(starts[i] - starts[i - 1], 40 * millisecond) << i;
    // Once drawing is fast again, at most one short frame catches up the
    // fraction of a period that was lost; after that the rate is the cap.
    int shortFrames = 0;
    for (size_t i = 31; i < starts.size(); ++i) shortFrames += starts[i] - starts[i - 1] < period - 1;
    EXPECT_LE(shortFrames, 1);
}

TEST(FramePacer, GrantedVsyncThatWaitsIsLeftAlone) {
    FramePacer pacer;
    pacer.start(period, true, 0);
    // Presenting blocks until the refresh: every frame takes a whole period,
    // or two when drawing overruns one.
    auto starts = runFrames(pacer, 600, [](int i) { return (i % 7 == 0 ? 2 : 1) * period; });
    EXPECT_FALSE(pacer.capping());
    for (size_t i = 1; i < starts.size(); ++i) {
        EXPECT_EQ(starts[i] - starts[i - 1], ((i - 1) % 7 == 0 ? 2 : 1) * period);
    }
}

TEST(FramePacer, GrantedVsyncThatDoesNotWaitIsCappedWithinOneWatchWindowFromTheFirstPresent) {
    // The watch starts at the first present, so a slow start-up between
    // opening the display and the first frame does not hide a driver that
    // claims vsync but never waits.
    for (int64_t startUp : {int64_t{0}, 2'000 * millisecond, 5'000 * millisecond}) {
        FramePacer pacer;
        pacer.start(period, true, 0);
        auto starts = runFrames(
            pacer, 300, [](int) { return millisecond; }, startUp);
        EXPECT_TRUE(pacer.capping()) << startUp;
        // The first window runs free; every frame after it is paced.
        for (size_t i = FramePacer::watchFrames + 1; i < starts.size(); ++i) {
            EXPECT_GE(starts[i] - starts[i - 1], period - 1) << "start-up " << startUp << " frame " << i;
        }
    }
}

TEST(FramePacer, LongStartUpBeforeTheFirstFrameDoesNotCauseABurst) {
    FramePacer pacer;
    pacer.start(period, false, 0);
    int64_t now = 3'000 * millisecond;  // scene and music start-up
    int64_t previous = now;
    for (int i = 0; i < 20; ++i) {
        now += millisecond;
        now += pacer.waitAfterPresent(now);
        if (i > 0) {
            EXPECT_GE(now - previous, period - 1) << i;
        }
        previous = now;
    }
}

}  // namespace
