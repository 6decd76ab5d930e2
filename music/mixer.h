// The software mixer: 64 voices, each playing one sample with linear
// interpolation, loops and click-free gain ramps, summed into a float stereo
// buffer that is then rounded and clipped to 16-bit PCM.
#pragma once

#include <array>
#include <cstdint>

#include "music/song.h"

namespace music {

constexpr int32_t voiceCount = 64;

struct Voice {
    int32_t index;        // own number in voices
    int32_t volume;       // final volume 0..255
    int32_t pan;          // final panning 0..255
    int32_t startOffset;  // frame at which the next note start begins (sample offset effect)
    Sample* sample;       // none = idle
    int32_t targetLeft;   // gain target 0..255
    int32_t targetRight;  // gain target 0..255
    int64_t position;     // 32.32 fixed point frames
    uint64_t step;        // 32.32 fixed point frames per output frame, a magnitude
    int32_t direction;    // 1 forward, 2 backward (ping-pong)
    int32_t lastTargetLeft;
    int32_t lastTargetRight;
    int32_t currentLeft;   // gain 0..255 times 256 (24.8)
    int32_t currentRight;  // gain 0..255 times 256 (24.8)
    float rampStepLeft;    // per-frame gain change on the 0..1 scale
    float rampStepRight;
    int32_t rampFramesLeft;  // 0 = no ramp
};

constexpr int32_t voiceForward = 1;
constexpr int32_t voiceBackward = 2;

// One frame in 32.32 fixed point.
constexpr int64_t fixedOne = int64_t{1} << 32;

// The mixer's state: one instance, `mixerState`. Written only by the thread
// that renders (and by the main thread before that thread starts).
struct MixerState {
    std::array<Voice, voiceCount> voices{};
    // Frames of a gain ramp (128 at 44,100 Hz) and its reciprocal. Set by
    // setMixRate; read by mixVoices.
    int32_t rampLength = 128;
    float rampLengthReciprocal = 1.0f / 128.0f;
    // Output frames per second that the mix runs at, and that tempos and
    // voice steps are worked out at: the rate setMixRate was last given.
    int32_t mixRate = 44100;
};
extern MixerState mixerState;

// Sets the mix rate and rampLength for an output rate: rate * 128 / 44100
// frames, at least 1. Called on the main thread when the output opens or an
// offline render starts or ends.
void setMixRate(int32_t outputRate);

// Zeroes every voice, gives each its index and a step of 1.0. Called on the
// main thread when the output opens or an offline render starts.
void resetVoices();

// Sets every voice's gain targets to 0, so the frames mixed next ramp each
// sounding voice out over rampLength frames; voices already silent and not
// ramping go idle. The thread that renders, when a song ends.
void rampOutVoices();

// Adds `frames` stereo frames (left, right floats) of all voices to
// `destination`, advancing every active voice's position, direction and ramp,
// and idling voices whose non-looping sample ends. Does nothing for frames < 1.
// Called on the thread that renders, for a run that never crosses a tick.
void mixVoices(float* destination, int32_t frames);

// Rounds each of the 2 x frames floats of `source` to the nearest integer (ties
// to even), clips it to -32768..32767 and stores it in `destination`. Does
// nothing when frames is not positive or either buffer is missing. Called on
// the thread that renders, once per output block.
void convertToPcm16(int16_t* destination, const float* source, int32_t frames);

}  // namespace music
