// The logo parade: construction of the swarm, its per-frame sort, motion and
// drawing from the atlas, the spin, the logo override and the big-logo fade.
#include "scene/logo_parade.h"

#include <vector>

#include "scene/overlay.h"
#include "scene/textures.h"

namespace {

constexpr int32_t firstLogoResource = 110;

// The atlas holds 7 by 6 cells of 258 by 130 texels: each logo with a one-texel
// border around it. The border repeats the logo's opposite edge, which is what
// linear filtering samples at the edges of a logo's own texture (whose wrap
// mode is the default repeat), so a sprite drawn from the atlas looks texel for
// texel like one drawn from its own texture and never picks up a neighbour.
// The logos' black (transparent) surroundings make that border transparent.
constexpr int32_t atlasWidth = 2048;
constexpr int32_t atlasHeight = 1024;
constexpr int32_t atlasColumns = 7;
constexpr int32_t cellWidth = imageWidth + 2;
constexpr int32_t cellHeight = imageHeight + 2;
static_assert(atlasColumns * cellWidth <= atlasWidth);
static_assert((LogoParade::logoCount + atlasColumns - 1) / atlasColumns * cellHeight <= atlasHeight);

void copyIntoAtlas(const uint8_t* rgba, int32_t left, int32_t top, std::vector<uint8_t>& atlas) {
    for (int32_t row = -1; row <= imageHeight; ++row) {
        int32_t sourceRow = (row + imageHeight) % imageHeight;
        for (int32_t column = -1; column <= imageWidth; ++column) {
            int32_t sourceColumn = (column + imageWidth) % imageWidth;
            const uint8_t* from = rgba + (sourceRow * imageWidth + sourceColumn) * 4;
            uint8_t* to = atlas.data() + ((top + row) * atlasWidth + left + column) * 4;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = from[3];
        }
    }
}

}  // namespace

LogoParade::LogoParade(TickSource ticks, RandomGenerator& random) : ticks(ticks), random(random) {
    glGenTextures(logoCount, logoTextures.data());
    glGenTextures(1, &atlasTexture);
    std::vector<uint8_t> atlas(size_t(atlasWidth) * atlasHeight * 4);
    std::vector<uint8_t> image(imageRgbaBytes);
    for (int32_t k = 0; k < logoCount; ++k) {
        int32_t left = (k % atlasColumns) * cellWidth + 1;
        int32_t top = (k / atlasColumns) * cellHeight + 1;
        atlasRects[k] = AtlasRect{float(left) / atlasWidth, float(top) / atlasHeight,
                                  float(left + imageWidth) / atlasWidth, float(top + imageHeight) / atlasHeight};
        if (logoTextures[k] == 0 || !convertImage(firstLogoResource + k, image.data())) continue;
        defineImageTexture(logoTextures[k], image.data());
        copyIntoAtlas(image.data(), left, top, atlas);
        logoLoaded[k] = true;
    }
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, atlasWidth, atlasHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, atlas.data());

    for (LogoSprite& sprite : sprites) {
        sprite.x = sprite.y = 0.0f;
        sprite.z = static_cast<float>((random.next() % 2000 - 6000) * 0.01);
        pickMotion(sprite);
    }
}

LogoParade::~LogoParade() {
    glDeleteTextures(logoCount, logoTextures.data());
    glDeleteTextures(1, &atlasTexture);
}

void LogoParade::pickMotion(LogoSprite& sprite) {
    sprite.vx = static_cast<float>((random.next() % 250 - 125) * 0.0001);
    sprite.vy = static_cast<float>((random.next() % 250 - 125) * 0.0001);
    sprite.vz = static_cast<float>((random.next() % 250) * 0.001);
    if (sprite.vz < 0.01f) sprite.vz = 0.01f;
    // Logo 40 is never carried by a sprite.
    sprite.texture = logoTextures[random.next() % (logoCount - 1)];
}

