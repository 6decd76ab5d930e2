// The logo atlas's layout and the copy of each logo into its cell.
#include "scene/logo_atlas.h"

#include "scene/image_resources.h"

namespace {

// The atlas holds 7 by 6 cells of 258 by 130 texels: each logo with a one-texel
// border around it. The border repeats the logo's opposite edge, which is what
// linear filtering samples at the edges of a logo's own texture (whose wrap
// mode is the default repeat), so a sprite drawn from the atlas looks texel for
// texel like one drawn from its own texture and never picks up a neighbour.
// The logos' black (transparent) surroundings make that border transparent.
constexpr int32_t atlasColumns = 7;
constexpr int32_t cellWidth = imageWidth + 2;
constexpr int32_t cellHeight = imageHeight + 2;
static_assert(atlasColumns * cellWidth <= LogoAtlas::atlasWidth);
static_assert((LogoParade::logoCount + atlasColumns - 1) / atlasColumns * cellHeight <= LogoAtlas::atlasHeight);

// The top-left texel of logo `index` inside its cell's border.
int32_t logoLeft(int32_t index) { return (index % atlasColumns) * cellWidth + 1; }
int32_t logoTop(int32_t index) { return (index / atlasColumns) * cellHeight + 1; }

}  // namespace

LogoAtlas::LogoAtlas() : texels(size_t(atlasWidth) * atlasHeight * 4) {
    for (int32_t k = 0; k < LogoParade::logoCount; ++k) {
        int32_t left = logoLeft(k), top = logoTop(k);
        rects[size_t(k)] = AtlasRect{float(left) / atlasWidth, float(top) / atlasHeight,
                                     float(left + imageWidth) / atlasWidth, float(top + imageHeight) / atlasHeight};
    }
}

void LogoAtlas::placeLogo(int32_t index, const uint8_t* rgba) {
    int32_t left = logoLeft(index), top = logoTop(index);
    for (int32_t row = -1; row <= imageHeight; ++row) {
        int32_t sourceRow = (row + imageHeight) % imageHeight;
        for (int32_t column = -1; column <= imageWidth; ++column) {
            int32_t sourceColumn = (column + imageWidth) % imageWidth;
            const uint8_t* from = rgba + (sourceRow * imageWidth + sourceColumn) * 4;
            uint8_t* to = texels.data() + ((top + row) * atlasWidth + left + column) * 4;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = from[3];
        }
    }
}
