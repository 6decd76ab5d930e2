// The voice table and the mixer. Each voice is mixed in passes that are cut in
// advance at the next loop boundary, ramp end or run end, so the inner loops
// run a known count and test nothing per frame.
#include "music/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::array<Voice, voiceCount> voices{};

int32_t rampLength = 128;
float rampLengthReciprocal = 1.0f / 128.0f;

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
// step; the maximum when the step is 0.
uint64_t framesToBoundary(uint64_t position, uint64_t step, const PlayRegion& region, bool forward) {
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
    return distance / step + (distance % step != 0 ? 1 : 0);
}

// Brings a position that has just crossed a loop boundary back inside the
// loop, however far the step carried it.
void wrapIntoLoop(Voice& voice, const PlayRegion& region, bool forward) {
    uint64_t position = static_cast<uint64_t>(voice.position);
    uint64_t start = region.start << 32;
    uint64_t length = (region.end - region.start) << 32;
    if (!region.pingPong) {
        if (position >= start + length) position = start + (position - start) % length;
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
    phase %= 2 * length;
    if (phase < length) {
        voice.position = static_cast<int64_t>(start + phase);
        voice.direction = voiceForward;
    } else {
        voice.position = static_cast<int64_t>(start + 2 * length - 1 - phase);
        voice.direction = voiceBackward;
    }
}

// Sample value at a 32.32 position: linear interpolation with the following
// frame, using the upper 31 bits of the fraction.
inline float interpolate(const int16_t* data, uint64_t position) {
    int64_t i = static_cast<int64_t>(position) >> 32;
    float t = static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(position) >> 1)) * (1.0f / 2147483648.0f);
    float a = data[i];
    float b = data[i + 1];
    return a + (b - a) * t;
}

#if defined(__SSE2__)
// The two neighbouring sample frames at a 32.32 position as one 32-bit word.
inline int32_t framePair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + (static_cast<int64_t>(position) >> 32), sizeof pair);
    return pair;
}

inline int32_t fractionOf(uint64_t position) { return static_cast<int32_t>(static_cast<uint32_t>(position)); }

// Interpolates four consecutive frames side by side with the same float
// operations as interpolate, so each lane equals the one-at-a-time value.
// `fractions` holds the four positions' fractions and moves on with them:
// the low 32 bits of a 64-bit sum are the 32-bit sum of the low halves.
struct FourFrames {
    uint64_t position;
    uint64_t step;
    __m128i fractions;
    __m128i fractionAdvance;

    FourFrames(uint64_t start, uint64_t frameStep) : position(start), step(frameStep) {
        fractions = _mm_setr_epi32(fractionOf(start), fractionOf(start + step), fractionOf(start + 2 * step),
                                   fractionOf(start + 3 * step));
        fractionAdvance = _mm_set1_epi32(fractionOf(4 * step));
    }

    __m128 next(const int16_t* data) {
        uint64_t p1 = position + step;
        uint64_t p2 = p1 + step;
        uint64_t p3 = p2 + step;
        __m128i pairs =
            _mm_setr_epi32(framePair(data, position), framePair(data, p1), framePair(data, p2), framePair(data, p3));
        position = p3 + step;
        __m128 a = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
        __m128 b = _mm_cvtepi32_ps(_mm_srai_epi32(pairs, 16));
        __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(fractions, 1)), _mm_set1_ps(1.0f / 2147483648.0f));
        fractions = _mm_add_epi32(fractions, fractionAdvance);
        return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t));
    }
};

// Adds four mono samples times the gains of each frame (left, right, left,
// right for two frames per vector) to four stereo frames.
inline void addFour(float* out, __m128 samples, __m128 gainsFirst, __m128 gainsSecond) {
    __m128 first = _mm_mul_ps(_mm_unpacklo_ps(samples, samples), gainsFirst);
    __m128 second = _mm_mul_ps(_mm_unpackhi_ps(samples, samples), gainsSecond);
    _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), first));
    _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), second));
}
#endif

// Mixes frames k..n - 1 one at a time, the gains growing by their steps
// after each frame.
uint64_t mixOneByOne(float* out, int32_t k, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                     float& left, float& right, float stepLeft, float stepRight) {
    for (; k < n; ++k) {
        float s = interpolate(data, position);
        position += step;
        out[2 * k] += s * left;
        out[2 * k + 1] += s * right;
        left += stepLeft;
        right += stepRight;
    }
    return position;
}

