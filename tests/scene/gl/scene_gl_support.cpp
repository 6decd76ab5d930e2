// The shared offscreen GL context, frame steps and read-back for the scene's GL tests.
#include "scene_gl_support.h"

#include <GL/gl.h>

#include <cstdlib>
#include <stdexcept>

#include "app/display.h"
#include "scene/textures.h"

void resetDisplayState() {
    // One display for the whole test program, opened on first use.
    static const bool opened = openDisplay("scene tests", 800, 600, 32, DisplaySurface::Offscreen);
    if (!opened) throw std::runtime_error("no offscreen GL display");
    resizeView(800, 600);
    initRenderState();
    // What earlier tests may have left behind.
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
}

SceneRig::SceneRig(std::string_view body, std::string_view tail) {
    resetDisplayState();
    scene = std::make_unique<DemoScene>(clock.source(), random, body, tail);
}

int32_t renderFrame(DemoScene& scene) {
    beginFrame();
    return scene.drawFrame();
}

RendererRig::RendererRig(std::string_view body) {
    resetDisplayState();
    parts = std::make_unique<SceneParts>(body);
    renderer = std::make_unique<SceneRenderer>(parts->strip);
}

void RendererRig::drawFrame() {
    beginFrame();
    parts->parade.drawParade(paradeFrame);
    renderer->drawFrame(paradeFrame, badgeFrame, parts->strip);
}

OwnLogoTextures::OwnLogoTextures() {
    glGenTextures(LogoParade::logoCount, names.data());
    for (int32_t k = 0; k < LogoParade::logoCount; ++k) loadImageTexture(110 + k, names[size_t(k)]);
}

OwnLogoTextures::~OwnLogoTextures() { glDeleteTextures(LogoParade::logoCount, names.data()); }

void drawSpritesWithOwnTextures(const LogoParade& parade, const OwnLogoTextures& textures) {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (const LogoSprite& s : parade.sprites) {
        glBindTexture(GL_TEXTURE_2D, textures.names[size_t(s.logoIndex)]);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex3f(s.x - 0.5f, s.y, s.z);
        glTexCoord2f(1, 1);
        glVertex3f(s.x + 0.5f, s.y, s.z);
        glTexCoord2f(1, 0);
        glVertex3f(s.x + 0.5f, s.y + 0.5f, s.z);
        glTexCoord2f(0, 0);
        glVertex3f(s.x - 0.5f, s.y + 0.5f, s.z);
        glEnd();
    }
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

Rgb pixelAt(int32_t x, int32_t y) {
    uint8_t rgba[4] = {};
    glReadPixels(x, 599 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return Rgb{rgba[0], rgba[1], rgba[2]};
}

Rgb background() { return Rgb{51, 0, 51}; }

bool near(Rgb actual, Rgb expected, int32_t tolerance) {
    for (size_t i = 0; i < 3; ++i) {
        if (std::abs(int32_t(actual[i]) - int32_t(expected[i])) > tolerance) return false;
    }
    return true;
}

std::string describe(Rgb colour) {
    std::string text = "(";
    for (size_t i = 0; i < 3; ++i) {
        text += std::to_string(colour[i]);
        text += i < 2 ? ", " : ")";
    }
    return text;
}
