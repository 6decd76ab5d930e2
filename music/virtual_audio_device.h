// A sound device for tests: it plays nothing and its play position moves only
// when the test moves it, so the output thread's refills can be stepped.
#pragma once

#include <cstdint>

#include "music/audio_device.h"

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

// Sets the frames played since start. Any thread.
void setVirtualPosition(int64_t frames);

// Makes the next opens fail (with `reason`) or succeed again.
void failVirtualOpen(bool fail, const char* reason = "virtual device refused");
