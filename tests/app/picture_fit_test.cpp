// Placing the 800 x 600 picture in drawables of other sizes.
#include "app/picture_fit.h"

#include <gtest/gtest.h>

namespace {

void expectRect(PictureRect rect, int32_t x, int32_t y, int32_t width, int32_t height) {
    EXPECT_EQ(rect.x, x);
    EXPECT_EQ(rect.y, y);
    EXPECT_EQ(rect.width, width);
    EXPECT_EQ(rect.height, height);
}

TEST(FitPicture, MatchingDrawableIsUsedWhole) {
    expectRect(fitPicture(800, 600, 800, 600), 0, 0, 800, 600);
    expectRect(fitPicture(1600, 1200, 800, 600), 0, 0, 1600, 1200);
}

TEST(FitPicture, WideDrawableGetsBarsLeftAndRight) {
    expectRect(fitPicture(1920, 1080, 800, 600), 240, 0, 1440, 1080);
    expectRect(fitPicture(2560, 1600, 800, 600), 213, 0, 2133, 1600);
    // One spare column: the picture keeps its size, the column stays black.
    expectRect(fitPicture(801, 600, 800, 600), 0, 0, 800, 600);
}

TEST(FitPicture, TallDrawableGetsBarsAboveAndBelow) {
    expectRect(fitPicture(1280, 1024, 800, 600), 0, 32, 1280, 960);
    expectRect(fitPicture(600, 800, 800, 600), 0, 175, 600, 450);
}

TEST(FitPicture, SmallerDrawableScalesDown) {
    expectRect(fitPicture(640, 480, 800, 600), 0, 0, 640, 480);
    expectRect(fitPicture(1, 1, 800, 600), 0, 0, 1, 1);
}

TEST(FitPicture, DrawableWithoutAreaGivesAnEmptyRect) {
    expectRect(fitPicture(0, 600, 800, 600), 0, 0, 0, 0);
    expectRect(fitPicture(800, -1, 800, 600), 0, 0, 0, 0);
}

}  // namespace
