// The production from start to end, shared by the platforms' entry points.
#pragma once

#include <cstdint>

// Opens the display, builds the scene, starts the music, runs the main loop
// until Escape, the close request or the end of the production, then takes
// everything down in a fixed order. Returns the exit code: 0 for the three
// ways to the end, 1 when the music cannot start (the reason reported), and
// 1 when the display cannot open. The resource table must be installed.
// Called once, on the main thread, by main (Linux) or WinMain (Windows).
// `afterFirstFrame`, when given, is called once on the main thread when the
// first present of a drawn frame has returned: settings that would slow the
// start down but are wanted for the run (the allocator's) go there.
int32_t runTavorly(void (*afterFirstFrame)() = nullptr);
