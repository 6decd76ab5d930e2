// The tick counter on SDL2.
#include <SDL.h>

#include "app/tick_clock.h"

uint32_t readTickCounter(void*) { return SDL_GetTicks(); }
