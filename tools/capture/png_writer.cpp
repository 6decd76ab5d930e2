// PNG encoding with the usual per-row filter choice: every row is filtered with
// Sub, Up and Paeth as well as left as it is, and the variant with the smallest
// sum of absolute byte values is kept, which suits both the flat black of the
// background and the gradients of the logos.
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

uint8_t paethPredictor(int32_t left, int32_t up, int32_t upLeft) {
    const int32_t estimate = left + up - upLeft;
    const int32_t toLeft = std::abs(estimate - left);
    const int32_t toUp = std::abs(estimate - up);
    const int32_t toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) {
        return static_cast<uint8_t>(left);
    }
    return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Sum of the filtered bytes taken as signed values, the usual measure of how
// well a row will compress.
uint32_t filteredCost(const uint8_t* bytes, size_t count) {
    uint32_t cost = 0;
    for (size_t i = 0; i < count; ++i) {
        cost += static_cast<uint32_t>(std::abs(static_cast<int8_t>(bytes[i])));
    }
    return cost;
}

// Writes the filter byte and the filtered row to out (rowBytes + 1 bytes).
void filterRow(const uint8_t* row, const uint8_t* above, size_t rowBytes, uint8_t* out) {
    // Candidates in filter-type order: 0 None, 1 Sub, 2 Up, 4 Paeth (3 Average
    // rarely wins on these pictures and is left out).
    thread_local std::array<std::vector<uint8_t>, 3> candidates;
    for (auto& candidate : candidates) {
        candidate.resize(rowBytes);
    }
    uint8_t* sub = candidates[0].data();
    uint8_t* up = candidates[1].data();
    uint8_t* paeth = candidates[2].data();
    for (size_t i = 0; i < rowBytes; ++i) {
        const int32_t left = i >= bytesPerPixel ? row[i - bytesPerPixel] : 0;
        const int32_t upper = above ? above[i] : 0;
        const int32_t upperLeft = above && i >= bytesPerPixel ? above[i - bytesPerPixel] : 0;
        sub[i] = static_cast<uint8_t>(row[i] - left);
        up[i] = static_cast<uint8_t>(row[i] - upper);
        paeth[i] = static_cast<uint8_t>(row[i] - paethPredictor(left, upper, upperLeft));
    }
    uint8_t bestType = 0;
    const uint8_t* best = row;
    uint32_t bestCost = filteredCost(row, rowBytes);
    const std::array<std::pair<uint8_t, const uint8_t*>, 3> others{{{1, sub}, {2, up}, {4, paeth}}};
    for (const auto& [type, bytes] : others) {
        const uint32_t cost = filteredCost(bytes, rowBytes);
        if (cost < bestCost) {
            bestCost = cost;
            bestType = type;
            best = bytes;
        }
    }
    out[0] = bestType;
    std::memcpy(out + 1, best, rowBytes);
}

}  // namespace

bool PngEncoder::encode(std::span<const uint8_t> rgb, int32_t width, int32_t height, std::vector<uint8_t>& png) {
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    filtered.resize((rowBytes + 1) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgb.data() + rowBytes * static_cast<size_t>(y);
        const uint8_t* above = y > 0 ? row - rowBytes : nullptr;
        filterRow(row, above, rowBytes, filtered.data() + (rowBytes + 1) * static_cast<size_t>(y));
    }

    uLongf compressedSize = compressBound(static_cast<uLong>(filtered.size()));
    compressed.resize(compressedSize);
    if (compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()),
                  compressionLevel) != Z_OK) {
        return false;
    }

    png.clear();
    static constexpr uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.insert(png.end(), std::begin(signature), std::end(signature));
    std::vector<uint8_t> header;
    appendBigEndian32(header, static_cast<uint32_t>(width));
    appendBigEndian32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
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
