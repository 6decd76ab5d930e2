// The full-screen display gives the desktop back when it closes: the window
// leaves full screen (SDL then restores the desktop's display mode), the
// cursor shows again and screen blanking is allowed again. This test program
// defines wrappers over those SDL calls, which take precedence over SDL's own
// for the display code, record what they were asked and pass the call on; the
// message box wrapper never shows a box, so no failure can wait for a click.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/display.h"

namespace {

struct Recorded {
    int cursorToggle = -2;  // the last SDL_ShowCursor argument other than a query
    bool screenSaverDisabled = false;
    bool screenSaverEnabled = false;
    int fullscreenCalls = 0;
    Uint32 lastFullscreenFlags = ~0u;
};
Recorded recorded;

template <class Function>
Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int SDL_ShowCursor(int toggle) {
    static const auto next = real<int (*)(int)>("SDL_ShowCursor");
    if (toggle != SDL_QUERY) recorded.cursorToggle = toggle;
    return next(toggle);
}

void SDL_DisableScreenSaver(void) {
    static const auto next = real<void (*)(void)>("SDL_DisableScreenSaver");
    recorded.screenSaverDisabled = true;
    next();
}

void SDL_EnableScreenSaver(void) {
    static const auto next = real<void (*)(void)>("SDL_EnableScreenSaver");
    recorded.screenSaverEnabled = true;
    next();
}

int SDL_SetWindowFullscreen(SDL_Window* window, Uint32 flags) {
    static const auto next = real<int (*)(SDL_Window*, Uint32)>("SDL_SetWindowFullscreen");
    ++recorded.fullscreenCalls;
    recorded.lastFullscreenFlags = flags;
    return next(window, flags);
}

int SDL_ShowSimpleMessageBox(Uint32, const char*, const char*, SDL_Window*) { return -1; }

}  // extern "C"

namespace {

TEST(FullScreenDisplay, ClosingGivesBackTheDesktopModeTheCursorAndScreenBlanking) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (the test command starts Xvfb)";
    recorded = Recorded{};
    ASSERT_TRUE(openDisplay("restore test", 800, 600, 32, DisplaySurface::FullScreen));
    EXPECT_EQ(recorded.cursorToggle, SDL_DISABLE);
    EXPECT_TRUE(recorded.screenSaverDisabled);
    EXPECT_FALSE(recorded.screenSaverEnabled);

    closeDisplay();
    EXPECT_EQ(recorded.cursorToggle, SDL_ENABLE);
    EXPECT_TRUE(recorded.screenSaverEnabled);
    EXPECT_GE(recorded.fullscreenCalls, 1);
    EXPECT_EQ(recorded.lastFullscreenFlags, 0u) << "the window never left full screen";
}

}  // namespace
