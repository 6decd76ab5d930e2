// Image conversion (black is the only transparent colour) and font sheets
// found in well-formed bitmaps only.
#include <gtest/gtest.h>

#include <algorithm>

#include "scene/image_resources.h"
#include "scene_test_support.h"

namespace {

TEST(ImageResources, OnlyExactBlackBecomesTransparentUpToTheLastPixel) {
    std::vector<uint8_t> image = makeImage([](int32_t x, int32_t y) {
        if (y == 0 && x == 0) return Rgb{1, 0, 0};
        if (y == 0 && x == 1) return Rgb{0, 0, 1};
        if (y == 127 && x == 255) return Rgb{9, 8, 7};
        return Rgb{0, 0, 0};
    });
    TestResources resources;
    resources.add(ResourceType::RcData, 110, image);
    std::vector<uint8_t> shortImage = image;
    shortImage.pop_back();
    resources.add(ResourceType::RcData, 111, shortImage);
    resources.install();

    std::vector<uint8_t> rgba(imageRgbaBytes, 0xee);
    ASSERT_TRUE(convertImage(110, rgba.data()));
    EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 12),
              (std::vector<uint8_t>{1, 0, 0, 255, 0, 0, 1, 255, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(rgba.end() - 8, rgba.end()), (std::vector<uint8_t>{0, 0, 0, 0, 9, 8, 7, 255}));

    EXPECT_FALSE(convertImage(111, rgba.data()));
    EXPECT_FALSE(convertImage(112, rgba.data()));
    EXPECT_EQ(std::count(rgba.begin(), rgba.end(), 0), int64_t(rgba.size()));
}

TEST(ImageResources, FontSheetsAreFoundOnlyInWellFormedBitmaps) {
    auto sheet = [] { return makeFontSheet([](int32_t cell, int32_t y, int32_t x) { return uint8_t(cell + y + x); }); };
    std::vector<std::vector<uint8_t>> bad(5, sheet());
    bad[0][4] = 128;  // 128 wide
    bad[1][14] = 24;  // 24 bits per pixel
    bad[2][16] = 1;   // run-length compressed
    bad[3].resize(40 + 1024 + 65535);
    bad[4][32] = 0x01;  // 257 palette entries
    bad[4][33] = 0x01;
    std::vector<uint8_t> smallPalette = sheet();
    smallPalette[32] = 16;  // 16 palette entries: pixels start at 40 + 64
    std::vector<uint8_t> topDown = sheet();
    topDown[8] = 0x00;  // height -256
    topDown[9] = 0xff;
    topDown[10] = 0xff;
    topDown[11] = 0xff;
    TestResources resources;
    resources.add(ResourceType::Bitmap, 171, sheet());
    for (int32_t i = 0; i < 5; ++i) resources.add(ResourceType::Bitmap, 172 + i, bad[size_t(i)]);
    resources.add(ResourceType::Bitmap, 177, smallPalette);
    resources.add(ResourceType::Bitmap, 178, topDown);
    resources.install();

    FontSheet good = findFontSheet(171);
    ASSERT_NE(good.pixels, nullptr);
    // The first stored row is the grid's top row: cell 0's pixel (0, 0), then cell 1's row 0.
    EXPECT_EQ(good.pixels[0], 0);
    EXPECT_EQ(good.pixels[16], 1);
    EXPECT_EQ(good.pixels[256 * 17 + 16], 16 + 1 + 1 + 0);
    for (int32_t id = 172; id <= 176; ++id) EXPECT_EQ(findFontSheet(id).pixels, nullptr) << id;
    FontSheet small = findFontSheet(177);
    ASSERT_NE(small.pixels, nullptr);
    EXPECT_EQ(small.pixels[16 + 1024 - 64], 1);  // the same bytes read from 960 bytes earlier
    EXPECT_NE(findFontSheet(178).pixels, nullptr);
    EXPECT_EQ(findFontSheet(179).pixels, nullptr);
}

}  // namespace
