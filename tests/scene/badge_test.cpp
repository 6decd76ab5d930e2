// The corner badge's timing: the 20-second wait, the frame that arms it, the
// 15-second cycles with a random image, and where it stands in a cycle.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "scene/overlay.h"
#include "scene_test_support.h"

namespace {

class BadgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        standard.install();
        rig = std::make_unique<SceneRig>(std::string(100, 'A'));
        rig->random.seed(1);  // as main seeds it after the scene is built
    }
    // The badge alone, as drawFrame calls it, with no strip over it.
    void drawBadgeAt(uint32_t now) {
        rig->clock.set(now);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        beginOverlay();
        rig->scene->drawBadge();
        endOverlay();
    }
    // The topmost row of column 736 that shows the badge, or -1.
    int32_t badgeTop(int32_t index) {
        for (int32_t y = 400; y < 600; ++y) {
            if (near(pixelAt(736, y), badgeColour(index), 2)) return y;
        }
        return -1;
    }
    TestResources standard = standardResources();
    std::unique_ptr<SceneRig> rig;
};

TEST_F(BadgeTest, WaitsTwentySecondsArmsInOneFrameAndCyclesEveryFifteen) {
    DemoScene& scene = *rig->scene;
    EXPECT_EQ(scene.badgeStartTick, 0u);
    drawBadgeAt(19999);
    EXPECT_EQ(scene.badgeArmed, 0);
    EXPECT_EQ(badgeTop(0), -1);
    drawBadgeAt(20000);
    EXPECT_EQ(scene.badgeArmed, 1);
    EXPECT_EQ(badgeTop(0), -1);  // the arming frame draws nothing
    EXPECT_EQ(badgeTop(2), -1);
    // The next frame starts the first cycle: image 41 % 3 = 2, at rest (rows 568 to 632).
    drawBadgeAt(20016);
    EXPECT_EQ(scene.badgeStartTick, 20016u);
    EXPECT_EQ(scene.badgeIndex, 2);
    EXPECT_EQ(badgeTop(2), 568);
    drawBadgeAt(20016 + 750);  // half risen: rows 536 to 600
    EXPECT_NEAR(badgeTop(2), 536, 1);
    drawBadgeAt(20016 + 1500);  // fully risen: rows 504 to 568
    EXPECT_EQ(badgeTop(2), 504);
    EXPECT_TRUE(near(pixelAt(736, 567), badgeColour(2), 2));
    EXPECT_FALSE(near(pixelAt(736, 568), badgeColour(2), 2));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    drawBadgeAt(20016 + 3000);
    EXPECT_EQ(badgeTop(2), 568);
    drawBadgeAt(20016 + 14999);
    EXPECT_EQ(scene.badgeStartTick, 20016u);
    // Next cycles: 18467 % 3 = 2 (the same image again), then 6334 % 3 = 1.
    drawBadgeAt(20016 + 15000);
    EXPECT_EQ(scene.badgeStartTick, 35016u);
    EXPECT_EQ(scene.badgeIndex, 2);
    drawBadgeAt(50100);
    EXPECT_EQ(scene.badgeIndex, 1);
    EXPECT_EQ(badgeTop(1), 568);
}

TEST_F(BadgeTest, TheWaitCountsFromTheEndOfConstructionAcrossTheTickWrap) {
    SceneRig wrapped(std::string(100, 'A'));
    wrapped.clock.set(0xffffff00u);
    DemoScene scene(wrapped.clock.source(), wrapped.random, "A", "");
    EXPECT_EQ(scene.badgeStartTick, 0xffffff00u);
    wrapped.clock.set(0xffffff00u + 19999u);
    scene.drawBadge();
    EXPECT_EQ(scene.badgeArmed, 0);
    wrapped.clock.set(0xffffff00u + 20000u);
    scene.drawBadge();
    EXPECT_EQ(scene.badgeArmed, 1);
}

}  // namespace
