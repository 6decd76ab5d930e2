// The display's input as the main loop sees it: the keyDown table and
// escapePressed in displayState, and the close request. Each platform turns
// its own events into these (app/sdl/sdl_events.h, app/win32/window_proc.h).
#pragma once

#include <cstdint>

enum class DisplayEventResult : uint8_t {
    Handled,
    Quit,  // the close request: window close, Alt+F4, SIGINT/SIGTERM on Linux
};

// Drains the platform's event queue into displayState.keyDown (and
// escapePressed) without waiting. Returns Quit as soon as an event asks for
// it, leaving the rest queued. Called by the main loop once per frame. Per
// platform.
DisplayEventResult pumpDisplayEvents();
