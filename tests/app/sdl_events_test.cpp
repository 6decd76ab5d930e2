// Key and close events as the main loop sees them through the keyDown table.
#include "app/sdl/sdl_events.h"

#include "app/display.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = id;
    return event;
}

int countSet(const std::array<uint32_t, 256>& keyDown) {
    int count = 0;
    for (uint32_t flag : keyDown) count += flag != 0;
    return count;
}

TEST(KeyEvents, KeyDownSetsAndKeyUpClearsOnlyThatKeysEntry) {
    const std::pair<SDL_Keycode, size_t> keys[] = {
        {SDLK_ESCAPE, 27}, {SDLK_a, 'A'},     {SDLK_z, 'Z'},    {SDLK_0, '0'},     {SDLK_F1, 112},
        {SDLK_F12, 123},   {SDLK_RETURN, 13}, {SDLK_SPACE, 32}, {SDLK_LEFT, 37},   {SDLK_KP_5, 101},
        {SDLK_KP_0, 96},   {SDLK_LSHIFT, 16}, {SDLK_RCTRL, 17}, {SDLK_DELETE, 46}, {SDLK_QUOTE, 222},
    };
    for (auto [key, code] : keys) {
        SCOPED_TRACE(testing::Message() << "key " << SDL_GetKeyName(key));
        std::array<uint32_t, 256> keyDown{};
        EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYDOWN, key), keyDown), DisplayEventResult::Handled);
        EXPECT_NE(keyDown[code], 0u);
        EXPECT_EQ(countSet(keyDown), 1);
        EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYUP, key), keyDown), DisplayEventResult::Handled);
        EXPECT_EQ(countSet(keyDown), 0);
    }
}

TEST(KeyEvents, EscapeStaysSetWhileOtherKeysComeAndGo) {
    std::array<uint32_t, 256> keyDown{};
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE), keyDown);
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_SPACE), keyDown);
    handleDisplayEvent(keyEvent(SDL_KEYUP, SDLK_SPACE), keyDown);
    // Auto-repeat sends further key-downs; a single key-up still clears.
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE), keyDown);
    EXPECT_NE(keyDown[27], 0u);
    handleDisplayEvent(keyEvent(SDL_KEYUP, SDLK_ESCAPE), keyDown);
    EXPECT_EQ(keyDown[27], 0u);
}

TEST(KeyEvents, SystemKeysAreNotRecorded) {
    std::array<uint32_t, 256> keyDown{};
    for (Uint16 alt : {KMOD_LALT, KMOD_RALT}) {
        handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE, alt), keyDown);
        handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_x, alt | KMOD_LSHIFT), keyDown);
    }
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT), keyDown);
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_F10), keyDown);
    EXPECT_EQ(countSet(keyDown), 0);

    // A key released while Alt is held is a system key-up too: its entry stays.
    handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE), keyDown);
    handleDisplayEvent(keyEvent(SDL_KEYUP, SDLK_ESCAPE, KMOD_LALT), keyDown);
    EXPECT_NE(keyDown[27], 0u);
}

TEST(KeyEvents, KeysWithoutAVirtualCodeChangeNothing) {
    std::array<uint32_t, 256> keyDown{};
    for (SDL_Keycode key : {SDLK_AUDIOPLAY, SDLK_UNKNOWN, SDLK_F24, SDLK_BRIGHTNESSUP}) {
        EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYDOWN, key), keyDown), DisplayEventResult::Handled);
    }
    EXPECT_EQ(countSet(keyDown), 0);
}

TEST(CloseRequest, WindowCloseQuitAndAltF4EndTheLoop) {
    std::array<uint32_t, 256> keyDown{};
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(handleDisplayEvent(quit, keyDown), DisplayEventResult::Quit);
    EXPECT_EQ(handleDisplayEvent(windowEvent(SDL_WINDOWEVENT_CLOSE), keyDown), DisplayEventResult::Quit);
    EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), keyDown), DisplayEventResult::Quit);
    EXPECT_EQ(countSet(keyDown), 0);
}

TEST(CloseRequest, F4AloneAndOtherWindowEventsDoNotQuit) {
    std::array<uint32_t, 256> keyDown{};
    EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYDOWN, SDLK_F4), keyDown), DisplayEventResult::Handled);
    EXPECT_NE(keyDown[115], 0u);
    EXPECT_EQ(handleDisplayEvent(keyEvent(SDL_KEYUP, SDLK_F4, KMOD_LALT), keyDown), DisplayEventResult::Handled);
    for (auto id : {SDL_WINDOWEVENT_RESIZED, SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_FOCUS_LOST,
                    SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_HIDDEN}) {
        EXPECT_EQ(handleDisplayEvent(windowEvent(id), keyDown), DisplayEventResult::Handled);
    }
}

}  // namespace

namespace {

// The queue as the main loop drains it, through SDL's own event queue.
class EventQueue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        displayState.keyDown.fill(0);
        displayState.escapePressed = false;
    }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }

    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
};

TEST_F(EventQueue, EscapeTappedWithinOneDrainIsStillSeen) {
    push(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    push(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Handled);
    EXPECT_EQ(displayState.keyDown[escapeKey], 0u);
    EXPECT_TRUE(displayState.escapePressed);
}

TEST_F(EventQueue, QuitStopsTheDrainAndLeavesLaterEventsQueued) {
    push(keyEvent(SDL_KEYDOWN, SDLK_a));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    push(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Quit);
    EXPECT_NE(displayState.keyDown['A'], 0u);
    EXPECT_FALSE(displayState.escapePressed);
    EXPECT_EQ(pumpDisplayEvents(), DisplayEventResult::Handled);
    EXPECT_TRUE(displayState.escapePressed);
}

}  // namespace
