// Failure messages through SDL's message box.
#include "app/message_box.h"

#include <SDL.h>

bool showErrorMessage(const char* text, MessageIcon icon, bool interactive) {
    const Uint32 flags = icon == MessageIcon::Stop ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
    return interactive && SDL_ShowSimpleMessageBox(flags, "ERROR", text, nullptr) == 0;
}
