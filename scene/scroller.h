// The scroller, without GL: the scrolltext and its read position, the scroll
// speed and the typeface. Each frame it moves the strip's text, lets one new
// cell enter whenever 16 pixels have passed, and acts on the control codes it
// reads on the way: they are the production's script.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scene/image_resources.h"

class LogoParade;
class Strip;

// The scrolltext's control codes. Each code byte is followed by its argument
// bytes, read as signed 8-bit values; the scroller acts on the code when its
// cell comes to enter the strip, then erases it from the working text.
enum class ControlCode : uint8_t {
    ShowLogo = 1,    // n: big logo n (1 to 40) fades in and out
    StartSwarm = 2,  // the swarm comes on; the code becomes one blank cell
    EndDemo = 3,     // the production ends after this frame
    SpinSwarm = 4,   // turns, seconds per turn, direction (2 = clockwise)
    SwarmLogo = 5,   // n: every sprite shows logo n (1 to 39) for 5 seconds
    SetSpeed = 6,    // n: scroll speed 1 to 16, anything else means 2
    SetFont = 7,     // sheet, half
};

// Cells are 16 strip pixels wide; the working text restarts when fewer than
// this many bytes are left after the read position, so a code's argument bytes
// are always present in a text longer than that.
inline constexpr int32_t scrollCellWidth = 16;
inline constexpr int32_t restartMargin = 27;

class Scroller {
public:
    static constexpr int32_t fontCount = 8;

    // The text is `textBody` followed by `textTail`; the font sheets are
    // BITMAP 171 to 178 (a missing or malformed one draws nothing). Called
    // while the scene is built.
    Scroller(std::string_view textBody, std::string_view textTail);

    // One frame: shifts `strip` by the speed and composes its image, then, when
    // a cell is due, reads the text, acts on its codes (on `parade`, the speed
    // and the typeface) and draws the character that fills the cell. Returns 1
    // when it read the end mark, else 0. Called once per frame by the scene,
    // after the parade has been drawn; main thread.
    int32_t updateScroller(Strip& strip, LogoParade& parade);

    // Chooses the typeface: sheet 1 to 8 and half 1 or 2; any other value means 1.
    void selectFont(int32_t fontNumber, int32_t half);

    std::array<FontSheet, fontCount> fontSheets{};  // BITMAP 171 to 178
    int32_t fontIndex = 0;                          // 0 to 7
    int32_t fontHalf = 0;                           // 0 or 1
    std::string workingText;                        // sourceText less the codes that have acted
    std::string sourceText;                         // the whole scrolltext, never changed
    int32_t scrollSpeed = 2;                        // strip pixels per frame, 1 to 16
    int32_t textPos = -1;                           // index of the cell that entered last
    int32_t scrollAccum = 0;                        // minus the pixels scrolled since then, -31 to 0

private:
    uint8_t textByteAt(int64_t index) const;
    void eraseText(int64_t index, int64_t count);
};
