// The forty logos packed into one 2048 by 1024 RGBA image, so that the whole
// swarm is drawn with one texture bind: a texture switch per sprite is ruinous
// on software renderers. Built in memory once while the scene is built; the
// renderer uploads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/logo_parade.h"

// Where one logo sits in the atlas, as texture coordinates.
struct AtlasRect {
    float s0, t0;  // the logo's top-left corner
    float s1, t1;  // its bottom-right corner
};

class LogoAtlas {
public:
    static constexpr int32_t atlasWidth = 2048;  // texels
    static constexpr int32_t atlasHeight = 1024;

    // An atlas with every cell laid out and all texels transparent black.
    LogoAtlas();

    // Copies logo `index` (0 to 39), an image made by convertImage, into its
    // cell with a one-texel border around it.
    void placeLogo(int32_t index, const uint8_t* rgba);

    const uint8_t* pixels() const { return texels.data(); }
    const AtlasRect& rect(int32_t index) const { return rects[size_t(index)]; }

private:
    std::vector<uint8_t> texels;  // atlasWidth x atlasHeight RGBA
    std::array<AtlasRect, LogoParade::logoCount> rects{};
};
