// review_frames: frames of the production for looking at the material as a
// viewer sees it, from the same scene code as the demo, drawn offscreen on a
// manual clock at 60 frames per second like tavorly-capture draws them.
//
//   review_frames OUT_DIR [CLOSE_UPS]
//
// Writes into OUT_DIR:
//  - strip-fontS-H-speedN.png: the strip band (800 x 32) the first time the
//    whole visible strip shows typeface S/H scrolling at speed N, for every
//    typeface and speed the script uses;
//  - swarm-NN-frameK-logoL.png: close-ups of the swarm, the screen around the
//    logo nearest the viewer, for CLOSE_UPS (default 12) frames in which that
//    logo has its centre on screen and is at least 300 pixels wide; every
//    other one is 600 or more (up to beyond the screen's width).
// Frames that are not written are run with an empty scissor box, so the whole
// production takes about a minute.
#define SDL_MAIN_HANDLED

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/display.h"
#include "data/embedded_resources.h"
#include "data/resources.h"
#include "data/scrolltext.h"
#include "scene/demo_scene.h"
#include "scene/random_generator.h"
#include "scene/tick_source.h"
#include "tools/capture/png_writer.h"

namespace {

constexpr int32_t screenWidth = 800;
constexpr int32_t screenHeight = 600;
constexpr int32_t framesPerSecond = 60;
constexpr int32_t bandTop = 568;  // the strip's rows on screen
constexpr int32_t bandRows = 32;
constexpr int32_t cellsOnScreen = 25;
constexpr float closeUpWidth = 300.0f;   // screen pixels
constexpr int64_t closeUpSpacing = 900;  // frames between two close-ups
constexpr int64_t lastFrame = 400000;    // beyond the end mark in any case

// Where a sprite's quad lands on screen: the 45-degree perspective of the
// demo's view, 800 x 600, y downwards.
struct ScreenRect {
    float left, top, right, bottom;
};

ScreenRect project(const LogoSprite& s) {
    const float focal = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f);
    const float depth = -s.z;
    auto sx = [&](float x) {
        return (x * focal / (float(screenWidth) / screenHeight) / depth + 1.0f) * screenWidth / 2;
    };
    auto sy = [&](float y) { return (1.0f - y * focal / depth) * screenHeight / 2; };
    return {sx(s.x - 0.5f), sy(s.y + 0.5f), sx(s.x + 0.5f), sy(s.y)};
}

// The nearest sprite in front of the viewer whose centre is on screen, if any.
std::optional<std::pair<const LogoSprite*, ScreenRect>> nearestOnScreen(const LogoParade& parade) {
    std::optional<std::pair<const LogoSprite*, ScreenRect>> best;
    for (const LogoSprite& s : parade.sprites) {
        if (s.z >= -0.2f) continue;
        const ScreenRect r = project(s);
        const float cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        if (cx < 0 || cy < 0 || cx >= screenWidth || cy >= screenHeight) continue;
        if (!best || s.z > best->first->z) best = std::make_pair(&s, r);
    }
    return best;
}

int32_t logoNumber(const LogoParade& parade, const LogoSprite& s) {
    if (parade.overrideActive) return parade.overrideLogo;
    return s.logoIndex + 1;
}

