// The start-up stages' moments and their one-line report.
#include "app/startup_times.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;

std::array<Clock::time_point, startupStageCount> marks{};
// Processor time of the whole process (every thread) at each mark, which a
// loaded machine stretches far less than the wall time. (std::clock gives
// that on Linux; on Windows it gives wall time.)
std::array<std::clock_t, startupStageCount> processorMarks{};
std::array<bool, startupStageCount> marked{};

const char* const stageNames[startupStageCount] = {"entered", "display", "scene",      "audio-open",
                                                   "song",    "playing", "first-frame"};

}  // namespace

void markStartup(StartupStage stage) {
    auto i = static_cast<size_t>(stage);
    if (marked[i]) return;
    marks[i] = Clock::now();
    processorMarks[i] = std::clock();
    marked[i] = true;
}

void reportStartupTimes() {
    if (std::getenv("TAVORLY_STARTUP_TIMES") == nullptr || !marked[0]) return;
    // steady_clock is CLOCK_MONOTONIC on Linux, so a script that noted the
    // same clock before starting the program can add the time to runTavorly.
    const double entered = std::chrono::duration<double>(marks[0].time_since_epoch()).count();
    std::fprintf(stderr, "tavorly: start-up: entered %.6f s (processor %.1f ms)", entered,
                 static_cast<double>(processorMarks[0]) * 1000.0 / CLOCKS_PER_SEC);
    for (size_t i = 1; i < marks.size(); ++i) {
        if (!marked[i]) continue;
        std::fprintf(stderr, ", %s %.1f ms (processor %.1f ms)", stageNames[i],
                     std::chrono::duration<double, std::milli>(marks[i] - marks[0]).count(),
                     static_cast<double>(processorMarks[i]) * 1000.0 / CLOCKS_PER_SEC);
    }
    std::fputc('\n', stderr);
}
