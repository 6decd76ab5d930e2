// A sound device for tests: its play position moves only when the test moves
// it, so the output thread's refills can be stepped. It can also play: a
// test's own thread reads the looping buffer through the ring hand-over the
// way SDL's audio callback does.
#pragma once

#include <cstdint>

#include "music/audio_device.h"

namespace music {

const AudioDevice* virtualAudioDevice();

// What the device was last asked to do.
struct VirtualDeviceState {
    bool open;
    bool playing;
    int32_t rate;
    const int16_t* buffer;  // the looping buffer while playing
    int32_t frames;         // its length in frames
    int32_t starts;         // how often playback was started since open
};
VirtualDeviceState virtualDeviceState();

// Sets the frames played since start without reading them. Any thread.
void setVirtualPosition(int64_t frames);

// Plays the next `frames` frames into out (2 x frames int16): copies what the
// output has rendered for them, silence for the rest, then moves the
// position on. Silence and no count when nothing plays. Any one thread at a
// time, like a sound card's callback.
void playVirtualFrames(int16_t* out, int32_t frames);

// The end of what the output has published as rendered (frames since
// start, acquire order); 0 when nothing plays. Any thread.
int64_t virtualRenderedUntil();

// Makes the next opens fail (with `reason`) or succeed again.
void failVirtualOpen(bool fail, const char* reason = "virtual device refused");

}  // namespace music
