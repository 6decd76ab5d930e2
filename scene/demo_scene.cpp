// The scene's construction, frame composition, typeface choice and teardown.
#include "scene/demo_scene.h"

#include "scene/overlay.h"

namespace {
constexpr int32_t firstFontResource = 171;
constexpr int32_t firstBadgeResource = 180;
}  // namespace

DemoScene::DemoScene(TickSource ticks, RandomGenerator& random, std::string_view textBody, std::string_view textTail)
    : ticks(ticks), random(random), parade(ticks, random) {
    scrollSpeed = 2;
    fontIndex = 0;
    fontHalf = 0;
    scrollBuffer.assign(stripBytes, 0);
    stripBuffer.assign(stripBytes, 0);
    for (int32_t i = 0; i < int32_t(fontSheets.size()); ++i) fontSheets[i] = findFontSheet(firstFontResource + i);

    glGenTextures(1, &stripTexture);
    glBindTexture(GL_TEXTURE_2D, stripTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, stripWidth, stripHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, scrollBuffer.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    badgeIndex = 0;
    badgeArmed = 0;
    sourceText.reserve(textBody.size() + textTail.size());
    sourceText.append(textBody);
    sourceText.append(textTail);
    workingText = sourceText;

    glGenTextures(int32_t(badgeTextures.size()), badgeTextures.data());
    for (int32_t i = 0; i < int32_t(badgeTextures.size()); ++i) {
        badgeLoaded[i] = badgeTextures[i] != 0 && loadImageTexture(firstBadgeResource + i, badgeTextures[i]);
    }
    badgeStartTick = ticks.now();
}

// The parade deletes its own textures. When the GL context has already gone,
// as it has at the program's shut-down, the deletions do nothing.
DemoScene::~DemoScene() {
    glDeleteTextures(int32_t(badgeTextures.size()), badgeTextures.data());
    glDeleteTextures(1, &stripTexture);
}

int32_t DemoScene::drawFrame() {
    parade.drawParade();
    // The big logo's fade may have left a lower alpha.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    int32_t result = updateScroller();
    glEnable(GL_TEXTURE_2D);
    beginOverlay();
    drawBadge();
    drawStrip();
    endOverlay();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    return result;
}

void DemoScene::selectFont(int32_t fontNumber, int32_t half) {
    if (fontNumber < 1 || fontNumber > 8) fontNumber = 1;
    if (half != 1 && half != 2) half = 1;
    fontIndex = fontNumber - 1;
    fontHalf = half - 1;
}
