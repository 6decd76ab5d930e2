// Test material for the scene, without GL: resource tables of small images and
// font sheets built in code, and the scene's GL-free parts on a manual clock,
// wired as the scene wires them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "data/resources.h"
#include "scene/corner_badge.h"
#include "scene/logo_parade.h"
#include "scene/random_generator.h"
#include "scene/scroller.h"
#include "scene/strip.h"
#include "scene/tick_source.h"

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
::testing::AssertionResult glyphAtEntry(const Strip& strip, int32_t sheet, int32_t cell);

// The parade, the scroller, the strip and the badge on one manual clock and
// generator, built in the scene's order (the parade draws the swarm first, the
// badge's wait starts last). Needs the resources installed first.
struct SceneParts {
    explicit SceneParts(std::string_view body, std::string_view tail = {});
    // The scroller's update of one frame, as the scene calls it.
    int32_t updateScroller() { return scroller.updateScroller(strip, parade); }

    ManualClock clock;
    RandomGenerator random;
    LogoParade parade;
    Scroller scroller;
    Strip strip;
    CornerBadge badge;
};
