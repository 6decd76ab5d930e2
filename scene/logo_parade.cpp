// The logo parade: construction of the swarm, its per-frame sort and motion,
// the spin, the logo override and the big-logo fade.
#include "scene/logo_parade.h"

LogoParade::LogoParade(TickSource tickSource, RandomGenerator& generator) : ticks(tickSource), random(generator) {
    for (LogoSprite& sprite : sprites) {
        sprite.x = sprite.y = 0.0f;
        sprite.z = static_cast<float>((random.next() % 2000 - 6000) * 0.01);
        pickMotion(sprite);
    }
}

void LogoParade::pickMotion(LogoSprite& sprite) {
    sprite.vx = static_cast<float>((random.next() % 250 - 125) * 0.0001);
    sprite.vy = static_cast<float>((random.next() % 250 - 125) * 0.0001);
    sprite.vz = static_cast<float>((random.next() % 250) * 0.001);
    if (sprite.vz < 0.01f) sprite.vz = 0.01f;
    // Logo 40 is never carried by a sprite.
    sprite.logoIndex = random.next() % (logoCount - 1);
}

void LogoParade::drawParade(ParadeFrame& frame) {
    frame.swarmShown = swarmEnabled;
    frame.spinShown = 0;
    if (swarmEnabled) drawSwarm(frame);
    frame.bigLogoShown = bigLogoActive;
    if (bigLogoActive) drawBigLogo(frame);
}

void LogoParade::drawSwarm(ParadeFrame& frame) {
    if (spinActive) {
        spinElapsed = ticks.now() - spinStartTick;
        if (spinElapsed >= spinDuration) {
            spinActive = 0;
            spinAngle = 0.0f;
        } else {
            spinAngle = float(spinElapsed) / spinPeriod * 360.0f;
        }
        // Applied also in the frame in which the spin ends (by 0 degrees).
        frame.spinShown = 1;
        frame.spinAngle = spinAngle;
        frame.spinDirection = spinDirection;
    }
    sortSprites();
    for (size_t i = 0; i < sprites.size(); ++i) {
        LogoSprite& sprite = sprites[i];
        int32_t logo = sprite.logoIndex;
        if (overrideActive) {
            logo = overrideLogo - 1;
            // Tested per sprite: the override can end part-way through a frame,
            // and the sprite at which it ends still shows the override logo.
            if (ticks.now() - overrideStartTick >= overrideMs) overrideActive = 0;
        }
        frame.quads[i] = SpriteQuad{sprite.x, sprite.y, sprite.z, logo};
        moveSprite(sprite);
    }
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

void LogoParade::drawBigLogo(ParadeFrame& frame) {
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
    frame.bigLogoIndex = bigLogoIndex;
    frame.bigLogoAlpha = alpha;
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
