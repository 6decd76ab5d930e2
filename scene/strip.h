// The scroller strip in memory, without GL: the scrolled text in scrollBuffer,
// this frame's image with the three colour bars in stripBuffer, and glyphs
// copied from the font sheets. The renderer uploads stripBuffer every frame
// and stretches its top 16 rows over the bottom 32 rows of the screen.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scene/image_resources.h"
#include "scene/tick_source.h"

class Strip {
public:
    static constexpr int32_t stripWidth = 512;  // strip pixels
    static constexpr int32_t stripHeight = 32;  // strip rows, of which 0 to 15 are shown
    static constexpr int32_t shownRows = 16;
    static constexpr int32_t stripBytes = stripWidth * stripHeight * 4;
    static constexpr int32_t entryColumn = 416;  // first strip column beyond the screen's right edge

    // Both buffers start all zero. The bars' movement follows `ticks`.
    explicit Strip(TickSource ticks);

    // The steps of one scroller update, called by updateScroller on the main thread.
    void shiftScrollBuffer(int32_t scrollSpeed);  // the text moves left by 1 to 16 pixels
    void composeStrip();                          // stripBuffer := shown text rows plus the colour bars
    // The glyph of `code` (0 to 255) in half `fontHalf` (0 or 1) of `sheet`,
    // at the entry column; a sheet with no pixels draws nothing.
    void drawGlyph(uint8_t code, const FontSheet& sheet, int32_t fontHalf);

    // Pixel (row r, column x) is at byte (r * 512 + x) * 4: red, green, blue, alpha.
    std::array<uint8_t, stripBytes> scrollBuffer{};  // the scrolled text, kept from frame to frame
    std::array<uint8_t, stripBytes> stripBuffer{};   // this frame's strip image

private:
    void paintBar(int32_t channel, uint32_t periodMs, float factor);

    TickSource ticks;
};
