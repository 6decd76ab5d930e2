// Tavorly's entry point on Linux: SDL2 owns the window, events and sound.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/tavorly.h"
#include "data/embedded_resources.h"
#include "data/resources.h"

namespace {

// Mesa's software renderer allocates and frees buffers of some hundred kB
// every frame. Left to itself, glibc raises its mmap threshold past them after
// the first free and serves them from the heap from then on, whose top then
// creeps up over an hour of frames. A fixed threshold keeps such buffers in
// their own mappings, returned to the system when freed. Set once the first
// frame is on screen: from the start it put every large allocation of the
// GL driver's start-up into a mapping of its own, 30 to 45 ms of processor
// time before the first frame.
void fixMmapThreshold() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#endif
}

}  // namespace

int main() {
    SDL_SetMainReady();
    installResourceTable(embeddedResources());
    const int32_t exitCode = runTavorly(fixMmapThreshold);
    SDL_Quit();
    return exitCode;
}
