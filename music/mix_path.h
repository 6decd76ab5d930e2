// The choice of the form of the mixer's inner loops: the fastest form the
// processor supports, chosen once at start-up, or one a test or tool selects.
#pragma once

#include <cstdint>

#include "music/mix_kernels.h"

namespace music {

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

}  // namespace music
