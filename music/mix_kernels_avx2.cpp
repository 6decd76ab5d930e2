// The AVX2 form of the mixer's inner loops: eight frames at a time. Compiled
// for AVX2 function by function, so the rest of the program still runs on
// any x86-64 processor; used only where the processor reports AVX2. No fused
// multiply-add: each value is rounded exactly as in the portable loop.
// (Fetching the sample pairs with a gather instruction, or from one window of
// nine frames for slow steps, measured slower than eight plain loads.)
#include "music/mix_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>

#define TAVORLY_AVX2 __attribute__((target("avx2")))

namespace music {

namespace {

// The two neighbouring sample frames at a 32.32 position as one 32-bit word.
inline int32_t framePair(const int16_t* data, uint64_t position) {
    int32_t pair;
    __builtin_memcpy(&pair, data + (static_cast<int64_t>(position) >> 32), sizeof pair);
    return pair;
}

// Interpolates eight frames, each given as the pair of neighbouring sample
// frames (low half first) and the fraction of its position, with the same
// float operations as the portable loop.
// The first frame and the difference to the second come out of one
// multiply-add of word pairs each; the difference of two 16-bit values is
// exact in a float, so it equals the float subtraction of the portable loop.
TAVORLY_AVX2 inline __m256 interpolateEight(__m256i pairs, __m256i fractions) {
    __m256 a = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, _mm256_set1_epi32(1)));
    __m256 difference = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, _mm256_set1_epi32(0x0001ffff)));
    __m256 t = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(fractions, 1)), _mm256_set1_ps(1.0f / 2147483648.0f));
    return _mm256_add_ps(a, _mm256_mul_ps(difference, t));
}

// Eight consecutive frames from a 32.32 position: the whole parts step in
// 64-bit registers, the fractions side by side in 32-bit lanes (the low 32
// bits of a 64-bit sum are the 32-bit sum of the low halves).
struct EightFrames {
    uint64_t position;
    uint64_t step;
    uint64_t twoSteps;
    uint64_t threeSteps;
    uint64_t fourSteps;
    uint64_t eightSteps;
    __m256i fractions;
    __m256i fractionAdvance;

    TAVORLY_AVX2 EightFrames(uint64_t start, uint64_t frameStep)
        : position(start),
          step(frameStep),
          twoSteps(2 * frameStep),
          threeSteps(3 * frameStep),
          fourSteps(4 * frameStep),
          eightSteps(8 * frameStep) {
        auto fractionAt = [&](uint64_t k) { return static_cast<int32_t>(static_cast<uint32_t>(start + k * step)); };
        fractions = _mm256_setr_epi32(fractionAt(0), fractionAt(1), fractionAt(2), fractionAt(3), fractionAt(4),
                                      fractionAt(5), fractionAt(6), fractionAt(7));
        fractionAdvance = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(8 * step)));
    }

    // The eight sample values, interpolated as the portable loop does, then
    // the position moved on by eight frames.
    TAVORLY_AVX2 __m256 next(const int16_t* data) {
        // Each position from one of two that move on by eight steps, so no
        // long chain of additions runs from one group of frames to the next.
        // The sample data keeps guard frames after its end, so the partner of
        // the last frame is always readable.
        uint64_t p4 = position + fourSteps;
        uint64_t p1 = position + step, p2 = position + twoSteps, p3 = position + threeSteps;
        uint64_t p5 = p4 + step, p6 = p4 + twoSteps, p7 = p4 + threeSteps;
        // Collected through memory rather than inserted lane by lane: the
        // compiler then loads each pair straight into its lane, which
        // measured a few per cent faster.
        alignas(32) int32_t gathered[8] = {framePair(data, position), framePair(data, p1), framePair(data, p2),
                                           framePair(data, p3),       framePair(data, p4), framePair(data, p5),
                                           framePair(data, p6),       framePair(data, p7)};
        __m256i pairs = _mm256_load_si256(reinterpret_cast<const __m256i*>(gathered));
        position += eightSteps;
        __m256 samples = interpolateEight(pairs, fractions);
        fractions = _mm256_add_epi32(fractions, fractionAdvance);
        return samples;
    }
};

// Adds eight mono samples times the gains of each frame (left, right, ...
// for four frames per vector) to eight stereo frames.
TAVORLY_AVX2 inline void addEight(float* out, __m256 samples, __m256 gainsFirst, __m256 gainsSecond) {
    __m256 first = _mm256_permutevar8x32_ps(samples, _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3));
    __m256 second = _mm256_permutevar8x32_ps(samples, _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7));
    _mm256_storeu_ps(out, _mm256_add_ps(_mm256_loadu_ps(out), _mm256_mul_ps(first, gainsFirst)));
    _mm256_storeu_ps(out + 8, _mm256_add_ps(_mm256_loadu_ps(out + 8), _mm256_mul_ps(second, gainsSecond)));
}

