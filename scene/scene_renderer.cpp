// The scene's textures and the GL calls of one frame.
#include "scene/scene_renderer.h"

#include <vector>

#include "scene/image_resources.h"
#include "scene/overlay.h"
#include "scene/textures.h"

namespace {
constexpr int32_t firstLogoResource = 110;
constexpr int32_t firstBadgeResource = 180;
}  // namespace

SceneRenderer::SceneRenderer(const Strip& strip) : logoImage(imageRgbaBytes) {
    // The atlas is defined without pixels and filled cell by cell: composing
    // the whole 8 MB image in memory first took a third of the scene's
    // construction, and the texels outside the cells are never sampled.
    glGenTextures(1, &atlasTexture);
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, atlasWidth, atlasHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    std::vector<uint8_t> cell(atlasCellBytes);
    for (int32_t k = 0; k < LogoParade::logoCount; ++k) {
        atlasRects[size_t(k)] = atlasRect(k);
        // A missing logo leaves the image all zero: its cell is then
        // transparent, as the sprites that name it draw nothing.
        const bool converted = convertImage(firstLogoResource + k, logoImage.data());
        logoLoaded[size_t(k)] = converted;
        composeAtlasCell(logoImage.data(), cell.data());
        glTexSubImage2D(GL_TEXTURE_2D, 0, atlasCellLeft(k), atlasCellTop(k), atlasCellWidth, atlasCellHeight, GL_RGBA,
                        GL_UNSIGNED_BYTE, cell.data());
    }

    // One texture holds the big logo being shown, its storage made here and
    // refilled when another logo is shown: a texture per logo either cost
    // 40 uploads while the scene is built or, made on first showing, memory
    // that kept growing through the production.
    glGenTextures(1, &bigLogoTexture);
    defineImageTexture(bigLogoTexture, nullptr);

    glGenTextures(1, &stripTexture);
    glBindTexture(GL_TEXTURE_2D, stripTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, Strip::stripWidth, Strip::stripHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 strip.scrollBuffer.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    glGenTextures(CornerBadge::badgeCount, badgeTextures.data());
    for (int32_t i = 0; i < CornerBadge::badgeCount; ++i) {
        badgeLoaded[size_t(i)] =
            badgeTextures[size_t(i)] != 0 && loadImageTexture(firstBadgeResource + i, badgeTextures[size_t(i)]);
    }
}

SceneRenderer::~SceneRenderer() {
    glDeleteTextures(CornerBadge::badgeCount, badgeTextures.data());
    glDeleteTextures(1, &stripTexture);
    glDeleteTextures(1, &bigLogoTexture);
    glDeleteTextures(1, &atlasTexture);
}

void SceneRenderer::bindBigLogo(int32_t index) {
    glBindTexture(GL_TEXTURE_2D, bigLogoTexture);
    if (index == bigLogoHeld || !convertImage(firstLogoResource + index, logoImage.data())) return;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, imageWidth, imageHeight, GL_RGBA, GL_UNSIGNED_BYTE, logoImage.data());
    bigLogoHeld = index;
}

void SceneRenderer::drawFrame(const ParadeFrame& parade, const BadgeFrame& badge, const Strip& strip) {
    drawParade(parade);
    // The big logo's fade may have left a lower alpha.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    beginOverlay();
    drawBadge(badge);
    drawStrip(strip);
    endOverlay();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

// The swarm in the perspective projection, blended back to front from the
// atlas, then the big logo. Depth testing is switched off here and nothing
// switches it on again, so everything is drawn in drawing order.
void SceneRenderer::drawParade(const ParadeFrame& parade) {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (parade.swarmShown) {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        if (parade.spinShown) glRotatef(parade.spinAngle, 0.0f, 0.0f, float(parade.spinDirection));
        glBindTexture(GL_TEXTURE_2D, atlasTexture);
        glBegin(GL_QUADS);
        for (const SpriteQuad& quad : parade.quads) {
            const AtlasRect& r = atlasRects[size_t(quad.logoIndex)];
            float x = quad.x, y = quad.y, z = quad.z;
            glTexCoord2f(r.s0, r.t1);
            glVertex3f(x - 0.5f, y, z);
            glTexCoord2f(r.s1, r.t1);
            glVertex3f(x + 0.5f, y, z);
            glTexCoord2f(r.s1, r.t0);
            glVertex3f(x + 0.5f, y + 0.5f, z);
            glTexCoord2f(r.s0, r.t0);
            glVertex3f(x - 0.5f, y + 0.5f, z);
        }
        glEnd();
    }
    if (parade.bigLogoShown) drawBigLogo(parade);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

// The logo at twice its size, centred on the screen, its own alpha multiplied
// by the fade's.
void SceneRenderer::drawBigLogo(const ParadeFrame& parade) {
    beginOverlay();
    if (logoLoaded[size_t(parade.bigLogoIndex)]) {
        bindBigLogo(parade.bigLogoIndex);
        glColor4f(1.0f, 1.0f, 1.0f, parade.bigLogoAlpha);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(144.0f, 428.0f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(144.0f, 172.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(656.0f, 172.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(656.0f, 428.0f);
        glEnd();
    }
    endOverlay();
}

// The badge at half size against the right edge, blended; the strip drawn
// next covers its resting place.
void SceneRenderer::drawBadge(const BadgeFrame& badge) {
    if (!badge.shown || !badgeLoaded[size_t(badge.index)]) return;
    glBindTexture(GL_TEXTURE_2D, badgeTextures[size_t(badge.index)]);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(672.0f, 536.0f - badge.offset);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(672.0f, 600.0f - badge.offset);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(800.0f, 600.0f - badge.offset);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(800.0f, 536.0f - badge.offset);
    glEnd();
    glDisable(GL_BLEND);
}

// Uploads this frame's strip image and draws it opaque over the bottom 32 rows.
void SceneRenderer::drawStrip(const Strip& strip) {
    glBindTexture(GL_TEXTURE_2D, stripTexture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Strip::stripWidth, Strip::stripHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                    strip.stripBuffer.data());
    // 1024 by 32 screen pixels for the 512 by 16 shown strip pixels: columns
    // 0 to 15 lie off the left edge, 416 to 511 off the right.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.5f);
    glVertex2f(-32.0f, 600.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-32.0f, 568.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(992.0f, 568.0f);
    glTexCoord2f(1.0f, 0.5f);
    glVertex2f(992.0f, 600.0f);
    glEnd();
}
