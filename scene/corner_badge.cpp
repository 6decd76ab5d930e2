// The corner badge's wait, its cycles and its rise and fall.
#include "scene/corner_badge.h"

#include <cmath>

CornerBadge::CornerBadge(TickSource tickSource, RandomGenerator& generator)
    : badgeStartTick(tickSource.now()), ticks(tickSource), random(generator) {}

void CornerBadge::drawBadge(BadgeFrame& frame) {
    uint32_t now = ticks.now();
    frame.shown = 0;
    if (badgeArmed == 0) {
        // The frame that arms the badge draws nothing; the next starts a cycle.
        if (now - badgeStartTick >= badgeWaitMs) badgeArmed = 1;
        return;
    }
    uint32_t e = now - badgeStartTick;
    float offset;
    if (e <= 3000) {
        offset = static_cast<float>(-32.0 * std::cos(e * 6.283 * 0.00033333333f));
    } else {
        offset = -32.0f;
        if (e >= badgeCycleMs) {
            badgeStartTick = now;
            badgeIndex = random.next() % badgeCount;
        }
    }
    frame.shown = 1;
    frame.index = badgeIndex;
    frame.offset = offset;
}
