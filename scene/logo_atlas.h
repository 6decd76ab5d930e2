// The forty logos packed into one 2048 by 1024 RGBA texture, so that the whole
// swarm is drawn with one texture bind: a texture switch per sprite is ruinous
// on software renderers. The layout is fixed; the renderer uploads each logo's
// cell on its own, so the atlas never exists as a whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scene/image_resources.h"

// Where one logo sits in the atlas, as texture coordinates.
struct AtlasRect {
    float s0, t0;  // the logo's top-left corner
    float s1, t1;  // its bottom-right corner
};

inline constexpr int32_t atlasWidth = 2048;  // texels
inline constexpr int32_t atlasHeight = 1024;
// A cell is one logo with a one-texel border around it.
inline constexpr int32_t atlasCellWidth = imageWidth + 2;
inline constexpr int32_t atlasCellHeight = imageHeight + 2;
inline constexpr size_t atlasCellBytes = size_t(atlasCellWidth) * size_t(atlasCellHeight) * 4;

// Logo `index`'s (0 to 39) rectangle inside its cell's border.
AtlasRect atlasRect(int32_t index);

// The atlas texel at the top-left corner of logo `index`'s cell (its border).
int32_t atlasCellLeft(int32_t index);
int32_t atlasCellTop(int32_t index);

// Writes the cell of a logo, an image made by convertImage, into `cell`
// (atlasCellBytes, rows of atlasCellWidth RGBA texels): the logo framed by its
// border. The renderer calls it while the scene is built.
void composeAtlasCell(const uint8_t* rgba, uint8_t* cell);
