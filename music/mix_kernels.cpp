// The portable and SSE2 forms of the mixer's inner loops.
#include "music/mix_kernels.h"

#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace music {

namespace {

// Sample value at a 32.32 position: linear interpolation with the following
// frame, using the upper 31 bits of the fraction.
inline float interpolate(const int16_t* data, uint64_t position) {
    int64_t i = static_cast<int64_t>(position) >> 32;
    float t = static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(position) >> 1)) * (1.0f / 2147483648.0f);
    float a = data[i];
    float b = data[i + 1];
    return a + (b - a) * t;
}

// Mixes frames k..n - 1 one at a time, the gains growing by their steps
// after each frame. The reference every other form must match.
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

// Frame after frame, the position taken back by the loop's length as soon
// as it reaches the loop's end.
uint64_t portableSteadyLooping(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float left,
                               float right, uint64_t loopEnd, uint64_t loopLength) {
    for (int32_t k = 0; k < n; ++k) {
        float s = interpolate(data, position);
        position += step;
        if (position >= loopEnd) position -= loopLength;
        out[2 * k] += s * left;
        out[2 * k + 1] += s * right;
    }
    return position;
}

uint64_t portableSteady(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float left,
                        float right) {
    // Steady gains step by 0, which leaves them exactly as they are.
    return mixOneByOne(out, 0, n, data, position, step, left, right, 0.0f, 0.0f);
}

uint64_t portableRamp(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float& left,
                      float& right, float stepLeft, float stepRight) {
    return mixOneByOne(out, 0, n, data, position, step, left, right, stepLeft, stepRight);
}

#if defined(__x86_64__)
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

uint64_t sse2Steady(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float left,
                    float right) {
    int32_t k = 0;
    if (n >= 4) {
        const __m128 gains = _mm_setr_ps(left, right, left, right);
        FourFrames frames(position, step);
        for (; k + 4 <= n; k += 4) addFour(out + 2 * k, frames.next(data), gains, gains);
        position = frames.position;
    }
    return mixOneByOne(out, k, n, data, position, step, left, right, 0.0f, 0.0f);
}

// The gains are stepped one frame after the other, as the sums must come out
// the same however the frames are grouped.
uint64_t sse2Ramp(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step, float& left,
                  float& right, float stepLeft, float stepRight) {
    int32_t k = 0;
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
    return mixOneByOne(out, k, n, data, position, step, left, right, stepLeft, stepRight);
}
#endif

}  // namespace

const MixKernels portableMixKernels{portableSteady, portableRamp, portableSteadyLooping};
#if defined(__x86_64__)
// The looping form one frame at a time would be slower than the four-frame
// steady loop with a pass per wrap.
const MixKernels sse2MixKernels{sse2Steady, sse2Ramp, nullptr};
#endif

}  // namespace music