// Mixes n frames at constant gains, returning the position after them.
uint64_t mixSteady(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float left,
                   float right) {
    int32_t k = 0;
#if defined(__SSE2__)
    if (n >= 4) {
        const __m128 gains = _mm_setr_ps(left, right, left, right);
        FourFrames frames(position, step);
        for (; k + 4 <= n; k += 4) addFour(out + 2 * k, frames.next(data), gains, gains);
        position = frames.position;
    }
#endif
    // Steady gains step by 0, which leaves them exactly as they are.
    return mixOneByOne(out, k, n, data, position, step, left, right, 0.0f, 0.0f);
}

// Mixes n frames with gains that grow by the ramp steps after each frame.
// The gains are stepped one frame after the other, as the sums must come out
// the same however the frames are grouped.
uint64_t mixRamp(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float& left,
                 float& right, float stepLeft, float stepRight) {
    int32_t k = 0;
#if defined(__SSE2__)
    if (n >= 4) {
        FourFrames frames(position, step);
        for (; k + 4 <= n; k += 4) {
            float left1 = left + stepLeft, right1 = right + stepRight;
            float left2 = left1 + stepLeft, right2 = right1 + stepRight;
            float left3 = left2 + stepLeft, right3 = right2 + stepRight;
            addFour(out + 2 * k, frames.next(data), _mm_setr_ps(left, right, left1, right1),
                    _mm_setr_ps(left2, right2, left3, right3));
            left = left3 + stepLeft;
            right = right3 + stepRight;
        }
        position = frames.position;
    }
#endif
    return mixOneByOne(out, k, n, data, position, step, left, right, stepLeft, stepRight);
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
    voice.rampStepLeft = deltaLeft != 0 ? static_cast<float>(deltaLeft) * (1.0f / 255.0f) * rampLengthReciprocal : 0.0f;
    voice.rampStepRight =
        deltaRight != 0 ? static_cast<float>(deltaRight) * (1.0f / 255.0f) * rampLengthReciprocal : 0.0f;
    voice.rampFramesLeft = (deltaLeft != 0 || deltaRight != 0) ? rampLength : 0;
}

void mixVoice(Voice& voice, float* out, int32_t frames) {
    while (frames > 0 && voice.sample != nullptr) {
        const Sample& sample = *voice.sample;
        PlayRegion region = playRegionOf(sample);
        if (voice.position < 0) voice.position = 0;
        if (!region.pingPong) voice.direction = voiceForward;
        bool forward = voice.direction != voiceBackward;
        uint64_t position = static_cast<uint64_t>(voice.position);

        uint64_t toBoundary = framesToBoundary(position, voice.step, region, forward);
        int32_t n = toBoundary < static_cast<uint64_t>(frames) ? static_cast<int32_t>(toBoundary) : frames;

        updateRamp(voice);
        bool ramping = voice.rampFramesLeft > 0;
        if (ramping) n = std::min(n, voice.rampFramesLeft);
        bool atBoundary = static_cast<uint64_t>(n) == toBoundary;

        uint64_t step = forward ? voice.step : 0 - voice.step;
        if (n > 0) {
            if (ramping) {
                float left = static_cast<float>(voice.currentLeft) / 256.0f / 255.0f;
                float right = static_cast<float>(voice.currentRight) / 256.0f / 255.0f;
                position =
                    mixRamp(out, n, sample.data, position, step, left, right, voice.rampStepLeft, voice.rampStepRight);
                voice.currentLeft = static_cast<int32_t>(std::lrint(left * 255.0f * 256.0f));
                voice.currentRight = static_cast<int32_t>(std::lrint(right * 255.0f * 256.0f));
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
                position = mixSteady(out, n, sample.data, position, step, static_cast<float>(voice.targetLeft) / 255.0f,
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
    rampLength = std::max<int32_t>(1, static_cast<int32_t>(int64_t{outputRate} * 128 / 44100));
    rampLengthReciprocal = 1.0f / static_cast<float>(rampLength);
}

void resetVoices() {
    for (int32_t i = 0; i < voiceCount; ++i) {
        voices[i] = Voice{};
        voices[i].index = i;
        voices[i].step = static_cast<uint64_t>(fixedOne);
    }
}

void rampOutVoices() {
    for (Voice& voice : voices) {
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
    for (Voice& voice : voices) {
        if (voice.sample != nullptr) mixVoice(voice, destination, frames);
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
