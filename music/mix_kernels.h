// The mixer's inner loops: one voice's frames interpolated, scaled by its
// gains and added into the float mix buffer. Each loop exists in a portable
// form and in SIMD forms; every form performs the same float operations in
// the same order on each output value, so all of them give the same bits.
#pragma once

#include <cstdint>

namespace music {

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

// The kernels of each form, for the choice of the form in use (mix_path.h).
extern const MixKernels portableMixKernels;
#if defined(__x86_64__)
extern const MixKernels sse2MixKernels;
extern const MixKernels avx2MixKernels;
#endif

}  // namespace music
