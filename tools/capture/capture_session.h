// One offline capture: the scene drawn offscreen frame by frame on a manual
// clock, the music rendered beside it without a device, and the frames of the
// chosen span handed to the PNG, WAV and video writers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/capture/capture_options.h"

constexpr int32_t captureWidth = 800;
constexpr int32_t captureHeight = 600;

struct CaptureReport {
    int64_t framesRun = 0;         // frames drawn, from frame 0
    int64_t framesWritten = 0;     // frames of the span handed to the outputs
    int64_t endFrame = -1;         // the frame that read the end mark; -1 when not reached
    double seconds = 0;            // time spent drawing and writing frames (not start-up)
    double secondsBeforeSpan = 0;  // of which running the frames before the span
    double cpuSeconds = 0;         // processor time of all this process's threads meanwhile
    double cpuSecondsBeforeSpan = 0;
    std::string error;         // why the capture failed, when it did
    bool interrupted = false;  // it failed because requestCaptureStop was called
};

// Makes a running capture stop before its next frame, closing its files so
// that they hold the frames written so far. Async-signal-safe: called from
// the program's SIGINT and SIGTERM handler.
void requestCaptureStop();

// Runs the whole capture on the calling thread, which becomes the GL thread:
// opens the display offscreen, builds the scene from the scrolltext pieces,
// runs frames 0 to the span's end and closes everything again. Returns true on
// success; otherwise report.error says what failed. Progress goes to stderr
// when showProgress is set.
bool runCapture(const CaptureOptions& options, std::string_view textBody, std::string_view textTail, bool showProgress,
                CaptureReport& report);
