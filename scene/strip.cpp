// The scroller strip, drawn in software: the shift of the text, glyphs blitted
// from the font sheets, and this frame's image with the three colour bars.
#include "scene/strip.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int32_t rowBytes = Strip::stripWidth * 4;
constexpr int32_t glyphCells = 16;  // cells per sheet row and column
constexpr int32_t glyphSize = 16;   // pixels per cell side
}  // namespace

Strip::Strip(TickSource tickSource) : ticks(tickSource) {}

void Strip::shiftScrollBuffer(int32_t scrollSpeed) {
    // The scroller keeps its speed within 1 to 16; no speed moves more than the row.
    if (scrollSpeed <= 0 || scrollSpeed > stripWidth) return;
    size_t shift = size_t(scrollSpeed) * 4;
    for (size_t row = 0; row < size_t(shownRows); ++row) {
        uint8_t* line = scrollBuffer.data() + row * rowBytes;
        std::memmove(line, line + shift, rowBytes - shift);
    }
}

void Strip::drawGlyph(uint8_t code, const FontSheet& sheet, int32_t fontHalf) {
    if (sheet.pixels == nullptr) return;
    int32_t cell = fontHalf == 0 ? (code - 32) & 255 : (code + 96) & 255;
    const uint8_t* cellPixels =
        sheet.pixels + (cell / glyphCells) * glyphSize * fontSheetSize + (cell % glyphCells) * glyphSize;
    // Row 0 of a cell is never drawn.
    for (int32_t y = 1; y < glyphSize; ++y) {
        for (int32_t x = 0; x < glyphSize; ++x) {
            uint8_t v = cellPixels[y * fontSheetSize + x];
            if (v == 0) continue;
            uint8_t* pixel = scrollBuffer.data() + y * rowBytes + (entryColumn + x) * 4;
            pixel[0] = pixel[1] = pixel[2] = v;
            pixel[3] = 255;
        }
    }
}

void Strip::composeStrip() {
    stripBuffer.fill(0);
    std::memcpy(stripBuffer.data(), scrollBuffer.data(), size_t(shownRows * rowBytes));
    paintBar(0, 4000, 0.00025f);
    paintBar(1, 2000, 0.0005f);
    paintBar(2, 3000, 0.00033333333f);
}

// One colour bar: five rows of 85, 170, 255, 170, 85 whose top row swings
// between -2 and 14 with the given period. A bar fills only colour bytes that
// are still zero, so it passes behind the text and crossing bars mix.
void Strip::paintBar(int32_t channel, uint32_t periodMs, float factor) {
    static constexpr uint8_t intensities[5] = {85, 170, 255, 170, 85};
    uint32_t now = ticks.now();
    int32_t top = int32_t(8.0 * std::sin((now % periodMs) * 6.283 * factor)) + 6;
    for (int32_t i = 0; i < 5; ++i) {
        int32_t row = top + i;
        if (row <= 0 || row >= stripHeight) continue;
        uint8_t* pixel = stripBuffer.data() + row * rowBytes + channel;
        for (int32_t x = 0; x < stripWidth; ++x, pixel += 4) {
            if (*pixel == 0) *pixel = intensities[i];
        }
    }
}
