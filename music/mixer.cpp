// The voice table and the mixer. Each voice is mixed in passes that are cut in
// advance at the next loop boundary, ramp end or run end, so the inner loops
// run a known count and test nothing per frame.
#include "music/mixer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "music/mix_path.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace music {

MixerState mixerState;

namespace {

constexpr uint8_t loopForward = 2;
constexpr uint8_t loopPingPong = 4;

// Positions are kept below 2^31 whole frames so that every 32.32 quantity
// below fits in 64 bits.
constexpr uint64_t maxPlayFrames = 0x7fffffff;

// The region a sample plays in: [start, end) in whole frames, with a loop
// over it when `looping`. The end never lies past the sample's data, so the
// interpolation partner of the last frame played is at worst the first guard
// frame.
struct PlayRegion {
    uint64_t start;
    uint64_t end;
    bool looping;
    bool pingPong;
};

PlayRegion playRegionOf(const Sample& sample) {
    uint64_t end = uint64_t{sample.loopStart} + sample.loopLength;
    end = std::min({end, uint64_t{sample.length}, maxPlayFrames});
    if (sample.data == nullptr) end = 0;
    uint64_t start = sample.loopStart;
    bool looping = (sample.loopMode == loopForward || sample.loopMode == loopPingPong) && start < end;
    return PlayRegion{start, end, looping, looping && sample.loopMode == loopPingPong};
}

// Output frames until the position reaches the boundary (forward: the loop
// end; backward: below the loop start), counted exactly in 64 bits for every
// step; the maximum when the step is 0. A boundary further than `limit`
// frames away gives limit + 1 without the exact count, which saves the
// 64-bit division on most passes: loops are mostly longer than a run.
uint64_t framesToBoundary(uint64_t position, uint64_t step, const PlayRegion& region, bool forward, uint64_t limit) {
    uint64_t distance;
    if (forward) {
        uint64_t end = region.end << 32;
        distance = position < end ? end - position : 0;
    } else {
        // Moving backward the last position played is the loop start itself,
        // so the boundary lies one fraction unit below it.
        uint64_t start = region.start << 32;
        distance = position >= start ? position - start + 1 : 0;
    }
    if (distance == 0) return 0;
    if (step == 0) return std::numeric_limits<uint64_t>::max();
    uint64_t reach;
    if (!__builtin_mul_overflow(step, limit, &reach) && reach < distance) return limit + 1;
    return distance / step + (distance % step != 0 ? 1 : 0);
}

// value % modulus, by one subtraction where that is enough: a step seldom
// carries a voice more than once round its loop, and a division costs many
// times a subtraction on every loop pass.
uint64_t reduceBelow(uint64_t value, uint64_t modulus) {
    if (value < modulus) return value;
    value -= modulus;
    return value < modulus ? value : value % modulus;
}

// Places a voice on a ping-pong loop of `length` from `start` (both in
// fraction units) by its phase: forward through the loop for the first
// `length` units of a round trip, then back.
void placeInPingPong(Voice& voice, uint64_t start, uint64_t length, uint64_t phase) {
    phase = reduceBelow(phase, 2 * length);
    if (phase < length) {
        voice.position = static_cast<int64_t>(start + phase);
        voice.direction = voiceForward;
    } else {
        voice.position = static_cast<int64_t>(start + 2 * length - 1 - phase);
        voice.direction = voiceBackward;
    }
}

// Brings a position that has just crossed a loop boundary back inside the
// loop, however far the step carried it.
void wrapIntoLoop(Voice& voice, const PlayRegion& region, bool forward) {
    uint64_t position = static_cast<uint64_t>(voice.position);
    uint64_t start = region.start << 32;
    uint64_t length = (region.end - region.start) << 32;
    if (!region.pingPong) {
        if (position >= start + length) position = start + reduceBelow(position - start, length);
        voice.position = static_cast<int64_t>(position);
        return;
    }
    // A ping-pong loop reflects at both ends about half a fraction unit below
    // the boundary, so one round trip is exactly twice the loop length. The
    // phase runs forward through the loop, then back.
    uint64_t phase;
    if (forward)
        phase = position - start;
    else
        phase = 2 * length - 1 + (start - position);
    placeInPingPong(voice, start, length, phase);
}

// Moves a silent voice on a looping sample through `frames` frames at once,
// to exactly where pass after pass would leave it: every loop pass adds
// `step` per frame and then takes whole loop lengths (forward loop) or round
// trips (ping-pong) off, so the position after the run follows from the sum
// of the steps. False, and nothing changed, when the voice starts moving
// backward from beyond the loop's end or the steps would exceed 2^62.
bool advanceSilently(Voice& voice, const PlayRegion& region, bool forward, int32_t frames) {
    uint64_t travel;
    if (__builtin_mul_overflow(voice.step, static_cast<uint64_t>(frames), &travel) || travel >> 62 != 0) return false;
    uint64_t position = static_cast<uint64_t>(voice.position);
    uint64_t start = region.start << 32;
    uint64_t end = region.end << 32;
    uint64_t length = end - start;
    if (!region.pingPong) {
        position += travel;
        if (position >= end) position = start + reduceBelow(position - start, length);
        voice.position = static_cast<int64_t>(position);
        return true;
    }
    // The phase runs forward through the loop, then back, as in wrapIntoLoop.
    uint64_t phase;
    if (forward) {
        if (position + travel < end) {
            voice.position = static_cast<int64_t>(position + travel);
            return true;
        }
        phase = position + travel - start;
    } else {
        if (position >= end) return false;
        phase = 2 * length - 1 + (start - position) + travel;
    }
    placeInPingPong(voice, start, length, phase);
    return true;
}

// The running gain of a ramp on the 0..255 x 256 scale, rounded to nearest
// (ties to even, as lrint in the default rounding mode) without a library
// call: the value lies well inside the int32 range.
int32_t roundedGain(float gain) {
#if defined(__SSE2__)
    return _mm_cvtss_si32(_mm_set_ss(gain * 255.0f * 256.0f));
#else
    return static_cast<int32_t>(std::lrint(gain * 255.0f * 256.0f));
#endif
}

// Starts a new ramp when the targets moved since the running one was set up
// (or none runs and the gains differ from the targets).
void updateRamp(Voice& voice) {
    if (voice.rampFramesLeft > 0 && voice.targetLeft == voice.lastTargetLeft &&
        voice.targetRight == voice.lastTargetRight)
        return;
    voice.lastTargetLeft = voice.targetLeft;
    voice.lastTargetRight = voice.targetRight;
    int32_t deltaLeft = voice.targetLeft - (voice.currentLeft >> 8);
    int32_t deltaRight = voice.targetRight - (voice.currentRight >> 8);
    voice.rampStepLeft =
        deltaLeft != 0 ? static_cast<float>(deltaLeft) * (1.0f / 255.0f) * mixerState.rampLengthReciprocal : 0.0f;
    voice.rampStepRight =
        deltaRight != 0 ? static_cast<float>(deltaRight) * (1.0f / 255.0f) * mixerState.rampLengthReciprocal : 0.0f;
    voice.rampFramesLeft = (deltaLeft != 0 || deltaRight != 0) ? mixerState.rampLength : 0;
}

void mixVoice(Voice& voice, float* out, int32_t frames, const MixKernels& kernels) {
    while (frames > 0 && voice.sample != nullptr) {
        const Sample& sample = *voice.sample;
        PlayRegion region = playRegionOf(sample);
        if (voice.position < 0) voice.position = 0;
        if (!region.pingPong) voice.direction = voiceForward;
        bool forward = voice.direction != voiceBackward;
        uint64_t position = static_cast<uint64_t>(voice.position);

        updateRamp(voice);
        bool ramping = voice.rampFramesLeft > 0;
        // A voice that stays silent to the end of the run adds nothing, so
        // only its position moves: in one step rather than loop by loop.
        if (!ramping && region.looping && voice.targetLeft == 0 && voice.targetRight == 0 &&
            advanceSilently(voice, region, forward, frames))
            return;

        uint64_t toBoundary = framesToBoundary(position, voice.step, region, forward, static_cast<uint64_t>(frames));
        int32_t n = toBoundary < static_cast<uint64_t>(frames) ? static_cast<int32_t>(toBoundary) : frames;
        if (ramping) n = std::min(n, voice.rampFramesLeft);
        bool atBoundary = static_cast<uint64_t>(n) == toBoundary;

        uint64_t step = forward ? voice.step : 0 - voice.step;
        uint64_t loopLength = (region.end - region.start) << 32;
        if (atBoundary && n > 0 && n < frames && !ramping && region.looping && !region.pingPong &&
            (voice.targetLeft != 0 || voice.targetRight != 0) && voice.step < loopLength / 8 &&
            kernels.steadyLooping != nullptr) {
            // A steady voice on a forward loop that it goes round within the
            // run: the rest of the run in one go, the loop's wraps inside the
            // inner loop instead of one pass each (short chip loops wrap
            // every few dozen frames).
            position = kernels.steadyLooping(
                out, frames, sample.data, position, step, static_cast<float>(voice.targetLeft) / 255.0f,
                static_cast<float>(voice.targetRight) / 255.0f, region.end << 32, loopLength);
            voice.position = static_cast<int64_t>(position);
            return;
        }
        if (n > 0) {
            if (ramping) {
                float left = static_cast<float>(voice.currentLeft) / 256.0f / 255.0f;
                float right = static_cast<float>(voice.currentRight) / 256.0f / 255.0f;
                position = kernels.ramp(out, n, sample.data, position, step, left, right, voice.rampStepLeft,
                                        voice.rampStepRight);
                voice.currentLeft = roundedGain(left);
                voice.currentRight = roundedGain(right);
                voice.rampFramesLeft -= n;
                if (voice.rampFramesLeft == 0) {
                    voice.rampStepLeft = 0.0f;
                    voice.rampStepRight = 0.0f;
                    voice.currentLeft = voice.targetLeft * 256;
                    voice.currentRight = voice.targetRight * 256;
                }
            } else if (voice.targetLeft == 0 && voice.targetRight == 0) {
                // Silent: only the position moves; adding zero changes no output.
                position += step * static_cast<uint64_t>(n);
            } else {
                position =
                    kernels.steady(out, n, sample.data, position, step, static_cast<float>(voice.targetLeft) / 255.0f,
                                   static_cast<float>(voice.targetRight) / 255.0f);
            }
        }
        voice.position = static_cast<int64_t>(position);
        out += 2 * n;
        frames -= n;

        if (atBoundary) {
            if (!region.looping) {
                voice.sample = nullptr;
                voice.position = 0;
                return;
            }
            wrapIntoLoop(voice, region, forward);
        }
    }
}

}  // namespace

