// The scene's construction and the order of one frame.
#include "scene/demo_scene.h"

DemoScene::DemoScene(TickSource ticks, RandomGenerator& random, std::string_view textBody, std::string_view textTail)
    : parade_(ticks, random), scroller_(textBody, textTail), strip_(ticks), renderer_(strip_), badge_(ticks, random) {}

// The parade moves first and the scroller reads its codes after it, so a big
// logo or swarm change started by the text shows from the next frame on. The
// renderer then draws the swarm, the big logo, the badge and the strip.
int32_t DemoScene::drawFrame() {
    parade_.drawParade(paradeFrame_);
    int32_t result = scroller_.updateScroller(strip_, parade_);
    badge_.drawBadge(badgeFrame_);
    renderer_.drawFrame(paradeFrame_, badgeFrame_, strip_);
    return result;
}
