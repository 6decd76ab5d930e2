// The committed font sheets: the bitmap file layout the resource lookup and
// the scroller rely on, and glyph cells the scroller can draw as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/content/read_file.h"

namespace {

constexpr int sheetCount = 8;
constexpr size_t fileSize = 14 + 40 + 1024 + 65536 + 2;
constexpr size_t pixelOffset = 14 + 40 + 1024;

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

std::vector<uint8_t> sheet(int index) {
    return readFile(std::string(TAVORLY_DATA_DIR) + "/bitmap/" + std::to_string(171 + index) + ".bmp");
}

// Pixel (y, x) of cell g, rows taken in stored order as the scroller takes them.
uint8_t cellPixel(const std::vector<uint8_t>& file, int cell, int y, int x) {
    const size_t row = static_cast<size_t>(16 * (cell / 16) + y);
    const size_t column = static_cast<size_t>(16 * (cell % 16) + x);
    return file[pixelOffset + row * 256 + column];
}

struct Ink {
    int top = 16, bottom = -1, left = 16, right = -1;
    bool empty() const { return bottom < 0; }
};

Ink inkOf(const std::vector<uint8_t>& file, int cell) {
    Ink ink;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (!cellPixel(file, cell, y, x)) continue;
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    }
    return ink;
}

int cellFor(int face, int code) { return code - 32 + 128 * (face % 2); }

class FontSheet : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        file = sheet(GetParam());
        ASSERT_EQ(file.size(), fileSize) << "sheet " << 171 + GetParam();
    }
    std::vector<uint8_t> file;
};

TEST_P(FontSheet, HeadersDescribeABottomUp256Square8BitGreyBitmap) {
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(u32(file, 2), fileSize);
    EXPECT_EQ(u32(file, 10), pixelOffset);
    EXPECT_EQ(u32(file, 14), 40u);  // info header size
    EXPECT_EQ(static_cast<int32_t>(u32(file, 18)), 256);
    EXPECT_EQ(static_cast<int32_t>(u32(file, 22)), 256);  // positive: bottom-up
    EXPECT_EQ(u16(file, 26), 1);
    EXPECT_EQ(u16(file, 28), 8);
    EXPECT_EQ(u32(file, 30), 0u);  // no compression
    EXPECT_EQ(u32(file, 34), 0u);  // image size field
    EXPECT_EQ(u32(file, 38), 2834u);
    EXPECT_EQ(u32(file, 42), 2834u);
    EXPECT_EQ(u32(file, 46), 0u);
    EXPECT_EQ(u32(file, 50), 0u);
    for (int i = 0; i < 256; ++i) {
        const size_t at = static_cast<size_t>(54 + 4 * i);
        ASSERT_TRUE(file[at] == i && file[at + 1] == i && file[at + 2] == i && file[at + 3] == 0)
            << "palette entry " << i;
    }
    EXPECT_EQ(file[fileSize - 2], 0);
    EXPECT_EQ(file[fileSize - 1], 0);
}

TEST_P(FontSheet, PixelsAreOnlyBackgroundOrFullInk) {
    for (size_t i = pixelOffset; i < pixelOffset + 65536; ++i) {
        ASSERT_TRUE(file[i] == 0 || file[i] == 255) << "pixel byte " << i - pixelOffset;
    }
}

TEST_P(FontSheet, TopRowOfEveryCellAndTheSpaceCellsAreEmpty) {
    for (int cell = 0; cell < 256; ++cell) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(cellPixel(file, cell, 0, x), 0) << "cell " << cell << " column " << x;
        }
    }
    EXPECT_TRUE(inkOf(file, 0).empty());
    EXPECT_TRUE(inkOf(file, 128).empty());
}

TEST_P(FontSheet, BothFacesHaveEveryPrintableCharacterWithAGapToItsNeighbours) {
    for (int half = 0; half < 2; ++half) {
        for (int code = 33; code <= 126; ++code) {
            const Ink ink = inkOf(file, cellFor(half, code));
            ASSERT_FALSE(ink.empty()) << "half " << half + 1 << " has no glyph for '" << char(code) << "'";
            // Letters wider than 15 columns would run into the next cell.
            if (std::isalnum(code)) {
                EXPECT_LE(ink.right - ink.left + 1, 15) << "half " << half + 1 << " '" << char(code) << "'";
            }
        }
    }
}

// Every glyph sits alone in a 16-pixel cell, so a face reads as words only
// when its letters fill the cell the way monospace screen fonts do: narrow
// letters widened with serifs or slabs, an even colour from letter to letter.
TEST_P(FontSheet, LettersFillTheirCells) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int half = 0; half < 2; ++half) {
        int total = 0;
        for (char c : letters) {
            const Ink ink = inkOf(file, cellFor(half, c));
            const int width = ink.right - ink.left + 1;
            total += width;
            EXPECT_GE(width, 6) << "half " << half + 1 << " '" << c << "' stands alone in its cell";
        }
        EXPECT_GE(double(total) / double(letters.size()), 10.5) << "half " << half + 1 << ": letters too narrow";
    }
}

TEST_P(FontSheet, GlyphsStandUprightInStoredRowOrder) {
    for (int half = 0; half < 2; ++half) {
        const Ink underscore = inkOf(file, cellFor(half, '_'));
        const Ink apostrophe = inkOf(file, cellFor(half, '\''));
        const Ink letterG = inkOf(file, cellFor(half, 'g'));
        const Ink letterX = inkOf(file, cellFor(half, 'x'));
        EXPECT_GT(underscore.bottom, apostrophe.top) << "half " << half + 1;
        EXPECT_LT(apostrophe.top, letterX.top) << "half " << half + 1;
        EXPECT_GT(letterG.bottom, letterX.bottom) << "half " << half + 1 << ": g has no descender";
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets171To178, FontSheet, testing::Range(0, sheetCount));

TEST(FontSheets, SixteenFacesAreClearlyDifferent) {
    std::vector<std::vector<uint8_t>> sheets;
    for (int s = 0; s < sheetCount; ++s) sheets.push_back(sheet(s));
    for (const auto& s : sheets) ASSERT_EQ(s.size(), fileSize);
    auto glyph = [&](int face, int code) {
        std::vector<uint8_t> bits;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                bits.push_back(cellPixel(sheets[static_cast<size_t>(face / 2)], cellFor(face, code), y, x));
        return bits;
    };
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int a = 0; a < 16; ++a) {
        for (int b = a + 1; b < 16; ++b) {
            int differing = 0;
            for (char c : letters) differing += glyph(a, c) != glyph(b, c);
            EXPECT_GE(differing, 40) << "faces " << a + 1 << " and " << b + 1 << " look alike";
        }
    }
}

}  // namespace
