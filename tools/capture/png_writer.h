// Encoding of captured frames as PNG files: 8-bit RGB, no interlace, no row
// filters, one IDAT chunk. The bytes depend only on the pixels and the zlib version, so the same
// frame always gives the same file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Encodes width x height RGB pixels, top row first, rows packed (width * 3 bytes).
// Called on the capture's main thread once per written frame; scratch is reused
// between calls so that a capture does not allocate per frame.
struct PngEncoder {
    int32_t compressionLevel = 3;   // zlib level 0..9; beyond 3 the demo's frames shrink little for much more time
    std::vector<uint8_t> filtered;  // per row, the filter byte (0, none) and the row's pixels
    std::vector<uint8_t> compressed;

    // Replaces png's contents with the complete PNG file; false only when zlib
    // runs out of memory.
    bool encode(std::span<const uint8_t> rgb, int32_t width, int32_t height, std::vector<uint8_t>& png);
};

// Writes bytes to path, replacing any file there; false with error set on failure.
bool writeWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error);