TAVORLY_AVX2 uint64_t avx2Steady(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                                 float left, float right) {
    int32_t k = 0;
    if (n >= 8) {
        const __m256 gains = _mm256_setr_ps(left, right, left, right, left, right, left, right);
        EightFrames frames(position, step);
        for (; k + 8 <= n; k += 8) addEight(out + 2 * k, frames.next(data), gains, gains);
        position = frames.position;
    }
    return sse2MixKernels.steady(out + 2 * k, n - k, data, position, step, left, right);
}

// The gains are stepped one frame after the other, as the sums must come out
// the same however the frames are grouped. Left and right step side by side
// in the two low lanes of one register (the same float additions, one
// instruction per frame), and the eight pairs of gains are put together with
// few shuffles.
TAVORLY_AVX2 uint64_t avx2Ramp(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                               float& left, float& right, float stepLeft, float stepRight) {
    int32_t k = 0;
    if (n >= 8) {
        EightFrames frames(position, step);
        const __m128 steps = _mm_setr_ps(stepLeft, stepRight, 0.0f, 0.0f);
        __m128 gains = _mm_setr_ps(left, right, 0.0f, 0.0f);
        for (; k + 8 <= n; k += 8) {
            __m128 g0 = gains;
            __m128 g1 = _mm_add_ps(g0, steps);
            __m128 g2 = _mm_add_ps(g1, steps);
            __m128 g3 = _mm_add_ps(g2, steps);
            __m128 g4 = _mm_add_ps(g3, steps);
            __m128 g5 = _mm_add_ps(g4, steps);
            __m128 g6 = _mm_add_ps(g5, steps);
            __m128 g7 = _mm_add_ps(g6, steps);
            gains = _mm_add_ps(g7, steps);
            __m128 g01 = _mm_movelh_ps(g0, g1);
            __m128 g23 = _mm_movelh_ps(g2, g3);
            __m128 g45 = _mm_movelh_ps(g4, g5);
            __m128 g67 = _mm_movelh_ps(g6, g7);
            addEight(out + 2 * k, frames.next(data), _mm256_set_m128(g23, g01), _mm256_set_m128(g67, g45));
        }
        position = frames.position;
        left = _mm_cvtss_f32(gains);
        right = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
    }
    return sse2MixKernels.ramp(out + 2 * k, n - k, data, position, step, left, right, stepLeft, stepRight);
}

// Eight frames at a time round a short forward loop: each frame's position
// is worked out from the group's first one, taken back by the loop's length
// when it lies at or past the end (at most once, as eight steps are shorter
// than the loop), so the loop costs no pass of its own. The fractions do not
// change when a whole number of frames is taken off.
TAVORLY_AVX2 uint64_t avx2SteadyLooping(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                                        float left, float right, uint64_t loopEnd, uint64_t loopLength) {
    int32_t k = 0;
    if (n >= 8) {
        const __m256 gains = _mm256_setr_ps(left, right, left, right, left, right, left, right);
        EightFrames frames(position, step);
        uint64_t steps[8];
        for (uint64_t j = 0; j < 8; ++j) steps[j] = j * step;
        for (; k + 8 <= n; k += 8) {
            auto pairAt = [&](int j) {
                uint64_t at = position + steps[j];
                return framePair(data, at >= loopEnd ? at - loopLength : at);
            };
            // Set lane by lane: the pairs go from memory straight into their
            // lanes (through a buffer on the stack the vector load would wait
            // for the eight stores).
            __m256i pairs = _mm256_setr_epi32(pairAt(0), pairAt(1), pairAt(2), pairAt(3), pairAt(4), pairAt(5),
                                              pairAt(6), pairAt(7));
            uint64_t next = position + 8 * step;
            position = next >= loopEnd ? next - loopLength : next;
            __m256 samples = interpolateEight(pairs, frames.fractions);
            frames.fractions = _mm256_add_epi32(frames.fractions, frames.fractionAdvance);
            addEight(out + 2 * k, samples, gains, gains);
        }
    }
    return portableMixKernels.steadyLooping(out + 2 * k, n - k, data, position, step, left, right, loopEnd, loopLength);
}

}  // namespace

const MixKernels avx2MixKernels{avx2Steady, avx2Ramp, avx2SteadyLooping};

}  // namespace music
#endif
