// Tavorly's entry point on Linux: SDL2 owns the window, events and sound.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/tavorly.h"
#include "data/embedded_resources.h"
#include "data/resources.h"

int main() {
#ifdef __GLIBC__
    // Mesa's software renderer allocates and frees buffers of some hundred kB
    // every frame. Left to itself, glibc raises its mmap threshold past them
    // after the first free and serves them from the heap from then on, whose
    // top then creeps up over an hour of frames. A fixed threshold keeps such
    // buffers in their own mappings, returned to the system when freed.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#endif
    SDL_SetMainReady();
    installResourceTable(embeddedResources());
    const int32_t exitCode = runTavorly();
    SDL_Quit();
    return exitCode;
}
