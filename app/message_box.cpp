// Failure messages through SDL's message box, falling back to stderr.
#include "app/message_box.h"

#include <SDL.h>

#include <cstdio>

void showErrorMessage(const char* text, MessageIcon icon, bool interactive) {
    const Uint32 flags = icon == MessageIcon::Stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
    if (interactive && SDL_ShowSimpleMessageBox(flags, "ERROR", text, nullptr) == 0) return;
    std::fprintf(stderr, "ERROR: %s\n", text);
}
