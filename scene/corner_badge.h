// The corner badge's timing, without GL: twenty seconds after the scene is
// built, and then every fifteen seconds, one of three images rises from behind
// the strip in the lower right corner, stands for a moment and sinks back.
#pragma once

#include <cstdint>

#include "scene/random_generator.h"
#include "scene/tick_source.h"

// Where the badge stands in one frame.
struct BadgeFrame {
    int32_t shown = 0;      // the badge is drawn this frame
    int32_t index = 0;      // which image, 0 to 2
    float offset = -32.0f;  // pixels above the resting place: -32 at rest, +32 fully risen
};

class CornerBadge {
public:
    static constexpr uint32_t badgeWaitMs = 20000;
    static constexpr uint32_t badgeCycleMs = 15000;
    static constexpr int32_t badgeCount = 3;

    // Starts the 20-second wait now; built last in the scene, so the wait
    // counts from the end of its construction. `random` must outlive the badge.
    CornerBadge(TickSource ticks, RandomGenerator& random);

    // Once per frame, after the scroller's update: arms the badge once the
    // wait is over (that frame shows nothing), starts a new cycle with a random
    // image every 15 seconds, and writes where the badge stands into `frame`.
    // Main thread.
    void drawBadge(BadgeFrame& frame);

    uint32_t badgeStartTick = 0;  // ms: start of the wait, then of the current cycle
    int32_t badgeIndex = 0;       // 0 to 2
    int32_t badgeArmed = 0;

private:
    TickSource ticks;
    RandomGenerator& random;
};
