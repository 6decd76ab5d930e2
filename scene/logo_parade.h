// The logo parade's motion and timing, without GL: a swarm of 500 small logos
// streaming out of the screen towards the viewer, which the scrolltext can
// start, spin and make show one logo for a while, and big logos fading in and
// out in the middle of the screen. Each frame, drawParade moves the swarm and
// writes what the frame shows into a ParadeFrame, which the renderer draws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "scene/random_generator.h"
#include "scene/tick_source.h"

// One flying logo, in eye space (viewer at the origin looking along -z).
struct LogoSprite {
    float x, y, z;      // centre of the quad's lower edge
    float vx, vy, vz;   // movement per drawn frame
    int32_t logoIndex;  // the logo it carries, 0 to 38 (logo 40 is never carried)
};

// One sprite's quad as the frame shows it: where it was drawn (before it moved)
// and with which logo.
struct SpriteQuad {
    float x, y, z;
    int32_t logoIndex;  // 0 to 39
};

// What the parade shows in one frame, in drawing order.
struct ParadeFrame {
    static constexpr int32_t spriteCount = 500;

    int32_t swarmShown = 0;                       // the swarm is drawn
    int32_t spinShown = 0;                        // the swarm is rotated (also in the frame in which the spin ends)
    float spinAngle = 0.0f;                       // degrees
    int32_t spinDirection = 1;                    // sign of the rotation axis (0, 0, 1)
    std::array<SpriteQuad, spriteCount> quads{};  // farthest first
    int32_t bigLogoShown = 0;                     // the big logo is drawn
    int32_t bigLogoIndex = 0;                     // 0 to 39
    float bigLogoAlpha = 0.0f;                    // 0 to 1 (a little below 0 in the last frame of a fade)
};

class LogoParade {
public:
    static constexpr int32_t logoCount = 40;
    static constexpr int32_t spriteCount = ParadeFrame::spriteCount;
    static constexpr uint32_t overrideMs = 5000;

    // Places the swarm with five draws per sprite from `random`. Called while
    // the scene is built, before the program seeds the generator, so the swarm
    // starts the same on every run. `random` must outlive the parade.
    LogoParade(TickSource ticks, RandomGenerator& random);
    LogoParade(const LogoParade&) = delete;
    LogoParade& operator=(const LogoParade&) = delete;

    // Once per frame, first thing drawn: if the swarm is enabled, sorts it
    // farthest first, writes each sprite's quad and moves it (respawning those
    // that passed the viewer), with the spin's angle; then the big logo's fade.
    // Main thread.
    void drawParade(ParadeFrame& frame);

    // The scroller's script operations, called while it reads control codes.
    void showBigLogo(int32_t logoNumber);  // 1 to 40; anything else is ignored
    void startSpin(int32_t turns, int32_t periodMs, int32_t directionCode);
    void overrideLogos(int32_t logoNumber);  // 1 to 39; anything else is ignored

    // The swarm's paint order: farthest (most negative z) first.
    static bool compareDepth(const LogoSprite& a, const LogoSprite& b) { return a.z < b.z; }

    std::array<LogoSprite, spriteCount> sprites{};  // in paint order after each draw
    int32_t bigLogoIndex = 0;                       // 0 to 39
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

private:
    void drawSwarm(ParadeFrame& frame);
    void drawBigLogo(ParadeFrame& frame);
    void sortSprites();
    void moveSprite(LogoSprite& sprite);
    void pickMotion(LogoSprite& sprite);

    TickSource ticks;
    RandomGenerator& random;
};
