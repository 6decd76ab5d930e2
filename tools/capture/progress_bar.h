// The progress line that a long capture keeps up to date on stderr: frames
// done of the total, frames per second and the time left. Drawn only when
// stderr is a terminal, so logs and tests see no carriage returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The text of the line for `done` frames of `total` (0 when the total is not
// known yet) after `seconds` of work.
std::string formatProgress(int64_t done, int64_t total, double seconds);

class ProgressBar {
public:
    // Called once before the first frame; shown only when enabled.
    explicit ProgressBar(bool enabled, FILE* stream = stderr);
    // Called after every frame; redraws at most ten times a second.
    void update(int64_t done, int64_t total);
    // Draws the final state and ends the line.
    void finish(int64_t done, int64_t total);

private:
    void draw(int64_t done, int64_t total);

    bool enabled;
    FILE* stream;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    bool drawnOnce = false;
};
