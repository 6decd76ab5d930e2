#include "tools/capture/png_writer.h"

#include <gtest/gtest.h>

#include "tests/capture/png_reading.h"

namespace {

struct TestPicture {
    std::string name;
    int32_t width;
    int32_t height;
    std::vector<uint8_t> rgb;
};

// Flat, graded, noisy and patterned pictures of odd and tiny sizes, so that
// rows of every length and compressed data of every kind go through.
std::vector<TestPicture> testPictures() {
    std::vector<TestPicture> pictures;
    const auto make = [&](std::string name, int32_t width, int32_t height, auto colourAt) {
        TestPicture picture{std::move(name), width, height, {}};
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t colour = colourAt(x, y);
                picture.rgb.push_back(static_cast<uint8_t>(colour >> 16));
                picture.rgb.push_back(static_cast<uint8_t>(colour >> 8));
                picture.rgb.push_back(static_cast<uint8_t>(colour));
            }
        }
        pictures.push_back(std::move(picture));
    };
    make("black", 64, 48, [](int32_t, int32_t) { return 0u; });
    make("horizontal gradient", 300, 20, [](int32_t x, int32_t) { return static_cast<uint32_t>(x * 0x010203); });
    make("vertical gradient", 20, 300, [](int32_t, int32_t y) { return static_cast<uint32_t>(y * 0x030201); });
    uint32_t state = 12345;
    make("noise", 77, 33, [&](int32_t, int32_t) {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    });
    make("diagonal", 41, 29, [](int32_t x, int32_t y) { return static_cast<uint32_t>(((x + y) % 7) * 0x243648); });
    make("one pixel", 1, 1, [](int32_t, int32_t) { return 0x4100ffu; });
    return pictures;
}

TEST(PngEncoder, EveryPictureDecodesToItsOwnPixelsWithAnIndependentDecoder) {
    PngEncoder encoder;
    std::vector<uint8_t> png;
    for (const TestPicture& picture : testPictures()) {
        ASSERT_TRUE(encoder.encode(picture.rgb, picture.width, picture.height, png));
        const auto decoded = decodePng(png);
        ASSERT_TRUE(decoded) << picture.name;
        EXPECT_EQ(decoded->width, picture.width) << picture.name;
        EXPECT_EQ(decoded->height, picture.height) << picture.name;
        EXPECT_EQ(decoded->rgb, picture.rgb) << picture.name;
    }
}

TEST(PngEncoder, ReusedEncoderGivesTheSameBytesAsAFreshOne) {
    const auto pictures = testPictures();
    PngEncoder reused;
    std::vector<uint8_t> png;
    for (const TestPicture& picture : pictures) {
        ASSERT_TRUE(reused.encode(picture.rgb, picture.width, picture.height, png));
    }
    const TestPicture& first = pictures.front();
    ASSERT_TRUE(reused.encode(first.rgb, first.width, first.height, png));
    PngEncoder fresh;
    std::vector<uint8_t> freshPng;
    ASSERT_TRUE(fresh.encode(first.rgb, first.width, first.height, freshPng));
    EXPECT_EQ(png, freshPng);
}

TEST(PngFiles, WritingIntoAMissingDirectoryFailsWithThePathInTheMessage) {
    std::string error;
    const std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_FALSE(writeWholeFile("/nonexistent-dir/frame.png", bytes, error));
    EXPECT_NE(error.find("/nonexistent-dir/frame.png"), std::string::npos) << error;
}

}  // namespace