void setMixRate(int32_t outputRate) {
    mixerState.mixRate = outputRate;
    mixerState.rampLength = std::max<int32_t>(1, static_cast<int32_t>(int64_t{outputRate} * 128 / 44100));
    mixerState.rampLengthReciprocal = 1.0f / static_cast<float>(mixerState.rampLength);
}

void resetVoices() {
    for (int32_t i = 0; i < voiceCount; ++i) {
        Voice& voice = mixerState.voices[static_cast<size_t>(i)];
        voice = Voice{};
        voice.index = i;
        voice.step = static_cast<uint64_t>(fixedOne);
    }
}

void rampOutVoices() {
    for (Voice& voice : mixerState.voices) {
        if (voice.sample == nullptr) continue;
        if (voice.rampFramesLeft == 0 && voice.currentLeft == 0 && voice.currentRight == 0) {
            voice.sample = nullptr;
            continue;
        }
        voice.volume = 0;
        voice.targetLeft = 0;
        voice.targetRight = 0;
    }
}

void mixVoices(float* destination, int32_t frames) {
    if (frames < 1 || destination == nullptr) return;
    const MixKernels& kernels = activeMixKernels();
    for (Voice& voice : mixerState.voices) {
        if (voice.sample != nullptr) mixVoice(voice, destination, frames, kernels);
    }
}

void convertToPcm16(int16_t* destination, const float* source, int32_t frames) {
    if (frames <= 0 || destination == nullptr || source == nullptr) return;
    int32_t count = 2 * frames;
    int32_t i = 0;
#if defined(__SSE2__)
    // Clamping first keeps the conversion inside the int32 range; the
    // conversion itself rounds ties to even like lrint.
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i), low), high);
        __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(source + i + 4), low), high);
        __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
#endif
    for (; i < count; ++i) {
        float value = std::clamp(source[i], -32768.0f, 32767.0f);
        destination[i] = static_cast<int16_t>(std::lrint(value));
    }
}

}  // namespace music
