// The logo parade's logic: the swarm's starting layout, its depth order and
// respawns, the spin, the logo override and the big-logo fade, driven by a
// manual clock and the program's generator.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "scene_test_support.h"

namespace {

class LogoParadeTest : public ::testing::Test {
protected:
    void SetUp() override {
        standard.install();
        rig = std::make_unique<SceneRig>(std::string(100, 'A'));
        parade().swarmEnabled = 1;
    }
    LogoParade& parade() { return rig->scene->parade; }
    // One parade draw as a frame starts it: identity modelview.
    void draw() {
        glLoadIdentity();
        parade().drawParade();
    }
    float currentAlpha() {
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        return colour[3];
    }
    // Every sprite at depth `z`, marked by its vx, moving 0.01 per frame.
    void lineUp(float z) {
        for (int32_t i = 0; i < LogoParade::spriteCount; ++i) {
            parade().sprites[i] = LogoSprite{0, 0, z, float(i) * 1e-6f, 0, 0.01f, parade().logoTextures[0]};
        }
    }
    int32_t markOf(const LogoSprite& sprite) { return int32_t(std::lround(sprite.vx * 1e6f)); }

    TestResources standard = standardResources();
    std::unique_ptr<SceneRig> rig;
};

TEST_F(LogoParadeTest, TheSwarmStartsFromTheUnseededGenerator) {
    const LogoParade& p = parade();
    // The generator's first ten values are 41, 18467, 6334, 26500, 19169,
    // 15724, 11478, 29358, 26962, 24464: five per sprite.
    EXPECT_FLOAT_EQ(p.sprites[0].z, -59.59f);
    EXPECT_FLOAT_EQ(p.sprites[0].vx, 0.0092f);
    EXPECT_FLOAT_EQ(p.sprites[0].vy, -0.0041f);
    EXPECT_FLOAT_EQ(p.sprites[0].vz, 0.01f);  // 0 raised to the minimum
    EXPECT_EQ(p.sprites[0].texture, p.logoTextures[20]);
    EXPECT_FLOAT_EQ(p.sprites[1].z, -42.76f);
    EXPECT_FLOAT_EQ(p.sprites[1].vx, 0.0103f);
    EXPECT_FLOAT_EQ(p.sprites[1].vy, -0.0017f);
    EXPECT_FLOAT_EQ(p.sprites[1].vz, 0.212f);
    EXPECT_EQ(p.sprites[1].texture, p.logoTextures[11]);
    for (const LogoSprite& s : p.sprites) {
        EXPECT_EQ(s.x, 0.0f);
        EXPECT_TRUE(s.z >= -60.0f && s.z <= -40.01f) << s.z;
        EXPECT_NE(s.texture, p.logoTextures[39]);  // logo 40 is never carried
    }
    // The whole scene drew exactly five numbers per sprite and no others.
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
    for (int32_t i = 2; i < 499; ++i) {
        int32_t mark = markOf(parade().sprites[i]);
        EXPECT_GT(mark, previous);
        previous = mark;
    }
    EXPECT_FLOAT_EQ(parade().sprites[0].z, -54.99f);
}

TEST_F(LogoParadeTest, SpritesPastTheViewerRespawnFarAway) {
    lineUp(-50.0f);
    parade().sprites[497].z = 0.0f;  // exactly 0: not yet past the viewer
    parade().sprites[498] = LogoSprite{3.0f, 2.0f, 0.25f, 1e-6f * 498, 0, 0.3f, parade().logoTextures[5]};
    parade().sprites[499].z = 0.5f;
    RandomGenerator replay = rig->random;
    draw();
    EXPECT_FLOAT_EQ(parade().sprites[497].z, 0.01f);
    // Sprite 498, painted first of the two, drew its vx, vy, vz and logo first.
    const LogoSprite& first = parade().sprites[498];
    const LogoSprite& second = parade().sprites[499];
    EXPECT_EQ(first.z, -40.0f);
    EXPECT_EQ(first.x, first.vx);
    EXPECT_EQ(first.y, first.vy);
    EXPECT_FLOAT_EQ(first.vx, float((replay.next() % 250 - 125) * 0.0001));
    EXPECT_FLOAT_EQ(first.vy, float((replay.next() % 250 - 125) * 0.0001));
    EXPECT_FLOAT_EQ(first.vz, std::max(0.01f, float((replay.next() % 250) * 0.001)));
    EXPECT_EQ(first.texture, parade().logoTextures[replay.next() % 39]);
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
    TestResources standard = standardResources();
    standard.install();
    resetDisplayState();
    SteppingClock clock;
    RandomGenerator random;
    LogoParade parade(TickSource{&SteppingClock::read, &clock}, random);
    parade.swarmEnabled = 1;
    parade.overrideLogos(12);
    EXPECT_EQ(parade.overrideStartTick, 0u);
    // Each sprite's test reads the clock 20 ms later than the one before: the
    // 250th sprite is the one at which 5000 ms have passed.
    clock.step = 20;
    clock.reads = 0;
    parade.drawParade();
    EXPECT_EQ(parade.overrideActive, 0);
    EXPECT_EQ(clock.reads, 250);
    clock.reads = 0;
    parade.drawParade();
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
    rig->clock.set(9000);
    draw();
    EXPECT_EQ(parade().overrideActive, 0);
}

TEST_F(LogoParadeTest, SpinTurnsAboutTheViewAxisAndEndsAtAngle0) {
    auto rotation = [&] {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        return std::atan2(m[1], m[0]) * 180.0 / std::numbers::pi;  // counter-clockwise on screen is positive
    };
    parade().startSpin(2, 16000, 1);
    rig->clock.set(4000);
    draw();
    EXPECT_FLOAT_EQ(parade().spinAngle, 90.0f);
    EXPECT_NEAR(rotation(), 90.0, 1e-3);
    rig->clock.set(31999);
    draw();
    EXPECT_EQ(parade().spinActive, 1);
    EXPECT_NEAR(parade().spinAngle, 719.9775f, 1e-3);
    rig->clock.set(32000);
    draw();
    EXPECT_EQ(parade().spinActive, 0);
    EXPECT_EQ(parade().spinAngle, 0.0f);
    EXPECT_NEAR(rotation(), 0.0, 1e-6);

    rig->clock.set(40000);
    parade().startSpin(1, 8000, 2);  // clockwise
    rig->clock.set(42000);
    draw();
    EXPECT_NEAR(rotation(), -90.0, 1e-3);

    for (auto [turns, period] : {std::pair{0, 5000}, std::pair{3, 0}}) {
        parade().startSpin(turns, period, 1);
        draw();
        EXPECT_EQ(parade().spinActive, 0);
        EXPECT_EQ(parade().spinAngle, 0.0f);
    }

    // A spin's clock runs while the swarm is off; it is only looked at when drawn.
    parade().swarmEnabled = 0;
    parade().startSpin(1, 1000, 1);
    rig->clock.advance(5000);
    draw();
    EXPECT_EQ(parade().spinActive, 1);
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
        EXPECT_NEAR(currentAlpha(), s.alpha, 1e-5) << s.elapsed;
        EXPECT_EQ(parade().bigLogoElapsed, s.elapsed);
        EXPECT_EQ(parade().bigLogoActive, s.stillActive) << s.elapsed;
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

    // A new logo during a fade starts again from transparent; out-of-range numbers are ignored.
    parade().showBigLogo(3);
    rig->clock.advance(3000);
    parade().showBigLogo(9);
    parade().showBigLogo(41);
    parade().showBigLogo(0);
    draw();
    EXPECT_EQ(parade().bigLogoIndex, 8);
    EXPECT_NEAR(currentAlpha(), 0.0f, 1e-6);
}

}  // namespace