bool writePng(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
    PngEncoder encoder;
    std::vector<uint8_t> png;
    std::string error;
    if (!encoder.encode(rgb, width, height, png) || !writeWholeFile(path, png, error)) {
        std::fprintf(stderr, "review_frames: cannot write %s %s\n", path.c_str(), error.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

std::vector<uint8_t> crop(const std::vector<uint8_t>& rgb, int32_t left, int32_t top, int32_t width, int32_t height) {
    std::vector<uint8_t> out;
    out.reserve(size_t(width) * size_t(height) * 3);
    for (int32_t y = top; y < top + height; ++y) {
        const auto row = rgb.begin() + (ptrdiff_t(y) * screenWidth + left) * 3;
        out.insert(out.end(), row, row + ptrdiff_t(width) * 3);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    SDL_SetMainReady();
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: review_frames OUT_DIR [CLOSE_UPS]\n");
        return 2;
    }
    const std::string out = argv[1];
    const int32_t wantedCloseUps = argc == 3 ? std::atoi(argv[2]) : 12;
    std::error_code failure;
    std::filesystem::create_directories(out, failure);
    if (failure) {
        std::fprintf(stderr, "review_frames: cannot create %s: %s\n", out.c_str(), failure.message().c_str());
        return 1;
    }
    installResourceTable(embeddedResources());
    if (!openDisplay("Tavorly!", screenWidth, screenHeight, 32, DisplaySurface::Offscreen)) {
        std::fprintf(stderr, "review_frames: cannot open an offscreen OpenGL display\n");
        return 1;
    }
    bool ok = true;
    {
        ManualClock clock;
        RandomGenerator random;
        DemoScene scene(clock.source(), random, scrollTextBody(), scrollTextTail());
        random.seed(1);  // as tavorly-capture seeds it by default

        std::vector<uint8_t> rgb(size_t(screenWidth) * screenHeight * 3);
        std::set<std::tuple<int32_t, int32_t, int32_t>> stripsWritten;
        std::tuple<int32_t, int32_t, int32_t> look{-1, -1, -1};
        int32_t cellsInLook = 0, lastTextPos = scene.scroller().textPos;
        int32_t closeUps = 0;
        int64_t lastCloseUp = -closeUpSpacing;

        for (int64_t frame = 0; frame < lastFrame && ok; ++frame) {
            clock.set(uint32_t(frame * 1000 / framesPerSecond));
            // What this frame will show: the strip's typeface and speed once
            // a full screen of cells has entered with them...
            const bool stripDue = cellsInLook >= cellsOnScreen + 1 && !stripsWritten.count(look);
            // ...and the logo nearest the viewer, when the swarm flies unturned.
            std::optional<std::pair<const LogoSprite*, ScreenRect>> near;
            if (closeUps < wantedCloseUps && scene.parade().swarmEnabled && !scene.parade().spinActive &&
                frame - lastCloseUp >= closeUpSpacing) {
                near = nearestOnScreen(scene.parade());
                const float wanted = closeUps % 2 ? 2 * closeUpWidth : closeUpWidth;
                if (near && near->second.right - near->second.left < wanted) near.reset();
            }
            const bool draw = stripDue || near.has_value();
            if (!draw) {
                glScissor(0, 0, 0, 0);
                glEnable(GL_SCISSOR_TEST);
            }
            int32_t logo = near ? logoNumber(scene.parade(), *near->first) : 0;
            const int32_t ended = stepFrame([&] {
                const int32_t result = scene.drawFrame();
                if (draw && !readFramePixels(rgb)) {
                    std::fprintf(stderr, "review_frames: cannot read frame %lld back\n", static_cast<long long>(frame));
                    ok = false;
                }
                return result;
            });
            if (!draw) glDisable(GL_SCISSOR_TEST);
            if (ok && stripDue) {
                const auto [sheet, half, speed] = look;
                char name[96];
                std::snprintf(name, sizeof name, "/strip-font%d-%d-speed%d.png", sheet, half, speed);
                ok = writePng(out + name, crop(rgb, 0, bandTop, screenWidth, bandRows), screenWidth, bandRows);
                stripsWritten.insert(look);
            }
            if (ok && near) {
                const ScreenRect r = near->second;
                const float margin = (r.right - r.left) * 0.15f;
                const int32_t left = std::max(0, int32_t(r.left - margin));
                const int32_t top = std::max(0, int32_t(r.top - margin));
                const int32_t right = std::min(screenWidth, int32_t(r.right + margin));
                const int32_t bottom = std::min(screenHeight, int32_t(r.bottom + margin));
                char name[96];
                std::snprintf(name, sizeof name, "/swarm-%02d-frame%lld-logo%d.png", closeUps + 1,
                              static_cast<long long>(frame), logo);
                ok = writePng(out + name, crop(rgb, left, top, right - left, bottom - top), right - left, bottom - top);
                ++closeUps;
                lastCloseUp = frame;
            }
            // A cell that entered in this frame counts towards the typeface it
            // was drawn in and the speed it moves on at; a change of either
            // starts a new count.
            if (scene.scroller().textPos != lastTextPos) {
                lastTextPos = scene.scroller().textPos;
                const std::tuple<int32_t, int32_t, int32_t> after{
                    scene.scroller().fontIndex + 1, scene.scroller().fontHalf + 1, scene.scroller().scrollSpeed};
                if (after != look) {
                    look = after;
                    cellsInLook = 0;
                }
                ++cellsInLook;
            }
            if (ended) break;
        }
    }
    closeDisplay();
    SDL_Quit();
    return ok ? 0 : 1;
}
