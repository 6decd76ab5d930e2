// Image and font-sheet resources read into memory, without GL. Images (logos,
// badges) are raw 256 by 128 RGB with black meaning transparent; font sheets
// are 256 by 256 8-bit bitmaps served without their file header.
#pragma once

#include <cstdint>

inline constexpr int32_t imageWidth = 256;
inline constexpr int32_t imageHeight = 128;
inline constexpr uint32_t imageRgbBytes = imageWidth * imageHeight * 3;   // 98,304
inline constexpr uint32_t imageRgbaBytes = imageWidth * imageHeight * 4;  // 131,072

// Converts RCDATA `resourceId` into `rgba` (imageRgbaBytes): the colour kept,
// alpha 255 unless the pixel is exactly black, in which case it is (0, 0, 0, 0).
// Row 0 is the picture's top row. False, leaving `rgba` all zero, when the
// resource is missing or shorter than an image. Called while the scene is built
// and, for the big logo, in the frame that shows another logo.
bool convertImage(int32_t resourceId, uint8_t* rgba);

// One font sheet's pixels: 256 rows of 256 bytes in stored order (the first
// stored row is the top row of the glyph grid), each byte an intensity.
struct FontSheet {
    const uint8_t* pixels = nullptr;  // into the resource's bytes; none when missing
};

inline constexpr int32_t fontSheetSize = 256;

// The sheet in BITMAP `resourceId`, or one with no pixels when the resource is
// missing, is not a 256 by 256 uncompressed 8-bit bitmap, or is too short.
FontSheet findFontSheet(int32_t resourceId);
