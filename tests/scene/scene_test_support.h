// Test material for the scene: resource tables of small images and font sheets
// built in code, the program's own display opened offscreen (no X server
// needed) with its GL state, the per-frame step the program runs, and pixel
// read-back.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/resources.h"
#include "scene/demo_scene.h"
#include "scene/random_generator.h"
#include "scene/tick_source.h"

#ifdef _WIN32
// windows.h, which GL/gl.h includes there, defines near and far as macros;
// included first here so that no later include defines them again.
#include <windows.h>
#undef near
#undef far
#endif

using Rgb = std::array<uint8_t, 3>;

// A resource table whose bytes live as long as the object.
class TestResources {
public:
    void add(ResourceType type, int32_t id, std::vector<uint8_t> bytes);
    void install() const;

private:
    std::vector<std::unique_ptr<std::vector<uint8_t>>> blobs;
    std::vector<ResourceEntry> entries;
};

// A 256 x 128 RGB image filled by `colourAt(x, y)`, y = 0 the top row.
std::vector<uint8_t> makeImage(const std::function<Rgb(int32_t x, int32_t y)>& colourAt);
// A solid image with a black (transparent) frame `border` pixels wide.
std::vector<uint8_t> makeSolidImage(Rgb colour, int32_t border);
// Quadrants: top-left, top-right, bottom-left, bottom-right.
std::vector<uint8_t> makeQuadrantImage(Rgb topLeft, Rgb topRight, Rgb bottomLeft, Rgb bottomRight);
// A font sheet as served by the lookup (info header, grey palette, pixels with
// the first stored row the top of the glyph grid), pixel = `valueAt(cell, y, x)`.
std::vector<uint8_t> makeFontSheet(const std::function<uint8_t(int32_t cell, int32_t y, int32_t x)>& valueAt);

// The standard test content:
//   logo k (1 to 40): solid logoColour(k) with a 4-pixel black frame;
//   badge i (0 to 2): solid badgeColour(i);
//   sheet 0: patternValue(0, ...), sheet 1: diagonal strokes of 255 (x == y),
//   sheet 2: solid blocks of 255, sheets 3 to 7: patternValue(sheet, ...).
// Cells 0 and 128 (the space) are empty in every sheet.
Rgb logoColour(int32_t logoNumber);
Rgb badgeColour(int32_t index);
uint8_t patternValue(int32_t sheet, int32_t cell, int32_t y, int32_t x);
TestResources standardResources();

// True when the scroll buffer's entry column holds exactly cell `cell` of
// standard sheet `sheet` in rows 1 to 15 and nothing else (row 0 untouched).
::testing::AssertionResult glyphAtEntry(const DemoScene& scene, int32_t sheet, int32_t cell);

// The scene with its clock and generator.
struct SceneRig {
    explicit SceneRig(std::string_view body, std::string_view tail = {});
    ManualClock clock;
    RandomGenerator random;
    std::unique_ptr<DemoScene> scene;
};

// Opens the shared offscreen display on first use and sets the GL state the
// program starts its frames with (viewport, perspective, render state).
void resetDisplayState();
// The program's per-frame step without presenting: clear colour and depth,
// identity modelview, drawFrame. Returns drawFrame's result; pixels can be read before the next.
int32_t renderFrame(DemoScene& scene);
// Draws the parade's sprites as they would be drawn without the atlas: each
// quad from its sprite's own texture, with one bind each, in the swarm's GL
// state. Moves nothing. The reference for the atlas and its benchmark.
void drawSpritesWithOwnTextures(const LogoParade& parade);
// One pixel of the frame, (x, y) with y = 0 the top row.
Rgb pixelAt(int32_t x, int32_t y);
// The clear colour as it reads back.
Rgb background();
bool near(Rgb actual, Rgb expected, int32_t tolerance);
std::string describe(Rgb colour);
