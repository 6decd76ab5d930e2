// The scrolltext's control codes. Each code byte is followed by its argument
// bytes, read as signed 8-bit values; the scroller acts on the code when its
// cell comes to enter the strip, then erases it from the working text.
#pragma once

#include <cstdint>

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
