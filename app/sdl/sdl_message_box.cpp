// Failure messages through SDL's message box.
#include <SDL.h>

#include <cstdio>

#include "app/message_box.h"

bool showErrorMessage(const char* text, MessageIcon icon, bool interactive) {
    const Uint32 flags = icon == MessageIcon::Stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
    return interactive && SDL_ShowSimpleMessageBox(flags, "ERROR", text, nullptr) == 0;
}

// A program started from a terminal or a launcher on Linux has its stderr
// seen or logged, so the reason goes there only.
void reportFatalError(const char* reason) { std::fprintf(stderr, "tavorly: %s\n", reason); }
