// The progress line that a long capture keeps up to date on stderr: frames
// done of the total, frames per second and the time left. Drawn only when
// stderr is a terminal, so logs and tests see no carriage returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// How far a capture has come: frames done of the total, which is 0 when not
// known at all and only an estimate (shown with a tilde) when `estimated`.
// Before the span the frames run up to its first frame are counted instead.
struct Progress {
    int64_t done = 0;
    int64_t total = 0;
    bool estimated = false;
    bool beforeSpan = false;
};

// The text of the line after `seconds` of work in the current phase (before
// the span, or in it).
std::string formatProgress(const Progress& progress, double seconds);

class ProgressBar {
public:
    // Called once before the first frame; shown only when enabled.
    explicit ProgressBar(bool enabled, FILE* stream = stderr);
    // True when the next update would redraw (at most ten times a second), so
    // that callers can skip working out the progress in between.
    bool due() const;
    // Called after frames; redraws when due. The rate and the time left start
    // again from the first progress within the span.
    void update(const Progress& progress);
    // Draws the final state and ends the line.
    void finish(const Progress& progress);

private:
    void draw(const Progress& progress);

    bool enabled;
    FILE* stream;
    std::chrono::steady_clock::time_point phaseStarted;
    bool inSpan = false;
    std::chrono::steady_clock::time_point lastDrawn;
    bool drawnOnce = false;
};
