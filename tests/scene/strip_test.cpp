// The strip in memory: the shift, glyph blits from the font sheets, and the
// three colour bars composed behind the text.
#include <gtest/gtest.h>

#include <cstring>

#include "scene_test_support.h"

namespace {

class StripTest : public ::testing::Test {
protected:
    void SetUp() override {
        standard.install();
        rig = std::make_unique<SceneParts>(std::string(100, 'A'));
    }
    uint8_t* scrollPixel(int32_t row, int32_t column) {
        return &rig->strip.scrollBuffer[size_t(row * 512 + column) * 4];
    }
    const uint8_t* stripPixel(int32_t row, int32_t column) {
        return &rig->strip.stripBuffer[size_t(row * 512 + column) * 4];
    }
    // The colour of strip row `row`, which the bars paint across the whole width.
    Rgb barRow(int32_t row) {
        const uint8_t* p = stripPixel(row, 300);
        return Rgb{p[0], p[1], p[2]};
    }
    const FontSheet& sheet(int32_t index) { return rig->scroller.fontSheets[size_t(index)]; }
    TestResources standard = standardResources();
    std::unique_ptr<SceneParts> rig;
};

TEST_F(StripTest, ShiftMovesTheShownRowsLeftBySpeed) {
    Strip& strip = rig->strip;
    scrollPixel(0, 100)[0] = 11;
    scrollPixel(15, 511)[0] = 22;
    scrollPixel(7, 5)[1] = 33;
    scrollPixel(16, 100)[0] = 44;
    strip.shiftScrollBuffer(5);
    EXPECT_EQ(scrollPixel(0, 95)[0], 11);
    EXPECT_EQ(scrollPixel(0, 100)[0], 0);
    EXPECT_EQ(scrollPixel(15, 506)[0], 22);
    EXPECT_EQ(scrollPixel(15, 511)[0], 22);  // the last columns keep their values
    EXPECT_EQ(scrollPixel(7, 0)[1], 33);
    EXPECT_EQ(scrollPixel(16, 100)[0], 44);  // rows below 15 never move
    EXPECT_EQ(scrollPixel(16, 95)[0], 0);

    // A speed the scroller never sets moves nothing rather than memory outside the rows.
    for (int32_t speed : {0, -3, 513}) {
        strip.shiftScrollBuffer(speed);
        EXPECT_EQ(scrollPixel(0, 95)[0], 11) << speed;
    }
}

TEST_F(StripTest, GlyphsComeFromTheSelectedSheetAndHalf) {
    Strip& strip = rig->strip;
    struct Case {
        int32_t sheet, half, code, cell;
    };
    for (Case c : {Case{0, 0, 65, 33}, Case{0, 1, 65, 161}, Case{3, 0, 200, 168}, Case{3, 1, 200, 40},
                   Case{7, 1, 32, 128}, Case{5, 0, 159, 127}}) {
        strip.scrollBuffer.fill(0);
        strip.drawGlyph(uint8_t(c.code), sheet(c.sheet), c.half);
        EXPECT_TRUE(glyphAtEntry(strip, c.sheet, c.cell)) << "code " << c.code << " half " << c.half;
    }
}

TEST_F(StripTest, AGlyphDrawnOverAnotherKeepsItsPixelsWhereItsOwnAreEmpty) {
    rig->strip.drawGlyph('A', sheet(0), 0);
    rig->strip.drawGlyph('A', sheet(1), 0);
    for (int32_t y = 1; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            uint8_t expected = x == y ? 255 : patternValue(0, 'A' - 32, y, x);
            EXPECT_EQ(scrollPixel(y, 416 + x)[0], expected) << y << "," << x;
        }
    }
}

