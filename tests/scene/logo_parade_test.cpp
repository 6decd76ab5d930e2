// The logo parade's logic: the swarm's starting layout, its depth order and
// respawns, the spin, the logo override and the big-logo fade, driven by a
// manual clock and the program's generator, read from the frame it writes.
#include <gtest/gtest.h>

#include <cmath>

#include "scene_test_support.h"

namespace {

class LogoParadeTest : public ::testing::Test {
protected:
    void SetUp() override {
        standard.install();
        rig = std::make_unique<SceneParts>(std::string(100, 'A'));
        parade().swarmEnabled = 1;
    }
    LogoParade& parade() { return rig->parade; }
    void draw() { parade().drawParade(frame); }
    // Every sprite at depth `z`, marked by its vx, moving 0.01 per frame.
    void lineUp(float z) {
        for (int32_t i = 0; i < LogoParade::spriteCount; ++i) {
            parade().sprites[size_t(i)] = LogoSprite{0, 0, z, float(i) * 1e-6f, 0, 0.01f, 0};
        }
    }
    int32_t markOf(const LogoSprite& sprite) { return int32_t(std::lround(sprite.vx * 1e6f)); }

    TestResources standard = standardResources();
    std::unique_ptr<SceneParts> rig;
    ParadeFrame frame;
};

TEST_F(LogoParadeTest, TheSwarmStartsFromTheUnseededGenerator) {
    const LogoParade& p = parade();
    // The generator's first ten values are 41, 18467, 6334, 26500, 19169,
    // 15724, 11478, 29358, 26962, 24464: five per sprite.
    EXPECT_FLOAT_EQ(p.sprites[0].z, -59.59f);
    EXPECT_FLOAT_EQ(p.sprites[0].vx, 0.0092f);
    EXPECT_FLOAT_EQ(p.sprites[0].vy, -0.0041f);
    EXPECT_FLOAT_EQ(p.sprites[0].vz, 0.01f);  // 0 raised to the minimum
    EXPECT_EQ(p.sprites[0].logoIndex, 20);
    EXPECT_FLOAT_EQ(p.sprites[1].z, -42.76f);
    EXPECT_FLOAT_EQ(p.sprites[1].vx, 0.0103f);
    EXPECT_FLOAT_EQ(p.sprites[1].vy, -0.0017f);
    EXPECT_FLOAT_EQ(p.sprites[1].vz, 0.212f);
    EXPECT_EQ(p.sprites[1].logoIndex, 11);
    for (const LogoSprite& s : p.sprites) {
        EXPECT_EQ(s.x, 0.0f);
        EXPECT_TRUE(s.z >= -60.0f && s.z <= -40.01f) << s.z;
        EXPECT_TRUE(s.logoIndex >= 0 && s.logoIndex < 39) << s.logoIndex;  // logo 40 is never carried
    }
    // The scene's parts drew exactly five numbers per sprite and no others.
    RandomGenerator replay;
    for (int32_t i = 0; i < 5 * LogoParade::spriteCount; ++i) replay.next();
    EXPECT_EQ(rig->random.next(), replay.next());
}

TEST_F(LogoParadeTest, SpritesArePaintedFarthestFirstAndEqualDepthsKeepTheirOrder) {
    lineUp(-50.0f);
    parade().sprites[10].z = -55.0f;
    parade().sprites[20].z = -45.0f;
    parade().sprites[30].z = -55.0f;
    draw();
    EXPECT_EQ(markOf(parade().sprites[0]), 10);
    EXPECT_EQ(markOf(parade().sprites[1]), 30);
    EXPECT_EQ(markOf(parade().sprites[499]), 20);
    int32_t previous = -1;
    for (size_t i = 2; i < 499; ++i) {
        int32_t mark = markOf(parade().sprites[i]);
        EXPECT_GT(mark, previous);
        previous = mark;
    }
    // The frame shows each sprite where it was drawn, before it moved on.
    EXPECT_EQ(frame.swarmShown, 1);
    EXPECT_EQ(frame.quads[0].z, -55.0f);
    EXPECT_EQ(frame.quads[499].z, -45.0f);
    EXPECT_FLOAT_EQ(parade().sprites[0].z, -54.99f);
    EXPECT_FLOAT_EQ(frame.quads[1].x + parade().sprites[1].vx, parade().sprites[1].x);
}

TEST_F(LogoParadeTest, SpritesPastTheViewerRespawnFarAway) {
    lineUp(-50.0f);
    parade().sprites[497].z = 0.0f;  // exactly 0: not yet past the viewer
    parade().sprites[498] = LogoSprite{3.0f, 2.0f, 0.25f, 1e-6f * 498, 0, 0.3f, 5};
    parade().sprites[499].z = 0.5f;
    RandomGenerator replay = rig->random;
    draw();
    EXPECT_FLOAT_EQ(parade().sprites[497].z, 0.01f);
    // Sprite 498, painted first of the two, drew its vx, vy, vz and logo first.
    const LogoSprite& first = parade().sprites[498];
    const LogoSprite& second = parade().sprites[499];
    EXPECT_EQ(frame.quads[498].z, 0.25f);
    EXPECT_EQ(frame.quads[498].logoIndex, 5);  // drawn with its old logo
    EXPECT_EQ(first.z, -40.0f);
    EXPECT_EQ(first.x, first.vx);
    EXPECT_EQ(first.y, first.vy);
    EXPECT_FLOAT_EQ(first.vx, float((replay.next() % 250 - 125) * 0.0001));
    EXPECT_FLOAT_EQ(first.vy, float((replay.next() % 250 - 125) * 0.0001));
    EXPECT_FLOAT_EQ(first.vz, std::max(0.01f, float((replay.next() % 250) * 0.001)));
    EXPECT_EQ(first.logoIndex, replay.next() % 39);
    EXPECT_EQ(second.z, -40.0f);
    EXPECT_EQ(second.x, second.vx);
    for (int32_t i = 0; i < 4; ++i) replay.next();
    EXPECT_EQ(rig->random.next(), replay.next());

    // Both now share z = -40 behind the sprite at 0.01 and keep their order.
    LogoSprite a = first, b = second;
    draw();
    EXPECT_EQ(parade().sprites[497].vx, a.vx);
    EXPECT_EQ(parade().sprites[498].vx, b.vx);
    EXPECT_EQ(parade().sprites[499].z, -40.0f);  // the sprite that stopped at 0 is now past it
}

// A clock that moves by a fixed step on every reading and counts them.
struct SteppingClock {
    uint32_t now = 0;
    uint32_t step = 0;
    int32_t reads = 0;
    static uint32_t read(void* context) {
        auto* clock = static_cast<SteppingClock*>(context);
        ++clock->reads;
        return clock->now += clock->step;
    }
};

TEST(LogoParadeClock, TheOverrideCanEndPartWayThroughAFrame) {
    SteppingClock clock;
    RandomGenerator random;
    LogoParade parade(TickSource{&SteppingClock::read, &clock}, random);
    ParadeFrame frame;
    parade.swarmEnabled = 1;
    for (LogoSprite& sprite : parade.sprites) sprite.logoIndex = 3;
    parade.overrideLogos(12);
    EXPECT_EQ(parade.overrideStartTick, 0u);
    // Each sprite's test reads the clock 20 ms later than the one before: the
    // 250th sprite is the one at which 5000 ms have passed, and it still shows
    // the override's logo.
    clock.step = 20;
    clock.reads = 0;
    parade.drawParade(frame);
    EXPECT_EQ(parade.overrideActive, 0);
    EXPECT_EQ(clock.reads, 250);
    EXPECT_EQ(frame.quads[0].logoIndex, 11);
    EXPECT_EQ(frame.quads[249].logoIndex, 11);
    EXPECT_EQ(frame.quads[250].logoIndex, 3);
    EXPECT_EQ(frame.quads[499].logoIndex, 3);
    clock.reads = 0;
    parade.drawParade(frame);
    EXPECT_EQ(clock.reads, 0);
}

TEST_F(LogoParadeTest, OverrideTakesLogos1To39AndRestartsOnANewCall) {
    rig->clock.set(100);
    parade().overrideLogos(40);
    parade().overrideLogos(0);
    parade().overrideLogos(-3);
    EXPECT_EQ(parade().overrideActive, 0);
    EXPECT_EQ(parade().overrideLogo, 1);
    parade().overrideLogos(39);
    rig->clock.set(4000);
    parade().overrideLogos(2);
    rig->clock.set(8999);
    draw();
    EXPECT_EQ(parade().overrideActive, 1);
    EXPECT_EQ(parade().overrideLogo, 2);
    EXPECT_EQ(frame.quads[321].logoIndex, 1);
    rig->clock.set(9000);
    draw();
    EXPECT_EQ(parade().overrideActive, 0);
}

TEST_F(LogoParadeTest, SpinTurnsAboutTheViewAxisAndEndsAtAngle0) {
    parade().startSpin(2, 16000, 1);
    rig->clock.set(4000);
    draw();
    EXPECT_EQ(frame.spinShown, 1);
    EXPECT_FLOAT_EQ(frame.spinAngle, 90.0f);
    EXPECT_EQ(frame.spinDirection, 1);
    rig->clock.set(31999);
    draw();
    EXPECT_EQ(parade().spinActive, 1);
    EXPECT_NEAR(frame.spinAngle, 719.9775f, 1e-3);
    // The frame in which the spin ends is still turned, by 0 degrees.
    rig->clock.set(32000);
    draw();
    EXPECT_EQ(parade().spinActive, 0);
    EXPECT_EQ(frame.spinShown, 1);
    EXPECT_EQ(frame.spinAngle, 0.0f);
    draw();
    EXPECT_EQ(frame.spinShown, 0);

    rig->clock.set(40000);
    parade().startSpin(1, 8000, 2);  // clockwise
    rig->clock.set(42000);
    draw();
    EXPECT_FLOAT_EQ(frame.spinAngle, 90.0f);
    EXPECT_EQ(frame.spinDirection, -1);

    for (auto [turns, period] : {std::pair{0, 5000}, std::pair{3, 0}}) {
        parade().startSpin(turns, period, 1);
        draw();
        EXPECT_EQ(parade().spinActive, 0);
        EXPECT_EQ(frame.spinAngle, 0.0f);
    }

    // A spin's clock runs while the swarm is off; it is only looked at when drawn.
    parade().swarmEnabled = 0;
    parade().startSpin(1, 1000, 1);
    rig->clock.advance(5000);
    draw();
    EXPECT_EQ(parade().spinActive, 1);
    EXPECT_EQ(frame.swarmShown, 0);
    EXPECT_EQ(frame.spinShown, 0);
    parade().swarmEnabled = 1;
    draw();
    EXPECT_EQ(parade().spinActive, 0);
}

TEST_F(LogoParadeTest, TheBigLogoFadesInHoldsAndFadesOut) {
    parade().swarmEnabled = 0;  // big logos show without the swarm
    rig->clock.set(10000);
    parade().showBigLogo(7);
    EXPECT_EQ(parade().bigLogoIndex, 6);
    struct Step {
        uint32_t elapsed;
        float alpha;
        int32_t stillActive;
    };
    for (Step s : {Step{1000, 0.5f, 1}, Step{2000, 1.0f, 1}, Step{5000, 1.0f, 1}, Step{6500, 0.5f, 1},
                   Step{7999, 0.000333f, 1}, Step{8000, 0.0f, 0}}) {
        rig->clock.set(10000 + s.elapsed);
        draw();
        EXPECT_EQ(frame.swarmShown, 0);
        EXPECT_EQ(frame.bigLogoShown, 1) << s.elapsed;
        EXPECT_EQ(frame.bigLogoIndex, 6);
        EXPECT_NEAR(frame.bigLogoAlpha, s.alpha, 1e-5) << s.elapsed;
        EXPECT_EQ(parade().bigLogoElapsed, s.elapsed);
        EXPECT_EQ(parade().bigLogoActive, s.stillActive) << s.elapsed;
    }
    draw();
    EXPECT_EQ(frame.bigLogoShown, 0);

    // A new logo during a fade starts again from transparent; out-of-range numbers are ignored.
    parade().showBigLogo(3);
    rig->clock.advance(3000);
    parade().showBigLogo(9);
    parade().showBigLogo(41);
    parade().showBigLogo(0);
    draw();
    EXPECT_EQ(frame.bigLogoIndex, 8);
    EXPECT_NEAR(frame.bigLogoAlpha, 0.0f, 1e-6);
}

}  // namespace
