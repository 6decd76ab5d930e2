// Tavorly's entry point on Linux: SDL2 owns the window, events and sound.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "app/tavorly.h"
#include "data/embedded_resources.h"
#include "data/resources.h"

int main() {
    SDL_SetMainReady();
    installResourceTable(embeddedResources());
    const int32_t exitCode = runTavorly();
    SDL_Quit();
    return exitCode;
}
