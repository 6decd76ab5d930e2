#include "tools/capture/progress_bar.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressLine, ShowsFramesOfTotalRateAndTimeLeftMarksEstimatesAndCountsWhenTheEndIsUnknown) {
    // 300 of 1200 frames in 10 s: 30 fps, 900 frames left take 30 s.
    EXPECT_EQ(formatProgress({300, 1200}, 10.0),
              "[#######.......................] 300/1200 frames  30.0 fps  0:30 left");
    EXPECT_EQ(formatProgress({1200, 1200}, 10.0),
              "[##############################] 1200/1200 frames  120.0 fps  0:00 left");
    EXPECT_EQ(formatProgress({100, 200000}, 1.0).substr(33), "100/200000 frames  100.0 fps  33:19 left");
    EXPECT_EQ(formatProgress({10, 200000, true}, 1.0).substr(33), "10/~200000 frames  10.0 fps  5:33:19 left");
    EXPECT_EQ(formatProgress({0, 50}, 0.0), "[..............................] 0/50 frames  0.0 fps");
    EXPECT_EQ(formatProgress({250, 0}, 5.0), "frame 250  50.0 fps  0:05 elapsed");
    EXPECT_EQ(formatProgress({3000, 4000, false, true}, 1.0).substr(33),
              "3000/4000 frames before the span  3000.0 fps  0:00 left");
}

}  // namespace
