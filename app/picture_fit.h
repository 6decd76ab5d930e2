// Where the program's fixed-size picture lies in a drawable of another size:
// scaled to fit, centred, aspect kept. Pure arithmetic, used by the display
// when a full-screen window does not get the display mode it asked for.
#pragma once

#include <cstdint>

// A rectangle in GL window coordinates (origin at the drawable's lower left).
struct PictureRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// The largest rectangle of the picture's aspect that fits the drawable,
// centred; the picture's own size when it matches the drawable exactly.
// A drawable without area gives an empty rectangle. Called by openDisplay.
PictureRect fitPicture(int32_t drawableWidth, int32_t drawableHeight, int32_t pictureWidth, int32_t pictureHeight);
