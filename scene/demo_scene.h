// The whole picture: the scene owns every texture, font sheet, strip buffer and
// text the demo shows, and composes each frame from the logo parade, the
// scroller with its strip, and the corner badge.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/logo_parade.h"
#include "scene/random_generator.h"
#include "scene/textures.h"
#include "scene/tick_source.h"

class DemoScene {
public:
    static constexpr int32_t stripWidth = 512;  // strip pixels
    static constexpr int32_t stripHeight = 32;  // strip rows, of which 0 to 15 are shown
    static constexpr int32_t stripBytes = stripWidth * stripHeight * 4;
    static constexpr int32_t entryColumn = 416;  // first strip column beyond the screen's right edge
    static constexpr uint32_t badgeWaitMs = 20000;
    static constexpr uint32_t badgeCycleMs = 15000;

    // Builds everything in a fixed order: the parade (which draws the swarm's
    // starting layout from `random`), the buffers, the font sheets, the strip
    // texture, the text (`textBody` followed by `textTail`), the badges, and
    // last the badge clock. Called once by main after the display is open (GL
    // current), by tests and by the capture tool. Missing resources are drawn
    // as nothing. `random` must outlive the scene.
    DemoScene(TickSource ticks, RandomGenerator& random, std::string_view textBody, std::string_view textTail);
    ~DemoScene();
    DemoScene(const DemoScene&) = delete;
    DemoScene& operator=(const DemoScene&) = delete;

    // Draws one frame after the caller has cleared the buffers and loaded the
    // identity modelview under the perspective projection. Returns 1 once the
    // scroller has read the end mark (the frame is still complete), else 0.
    int32_t drawFrame();

    // Chooses the scroller's typeface: sheet 1 to 8 and half 1 or 2; any
    // other value means 1.
    void selectFont(int32_t fontNumber, int32_t half);

    // Advances the text by one frame, acts on the control codes it reads and
    // composes the strip image. Returns 1 when it read the end mark, else 0.
    int32_t updateScroller();

    // Strip steps, called by updateScroller and drawFrame.
    void shiftScrollBuffer();      // the text moves left by scrollSpeed pixels
    void composeStrip();           // stripBuffer := shown text rows plus the colour bars
    void drawGlyph(uint8_t code);  // the code's glyph at the entry column
    void drawStrip();              // uploads stripBuffer and draws the band at rows 568 to 600

    // The corner badge, drawn inside the overlay before the strip.
    void drawBadge();

private:
    TickSource ticks;
    RandomGenerator& random;

public:
    std::array<GLuint, 3> badgeTextures{};  // RCDATA 180 to 182
    std::array<bool, 3> badgeLoaded{};      // false where the resource was missing
    std::array<FontSheet, 8> fontSheets{};  // BITMAP 171 to 178
    int32_t fontIndex = 0;                  // 0 to 7
    int32_t fontHalf = 0;                   // 0 or 1
    std::vector<uint8_t> scrollBuffer;      // 512 x 32 RGBA, the scrolled text
    std::vector<uint8_t> stripBuffer;       // 512 x 32 RGBA, this frame's strip image
    GLuint stripTexture = 0;
    std::string workingText;  // sourceText less the codes that have acted
    std::string sourceText;   // the whole scrolltext, never changed
    LogoParade parade;
    uint32_t badgeStartTick = 0;  // ms
    int32_t badgeIndex = 0;       // 0 to 2
    int32_t badgeArmed = 0;
    int32_t scrollSpeed = 2;  // strip pixels per frame, 1 to 16
    int32_t textPos = -1;     // index of the cell that entered last
    int32_t scrollAccum = 0;  // minus the pixels scrolled since then, -31 to 0

private:
    uint8_t textByteAt(int64_t index) const;
    void eraseText(int64_t index, int64_t count);
    void paintBar(int32_t channel, uint32_t periodMs, float factor);
};
