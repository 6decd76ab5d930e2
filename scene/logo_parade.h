// The logo parade: a swarm of 500 small logos streaming out of the screen
// towards the viewer, which the scrolltext can start, spin and make show one
// logo for a while, and big logos fading in and out in the middle of the screen.
// The swarm is drawn from one atlas texture holding all forty logos, because a
// texture switch per sprite is ruinous on software renderers; sprites still
// carry the name of their logo's own texture.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "scene/random_generator.h"
#include "scene/tick_source.h"

// One flying logo, in eye space (viewer at the origin looking along -z).
struct LogoSprite {
    float x, y, z;     // centre of the quad's lower edge
    float vx, vy, vz;  // movement per drawn frame
    GLuint texture;    // one of LogoParade::logoTextures
};

// Where one logo sits in the atlas, as texture coordinates.
struct AtlasRect {
    float s0, t0;  // the logo's top-left corner
    float s1, t1;  // its bottom-right corner
};

class LogoParade {
public:
    static constexpr int32_t logoCount = 40;
    static constexpr int32_t spriteCount = 500;
    static constexpr uint32_t overrideMs = 5000;

    // Generates and loads the logo textures (RCDATA 110 to 149) and the atlas,
    // and places the swarm with five draws per sprite from `random`. Called by
    // the scene's constructor on the main thread with GL current; `random` must
    // outlive the parade.
    LogoParade(TickSource ticks, RandomGenerator& random);
    ~LogoParade();
    LogoParade(const LogoParade&) = delete;
    LogoParade& operator=(const LogoParade&) = delete;

    // Once per frame, first thing drawn, with the perspective projection and an
    // identity modelview: the swarm if enabled, then the big logo if fading.
    // Leaves blending, texturing and depth testing disabled; a running spin
    // leaves its rotation on the modelview matrix.
    void drawParade();

    // The scroller's script operations, called while it reads control codes.
    void showBigLogo(int32_t logoNumber);  // 1 to 40; anything else is ignored
    void startSpin(int32_t turns, int32_t periodMs, int32_t directionCode);
    void overrideLogos(int32_t logoNumber);  // 1 to 39; anything else is ignored

    // The swarm's paint order: farthest (most negative z) first.
    static bool compareDepth(const LogoSprite& a, const LogoSprite& b) { return a.z < b.z; }

    std::array<GLuint, logoCount> logoTextures{};
    std::array<LogoSprite, spriteCount> sprites{};  // in paint order after each draw
    int32_t bigLogoIndex = 0;                       // into logoTextures
    int32_t bigLogoActive = 0;
    uint32_t bigLogoStartTick = 0;  // ms
    uint32_t bigLogoElapsed = 0;    // ms since bigLogoStartTick at the last draw
    int32_t swarmEnabled = 0;       // set by the scroller, never cleared
    uint32_t spinStartTick = 0;     // ms
    uint32_t spinElapsed = 0;       // ms since spinStartTick at the last draw
    float spinAngle = 0.0f;         // degrees
    int32_t spinActive = 0;
    uint32_t spinDuration = 0;       // ms: turns * period, wrapping like a 32-bit product
    float spinPeriod = 0.0f;         // ms per full turn
    int32_t spinDirection = 1;       // +1 counter-clockwise on screen, -1 clockwise
    uint32_t overrideStartTick = 0;  // ms
    int32_t overrideLogo = 1;        // 1 to 39
    int32_t overrideActive = 0;

    std::array<bool, logoCount> logoLoaded{};  // false where the resource was missing
    GLuint atlasTexture = 0;
    std::array<AtlasRect, logoCount> atlasRects{};

private:
    void drawSwarm();
    void drawBigLogo();
    void sortSprites();
    void moveSprite(LogoSprite& sprite);
    void pickMotion(LogoSprite& sprite);
    int32_t logoIndexOf(GLuint name) const;
    void buildAtlas();

    TickSource ticks;
    RandomGenerator& random;
};
