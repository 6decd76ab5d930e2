// The sound device as the audio output sees it: one looping buffer of 16-bit
// stereo frames that the program may rewrite while it plays, and the number of
// frames played since playback started. The demo installs the SDL device,
// tests install the virtual one.
#pragma once

#include <cstdint>

struct AudioDevice {
    // Opens the default output for 16-bit stereo PCM at `rate` frames per
    // second, silent until start. False when it cannot (see error). Main thread.
    bool (*open)(int32_t rate);
    // Plays `frames` stereo frames from `buffer` in an endless loop, starting
    // at its first frame with the position at 0. The caller keeps the buffer,
    // may rewrite any part the device is not playing, and keeps it alive until
    // reset or close. Main thread.
    void (*start)(const int16_t* buffer, int32_t frames);
    // Frames played since start; never wraps. Any thread.
    int64_t (*position)();
    // Stops playing and lets go of the buffer; harmless when not playing.
    // Main thread.
    void (*reset)();
    // Closes the device; harmless when not open. Main thread.
    void (*close)();
    // Why the last open failed, for a message. Main thread.
    const char* (*error)();
};
