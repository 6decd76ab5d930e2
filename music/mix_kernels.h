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

// As MixSteadyKernel, for a voice going round a forward loop that ends at
// `loopEnd` (32.32): after each frame's step a position at or past the end
// goes back by `loopLength`, exactly as a pass ending at the loop's end and
// the next one starting from the wrapped position. Needs the position before
// `loopEnd` and 8 x step below `loopLength`, so that no frame of a group of
// eight goes round more than once.
using MixLoopingKernel = uint64_t (*)(float* out, int32_t n, const int16_t* data, uint64_t position, uint64_t step,
                                      float left, float right, uint64_t loopEnd, uint64_t loopLength);

struct MixKernels {
    MixSteadyKernel steady;
    MixRampKernel ramp;
    MixLoopingKernel steadyLooping;  // none: a pass per wrap
};

// The kernels of each form, for the choice of the form in use (mix_path.h).
extern const MixKernels portableMixKernels;
#if defined(__x86_64__)
extern const MixKernels sse2MixKernels;
extern const MixKernels avx2MixKernels;
#endif

}  // namespace music
