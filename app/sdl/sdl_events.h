// The handling of SDL events that stands in for the display's window
// procedure: keys into the keyDown table, the close request into the end of
// the main loop.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <optional>

#include "app/display_events.h"

// The platform-neutral virtual-key code (Escape 27, 'A' 65, F1 112, ...) of
// an SDL key, or none for keys that have no such code.
std::optional<uint8_t> virtualKeyCode(SDL_Keycode key);

// Applies one event: key down sets and key up clears its keyDown entry,
// except system keys (any key with Alt held, Alt itself, F10), which are not
// recorded; Alt+F4 and the window's close request give Quit. Size changes
// do nothing: the view keeps the size set at open. Called by
// pumpDisplayEvents on the main thread.
DisplayEventResult handleDisplayEvent(const SDL_Event& event, std::array<uint32_t, 256>& keyDown);
