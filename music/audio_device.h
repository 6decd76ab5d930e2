// The sound device as the audio output sees it: one looping buffer of 16-bit
// stereo frames that the program may rewrite while it plays, and the number of
// frames played since playback started. The demo installs the platform's device,
// tests install the virtual one.
#pragma once

#include <atomic>
#include <cstdint>

namespace music {

// The hand-over between the output thread, which renders blocks into the
// looping buffer, and a device whose own thread copies from it (SDL's audio
// callback, the waveOut device's reader, the test devices). Frames are counted
// from the start of playback; frame f of that count sits at frame f mod
// (buffer length) of the buffer. The output owns one and every device reads
// through it, so that none plays a block twice or one not yet rendered.
struct RingHandOver {
    // The buffer holds sound rendered for frames [renderedFrom,
    // renderedUntil). The output thread stores renderedFrom first, then
    // renderedUntil with release order once the frames are written; the
    // reader loads renderedUntil with acquire order, then renderedFrom, and
    // plays only frames inside the span, so it never copies a block that is
    // being written or one left over from an earlier lap.
    std::atomic<int64_t> renderedFrom{0};
    std::atomic<int64_t> renderedUntil{0};
    // Kept by the reader: how often playback ran out of rendered frames
    // (each run of silence counts once) and how many frames it played as
    // silence for want of them. Read from any thread.
    std::atomic<int64_t> underruns{0};
    std::atomic<int64_t> missedFrames{0};
    // Set by the main thread when playback stops: the device plays out what
    // was rendered, then silence that is not missing anything.
    std::atomic<bool> stopped{false};
    bool missing = false;  // the reader's last frame was missing; reader only
};

// Copies the sound for frames [first, first + frames) from the looping buffer
// (bufferFrames stereo frames) into out, silence for any frame the hand-over
// does not cover, and counts those as above. Called by a device's reader
// thread, which publishes first + frames as its position (release order) only
// afterwards, so that the output thread rewrites nothing still being read.
void readRenderedFrames(RingHandOver& handOver, const int16_t* buffer, int32_t bufferFrames, int64_t first,
                        int16_t* out, int32_t frames);

struct AudioDevice {
    // Opens the default output for 16-bit stereo PCM at `rate` frames per
    // second, silent until start. False when it cannot (see error). Main thread.
    bool (*open)(int32_t rate);
    // Plays `frames` stereo frames from `buffer` in an endless loop, starting
    // at its first frame with the position at 0, and only the frames that
    // handOver says are rendered (silence for the others). The caller keeps
    // the buffer and the hand-over, may rewrite any part the device is not
    // playing, and keeps both alive until reset or close. Main thread.
    void (*start)(const int16_t* buffer, int32_t frames, RingHandOver* handOver);
    // Frames played since start; never wraps. Loaded with acquire order, so
    // every frame below it has been read. Any thread.
    int64_t (*position)();
    // Stops playing and lets go of the buffer; harmless when not playing.
    // Main thread.
    void (*reset)();
    // Closes the device; harmless when not open. Main thread.
    void (*close)();
    // Why the last open failed, for a message. Main thread.
    const char* (*error)();
};

// The platform's sound device: SDL2 audio on Linux (music/sdl/), waveOut on
// Windows (music/win32/). Defined by the library tavorly_audio_device, which
// only the programs link; engine tests install the virtual device instead.
// Called by runTavorly before opening the output.
const AudioDevice* systemAudioDevice();

}  // namespace music
