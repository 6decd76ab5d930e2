// The corner badge: twenty seconds after the scene is built, and then every
// fifteen seconds, one of three images rises from behind the strip in the lower
// right corner, stands for a moment and sinks back.
#include "scene/demo_scene.h"

#include <cmath>

void DemoScene::drawBadge() {
    uint32_t now = ticks.now();
    if (badgeArmed == 0) {
        // The frame that arms the badge draws nothing; the next starts a cycle.
        if (now - badgeStartTick >= badgeWaitMs) badgeArmed = 1;
        return;
    }
    uint32_t e = now - badgeStartTick;
    float offset;  // pixels above the resting place, -32 at rest, +32 at the top
    if (e <= 3000) {
        offset = static_cast<float>(-32.0 * std::cos(e * 6.283 * 0.00033333333f));
    } else {
        offset = -32.0f;
        if (e >= badgeCycleMs) {
            badgeStartTick = now;
            badgeIndex = random.next() % 3;
        }
    }
    if (!badgeLoaded[size_t(badgeIndex)]) return;
    glBindTexture(GL_TEXTURE_2D, badgeTextures[size_t(badgeIndex)]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(672.0f, 536.0f - offset);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(672.0f, 600.0f - offset);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(800.0f, 600.0f - offset);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(800.0f, 536.0f - offset);
    glEnd();
    glDisable(GL_BLEND);
}
