// Where the demo's start-up time goes: the moment each stage ends, from
// entering runTavorly to the return of the first present of a frame the
// scene drew, on the system's monotonic clock. Written to stderr after the
// first frame when the environment sets TAVORLY_STARTUP_TIMES (scripts/bench.sh
// reads it); otherwise only noted, which costs a clock read per stage.
#pragma once

#include <cstdint>

enum class StartupStage : uint8_t {
    entered,     // runTavorly began
    display,     // window and GL context open
    scene,       // scene built, its textures uploaded
    audioOpen,   // sound device open
    songLoaded,  // module "#190" loaded
    playing,     // first two seconds rendered, output thread started
    firstFrame,  // the first present of a drawn frame returned
};
constexpr int32_t startupStageCount = 7;

// Notes that the stage ended now. Main thread; runTavorly and runMainLoop.
void markStartup(StartupStage stage);

// When TAVORLY_STARTUP_TIMES is set, writes one line to stderr: the monotonic
// clock at `entered` in seconds, then each later stage's milliseconds since
// `entered`, each with the processor time the whole process had used by then.
// Main thread, once, after the main loop.
void reportStartupTimes();