TEST_F(StripTest, BarsPaintTheirRowsBehindTheText) {
    Strip& strip = rig->strip;
    // A text pixel in row 13, where the red bar runs at 1000 ms.
    std::memcpy(scrollPixel(13, 200), "\x80\x80\x80\xff", 4);
    scrollPixel(20, 100)[0] = 99;  // rows 16 and beyond are not part of the strip image
    rig->clock.set(1000);
    strip.composeStrip();
    // At 1000 ms: red top row 13 (sin ~ 1), green 6 (sin ~ 0), blue 12 (sin 120 degrees).
    EXPECT_EQ(barRow(5), (Rgb{0, 0, 0}));
    EXPECT_EQ(barRow(6), (Rgb{0, 85, 0}));
    EXPECT_EQ(barRow(8), (Rgb{0, 255, 0}));
    EXPECT_EQ(barRow(10), (Rgb{0, 85, 0}));
    EXPECT_EQ(barRow(11), (Rgb{0, 0, 0}));
    EXPECT_EQ(barRow(12), (Rgb{0, 0, 85}));
    EXPECT_EQ(barRow(13), (Rgb{85, 0, 170}));
    EXPECT_EQ(barRow(15), (Rgb{255, 0, 170}));
    EXPECT_EQ(barRow(17), (Rgb{85, 0, 0}));
    EXPECT_EQ(barRow(18), (Rgb{0, 0, 0}));
    EXPECT_EQ(std::memcmp(stripPixel(13, 200), "\x80\x80\x80\xff", 4), 0);
    EXPECT_EQ(stripPixel(15, 10)[3], 0);  // bars never write alpha
    EXPECT_EQ(stripPixel(20, 100)[0], 0);

    // At 3000 ms the red bar's top row is -1: only rows 1 to 3 are painted.
    rig->clock.set(3000);
    strip.composeStrip();
    EXPECT_EQ(barRow(0), (Rgb{0, 0, 0}));
    EXPECT_EQ(barRow(1)[0], 255);
    EXPECT_EQ(barRow(2)[0], 170);
    EXPECT_EQ(barRow(3)[0], 85);
    EXPECT_EQ(barRow(4)[0], 0);
}

TEST_F(StripTest, AnEnteringGlyphReachesTheStripImageOneFrameLater) {
    auto textPixels = [&] {
        int32_t count = 0;
        for (size_t i = 0; i < 512 * 16; ++i) count += rig->strip.stripBuffer[i * 4 + 3] == 255;
        return count;
    };
    for (int32_t i = 0; i < 8; ++i) {
        rig->updateScroller();
        EXPECT_EQ(textPixels(), 0) << "update " << i + 1;  // only bars until a cell has entered
    }
    rig->updateScroller();  // the ninth update draws the first glyph at the entry column
    EXPECT_EQ(rig->scroller.textPos, 0);
    EXPECT_EQ(textPixels(), 0);
    rig->updateScroller();
    EXPECT_GT(textPixels(), 0);
    // Shifted by one frame's 2 pixels.
    EXPECT_EQ(stripPixel(1, 414)[0], patternValue(0, 'A' - 32, 1, 0));
    EXPECT_EQ(stripPixel(1, 429)[0], patternValue(0, 'A' - 32, 1, 15));
}

TEST(StripResources, MissingOrMalformedFontSheetsDrawNothing) {
    std::vector<uint8_t> wrongDepth = makeFontSheet([](int32_t, int32_t, int32_t) { return uint8_t(255); });
    wrongDepth[14] = 4;
    std::vector<uint8_t> truncated = makeFontSheet([](int32_t, int32_t, int32_t) { return uint8_t(255); });
    truncated.resize(40 + 1024 + 1000);
    TestResources partial;
    partial.add(ResourceType::Bitmap, 171, std::move(wrongDepth));
    partial.add(ResourceType::Bitmap, 172, std::move(truncated));
    partial.install();
    auto rig = std::make_unique<SceneParts>(std::string(100, 'A'));
    for (int32_t sheet : {0, 1, 2}) {
        rig->strip.drawGlyph('A', rig->scroller.fontSheets[size_t(sheet)], 0);
        EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
    }
    rig->scroller.scrollSpeed = 16;
    for (int32_t i = 0; i < 20; ++i) EXPECT_EQ(rig->updateScroller(), 0);
    EXPECT_TRUE(glyphAtEntry(rig->strip, 0, 0));
}

}  // namespace
