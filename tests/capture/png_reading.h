// Reading PNG files back in tests through libpng, a decoder independent of the
// capture's own encoder.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;  // top row first, width * 3 bytes per row

    // The pixel at (x, y) as 0xRRGGBB.
    uint32_t pixel(int32_t x, int32_t y) const;
};

// None when libpng rejects the bytes.
std::optional<DecodedImage> decodePng(std::span<const uint8_t> png);

std::vector<uint8_t> readFileBytes(const std::string& path);
