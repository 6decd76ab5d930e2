// The scroller strip, drawn in software: the scrolled text in scrollBuffer,
// this frame's image with the three colour bars in stripBuffer, glyphs blitted
// from the font sheets, and the band along the bottom of the screen.
#include "scene/demo_scene.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int32_t shownRows = 16;
constexpr int32_t rowBytes = DemoScene::stripWidth * 4;
constexpr int32_t glyphCells = 16;  // cells per sheet row and column
constexpr int32_t glyphSize = 16;   // pixels per cell side
}  // namespace

void DemoScene::shiftScrollBuffer() {
    int32_t shift = scrollSpeed * 4;
    for (int32_t row = 0; row < shownRows; ++row) {
        uint8_t* line = scrollBuffer.data() + row * rowBytes;
        std::memmove(line, line + shift, size_t(rowBytes - shift));
    }
}

void DemoScene::drawGlyph(uint8_t code) {
    const uint8_t* sheet = fontSheets[size_t(fontIndex)].pixels;
    if (sheet == nullptr) return;
    int32_t cell = fontHalf == 0 ? (code - 32) & 255 : (code + 96) & 255;
    const uint8_t* cellPixels =
        sheet + (cell / glyphCells) * glyphSize * fontSheetSize + (cell % glyphCells) * glyphSize;
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

void DemoScene::composeStrip() {
    std::memset(stripBuffer.data(), 0, stripBuffer.size());
    std::memcpy(stripBuffer.data(), scrollBuffer.data(), size_t(shownRows * rowBytes));
    paintBar(0, 4000, 0.00025f);
    paintBar(1, 2000, 0.0005f);
    paintBar(2, 3000, 0.00033333333f);
}

// One colour bar: five rows of 85, 170, 255, 170, 85 whose top row swings
// between -2 and 14 with the given period. A bar fills only colour bytes that
// are still zero, so it passes behind the text and crossing bars mix.
void DemoScene::paintBar(int32_t channel, uint32_t periodMs, float factor) {
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

void DemoScene::drawStrip() {
    glBindTexture(GL_TEXTURE_2D, stripTexture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, stripWidth, stripHeight, GL_RGBA, GL_UNSIGNED_BYTE, stripBuffer.data());
    // 1024 by 32 screen pixels for the 512 by 16 shown strip pixels: columns
    // 0 to 15 lie off the left edge, 416 to 511 off the right.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.5f);
    glVertex2f(-32.0f, 600.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-32.0f, 568.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(992.0f, 568.0f);
    glTexCoord2f(1.0f, 0.5f);
    glVertex2f(992.0f, 600.0f);
    glEnd();
}
