// GL test material for the scene: the program's own display opened offscreen
// (no X server needed) with its GL state, the per-frame step the program runs,
// the renderer fed by hand-set parts, and pixel read-back.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scene/demo_scene.h"
#include "scene/scene_renderer.h"
#include "scene_test_support.h"

#ifdef _WIN32
// windows.h, which GL/gl.h includes there, defines near and far as macros;
// included here, after every header that includes GL/gl.h, so that no later
// include defines them again.
#include <windows.h>
#undef near
#undef far
#endif

// Opens the shared offscreen display on first use and sets the GL state the
// program starts its frames with (viewport, perspective, render state).
void resetDisplayState();

// The whole scene with its clock and generator.
struct SceneRig {
    explicit SceneRig(std::string_view body, std::string_view tail = {});
    ManualClock clock;
    RandomGenerator random;
    std::unique_ptr<DemoScene> scene;
};

// The program's per-frame step without presenting: clear colour and depth,
// identity modelview, drawFrame. Returns drawFrame's result; pixels can be read before the next.
int32_t renderFrame(DemoScene& scene);

// The scene's parts, set by hand, and the renderer that draws them.
struct RendererRig {
    explicit RendererRig(std::string_view body = "A");
    // One frame as the program steps it: the parade moves and the renderer
    // draws it, the badge as `badgeFrame` says and the strip as it stands.
    void drawFrame();

    std::unique_ptr<SceneParts> parts;
    std::unique_ptr<SceneRenderer> renderer;
    ParadeFrame paradeFrame;
    BadgeFrame badgeFrame;
};

// A texture of its own for each installed logo (RCDATA 110 to 149), made from
// the resource as the scene's image textures are; a missing logo's is undefined.
struct OwnLogoTextures {
    OwnLogoTextures();
    ~OwnLogoTextures();
    OwnLogoTextures(const OwnLogoTextures&) = delete;
    OwnLogoTextures& operator=(const OwnLogoTextures&) = delete;
    std::array<GLuint, LogoParade::logoCount> names{};
};

// Draws the parade's sprites as they would be drawn without the atlas: each
// quad from its sprite's own texture, with one bind each, in the swarm's GL
// state. Moves nothing. The reference for the atlas and its benchmark.
void drawSpritesWithOwnTextures(const LogoParade& parade, const OwnLogoTextures& textures);
// One pixel of the frame, (x, y) with y = 0 the top row.
Rgb pixelAt(int32_t x, int32_t y);
// The clear colour as it reads back.
Rgb background();
bool near(Rgb actual, Rgb expected, int32_t tolerance);
std::string describe(Rgb colour);
