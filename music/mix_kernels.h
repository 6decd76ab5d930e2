// The mixer's inner loops: one voice's frames interpolated, scaled by its
// gains and added into the float mix buffer. Each loop exists in a portable
// form and in SIMD forms; every form performs the same float operations in
// the same order on each output value, so all of them give the same bits.
// The fastest form the processor supports is chosen once at start-up.
#pragma once

#include <cstdint>

// Mixes n frames (n >= 0) of `data` from the 32.32 `position`, adding `step`
// after each frame (a negative step, as two's complement, moves backward),
// into the interleaved stereo floats at `out`, at constant gains. Returns the
// position after the n frames.
using MixSteadyKernel = uint64_t (*)(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                                     float left, float right);

// As MixSteadyKernel, but the gains grow by stepLeft and stepRight after each
// frame; `left` and `right` come back as the gains after the last frame.
using MixRampKernel = uint64_t (*)(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                                   float& left, float& right, float stepLeft, float stepRight);

struct MixKernels {
    MixSteadyKernel steady;
    MixRampKernel ramp;
};

// The forms of the inner loops, from the reference to the widest.
enum class MixPath : uint8_t { portable, sse2, avx2 };
constexpr int32_t mixPathCount = 3;

// "portable", "sse2", "avx2".
const char* mixPathName(MixPath path);

// True when this build has the path and the processor can run it.
bool mixPathAvailable(MixPath path);

// The kernels in use: the widest available path, chosen at start-up, or the
// one selectMixPath chose. Read by mixVoices on the thread that renders.
const MixKernels& activeMixKernels();
MixPath activeMixPath();

// Switches every later mix to `path`; false (and no change) when it is not
// available. For tests and tools that compare the paths; call it while
// nothing renders.
bool selectMixPath(MixPath path);

// The kernels of each form, for the dispatch above.
extern const MixKernels portableMixKernels;
#if defined(__x86_64__)
extern const MixKernels sse2MixKernels;
extern const MixKernels avx2MixKernels;
#endif
