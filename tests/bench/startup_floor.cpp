// The floor under the demo's start-up: its own display opened as the demo
// opens it and one cleared frame presented, with no scene and no music.
// scripts/bench.sh times it beside tavorly; the difference is what the
// production's content adds before its first frame.
#include "app/display.h"
#include "app/startup_times.h"

int main() {
    markStartup(StartupStage::entered);
    if (!openDisplay("Tavorly!", 800, 600, 32, DisplaySurface::FullScreen)) return 1;
    markStartup(StartupStage::display);
    beginFrame();
    presentFrame();
    markStartup(StartupStage::firstFrame);
    closeDisplay();
    reportStartupTimes();
    return 0;
}
