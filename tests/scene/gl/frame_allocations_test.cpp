// No allocation per frame: the demo's per-frame step (clear, the scene's
// drawFrame, present) on the production's own pictures and font sheets,
// counted by the replaced operator new of tests/allocation.
#include <gtest/gtest.h>

#include <string>

#include "app/display.h"
#include "data/embedded_resources.h"
#include "data/resources.h"
#include "scene_gl_support.h"
#include "tests/allocation/counting_allocator.h"

namespace {

// A script that sets every part going twice: the swarm, a big logo, a spin,
// one logo for the whole swarm and a change of typeface at its first cell,
// and the same again about 33 cells (some 270 frames) later, while the
// allocations are counted. Long enough that the text does not restart.
std::string busyScript() {
    const std::string codes = std::string("\x02") + "\x01\x05" + "\x04\x04\x03\x01" + "\x05\x03" + "\x07\x03\x01";
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";
    return codes + letters + std::string("\x01\x09") + "\x04\x02\x02\x02" + "\x05\x07" + "\x07\x05\x02" + letters +
           letters + letters;
}

TEST(FrameAllocations, NoneWhileTheSceneDrawsSwarmBigLogoSpinBadgeAndStrip) {
    installResourceTable(embeddedResources());
    const std::string script = busyScript();
    SceneRig rig(script);
    // The timed parts (fades, spin, badge) follow the clock; a frame stands
    // for 100 ms so that the badge, which rises 20 s after the scene is
    // built, shows within the warm-up.
    auto frame = [&] {
        rig.clock.advance(100);
        return stepFrame([&] { return rig.scene->drawFrame(); });
    };
    // The first frames may build what the driver keeps for each new state.
    for (int32_t i = 0; i < 250; ++i) ASSERT_EQ(frame(), 0);
    ASSERT_EQ(rig.scene->badge().badgeArmed, 1) << "the badge should have risen during the warm-up";
    const int64_t before = allocationsSoFar();
    for (int32_t i = 0; i < 150; ++i) ASSERT_EQ(frame(), 0);
    EXPECT_EQ(allocationsSoFar() - before, 0);
    EXPECT_EQ(rig.scene->parade().swarmEnabled, 1);
}

}  // namespace
