// The main loop on the offscreen display, with events pushed into SDL's own
// queue while frames are drawn: what ends it, and how many frames are drawn
// first. Nothing may be drawn once the close request has been queued.
#include "app/main_loop.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

enum class Ending { CloseRequest, CloseRequestBehindAKey, EscapeTapped, EscapeHeld, EndOfText };

void push(Uint32 type, SDL_Keycode key = SDLK_UNKNOWN) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// Queues what ends the loop (all but the end of the text, which the frame
// itself reports).
void queueEnding(Ending ending) {
    switch (ending) {
        case Ending::CloseRequest: push(SDL_QUIT); break;
        case Ending::CloseRequestBehindAKey:
            push(SDL_KEYDOWN, SDLK_a);
            push(SDL_QUIT);
            break;
        case Ending::EscapeTapped:
            push(SDL_KEYDOWN, SDLK_ESCAPE);
            push(SDL_KEYUP, SDLK_ESCAPE);
            break;
        case Ending::EscapeHeld: push(SDL_KEYDOWN, SDLK_ESCAPE); break;
        case Ending::EndOfText: break;
    }
}

TEST(MainLoop, EndsBeforeAnotherFrameOnceTheCloseRequestOrEscapeIsQueued) {
    ASSERT_TRUE(openDisplay("main loop test", 800, 600, 32, DisplaySurface::Offscreen)) << SDL_GetError();
    struct Case {
        Ending ending;
        int32_t afterFrames;  // frames drawn before the ending arrives
    };
    const Case cases[] = {
        {Ending::CloseRequest, 0}, {Ending::CloseRequest, 3}, {Ending::CloseRequestBehindAKey, 1},
        {Ending::EscapeTapped, 2}, {Ending::EscapeHeld, 1},   {Ending::EndOfText, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ending " << static_cast<int>(c.ending) << " after " << c.afterFrames);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        displayState.keyDown.fill(0);
        displayState.escapePressed = false;
        if (c.afterFrames == 0) queueEnding(c.ending);
        int32_t drawn = 0;
        const int32_t exitCode = runMainLoop([&] {
            ++drawn;
            if (drawn > 10) return 1;  // a loop that would not end
            if (drawn != c.afterFrames) return 0;
            queueEnding(c.ending);
            return c.ending == Ending::EndOfText ? 1 : 0;
        });
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(drawn, c.afterFrames);
    }
    closeDisplay();
}

}  // namespace
