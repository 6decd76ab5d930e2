// The platform's millisecond tick counter, the scene's clock in the demo.
#pragma once

#include <cstdint>

// Milliseconds since some fixed point, wrapping at 2^32. Reads the platform's
// counter (SDL_GetTicks, timeGetTime); the context is unused. Handed to the
// scene as a TickSource by runTavorly; main thread. Per platform.
uint32_t readTickCounter(void* context);
