// Whole frames drawn with real GL and read back: the strip band with its bars
// and double-size glyphs, the big logo, the badge over the strip, sprites drawn
// upright from the atlas exactly as from their own textures, the spin on
// screen, the overlay's matrices, upright image textures, and missing
// resources drawing nothing.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "scene/image_resources.h"
#include "scene/overlay.h"
#include "scene/textures.h"
#include "scene_gl_support.h"

namespace {

using namespace std::string_literals;

constexpr Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};

std::vector<uint8_t> readScreen() {
    std::vector<uint8_t> pixels(800 * 600 * 4);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Standard content with logo 7 replaced.
TestResources resourcesWithLogo7(std::vector<uint8_t> image) {
    TestResources resources;
    resources.add(ResourceType::RcData, 116, std::move(image));
    for (int32_t k = 1; k <= 40; ++k) {
        if (k != 7) resources.add(ResourceType::RcData, 109 + k, makeSolidImage(logoColour(k), 4));
    }
    for (int32_t i = 0; i < 3; ++i) resources.add(ResourceType::RcData, 180 + i, makeSolidImage(badgeColour(i), 0));
    for (int32_t sheet = 0; sheet < 8; ++sheet) {
        resources.add(ResourceType::Bitmap, 171 + sheet,
                      makeFontSheet([](int32_t cell, int32_t, int32_t) { return uint8_t(cell % 128 == 0 ? 0 : 255); }));
    }
    return resources;
}

std::vector<uint8_t> framedQuadrants() {
    return makeImage([](int32_t x, int32_t y) {
        if (x < 4 || y < 4 || x >= 252 || y >= 124) return Rgb{0, 0, 0};
        if (y < 64) return x < 128 ? red : green;
        return x < 128 ? blue : white;
    });
}

// Runs of near-white pixels along screen row y: (start, length).
std::vector<std::pair<int32_t, int32_t>> whiteRuns(int32_t y) {
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (int32_t x = 0; x < 800;) {
        if (!near(pixelAt(x, y), white, 4)) {
            ++x;
            continue;
        }
        int32_t start = x;
        while (x < 800 && near(pixelAt(x, y), white, 4)) ++x;
        runs.emplace_back(start, x - start);
    }
    return runs;
}

TEST(SceneRender, TheStripBandShowsBarsAndGlyphsAtTwiceTheirSize) {
    TestResources resources = resourcesWithLogo7(framedQuadrants());
    resources.install();
    // Solid 16 x 15 blocks with blank cells between them, at 16 pixels a frame.
    std::string text = "\x06\x10"s;
    for (int32_t i = 0; i < 40; ++i) text += "# ";
    SceneRig rig(text);
    rig.clock.set(1000);  // bars: red rows 13 to 17, green 6 to 10, blue 12 to 16
    for (int32_t i = 0; i < 40; ++i) renderFrame(*rig.scene);

    EXPECT_EQ(pixelAt(400, 567), background());
    // Strip row 0 is never painted: the band starts black at row 568.
    EXPECT_TRUE(near(pixelAt(10, 568), Rgb{0, 0, 0}, 1)) << describe(pixelAt(10, 568));
    std::vector<std::pair<int32_t, int32_t>> runs = whiteRuns(574);
    ASSERT_GE(runs.size(), 10u);
    for (size_t i = 1; i + 1 < runs.size(); ++i) {
        EXPECT_NEAR(runs[i].second, 31, 1) << "glyph width at " << runs[i].first;
        EXPECT_NEAR(runs[i + 1].first - runs[i].first, 64, 1) << "glyph spacing at " << runs[i].first;
    }
    // Glyph rows 1 to 15: from screen row 570 to the bottom of the band.
    int32_t column = runs[3].first + 15;
    int32_t top = -1, bottom = -1;
    for (int32_t y = 560; y < 600; ++y) {
        if (pixelAt(column, y)[1] >= 250) {
            if (top < 0) top = y;
            bottom = y;
        }
    }
    EXPECT_NEAR(top, 570, 1);
    EXPECT_NEAR(bottom, 598, 1);
    // Between glyphs the green bar peaks at strip row 8: screen rows 584 and 585.
    int32_t gap = runs[3].first + runs[3].second + 15;
    Rgb bar = pixelAt(gap, 584);
    EXPECT_GE(bar[1], 225);
    EXPECT_LE(bar[0], 2);
    EXPECT_TRUE(near(pixelAt(gap, 574), Rgb{0, 0, 0}, 1));
    EXPECT_GE(pixelAt(gap, 598)[0], 200);  // red near the bottom
}

TEST(SceneRender, TheBigLogoIsCentredAtTwiceItsSizeWithItsFade) {
    TestResources resources = resourcesWithLogo7(framedQuadrants());
    resources.install();
    RendererRig rig;
    LogoParade& parade = rig.parts->parade;
    rig.parts->clock.set(500);
    parade.showBigLogo(7);
    rig.parts->clock.set(500 + 5000);
    rig.drawFrame();
    // A 4-pixel frame becomes 8 screen pixels around a 512 x 256 quad at (144, 172).
    EXPECT_TRUE(near(pixelAt(272, 236), red, 1)) << describe(pixelAt(272, 236));
    EXPECT_TRUE(near(pixelAt(528, 236), green, 1));
    EXPECT_TRUE(near(pixelAt(272, 364), blue, 1));
    EXPECT_TRUE(near(pixelAt(528, 364), white, 1));
    EXPECT_EQ(pixelAt(149, 236), background());
    EXPECT_TRUE(near(pixelAt(154, 236), red, 1));
    EXPECT_EQ(pixelAt(650, 236), background());
    EXPECT_TRUE(near(pixelAt(645, 236), green, 1));
    EXPECT_EQ(pixelAt(272, 177), background());
    EXPECT_TRUE(near(pixelAt(272, 182), red, 1));
    EXPECT_EQ(pixelAt(272, 422), background());
    EXPECT_TRUE(near(pixelAt(272, 417), blue, 1));

    Rgb halfRed{153, 0, 25};  // half of red over half of the background
    for (uint32_t elapsed : {1000u, 6500u}) {
        rig.parts->clock.set(500 + elapsed);
        rig.drawFrame();
        EXPECT_TRUE(near(pixelAt(272, 236), halfRed, 2)) << elapsed << ": " << describe(pixelAt(272, 236));
    }
    rig.parts->clock.set(500 + 8000);
    rig.drawFrame();
    EXPECT_EQ(pixelAt(272, 236), background());
    EXPECT_EQ(parade.bigLogoActive, 0);
    // The fade leaves blending, texturing and depth testing off.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

// One texture holds the big logo: each showing must draw the logo it names,
// also when it names one shown before.
TEST(SceneRender, EachBigLogoShowingDrawsTheLogoItNames) {
    TestResources resources = resourcesWithLogo7(framedQuadrants());
    resources.install();
    RendererRig rig;
    LogoParade& parade = rig.parts->parade;
    uint32_t now = 500;
    for (int32_t logo : {7, 8, 8, 7, 12}) {
        rig.parts->clock.set(now);
        parade.showBigLogo(logo);
        now += 5000;  // fully faded in
        rig.parts->clock.set(now);
        rig.drawFrame();
        Rgb expected = logo == 7 ? red : logoColour(logo);
        EXPECT_TRUE(near(pixelAt(272, 236), expected, 1)) << "logo " << logo << ": " << describe(pixelAt(272, 236));
    }
}

TEST(SceneRender, TheBadgeStandsAboveTheStripMidCycleAndHidesBehindItAtRest) {
    TestResources resources = standardResources();
    resources.install();
    SceneRig rig("A");
    rig.random.seed(1);  // the first cycle shows badge 41 % 3 = 2
    for (uint32_t now : {20000u, 20001u}) {
        rig.clock.set(now);
        renderFrame(*rig.scene);
    }
    rig.clock.set(20001 + 1500);
    renderFrame(*rig.scene);
    EXPECT_EQ(pixelAt(736, 503), background());
    EXPECT_TRUE(near(pixelAt(736, 505), badgeColour(2), 1));
    EXPECT_TRUE(near(pixelAt(673, 566), badgeColour(2), 1));
    EXPECT_TRUE(near(pixelAt(799, 566), badgeColour(2), 1));
    EXPECT_EQ(pixelAt(670, 540), background());
    rig.clock.set(20001 + 5000);
    renderFrame(*rig.scene);
    for (int32_t y = 500; y < 600; y += 3) {
        EXPECT_FALSE(near(pixelAt(736, y), badgeColour(2), 30)) << "row " << y;
    }
}

// The badge's offset moves it up from its resting place under the strip: half
// risen its upper half shows (rows 536 to 567), fully risen all of it (504 to 567).
TEST(SceneRender, TheBadgeIsDrawnWhereItsOffsetPutsIt) {
    TestResources resources = standardResources();
    resources.install();
    RendererRig rig;
    auto topRow = [] {
        for (int32_t y = 400; y < 600; ++y) {
            if (near(pixelAt(736, y), badgeColour(1), 2)) return y;
        }
        return -1;
    };
    struct Case {
        float offset;
        int32_t top;
    };
    for (Case c : {Case{-32.0f, -1}, Case{0.0f, 536}, Case{32.0f, 504}}) {
        rig.badgeFrame = BadgeFrame{1, 1, c.offset};
        rig.drawFrame();
        EXPECT_NEAR(topRow(), c.top, c.top < 0 ? 0 : 1) << c.offset;
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
    rig.badgeFrame = BadgeFrame{0, 1, 32.0f};
    rig.drawFrame();
    EXPECT_EQ(topRow(), -1);
}

// A badge with a transparent left quarter, red above and blue below, fully
// risen in a frame where the big logo is half faded: it stands upright, what
// lies behind shows through its transparent pixels, and its opaque pixels keep
// their full colour although the fade drawn just before left a lower alpha.
TEST(SceneRender, TheBadgeIsUprightBlendedAndAtFullStrengthAfterTheBigLogosFade) {
    TestResources resources;
    resources.add(ResourceType::RcData, 116, framedQuadrants());
    resources.add(ResourceType::RcData, 181, makeImage([](int32_t x, int32_t y) {
                      if (x < 64) return Rgb{0, 0, 0};
                      return y < 64 ? red : blue;
                  }));
    resources.install();
    RendererRig rig;
    rig.parts->clock.set(500);
    rig.parts->parade.showBigLogo(7);
    rig.parts->clock.set(500 + 1000);
    rig.badgeFrame = BadgeFrame{1, 1, 32.0f};
    rig.drawFrame();
    ASSERT_TRUE(near(pixelAt(272, 236), Rgb{153, 0, 25}, 2)) << "the big logo should be half faded in this frame";
    // Rows 504 to 535 show the picture's upper half, 536 to 567 its lower half.
    EXPECT_TRUE(near(pixelAt(760, 508), red, 1)) << describe(pixelAt(760, 508));
    EXPECT_TRUE(near(pixelAt(760, 532), red, 1)) << describe(pixelAt(760, 532));
    EXPECT_TRUE(near(pixelAt(760, 540), blue, 1)) << describe(pixelAt(760, 540));
    EXPECT_TRUE(near(pixelAt(760, 564), blue, 1)) << describe(pixelAt(760, 564));
    // Screen columns 672 to 703 hold the transparent quarter.
    EXPECT_EQ(pixelAt(680, 508), background());
    EXPECT_EQ(pixelAt(680, 564), background());
}

TEST(SceneRender, SpritesStandUprightAndTheAtlasDrawsThemAsTheirOwnTexturesWould) {
    // Unframed logos: their edges are coloured, so the atlas's borders matter.
    TestResources resources;
    for (int32_t k = 1; k <= 40; ++k) {
        resources.add(ResourceType::RcData, 109 + k, makeQuadrantImage(red, green, blue, white));
    }
    resources.install();
    RendererRig rig;
    LogoParade& parade = rig.parts->parade;
    parade.swarmEnabled = 1;
    auto place = [&] {
        for (LogoSprite& s : parade.sprites) s = LogoSprite{0.0f, -0.25f, -2.0f, 0, 0, 0.01f, 4};
    };
    place();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    parade.drawParade(rig.paradeFrame);
    rig.renderer->drawParade(rig.paradeFrame);
    // One unit at 2 units' distance is 362 pixels: the quad spans x 219..581, y 210..390.
    EXPECT_TRUE(near(pixelAt(310, 255), red, 1)) << describe(pixelAt(310, 255));
    EXPECT_TRUE(near(pixelAt(490, 255), green, 1));
    EXPECT_TRUE(near(pixelAt(310, 345), blue, 1));
    EXPECT_TRUE(near(pixelAt(490, 345), white, 1));
    EXPECT_EQ(pixelAt(214, 300), background());
    EXPECT_EQ(pixelAt(400, 205), background());
    std::vector<uint8_t> fromAtlas = readScreen();

    // The same 500 quads, each from the logo's own texture.
    place();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    OwnLogoTextures own;
    drawSpritesWithOwnTextures(parade, own);
    std::vector<uint8_t> fromOwnTexture = readScreen();
    int32_t worst = 0;
    for (size_t i = 0; i < fromAtlas.size(); ++i) worst = std::max(worst, std::abs(fromAtlas[i] - fromOwnTexture[i]));
    EXPECT_LE(worst, 1);
}

// A positive angle turns the swarm counter-clockwise on screen about the view
// axis, direction -1 clockwise; the rotation stays on the modelview matrix.
TEST(SceneRender, TheSpinTurnsTheSwarmAboutTheViewAxis) {
    // Kept alive for the test: the installed table points into it.
    TestResources resources = standardResources();
    resources.install();
    RendererRig rig;
    auto rotation = [] {
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        return std::atan2(m[1], m[0]) * 180.0 / std::numbers::pi;  // counter-clockwise on screen is positive
    };
    struct Case {
        int32_t spinShown;
        float angle;
        int32_t direction;
        double expected;
    };
    for (Case c : {Case{1, 90.0f, 1, 90.0}, Case{1, 90.0f, -1, -90.0}, Case{1, 0.0f, 1, 0.0}, Case{0, 90.0f, 1, 0.0}}) {
        ParadeFrame frame;
        frame.swarmShown = 1;
        frame.spinShown = c.spinShown;
        frame.spinAngle = c.angle;
        frame.spinDirection = c.direction;
        glLoadIdentity();
        rig.renderer->drawParade(frame);
        EXPECT_NEAR(rotation(), c.expected, 1e-3) << c.angle << " " << c.direction;
    }
    glLoadIdentity();
}

TEST(SceneRender, TheOverlayRestoresBothMatrices) {
    TestResources resources = standardResources();
    resources.install();
    SceneRig rig("A");
    auto matrix = [](GLenum which) {
        std::array<GLfloat, 16> m;
        glGetFloatv(which, m.data());
        return m;
    };
    glTranslatef(1.0f, 2.0f, -3.0f);
    glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
    auto projection = matrix(GL_PROJECTION_MATRIX);
    auto modelview = matrix(GL_MODELVIEW_MATRIX);
    beginOverlay();
    auto overlay = matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(overlay[0], 2.0f / 800.0f);
    EXPECT_FLOAT_EQ(overlay[5], -2.0f / 600.0f);
    EXPECT_FLOAT_EQ(overlay[12], -1.0f);
    EXPECT_FLOAT_EQ(overlay[13], 1.0f);
    auto identity = matrix(GL_MODELVIEW_MATRIX);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(identity[i], i % 5 == 0 ? 1.0f : 0.0f);
    endOverlay();
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // A whole frame leaves the perspective projection in place.
    renderFrame(*rig.scene);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(SceneRender, TheFrameThatReadsTheEndMarkIsStillComplete) {
    TestResources resources = resourcesWithLogo7(framedQuadrants());
    resources.install();
    SceneRig rig(
        "\x06\x10"
        "#\x03" +
        std::string(40, ' '));
    rig.clock.set(1000);
    int32_t frames = 1;
    while (renderFrame(*rig.scene) == 0 && frames < 30) ++frames;
    EXPECT_EQ(frames, 10);  // the block enters in frame 9, the end mark is read in frame 10
    // The block that entered the frame before shows in this last one, as do the bars.
    EXPECT_GE(pixelAt(790, 574)[1], 250);
    EXPECT_GE(pixelAt(10, 584)[1], 225);
}

TEST(SceneRender, MissingResourcesDrawNothing) {
    TestResources none;
    none.install();
    SceneRig rig(
        "\x02\x01\x05\x05\x03"
        "ABC" +
        std::string(40, 'x'));
    for (uint32_t now = 0; now <= 24000; now += 400) {
        rig.clock.set(now);
        renderFrame(*rig.scene);
    }
    EXPECT_EQ(rig.scene->parade().swarmEnabled, 1);
    EXPECT_EQ(rig.scene->badge().badgeArmed, 1);
    std::vector<uint8_t> screen = readScreen();
    for (int32_t y = 0; y < 568; ++y) {
        for (int32_t x = 0; x < 800; ++x) {
            const uint8_t* p = &screen[size_t((599 - y) * 800 + x) * 4];
            ASSERT_EQ((Rgb{p[0], p[1], p[2]}), background()) << x << "," << y;
        }
    }
}

TEST(SceneRender, AnImageTextureKeepsThePicturesTopRowAtT0) {
    TestResources resources;
    resources.add(ResourceType::RcData, 180, makeImage([](int32_t, int32_t y) {
                      return y == 0 ? Rgb{200, 10, 20} : Rgb{5, 6, 7};
                  }));
    resources.install();
    resetDisplayState();
    GLuint name = 0;
    glGenTextures(1, &name);
    ASSERT_TRUE(loadImageTexture(180, name));
    std::vector<uint8_t> texels(imageRgbaBytes);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + 4), (std::vector<uint8_t>{200, 10, 20, 255}));
    EXPECT_EQ(texels[256 * 4], 5);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glDeleteTextures(1, &name);
}

}  // namespace
