// The scene's GL layer: the textures (the forty logos' atlas, the big logo's,
// the three badges, the strip) and the drawing of one frame from what the parade,
// the badge and the strip hold for it. Only this file pair, the overlay and the
// image textures call GL in the scene.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/corner_badge.h"
#include "scene/logo_atlas.h"
#include "scene/logo_parade.h"
#include "scene/strip.h"

class SceneRenderer {
public:
    // Creates every texture from the resources: the logos (RCDATA 110 to 149)
    // and their atlas, the strip texture from `strip`'s all-zero buffer, the
    // badges (RCDATA 180 to 182). Missing resources are drawn as nothing.
    // Called while the scene is built, main thread, GL current.
    explicit SceneRenderer(const Strip& strip);
    // Deletes the textures; without a current context (as at the program's
    // shut-down, after the display has closed) the deletions do nothing.
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Draws one frame, after the caller has cleared the buffers and loaded the
    // identity modelview under the perspective projection: the swarm, then the
    // big logo, the badge and the strip inside the 800 x 600 overlay. Leaves
    // texturing, blending and depth testing disabled and no texture bound.
    void drawFrame(const ParadeFrame& parade, const BadgeFrame& badge, const Strip& strip);

    // The first step of drawFrame on its own: the swarm in the perspective
    // projection, then the big logo in the overlay. Leaves blending, texturing
    // and depth testing disabled; a spin leaves its rotation on the modelview.
    void drawParade(const ParadeFrame& parade);

private:
    void drawBigLogo(const ParadeFrame& parade);
    // Binds the big logo's texture, first filling it with logo `index` when it
    // holds another; the fill uses the kept buffer, so allocates nothing.
    void bindBigLogo(int32_t index);
    void drawBadge(const BadgeFrame& badge);
    void drawStrip(const Strip& strip);

    std::array<bool, LogoParade::logoCount> logoLoaded{};  // false where the resource was missing
    std::vector<uint8_t> logoImage;                        // imageRgbaBytes: one logo as convertImage makes it
    GLuint bigLogoTexture = 0;
    int32_t bigLogoHeld = -1;  // the logo index bigLogoTexture holds; -1 none yet
    GLuint atlasTexture = 0;
    std::array<AtlasRect, LogoParade::logoCount> atlasRects{};
    GLuint stripTexture = 0;
    std::array<GLuint, CornerBadge::badgeCount> badgeTextures{};
    std::array<bool, CornerBadge::badgeCount> badgeLoaded{};
};
