// The whole picture: the logo parade, the scroller with its strip and the
// corner badge, each free of GL, composed into one frame that the renderer
// draws. Built once by main after the display is open, and by the capture tool.
#pragma once

#include <cstdint>
#include <string_view>

#include "scene/corner_badge.h"
#include "scene/logo_parade.h"
#include "scene/random_generator.h"
#include "scene/scene_renderer.h"
#include "scene/scroller.h"
#include "scene/strip.h"
#include "scene/tick_source.h"

class DemoScene {
public:
    // Builds everything in a fixed order: the parade (which draws the swarm's
    // starting layout from `random`), the scroller with its text (`textBody`
    // followed by `textTail`) and font sheets, the strip, the textures, and
    // last the badge, whose clock starts then. Main thread, GL current.
    // Missing resources are drawn as nothing. `random` must outlive the scene.
    DemoScene(TickSource ticks, RandomGenerator& random, std::string_view textBody, std::string_view textTail);
    DemoScene(const DemoScene&) = delete;
    DemoScene& operator=(const DemoScene&) = delete;

    // Draws one frame after the caller has cleared the buffers and loaded the
    // identity modelview under the perspective projection. Returns 1 once the
    // scroller has read the end mark (the frame is still complete), else 0.
    int32_t drawFrame();

    // The parts as they stand, for progress reports and tests.
    const Scroller& scroller() const { return scroller_; }
    const LogoParade& parade() const { return parade_; }
    const CornerBadge& badge() const { return badge_; }

private:
    LogoParade parade_;
    Scroller scroller_;
    Strip strip_;
    SceneRenderer renderer_;
    CornerBadge badge_;
    ParadeFrame paradeFrame_;  // what the parade shows in the frame being drawn
    BadgeFrame badgeFrame_;
};
