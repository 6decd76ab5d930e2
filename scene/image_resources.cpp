// Image conversion and font-sheet lookup in the embedded resources.
#include "scene/image_resources.h"

#include <cstring>
#include <optional>

#include "data/resources.h"

namespace {

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

bool convertImage(int32_t resourceId, uint8_t* rgba) {
    std::memset(rgba, 0, imageRgbaBytes);
    std::optional<ResourceView> image = findResource(ResourceType::RcData, resourceId);
    if (!image || image->size < imageRgbBytes) return false;
    const uint8_t* rgb = image->bytes;
    for (size_t i = 0; i < size_t(imageWidth * imageHeight); ++i) {
        uint8_t r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
        rgba[i * 4] = r;
        rgba[i * 4 + 1] = g;
        rgba[i * 4 + 2] = b;
        rgba[i * 4 + 3] = (r | g | b) != 0 ? 255 : 0;
    }
    return true;
}

FontSheet findFontSheet(int32_t resourceId) {
    std::optional<ResourceView> bitmap = findResource(ResourceType::Bitmap, resourceId);
    if (!bitmap || bitmap->size < 40) return {};
    const uint8_t* header = bitmap->bytes;
    uint32_t headerSize = readU32(header);
    int32_t width = static_cast<int32_t>(readU32(header + 4));
    int32_t height = static_cast<int32_t>(readU32(header + 8));
    uint16_t bitsPerPixel = readU16(header + 14);
    uint32_t compression = readU32(header + 16);
    uint32_t coloursUsed = readU32(header + 32);
    if (headerSize < 40 || width != fontSheetSize || (height != fontSheetSize && height != -fontSheetSize) ||
        bitsPerPixel != 8 || compression != 0 || coloursUsed > 256) {
        return {};
    }
    uint64_t paletteBytes = uint64_t(coloursUsed != 0 ? coloursUsed : 256) * 4;
    uint64_t pixelOffset = headerSize + paletteBytes;
    if (pixelOffset + uint64_t(fontSheetSize) * fontSheetSize > bitmap->size) return {};
    return FontSheet{bitmap->bytes + pixelOffset};
}
