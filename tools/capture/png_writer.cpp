// PNG encoding without row filters. On the demo's pictures (a flat background,
// the scroller, small sprites) deflate alone gives smaller files than any of
// PNG's row filters, chosen per row or fixed, and it skips a pass over the
// pixels that took about half of the encoding time.
#include "tools/capture/png_writer.h"

#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t bytesPerPixel = 3;

void appendBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void appendChunk(std::vector<uint8_t>& out, const char (&type)[5], std::span<const uint8_t> data) {
    appendBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeStart, static_cast<uInt>(out.size() - typeStart));
    appendBigEndian32(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool PngEncoder::encode(std::span<const uint8_t> rgb, int32_t width, int32_t height, std::vector<uint8_t>& png) {
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    filtered.resize((rowBytes + 1) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = filtered.data() + (rowBytes + 1) * static_cast<size_t>(y);
        out[0] = 0;  // filter type None
        std::memcpy(out + 1, rgb.data() + rowBytes * static_cast<size_t>(y), rowBytes);
    }

    uLongf compressedSize = compressBound(static_cast<uLong>(filtered.size()));
    compressed.resize(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  compressionLevel) != Z_OK) {
        return false;
    }

    static constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(sizeof signature + 3 * 12 + 13 + compressedSize);
    png.assign(std::begin(signature), std::end(signature));
    const auto w = static_cast<uint32_t>(width);
    const auto h = static_cast<uint32_t>(height);
    // Width and height, then 8 bits, RGB, deflate, the standard filter method, no interlace.
    const std::array<uint8_t, 13> header{static_cast<uint8_t>(w >> 24),
                                         static_cast<uint8_t>(w >> 16),
                                         static_cast<uint8_t>(w >> 8),
                                         static_cast<uint8_t>(w),
                                         static_cast<uint8_t>(h >> 24),
                                         static_cast<uint8_t>(h >> 16),
                                         static_cast<uint8_t>(h >> 8),
                                         static_cast<uint8_t>(h),
                                         8,
                                         2,
                                         0,
                                         0,
                                         0};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", std::span<const uint8_t>(compressed.data(), compressedSize));
    appendChunk(png, "IEND", {});
    return true;
}

bool writeWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + path + ": " + std::strerror(written ? errno : savedErrno);
        return false;
    }
    return true;
}