void LogoParade::drawParade() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (swarmEnabled) drawSwarm();
    if (bigLogoActive) drawBigLogo();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void LogoParade::drawSwarm() {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (spinActive) {
        spinElapsed = ticks.now() - spinStartTick;
        if (spinElapsed >= spinDuration) {
            spinActive = 0;
            spinAngle = 0.0f;
        } else {
            spinAngle = float(spinElapsed) / spinPeriod * 360.0f;
        }
        // Applied also in the frame in which the spin ends (by 0 degrees).
        glRotatef(spinAngle, 0.0f, 0.0f, float(spinDirection));
    }
    sortSprites();
    glBindTexture(GL_TEXTURE_2D, atlasTexture);
    glBegin(GL_QUADS);
    for (LogoSprite& sprite : sprites) {
        GLuint name = sprite.texture;
        if (overrideActive) {
            name = logoTextures[overrideLogo - 1];
            // Tested per sprite: the override can end part-way through a frame,
            // and the sprite at which it ends still shows the override logo.
            if (ticks.now() - overrideStartTick >= overrideMs) overrideActive = 0;
        }
        int32_t k = logoIndexOf(name);
        if (k >= 0) {
            const AtlasRect& r = atlasRects[k];
            float x = sprite.x, y = sprite.y, z = sprite.z;
            glTexCoord2f(r.s0, r.t1);
            glVertex3f(x - 0.5f, y, z);
            glTexCoord2f(r.s1, r.t1);
            glVertex3f(x + 0.5f, y, z);
            glTexCoord2f(r.s1, r.t0);
            glVertex3f(x + 0.5f, y + 0.5f, z);
            glTexCoord2f(r.s0, r.t0);
            glVertex3f(x - 0.5f, y + 0.5f, z);
        }
        moveSprite(sprite);
    }
    glEnd();
}

// Insertion sort: stable, allocation-free, and close to linear on the swarm,
// whose order changes by only a few sprites from one frame to the next.
void LogoParade::sortSprites() {
    for (size_t i = 1; i < sprites.size(); ++i) {
        if (!compareDepth(sprites[i], sprites[i - 1])) continue;
        LogoSprite moving = sprites[i];
        size_t j = i;
        while (j > 0 && compareDepth(moving, sprites[j - 1])) {
            sprites[j] = sprites[j - 1];
            --j;
        }
        sprites[j] = moving;
    }
}

void LogoParade::moveSprite(LogoSprite& sprite) {
    if (sprite.z > 0.0f) {
        // Passed the viewer: start again far away with a new motion and logo.
        sprite.x = sprite.y = 0.0f;
        sprite.z = -40.0f;
        pickMotion(sprite);
    } else {
        sprite.z += sprite.vz;
    }
    sprite.x += sprite.vx;
    sprite.y += sprite.vy;
}

int32_t LogoParade::logoIndexOf(GLuint name) const {
    if (name == 0) return -1;
    // Names generated together are usually consecutive; fall back to a search.
    GLuint offset = name - logoTextures[0];
    if (offset < GLuint(logoCount) && logoTextures[offset] == name) return int32_t(offset);
    for (int32_t k = 0; k < logoCount; ++k) {
        if (logoTextures[k] == name) return k;
    }
    return -1;
}

void LogoParade::drawBigLogo() {
    beginOverlay();
    uint32_t e = ticks.now() - bigLogoStartTick;
    bigLogoElapsed = e;
    float alpha;
    if (e < 2000) {
        alpha = static_cast<float>(e * 0.0005);
    } else if (e <= 5000) {
        alpha = 1.0f;
    } else {
        alpha = static_cast<float>(1.0 - (e - 5000) * 0.00033333333);
    }
    // The last frame of the fade is still drawn, practically transparent.
    if (e >= 8000) bigLogoActive = 0;
    if (logoLoaded[bigLogoIndex]) {
        glBindTexture(GL_TEXTURE_2D, logoTextures[bigLogoIndex]);
        glColor4f(1.0f, 1.0f, 1.0f, alpha);
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

void LogoParade::showBigLogo(int32_t logoNumber) {
    if (logoNumber < 1 || logoNumber > logoCount) return;
    bigLogoIndex = logoNumber - 1;
    bigLogoActive = 1;
    bigLogoElapsed = 0;
    bigLogoStartTick = ticks.now();
}

void LogoParade::startSpin(int32_t turns, int32_t periodMs, int32_t directionCode) {
    spinDirection = directionCode == 2 ? -1 : 1;
    spinActive = 1;
    spinStartTick = ticks.now();
    spinElapsed = 0;
    spinAngle = 0.0f;
    spinPeriod = float(periodMs);
    spinDuration = uint32_t(turns) * uint32_t(periodMs);
}

void LogoParade::overrideLogos(int32_t logoNumber) {
    if (logoNumber < 1 || logoNumber > logoCount - 1) return;
    overrideActive = 1;
    overrideLogo = logoNumber;
    overrideStartTick = ticks.now();
}
