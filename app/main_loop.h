// The main loop, shared by the platforms and driven by the GL tests.
#pragma once

#include <cstdint>

#include "app/display.h"
#include "app/display_events.h"
#include "app/startup_times.h"

// Until the production's end: drain events (leaving at once on the close
// request, before another frame is drawn), leave when Escape is held or was
// tapped during the last frame, draw and present one frame, leave after a
// frame whose draw returned non-zero. Returns the exit code, 0. Main thread,
// display open; called by runTavorly.
template <class Draw>
int32_t runMainLoop(Draw&& draw) {
    for (;;) {
        if (pumpDisplayEvents() == DisplayEventResult::Quit) return 0;
        if (displayState.keyDown[escapeKey] || displayState.escapePressed) return 0;
        const int32_t result = stepFrame(draw);
        markStartup(StartupStage::firstFrame);
        if (result != 0) return 0;
    }
}
