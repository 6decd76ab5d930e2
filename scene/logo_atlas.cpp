// The logo atlas's layout and the composition of each logo's cell.
#include "scene/logo_atlas.h"

#include <cstring>

#include "scene/logo_parade.h"

namespace {

// The atlas holds 7 by 6 cells of 258 by 130 texels: each logo with a one-texel
// border around it. The border repeats the logo's opposite edge, which is what
// linear filtering samples at the edges of a logo's own texture (whose wrap
// mode is the default repeat), so a sprite drawn from the atlas looks texel for
// texel like one drawn from its own texture and never picks up a neighbour.
// The logos' black (transparent) surroundings make that border transparent.
// Texels outside the cells are never sampled.
constexpr int32_t atlasColumns = 7;
static_assert(atlasColumns * atlasCellWidth <= atlasWidth);
static_assert((LogoParade::logoCount + atlasColumns - 1) / atlasColumns * atlasCellHeight <= atlasHeight);

}  // namespace

int32_t atlasCellLeft(int32_t index) { return (index % atlasColumns) * atlasCellWidth; }
int32_t atlasCellTop(int32_t index) { return (index / atlasColumns) * atlasCellHeight; }

AtlasRect atlasRect(int32_t index) {
    const int32_t left = atlasCellLeft(index) + 1, top = atlasCellTop(index) + 1;
    return AtlasRect{float(left) / atlasWidth, float(top) / atlasHeight, float(left + imageWidth) / atlasWidth,
                     float(top + imageHeight) / atlasHeight};
}

void composeAtlasCell(const uint8_t* rgba, uint8_t* cell) {
    constexpr size_t rowBytes = size_t(imageWidth) * 4;
    constexpr size_t cellRowBytes = size_t(atlasCellWidth) * 4;
    for (int32_t row = 0; row < atlasCellHeight; ++row) {
        // Cell row 0 is the border above the logo: its bottom row, and so on.
        const int32_t sourceRow = (row - 1 + imageHeight) % imageHeight;
        const uint8_t* from = rgba + size_t(sourceRow) * rowBytes;
        uint8_t* to = cell + size_t(row) * cellRowBytes;
        std::memcpy(to, from + rowBytes - 4, 4);
        std::memcpy(to + 4, from, rowBytes);
        std::memcpy(to + 4 + rowBytes, from, 4);
    }
}
